#include "actsdb/sql_dialect.h"

#include <sqlite3.h>

#include <cstring>
#include <optional>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/dates.h"
#include "actsdb/store.h"

namespace actsdb {
namespace {

enum class TokenKind { kBlank, kWord, kQuoted, kOperator, kOther };

struct Token {
  TokenKind kind;
  std::string text;  // as written (a quoted literal with its quotes)
};

bool IsWordStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '$';
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = text[i];
    size_t end = i + 1;
    TokenKind kind = TokenKind::kOther;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      while (end < text.size() && (text[end] == ' ' || text[end] == '\t' ||
                                   text[end] == '\r' || text[end] == '\n')) {
        ++end;
      }
      kind = TokenKind::kBlank;
    } else if (c == '\'' || c == '"') {
      // A doubled quote inside stands for one.
      for (;;) {
        if (end >= text.size()) {
          throw StoreError("unterminated quoted text " + std::string(text.substr(i, 40)));
        }
        if (static_cast<unsigned char>(text[end]) == c) {
          if (end + 1 < text.size() && static_cast<unsigned char>(text[end + 1]) == c) {
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        ++end;
      }
      kind = c == '\'' ? TokenKind::kQuoted : TokenKind::kWord;
    } else if (IsWordStart(c)) {
      while (end < text.size() && IsWordChar(text[end])) ++end;
      kind = TokenKind::kWord;
    } else if (c == '<' || c == '>' || c == '=' || c == '!') {
      if (end < text.size() && (text[end] == '=' || (c == '<' && text[end] == '>'))) ++end;
      kind = TokenKind::kOperator;
    }
    tokens.push_back({kind, std::string(text.substr(i, end - i))});
    i = end;
  }
  return tokens;
}

bool IsComparison(const Token& t) {
  static constexpr const char* kOps[] = {"=", "<>", "!=", "<", "<=", ">", ">="};
  if (t.kind != TokenKind::kOperator) return false;
  for (const char* op : kOps) {
    if (t.text == op) return true;
  }
  return false;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

// The column a word names: the last part of a qualified name, unquoted.
std::string_view ColumnOf(const Token& t) {
  std::string_view name = t.text;
  if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(dot + 1);
  return name;
}

std::string Unquote(const std::string& quoted) {
  std::string out;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    out += quoted[i];
    if (quoted[i] == '\'') ++i;
  }
  return out;
}

// Neighbouring non-blank token, or nullptr.
const Token* Neighbour(const std::vector<Token>& tokens, size_t i, int step) {
  for (long j = static_cast<long>(i) + step; j >= 0 && j < static_cast<long>(tokens.size());
       j += step) {
    if (tokens[j].kind != TokenKind::kBlank) return &tokens[j];
  }
  return nullptr;
}

// Whether the quoted literal at `i` is compared with a date column.
const Token* DateColumnComparedWith(const std::vector<Token>& tokens, size_t i,
                                    const std::function<bool(std::string_view)>& is_date) {
  const Token* op = Neighbour(tokens, i, -1);
  if (op != nullptr && IsComparison(*op)) {
    size_t op_index = static_cast<size_t>(op - tokens.data());
    const Token* column = Neighbour(tokens, op_index, -1);
    if (column != nullptr && column->kind == TokenKind::kWord && is_date(ColumnOf(*column))) {
      return column;
    }
  }
  op = Neighbour(tokens, i, +1);
  if (op != nullptr && IsComparison(*op)) {
    size_t op_index = static_cast<size_t>(op - tokens.data());
    const Token* column = Neighbour(tokens, op_index, +1);
    if (column != nullptr && column->kind == TokenKind::kWord && is_date(ColumnOf(*column))) {
      return column;
    }
  }
  return nullptr;
}

// Compares two UTF-8 texts by their Windows-1250 upper-case forms.
int CompareNoCase(void*, int length_a, const void* a, int length_b, const void* b) {
  const std::string upper_a =
      UpperCase(Utf8ToCp1250(std::string_view(static_cast<const char*>(a), length_a)));
  const std::string upper_b =
      UpperCase(Utf8ToCp1250(std::string_view(static_cast<const char*>(b), length_b)));
  const size_t common = std::min(upper_a.size(), upper_b.size());
  const int c = common == 0 ? 0 : std::memcmp(upper_a.data(), upper_b.data(), common);
  if (c != 0) return c;
  return upper_a.size() < upper_b.size() ? -1 : upper_a.size() > upper_b.size() ? 1 : 0;
}

std::string_view TextArgument(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  if (text == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(text),
                          static_cast<size_t>(sqlite3_value_bytes(value)));
}

// like(pattern, text [, escape]), the function behind "text LIKE pattern".
void Like(sqlite3_context* context, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // NULL result
  }
  char escape = 0;
  if (argc == 3) {
    const std::string e = Utf8ToCp1250(TextArgument(argv[2]));
    if (e.size() != 1) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = e[0];
  }
  const std::string pattern = Utf8ToCp1250(TextArgument(argv[0]));
  const std::string text = Utf8ToCp1250(TextArgument(argv[1]));
  sqlite3_result_int(context, LikeMatches(pattern, text, escape) ? 1 : 0);
}

}  // namespace

