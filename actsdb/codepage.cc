#include "actsdb/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace actsdb {
namespace {

// Unicode code points of the bytes 0x80..0xFF. The five bytes the code page
// leaves unassigned map to the C1 control of the same value.
constexpr uint16_t kHighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The byte for a code point, or -1 when the code page lacks it.
int ByteFor(uint32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  switch (cp) {  // comma below, as typed today, to the code page's cedilla
    case 0x0218: return 0xAA;
    case 0x0219: return 0xBA;
    case 0x021A: return 0xDE;
    case 0x021B: return 0xFE;
  }
  // The high half ordered by code point, for a binary search.
  struct Entry {
    uint16_t cp;
    uint8_t byte;
  };
  static constexpr std::array<Entry, 128> kByCodePoint = [] {
    std::array<Entry, 128> entries{};
    for (size_t i = 0; i < 128; ++i) entries[i] = {kHighHalf[i], static_cast<uint8_t>(0x80 + i)};
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.cp < b.cp; });
    return entries;
  }();
  const auto at = std::lower_bound(kByCodePoint.begin(), kByCodePoint.end(), cp,
                                   [](const Entry& e, uint32_t c) { return e.cp < c; });
  return at != kByCodePoint.end() && at->cp == cp ? at->byte : -1;
}

// The UTF-8 sequence of every byte, looked up instead of encoded per byte:
// the store converts every act's text on its way in.
struct Utf8Bytes {
  char bytes[3];
  uint8_t length;
};

constexpr std::array<Utf8Bytes, 256> Utf8Table() {
  std::array<Utf8Bytes, 256> table{};
  for (uint32_t b = 0; b < 256; ++b) {
    const uint32_t cp = b < 0x80 ? b : kHighHalf[b - 0x80];
    Utf8Bytes& u = table[b];
    if (cp < 0x80) {
      u.bytes[0] = static_cast<char>(cp);
      u.length = 1;
    } else if (cp < 0x800) {
      u.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
      u.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
      u.length = 2;
    } else {
      u.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
      u.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      u.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
      u.length = 3;
    }
  }
  return table;
}

// Decodes one UTF-8 sequence at text[i]. Returns its length, 0 when the
// bytes there are not a well-formed sequence.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* cp) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
  const uint8_t lead = b(0);
  size_t len;
  uint32_t value;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4, value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b(k) & 0x3F);
  }
  if ((len == 3 && value < 0x800) || (len == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *cp = value;
  return len;
}

}  // namespace

std::string Cp1250ToUtf8(std::string_view text) {
  static constexpr std::array<Utf8Bytes, 256> kUtf8 = Utf8Table();
  // Measured first, so the text is written into a string of its final size.
  size_t size = 0;
  for (char c : text) size += kUtf8[static_cast<uint8_t>(c)].length;
  // Every byte's entry is copied whole and the cursor moved by its length:
  // no branch per byte. The last copy may reach three bytes past the text,
  // into room cut off at the end.
  std::string out(size + sizeof(Utf8Bytes) - 1, '\0');
  char* to = out.data();
  for (char c : text) {
    const Utf8Bytes& u = kUtf8[static_cast<uint8_t>(c)];
    std::memcpy(to, &u, sizeof u);
    to += u.length;
  }
  out.resize(size);
  return out;
}

std::string Utf8ToCp1250(std::string_view text, std::vector<size_t>* starts) {
  std::string out;
  out.reserve(text.size());
  if (starts != nullptr) starts->clear();
  for (size_t i = 0; i < text.size();) {
    // A run of ASCII is the same in both.
    size_t ascii_end = i;
    while (ascii_end < text.size() && static_cast<uint8_t>(text[ascii_end]) < 0x80) ++ascii_end;
    out.append(text, i, ascii_end - i);
    if (starts != nullptr) {
      for (size_t k = i; k < ascii_end; ++k) starts->push_back(k);
    }
    i = ascii_end;
    if (i == text.size()) break;
    if (starts != nullptr) starts->push_back(i);
    uint32_t cp;
    const size_t len = DecodeUtf8(text, i, &cp);
    if (len == 0) {  // not UTF-8 here: the byte is already Windows-1250
      out += text[i++];
      continue;
    }
    const int byte = ByteFor(cp);
    out += byte < 0 ? '?' : static_cast<char>(byte);
    i += len;
  }
  return out;
}

bool LooksLikeUtf8(std::string_view text) {
  bool multibyte = false;
  for (size_t i = 0; i < text.size();) {
    uint32_t cp;
    const size_t len = DecodeUtf8(text, i, &cp);
    if (len == 0) return false;
    multibyte |= len > 1;
    i += len;
  }
  return multibyte;
}

char UpperChar(char c) {
  const auto b = static_cast<uint8_t>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  switch (b) {
    case 0x9A: case 0x9C: case 0x9D: case 0x9E: case 0x9F:
      return static_cast<char>(b - 0x10);
    case 0xB3: return static_cast<char>(0xA3);
    case 0xB9: return static_cast<char>(0xA5);
    case 0xBA: return static_cast<char>(0xAA);
    case 0xBE: return static_cast<char>(0xBC);
    case 0xBF: return static_cast<char>(0xAF);
  }
  return c;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

char FoldRomanian(char c) {
  switch (static_cast<uint8_t>(c)) {
    case 0xAA: return 'S';
    case 0xBA: return 's';
    case 0xC2: case 0xC3: return 'A';
    case 0xCE: return 'I';
    case 0xDE: return 'T';
    case 0xE2: case 0xE3: return 'a';
    case 0xEE: return 'i';
    case 0xFE: return 't';
  }
  return c;
}

}  // namespace actsdb
