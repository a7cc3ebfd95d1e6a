// The stored forms of an act: the pieces of its hypertext (tblActe.Textul,
// CompText) and its structure text (Struct, CompStruct). The import writes
// them; the viewer and the hit marker read them. All text is Windows-1250.
#ifndef CORVANA_ACTSDB_STORED_FORMS_H_
#define CORVANA_ACTSDB_STORED_FORMS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actsdb {

// "<a name=ID> </a>": the anchor that precedes a part's first line.
std::string PartAnchor(long id_parte);

// "<a href=\"# C1 C2 ...\"> D1 D2 ...</a>": a link to another act; the code
// words form the target, the display words the visible text.
std::string ActLink(const std::vector<std::string>& code_words,
                    const std::vector<std::string>& display_words);

// "<img src=\" W1 W2 W3\"> D1 D2 ...": a picture reference.
std::string ImageRef(const std::vector<std::string>& source_words,
                     const std::vector<std::string>& display_words);

// The act key text of a link target: everything after "#" and the blank
// that follows it ("# L P 10 2000" gives "L P 10 2000"). A target that does
// not start with "#" gives nullopt.
std::optional<std::string> LinkKeyText(std::string_view target);

// One node of an act's structure tree, as its structure-text line holds it.
struct StructLine {
  int depth = 0;           // number of leading tabs
  std::string label;       // heading label ("Actul" for the root)
  long part_id = 0;        // IdParte; 0 for the root
  std::string tail;        // title text after the label
  bool is_root = false;    // the "Actul" line, which has no "#" fields
};

// Node text: label + "#" + part id + "#" + tail.
std::string StructNodeText(std::string_view label, long id_parte, std::string_view tail);

// The tail of a node: at most 100 characters of `title` after the first
// occurrence of `label` in it; when `label` does not occur, from the 1-based
// position equal to the label's length.
std::string StructTail(std::string_view label, std::string_view title);

// Writes one line: depth tabs, the text, CR LF.
void AppendStructLine(std::string& out, int depth, std::string_view text);

// Reads the line (without its CR LF) into its parts. A line whose text has
// no "#" is a root-like node (label only). nullopt for an empty line.
std::optional<StructLine> ParseStructLine(std::string_view line);

// Splits a whole structure text into its lines (CR LF or LF).
std::vector<StructLine> ParseStructText(std::string_view text);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORED_FORMS_H_
