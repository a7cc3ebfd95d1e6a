// Calendar dates as the system reads and shows them.
#ifndef CORVANA_ACTSDB_DATES_H_
#define CORVANA_ACTSDB_DATES_H_

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace actsdb {

struct Date {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31

  auto operator<=>(const Date&) const = default;
};

bool IsValid(const Date& d);

// "d/m/yyyy" as typed in the viewer: day and month of one or two digits, a
// four-digit year. Anything else, or an impossible date, gives nullopt.
std::optional<Date> ParseDmy(std::string_view text);
// "d/m/yyyy" without leading zeros: 5/3/2001.
std::string FormatDmy(const Date& d);

// The import's "d/m/y": like ParseDmy, but a two-digit year is 19yy.
std::optional<Date> ParseImportDate(std::string_view text);

// The act page's "d mmmm y": day, Romanian month name, two-digit year
// ("5 martie 01").
std::string FormatLongRo(const Date& d);

// ISO "yyyy-mm-dd", the form the store keeps.
std::string FormatIso(const Date& d);
std::optional<Date> ParseIso(std::string_view text);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DATES_H_