std::string TranslateDialect(std::string_view text,
                             const std::function<bool(std::string_view column)>& is_date_column) {
  const std::vector<Token> tokens = Tokenize(text);
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    switch (t.kind) {
      case TokenKind::kBlank:
        for (char c : t.text) out += (c == '\r' || c == '\n') ? ' ' : c;
        break;
      case TokenKind::kWord:
        if (EqualsIgnoringCase(t.text, "ASCENDING")) {
          out += "ASC";
        } else if (EqualsIgnoringCase(t.text, "DESCENDING")) {
          out += "DESC";
        } else {
          out += t.text;
        }
        break;
      case TokenKind::kQuoted: {
        const Token* column = DateColumnComparedWith(tokens, i, is_date_column);
        if (column == nullptr) {
          out += t.text;
          break;
        }
        const std::string literal = Unquote(t.text);
        std::optional<Date> date = ParseDmy(literal);
        if (!date) date = ParseIso(literal);
        if (!date) {
          throw StoreError("'" + literal + "' is not a valid date for column " +
                           std::string(ColumnOf(*column)));
        }
        out += "'" + FormatIso(*date) + "'";
        break;
      }
      default:
        out += t.text;
    }
  }
  return Cp1250ToUtf8(out);
}

void RegisterDialect(sqlite3* db) {
  int rc = sqlite3_create_collation_v2(db, kNoCaseCollation, SQLITE_UTF8, nullptr,
                                       CompareNoCase, nullptr);
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  if (rc == SQLITE_OK) rc = sqlite3_create_function(db, "like", 2, kFlags, nullptr, Like, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_create_function(db, "like", 3, kFlags, nullptr, Like, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    throw StoreError(std::string("cannot install the text comparisons: ") + sqlite3_errmsg(db));
  }
}

bool LikeMatches(std::string_view pattern, std::string_view text, char escape) {
  // Greedy matching with one backtrack point, the last "%" seen.
  size_t p = 0;
  size_t t = 0;
  size_t star_p = std::string_view::npos;
  size_t star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size()) {
      const char c = pattern[p];
      if (escape != 0 && c == escape && p + 1 < pattern.size()) {
        if (UpperChar(pattern[p + 1]) == UpperChar(text[t])) {
          p += 2;
          ++t;
          continue;
        }
      } else if (c == '%') {
        star_p = ++p;
        star_t = t;
        continue;
      } else if (c == '_' || UpperChar(c) == UpperChar(text[t])) {
        ++p;
        ++t;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    p = star_p;
    t = ++star_t;
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

}  // namespace actsdb
