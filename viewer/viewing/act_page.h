// The page of an act: its stored hypertext rewritten line by line and set
// into the page template, with the act's issuer, title, dates and
// publication in the blue band above the text. The act window shows this
// page and corvana-export writes it; both make it here, from plain values.
//
// All text is Windows-1250.
#ifndef CORVANA_VIEWER_VIEWING_ACT_PAGE_H_
#define CORVANA_VIEWER_VIEWING_ACT_PAGE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "actsdb/dates.h"

namespace viewing {

// The values of an act row that its page shows. The names are the looked-up
// ones (the issuer's, the publication's, the type's), as the acts views
// give them.
struct ActPageRow {
  std::string emitent;
  std::string disp_titlu;
  std::string publicatia;
  std::optional<int64_t> numar;  // issue number of the publication
  std::optional<actsdb::Date> data;
  std::optional<actsdb::Date> data_pub;
  std::string limba;
  std::string tip_act;
  std::string comp_text;  // the hypertext as one zlib stream
  int64_t text_size = 0;  // its length once inflated
};

struct ActPage {
  std::string html;
  // The first letter of the act's language, or a blank when it has none:
  // the language link of the page switches on it.
  char language = ' ';
  // Where the act's text stands in `html`: from text_begin up to text_end.
  size_t text_begin = 0;
  size_t text_end = 0;
};

// Makes the page of `row`. The first link to another act on a line is
// rewritten to point into `install_dir` (absolute, no trailing "/"), in the
// form the link rules of the act window recognise. A compressed text that is
// damaged or too short throws std::runtime_error saying which.
ActPage ProduceActPage(const ActPageRow& row, std::string_view install_dir);

// Rewrites one line of stored hypertext for the page: paragraphs aligned
// left, titles and headings centred in red and blue, and the line's first
// link to another act turned into `link_prefix` + act key + ".htm".
std::string RewriteLine(std::string line, std::string_view link_prefix);

// The key of a picture (IndCod of tblImagini) in the source text of an
// image tag, " img KEY ...": after one leading blank, the second word,
// upper-cased. Empty when there is no second word.
std::string PictureKey(std::string_view source);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_ACT_PAGE_H_
