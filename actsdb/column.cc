#include "actsdb/column.h"

#include <cerrno>
#include <cstdlib>

#include "actsdb/store_error.h"

namespace actsdb {

bool SameColumnName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int64_t ParseIntegerText(const std::string& text, const std::string& what) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  size_t end = text.size();
  while (end > i && text[end - 1] == ' ') --end;
  const std::string digits = text.substr(i, end - i);
  char* stop = nullptr;
  errno = 0;
  const long long v = std::strtoll(digits.c_str(), &stop, 10);
  if (digits.empty() || *stop != '\0' || errno != 0) {
    throw StoreError("'" + text + "' is not a valid integer value for " + what);
  }
  return v;
}

std::optional<Date> ParseDateText(const std::string& text) {
  std::optional<Date> d = ParseDmy(text);
  return d ? d : ParseIso(text);
}

}  // namespace actsdb
