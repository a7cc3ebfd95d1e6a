// hitmark-cli: marks search hits in an act hypertext file through the hitmark
// library, the way an outside caller does, so the library can be tried from
// a shell.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/stemming.h"
#include "hitmark/hitmark.h"

namespace {

// The library reports the marked text's length as a 32-bit number. Even a
// file that is one hit per byte stays below 2 GiB once marked when it is no
// larger than this; acts are a few megabytes at most.
constexpr size_t kMaxFileSize = size_t{16} << 20;

constexpr const char kUsage[] =
    "usage: hitmark-cli --words \"WORDS\" [--whole-words] [--match-case] [--phrase]\n"
    "                   [--stem] FILE\n"
    "\n"
    "Marks the places of the act hypertext FILE where every search word has all\n"
    "the others within 200 bytes: each hit becomes the numbered anchor tp+N with a\n"
    "back link to tp+(N-1) and a forward link to tp+(N+1). Writes the marked\n"
    "hypertext to standard output and \"N hits\" to standard error. A word is\n"
    "found anywhere, inside longer words and markup too; letters with breve,\n"
    "circumflex and cedilla match their base letters.\n"
    "\n"
    "  --words WORDS   the search text, cut into words at blanks; at most the\n"
    "                  first 12 words are used\n"
    "  --whole-words   a word matches only right after a blank, which becomes part\n"
    "                  of the hit (wholeWords = 1)\n"
    "  --match-case    letter case must match (matchCase = 1; without it case is\n"
    "                  ignored)\n"
    "  --phrase        WORDS is one search word, blanks included (phrase = 1)\n"
    "  --stem          replace each word by its dictionary stem, as the full-text\n"
    "                  search does, so that every inflected form is marked (not\n"
    "                  with --phrase)\n"
    "\n"
    "FILE (\"-\" for standard input) is read as Windows-1250, or as UTF-8 when it\n"
    "looks like UTF-8; the output keeps the file's encoding. WORDS is taken as\n"
    "UTF-8 when it looks like UTF-8, otherwise as Windows-1250.\n"
    "FILE may be up to 16 MiB.\n"
    "Exit status: 0 done, with or without hits; 1 FILE cannot be used; 2 usage.\n";

int UsageError(std::string_view message) {
  std::cerr << "hitmark-cli: " << message << "\n\n" << kUsage;
  return 2;
}

int Fail(std::string_view message) {
  std::cerr << "hitmark-cli: " << message << '\n';
  return 1;
}

bool ReadAll(const std::string& path, std::string* out) {
  if (path == "-") {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    *out = buffer.str();
    return !std::cin.bad();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string ToCp1250(const std::string& text) {
  return actsdb::LooksLikeUtf8(text) ? actsdb::Utf8ToCp1250(text) : text;
}

// The search text with every blank-separated word replaced by its stem.
std::string Stems(std::string_view words) {
  std::string out;
  size_t start = 0;
  while (start < words.size()) {
    size_t end = words.find(' ', start);
    if (end == std::string_view::npos) end = words.size();
    if (end > start) {
      if (!out.empty()) out += ' ';
      out += actsdb::DictionaryStem(words.substr(start, end - start));
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string words;
  bool have_words = false;
  bool whole_words = false, match_case = false, phrase = false, stem = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--words") {
      if (i + 1 == argc) return UsageError("--words needs the search text");
      words = argv[++i];
      have_words = true;
    } else if (arg == "--whole-words") {
      whole_words = true;
    } else if (arg == "--match-case") {
      match_case = true;
    } else if (arg == "--phrase") {
      phrase = true;
    } else if (arg == "--stem") {
      stem = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg.starts_with("--")) {
      return UsageError("unknown option " + std::string(arg));
    } else if (path.empty()) {
      path = arg;
    } else {
      return UsageError("more than one FILE");
    }
  }
  if (!have_words) return UsageError("--words is required");
  if (path.empty()) return UsageError("FILE is required");
  if (stem && phrase) return UsageError("--stem cannot be used with --phrase");

  std::string file;
  if (!ReadAll(path, &file)) return Fail("cannot read " + path);
  if (file.size() > kMaxFileSize) {
    return Fail(path + " is larger than " + std::to_string(kMaxFileSize >> 20) + " MiB");
  }
  // The library takes NUL-terminated text: a NUL inside would silently cut
  // the hypertext short.
  if (const size_t nul = file.find('\0'); nul != std::string::npos) {
    return Fail(path + " holds a NUL byte at offset " + std::to_string(nul) +
                "; an act hypertext has none");
  }
  const bool utf8 = actsdb::LooksLikeUtf8(file);
  const std::string text = utf8 ? actsdb::Utf8ToCp1250(file) : file;
  words = ToCp1250(words);
  if (stem) words = Stems(words);

  int32_t length = 0;
  int32_t hits = 0;
  _prelct(words.c_str(), text.c_str(), &length, &hits, whole_words, match_case, phrase);
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  _prelgt(buffer.data());
  const std::string marked(buffer.data(), static_cast<size_t>(length));

  const std::string output = utf8 ? actsdb::Cp1250ToUtf8(marked) : marked;
  std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
  std::cout.flush();
  std::cerr << hits << (hits == 1 ? " hit\n" : " hits\n");
  return std::cout ? 0 : Fail("cannot write the marked text");
}
