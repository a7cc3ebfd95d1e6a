// The command line of corvana-search: the filter window's criteria as
// options, and the text words with their mode.
//
// A criterion option goes through the same rule as the window's box, but
// where the box quietly ignores a value it cannot take (a name not in the
// code table, a number or date that does not parse), the option is
// refused with a message that names it.
#ifndef CORVANA_TOOLS_CORVANA_SEARCH_SEARCH_OPTIONS_H_
#define CORVANA_TOOLS_CORVANA_SEARCH_SEARCH_OPTIONS_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "viewer/finding/filter_criteria.h"

namespace corvana_search {

extern const char kUsage[];

struct SearchOptions {
  std::string install_dir;
  std::string mode;  // the text-word mode, as the window's mode box holds it
  bool ids_only = false;
  bool print_sql = false;
  std::string order_by;  // "FIELD ASCENDING" or "FIELD DESCENDING", or empty
  // The words of the text (Windows-1250), all arguments joined by blanks;
  // `has_text` when there was any.
  std::string text;
  bool has_text = false;
  // The criterion options in the order given: the option as typed, its
  // criterion and its value (Windows-1250; codes not yet resolved).
  struct Box {
    std::string option;
    finding::Criterion criterion;
    std::string value;
  };
  std::vector<Box> boxes;
};

// Parses the arguments after the program name. On a bad command line
// returns nullopt and sets `error` to what is wrong.
std::optional<SearchOptions> ParseSearchOptions(const std::vector<std::string>& args,
                                                std::string* error);

// Enters the criterion options into `criteria`, resolving the code of a
// code table to its name. Returns the message for the first option whose
// value the criterion refuses, or "" when every one was taken.
std::string EnterCriteria(const SearchOptions& options, finding::CodeTables& tables,
                          finding::FilterCriteria& criteria);

// Checks `order_by` against the columns of the acts table; "" when it is
// a sort clause on one of `columns`, otherwise what is wrong.
std::string CheckOrderBy(const std::string& order_by, const std::vector<std::string>& columns);

}  // namespace corvana_search

#endif  // CORVANA_TOOLS_CORVANA_SEARCH_SEARCH_OPTIONS_H_
