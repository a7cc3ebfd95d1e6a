#include "actsdb/sql_dialect.h"

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/dates.h"
#include "actsdb/store_error.h"

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

// Reading text one character at a time as its Windows-1250 byte, without
// building a converted copy: the comparisons below run for every row of a
// sort or a LIKE filter.
struct Cp1250Text {
  std::string_view bytes;
  unsigned char At(size_t i, size_t* length) const {
    *length = 1;
    return static_cast<unsigned char>(bytes[i]);
  }
};

// Code points below this have their Windows-1250 byte in a table (the code
// page's highest, U+2122, included).
constexpr uint32_t kMappedCodePoints = 0x2200;

// The code page's byte for each code point below kMappedCodePoints, 0 when
// it has none; built from the conversion itself so that the two agree.
const std::array<unsigned char, kMappedCodePoints>& ByteOfCodePoint() {
  static const std::array<unsigned char, kMappedCodePoints> table = [] {
    std::array<unsigned char, kMappedCodePoints> t{};
    auto code_point = [](const std::string& utf8) {
      const auto b = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
      if (utf8.size() == 2) return ((b(0) & 0x1Fu) << 6) | (b(1) & 0x3Fu);
      return ((b(0) & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
    };
    for (int c = 0x80; c <= 0xFF; ++c) {
      const uint32_t cp = code_point(Cp1250ToUtf8(std::string(1, static_cast<char>(c))));
      if (cp < kMappedCodePoints) t[cp] = static_cast<unsigned char>(c);
    }
    for (uint32_t cp = 0x0218; cp <= 0x021B; ++cp) {  // letters with comma below
      const std::string utf8 = {static_cast<char>(0xC0 | (cp >> 6)),
                                static_cast<char>(0x80 | (cp & 0x3F))};
      t[cp] = static_cast<unsigned char>(Utf8ToCp1250(utf8)[0]);
    }
    return t;
  }();
  return table;
}

struct Utf8Text {
  std::string_view bytes;
  unsigned char At(size_t i, size_t* length) const {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const unsigned char lead = b(0);
    *length = 1;
    if (lead < 0x80) return lead;
    size_t n = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
    if (n == 1 || i + n > bytes.size()) return lead;  // taken as Windows-1250
    for (size_t k = 1; k < n; ++k) {
      if ((b(k) & 0xC0) != 0x80) return lead;
    }
    *length = n;
    const uint32_t cp = n == 2 ? ((lead & 0x1Fu) << 6) | (b(1) & 0x3Fu)
                        : n == 3 ? ((lead & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu)
                                 : kMappedCodePoints;
    if (cp < kMappedCodePoints && ByteOfCodePoint()[cp] != 0) return ByteOfCodePoint()[cp];
    // A character the table lacks: the conversion decides (short enough for
    // the string's own buffer).
    return static_cast<unsigned char>(Utf8ToCp1250(bytes.substr(i, n))[0]);
  }
};

// The system upper-casing as a table: it runs for every character compared.
unsigned char Up(unsigned char c) {
  static const std::array<unsigned char, 256> upper = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
      t[b] = static_cast<unsigned char>(UpperChar(static_cast<char>(b)));
    }
    return t;
  }();
  return upper[c];
}

template <typename Text>
int CompareUpper(const Text& a, const Text& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.bytes.size() && j < b.bytes.size()) {
    size_t la;
    size_t lb;
    const unsigned char ca = Up(a.At(i, &la));
    const unsigned char cb = Up(b.At(j, &lb));
    if (ca != cb) return ca < cb ? -1 : 1;
    i += la;
    j += lb;
  }
  if (i < a.bytes.size()) return 1;
  return j < b.bytes.size() ? -1 : 0;
}

