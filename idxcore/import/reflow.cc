#include "idxcore/import/reflow.h"

#include <array>
#include <utility>

#include "idxcore/import/text_parsing.h"

namespace idxcore {

namespace {

unsigned char FirstPassByte(unsigned char c) {
  switch (c) {
    case 0xB3: case 0xC0: case 0xD9: return '|';
    case 0xBF: case 0xC3: case 0xC2: case 0xC1: case 0xC5: return 0x97;
    default: return c;
  }
}

unsigned char SecondPassByte(unsigned char c) {
  switch (c) {
    case 0xC4: case 0xDA: return 0x97;
    case 0xF0: return 0xE3;
    case 0xF1: return 0xC3;
    case 0xF2: return 0xEE;
    case 0xF3: return 0xCE;
    case 0xF4: return 0xBA;
    case 0xF5: return 0xAA;
    case 0xF6: return 0xFE;
    case 0xF7: return 0xDE;
    case 0xF8: return 0xE2;
    case 0xF9: return 0xC2;
    default: return c;
  }
}

// The first character of a line, its Romanian small letters folded, for
// the decision whether the line continues the previous one.
char FoldedFirst(char ch) {
  switch (static_cast<unsigned char>(ch)) {
    case 0xBA: return 's';
    case 0xE2: case 0xE3: return 'a';
    case 0xEE: return 'i';
    case 0xFE: return 't';
    default: return ch;
  }
}

}  // namespace

bool IsOldEncoding(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    // The whole line tested without a branch per byte, which the compiler
    // can do many bytes at a time.
    unsigned char found = 0;
    for (char ch : line) found |= static_cast<unsigned char>(static_cast<unsigned char>(ch) - 0xF0) <= 9;
    if (found != 0) return true;
  }
  return false;
}

void ConvertLine(std::string& line, bool hungarian, bool old_encoding) {
  if (hungarian || !old_encoding) {
    // Only 0xF8 changes: a test per byte that the compiler does many bytes
    // at a time.
    for (char& ch : line) ch = ch == '\xF8' ? '\xE2' : ch;
    return;
  }
  // Each byte's conversion, both passes composed: every pass maps a byte on
  // its own, so the second pass sees just what the first made of the same
  // byte. The 0xC3 and 0xC2 the second writes are letters, not the box
  // bytes of the first pass.
  static const std::array<char, 256> kMap = [] {
    std::array<char, 256> map{};
    for (int b = 0; b < 256; ++b) {
      const unsigned char c = b == 0xF8 ? 0xE2 : static_cast<unsigned char>(b);
      map[static_cast<size_t>(b)] = static_cast<char>(SecondPassByte(FirstPassByte(c)));
    }
    return map;
  }();
  for (char& ch : line) ch = kMap[static_cast<unsigned char>(ch)];
}

size_t Transform(std::vector<std::string> source, std::vector<std::string>& dest,
                 bool hungarian, std::vector<size_t>* origin) {
  const bool old_encoding = !hungarian && IsOldEncoding(source);
  bool verbatim = false;
  bool joinable = false;
  auto append = [&](std::string line, size_t number) {
    dest.push_back(std::move(line));
    if (origin) origin->push_back(number);
  };
  for (size_t i = 0; i < source.size(); ++i) {
    std::string line = std::move(source[i]);
    // A Windows-1250 act has no byte the conversion changes.
    if (hungarian || old_encoding) ConvertLine(line, hungarian, old_encoding);
    if (!line.empty()) {
      if (line[0] == '\x02') {
        verbatim = true;
      } else if (line[0] == '\x01') {
        verbatim = false;
      }
    }
    if (verbatim) {
      append(std::move(line), i + 1);
      joinable = true;
      continue;
    }
    if (line.empty()) {
      append(std::string(), i + 1);
      joinable = true;
      continue;
    }
    const bool ends_sentence = InSet(CharSet::kSentenceEnd, line.back());
    if (InSet(CharSet::kReflow, FoldedFirst(line[0]))) {
      if (joinable && !dest.empty()) {
        dest.back() += ' ';
        dest.back() += line;
      } else {
        append(std::move(line), i + 1);
        joinable = true;
      }
    } else {
      joinable = line[0] == ' ';
      append(std::move(line), i + 1);
    }
    if (ends_sentence) joinable = false;
  }
  return source.size();
}

}  // namespace idxcore
