// hitmark-cli: marks search hits in an act hypertext file through the hitmark
// library, the way an outside caller does, so the library can be tried from
// a shell.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
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
    "FILE (a regular file, or \"-\" for standard input) is read as Windows-1250,\n"
    "or as UTF-8 when it looks like UTF-8; the output is FILE's own bytes with\n"
    "the markup inserted. WORDS is taken as UTF-8 when it looks like UTF-8,\n"
    "otherwise as Windows-1250.\n"
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

// Reads FILE ("-": standard input) whole into `out`; returns what went
// wrong, or nothing. Only a regular file or standard input will do (a
// directory or a device is no hypertext), and the size limit holds while
// reading, so that an endless input (a pipe from /dev/zero) or a sparse
// file is refused after kMaxFileSize bytes rather than read whole.
std::optional<std::string> ReadInput(const std::string& path, std::string* out) {
  const bool standard_input = path == "-";
  const int fd = standard_input ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "cannot read " + path + ": " + std::strerror(errno);
  struct stat st;
  if (!standard_input && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    return path + " is not a regular file";
  }
  std::optional<std::string> failure;
  out->clear();
  std::vector<char> buffer(size_t{1} << 16);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failure = "cannot read " + path + ": " + std::strerror(errno);
      break;
    }
    if (n == 0) break;
    if (out->size() + static_cast<size_t>(n) > kMaxFileSize) {
      failure = path + " is larger than " + std::to_string(kMaxFileSize >> 20) + " MiB";
      break;
    }
    out->append(buffer.data(), static_cast<size_t>(n));
  }
  if (!standard_input) ::close(fd);
  return failure;
}

// The markup the library puts before and after hit n.
std::string MarkupBefore(int32_t n) {
  return "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"tp+" +
         std::to_string(n) + "\">";
}
std::string MarkupAfter(int32_t n) {
  return "</a><a href=\"#tp+" + std::to_string(n + 1) + "\"> >> </a>";
}

// The library marked `text` (its Windows-1250 view of the file) into
// `marked`: the text with MarkupBefore(n) and MarkupAfter(n) around each
// hit n, a hit being at most `longest` bytes. Returns where in `text` the
// markup went: the start and the end of each hit, in order.
//
// Text that itself reads as markup (a file marked before) makes the split
// ambiguous at places; the markup is tried there first, and given up when
// the rest of `marked` no longer fits the text. A place (text offset and
// next hit) from which nothing fits is remembered, so each is tried once.
std::optional<std::vector<size_t>> SplitMarkup(std::string_view text, std::string_view marked,
                                               int32_t hits, size_t longest) {
  struct Place {
    size_t i, j;             // offsets in `marked` and `text`
    int32_t n;               // the number of the hit whose markup may begin here
    size_t search;           // where in `marked` the next end of that hit may lie
    bool literal = false;    // every end tried: read as the text's own bytes
    bool exhausted = false;  // that tried too
    size_t length = 0;       // the hit's length when taken as markup
  };
  std::vector<Place> path;
  std::set<std::pair<size_t, int32_t>> dead;
  size_t i = 0, j = 0;
  int32_t n = 1;
  std::string before = MarkupBefore(n);
  // Takes the next way on from the latest place that has one.
  const auto next_way = [&]() -> bool {
    while (!path.empty()) {
      Place& p = path.back();
      const size_t start = p.i + MarkupBefore(p.n).size();
      const std::string after = MarkupAfter(p.n);
      if (!p.literal) {
        const std::string_view window = marked.substr(0, start + longest + after.size());
        const size_t end = window.find(after, p.search);
        if (end == std::string_view::npos) {
          p.literal = true;
          p.length = 0;
          continue;
        }
        p.search = end + 1;
        p.length = end - start;
        if (text.compare(p.j, p.length, marked.substr(start, p.length)) != 0) continue;
        i = end + after.size();
        j = p.j + p.length;
        n = p.n + 1;
      } else if (!p.exhausted) {
        p.exhausted = true;
        if (p.j == text.size() || marked[p.i] != text[p.j]) continue;
        i = p.i + 1;
        j = p.j + 1;
        n = p.n;
      } else {
        dead.insert({p.j, p.n});
        path.pop_back();
        continue;
      }
      before = MarkupBefore(n);
      return true;
    }
    return false;
  };
  for (;;) {
    // The bytes the text and the marked copy share, up to the next place.
    for (;;) {
      if (n <= hits && marked.compare(i, before.size(), before) == 0) {
        if (!dead.contains({j, n})) path.push_back({i, j, n, i + before.size() + 1});
        break;
      }
      if (i == marked.size() && j == text.size() && n > hits) {
        std::vector<size_t> cuts;
        for (const Place& p : path) {
          if (!p.literal) cuts.insert(cuts.end(), {p.j, p.j + p.length});
        }
        return cuts;
      }
      if (i == marked.size() || j == text.size() || marked[i] != text[j]) break;
      ++i;
      ++j;
    }
    if (!next_way()) return std::nullopt;
  }
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
  if (const std::optional<std::string> failure = ReadInput(path, &file)) return Fail(*failure);
  // The library takes NUL-terminated text: a NUL inside would silently cut
  // the hypertext short.
  if (const size_t nul = file.find('\0'); nul != std::string::npos) {
    return Fail(path + " holds a NUL byte at offset " + std::to_string(nul) +
                "; an act hypertext has none");
  }
  // The library marks Windows-1250 text; a UTF-8 file is marked in that
  // view, and the markup then goes into the file's own bytes, so that
  // nothing but the markup changes (characters the code page lacks, a
  // byte-order mark, comma-below letters).
  const bool utf8 = actsdb::LooksLikeUtf8(file);
  std::vector<size_t> starts;
  const std::string text = utf8 ? actsdb::Utf8ToCp1250(file, &starts) : file;
  words = ToCp1250(words);
  if (stem) words = Stems(words);

  int32_t length = 0;
  int32_t hits = 0;
  _prelct(words.c_str(), text.c_str(), &length, &hits, whole_words, match_case, phrase);
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  _prelgt(buffer.data());
  std::string output(buffer.data(), static_cast<size_t>(length));

  if (utf8) {
    const std::optional<std::vector<size_t>> cuts =
        SplitMarkup(text, output, hits, words.size() + 1);
    if (!cuts) return Fail("the marked text does not match " + path);
    std::string placed;
    size_t from = 0;
    for (size_t k = 0; k < cuts->size(); ++k) {
      const size_t at = (*cuts)[k] < starts.size() ? starts[(*cuts)[k]] : file.size();
      placed.append(file, from, at - from);
      const auto hit = static_cast<int32_t>(k / 2 + 1);
      placed += k % 2 == 0 ? MarkupBefore(hit) : MarkupAfter(hit);
      from = at;
    }
    placed.append(file, from);
    output = std::move(placed);
  }
  std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
  std::cout.flush();
  std::cerr << hits << (hits == 1 ? " hit\n" : " hits\n");
  return std::cout ? 0 : Fail("cannot write the marked text");
}
