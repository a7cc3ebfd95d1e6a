#include "actsdb/dates.h"

#include <charconv>
#include <cstdio>

namespace actsdb {
namespace {

constexpr const char* kMonthsRo[12] = {
    "ianuarie", "februarie", "martie",    "aprilie", "mai",      "iunie",
    "iulie",    "august",    "septembrie", "octombrie", "noiembrie", "decembrie"};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads a run of 1..max_digits digits; `digits` receives how many there were.
bool ReadNumber(std::string_view& text, size_t max_digits, int* value, size_t* digits) {
  size_t n = 0;
  while (n < text.size() && n < max_digits + 1 && text[n] >= '0' && text[n] <= '9') ++n;
  if (n == 0 || n > max_digits) return false;
  std::from_chars(text.data(), text.data() + n, *value);
  *digits = n;
  text.remove_prefix(n);
  return true;
}

// "d/m/y" with a year of the given digit counts; a two-digit year is 19yy.
std::optional<Date> ParseSlashed(std::string_view text, bool two_digit_year) {
  Date d;
  size_t digits;
  if (!ReadNumber(text, 2, &d.day, &digits) || text.empty() || text[0] != '/') return std::nullopt;
  text.remove_prefix(1);
  if (!ReadNumber(text, 2, &d.month, &digits) || text.empty() || text[0] != '/') return std::nullopt;
  text.remove_prefix(1);
  if (!ReadNumber(text, 4, &d.year, &digits) || !text.empty()) return std::nullopt;
  if (digits == 2 && two_digit_year) {
    d.year += 1900;
  } else if (digits != 4) {
    return std::nullopt;
  }
  if (!IsValid(d)) return std::nullopt;
  return d;
}

}  // namespace

bool IsValid(const Date& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month);
}

std::optional<Date> ParseDmy(std::string_view text) { return ParseSlashed(text, false); }

std::optional<Date> ParseImportDate(std::string_view text) { return ParseSlashed(text, true); }

std::string FormatDmy(const Date& d) {
  return std::to_string(d.day) + "/" + std::to_string(d.month) + "/" + std::to_string(d.year);
}

std::string FormatLongRo(const Date& d) {
  if (!IsValid(d)) return "";
  char year[8];
  std::snprintf(year, sizeof year, "%02d", d.year % 100);
  return std::to_string(d.day) + " " + kMonthsRo[d.month - 1] + " " + year;
}

std::string FormatIso(const Date& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::optional<Date> ParseIso(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  Date d;
  const auto num = [&](size_t at, size_t len, int* out) {
    auto [p, ec] = std::from_chars(text.data() + at, text.data() + at + len, *out);
    return ec == std::errc() && p == text.data() + at + len;
  };
  if (!num(0, 4, &d.year) || !num(5, 2, &d.month) || !num(8, 2, &d.day) || !IsValid(d)) {
    return std::nullopt;
  }
  return d;
}

}  // namespace actsdb
