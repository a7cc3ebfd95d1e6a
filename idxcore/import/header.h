// The header of an act text: the lines before the text that identify the
// act, its domains, dates, publication, the acts that modified it and its
// title.
#ifndef CORVANA_IDXCORE_IMPORT_HEADER_H_
#define CORVANA_IDXCORE_IMPORT_HEADER_H_

#include <optional>
#include <string>
#include <vector>

#include "actsdb/dates.h"

namespace idxcore {

// What the header says, before any code is looked up in the tables.
struct ActHeader {
  std::string type_code;    // first word of line 0
  std::string issuer_code;  // second word
  int year = 0;
  int official_number = 0;
  int republication = 0;
  bool hungarian = false;   // line 0 carries the word "M"
  std::string key;          // IndNum: type issuer number year republication [M]
  std::string main_domain;  // first word of line 1; empty when none
  std::vector<std::string> domain_codes;  // every word of line 1, in order
  std::optional<actsdb::Date> date;
  std::string publication_code;  // "MOF" for a "#M.Of. nr." line
  std::optional<int> publication_number;
  std::optional<actsdb::Date> publication_date;
  std::string title;   // already reduced by ParseTitlu
  std::string title2;  // the "-" lines, the dash kept
};

// Reads the header from the reflowed lines of an act. Line 0 gets " 0"
// appended when it gives the official number (the code text the
// modification entries carry). Throws ImportError, naming the header line,
// for too few words on line 0, a number or date that does not read, a
// publication line without a code, or a header not ended by a "#" line.
ActHeader ParseHeader(std::vector<std::string>& lines);

// The modification entries of the header lines 4, 5, ... that begin with
// "#": kind, blank, the act's code text (line 0 without its marker), "##",
// and the named act's code words as written (" 0" added when it gives
// fewer than five). The importing act is the modified one, the named act
// the one that modified it. A Hungarian version contributes none; its
// Romanian version carries them. Call after ParseHeader.
std::vector<std::string> ModificationEntries(const std::vector<std::string>& lines,
                                             bool hungarian);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_HEADER_H_