// Greedy matching with one backtrack point, the last "%" seen.
template <typename Text>
bool Match(const Text& pattern, const Text& text, int escape) {
  size_t p = 0;
  size_t t = 0;
  size_t star_p = std::string_view::npos;
  size_t star_t = 0;
  const size_t pattern_end = pattern.bytes.size();
  while (t < text.bytes.size()) {
    size_t text_length;
    const unsigned char tc = Up(text.At(t, &text_length));
    if (p < pattern_end) {
      size_t length;
      const unsigned char c = pattern.At(p, &length);
      if (escape >= 0 && c == escape && p + length < pattern_end) {
        size_t literal_length;
        const unsigned char literal = pattern.At(p + length, &literal_length);
        if (Up(literal) == tc) {
          p += length + literal_length;
          t += text_length;
          continue;
        }
      } else if (c == '%') {
        star_p = p += length;
        star_t = t;
        continue;
      } else if (c == '_' || Up(c) == tc) {
        p += length;
        t += text_length;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    p = star_p;
    size_t skipped;
    text.At(star_t, &skipped);
    t = star_t += skipped;
  }
  while (p < pattern_end && pattern.bytes[p] == '%') ++p;
  return p == pattern_end;
}

// The RONOCASE collation over the UTF-8 text SQLite holds.
int CompareNoCase(void*, int length_a, const void* a, int length_b, const void* b) {
  return CompareUpper(
      Utf8Text{std::string_view(static_cast<const char*>(a), static_cast<size_t>(length_a))},
      Utf8Text{std::string_view(static_cast<const char*>(b), static_cast<size_t>(length_b))});
}

std::string_view TextArgument(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  if (text == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(text),
                          static_cast<size_t>(sqlite3_value_bytes(value)));
}

// A pattern "%word%" whose word is ASCII without wildcards, the form the
// filter gives title words typed without diacritics: matching it is
// finding the word in the text's bytes, ASCII letters compared upper-cased.
// Nothing outside ASCII upper-cases into ASCII, so this finds what Match
// finds without decoding the text a character at a time.
struct AsciiWord {
  bool usable = false;
  std::string upper;
};

AsciiWord AsciiWordOf(std::string_view pattern) {
  AsciiWord word;
  if (pattern.size() < 2 || pattern.front() != '%' || pattern.back() != '%') return word;
  for (const char c : pattern.substr(1, pattern.size() - 2)) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '%' || c == '_') return word;
    word.upper += static_cast<char>(Up(static_cast<unsigned char>(c)));
  }
  word.usable = true;
  return word;
}

bool Contains(std::string_view text, const std::string& upper) {
  for (size_t i = 0; i + upper.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < upper.size() && static_cast<char>(Up(text[i + k])) == upper[k]) ++k;
    if (k == upper.size()) return true;
  }
  return false;
}

// like(pattern, text [, escape]), the function behind "text LIKE pattern".
void Like(sqlite3_context* context, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // NULL result
  }
  int escape = -1;
  if (argc == 3) {
    const std::string e = Utf8ToCp1250(TextArgument(argv[2]));
    if (e.size() != 1) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = static_cast<unsigned char>(e[0]);
  }
  const std::string_view pattern = TextArgument(argv[0]);
  const std::string_view text = TextArgument(argv[1]);
  if (argc == 2) {
    // A query compares its rows with one pattern: what it is worth is kept
    // with the statement.
    const auto* word = static_cast<const AsciiWord*>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<AsciiWord> fresh;
    if (word == nullptr) {
      fresh = std::make_unique<AsciiWord>(AsciiWordOf(pattern));
      word = fresh.get();
    }
    const bool usable = word->usable;
    const bool found = usable && Contains(text, word->upper);
    if (fresh) {
      sqlite3_set_auxdata(context, 0, fresh.release(),
                          [](void* p) { delete static_cast<AsciiWord*>(p); });
    }
    if (usable) {
      sqlite3_result_int(context, found ? 1 : 0);
      return;
    }
  }
  sqlite3_result_int(context, Match(Utf8Text{pattern}, Utf8Text{text}, escape) ? 1 : 0);
}

// nocase_key(x): text as the blob of its upper-cased Windows-1250 bytes,
// which sorts as the RONOCASE collation does; other values unchanged.
void NoCaseKeyFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    sqlite3_result_value(context, argv[0]);
    return;
  }
  const std::string key = NoCaseKey(TextArgument(argv[0]));
  sqlite3_result_blob(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

}  // namespace

std::string NoCaseKey(std::string_view utf8) {
  const Utf8Text text{utf8};
  std::string key;
  key.reserve(text.bytes.size());
  for (size_t i = 0; i < text.bytes.size();) {
    size_t length;
    key += static_cast<char>(Up(text.At(i, &length)));
    i += length;
  }
  return key;
}

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
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function(db, kNoCaseKeyFunction, 1, kFlags, nullptr, NoCaseKeyFunction, nullptr,
                                 nullptr);
  }
  if (rc != SQLITE_OK) {
    throw StoreError(std::string("cannot install the text comparisons: ") + sqlite3_errmsg(db));
  }
}

bool LikeMatches(std::string_view pattern, std::string_view text, char escape) {
  return Match(Cp1250Text{pattern}, Cp1250Text{text},
               escape == 0 ? -1 : static_cast<unsigned char>(escape));
}

}  // namespace actsdb
