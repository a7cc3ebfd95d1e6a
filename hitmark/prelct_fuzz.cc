// libFuzzer target for _prelct/_prelgt. The first input byte holds the three
// flags, the bytes up to the next NUL are the search text, the rest is the
// hypertext. Small inputs are also checked against the step-by-step rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hitmark/hitmark.h"
#include "hitmark/reference_marker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t split = rest.find('\0');
  const std::string words = rest.substr(0, split);
  // The text ends at its own NUL, as a C caller's would.
  const std::string text = split == std::string::npos ? "" : rest.substr(split + 1).c_str();
  const bool whole_words = flags & 1, match_case = flags & 2, phrase = flags & 4;

  int32_t length = -1, hits = -1;
  const int32_t returned =
      _prelct(words.c_str(), text.c_str(), &length, &hits, whole_words, match_case, phrase);
  if (returned != length || length < 0 || hits < 0) std::abort();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  _prelgt(buffer.data());
  const std::string marked(buffer.data());
  if (marked.size() != static_cast<size_t>(length)) std::abort();
  if (hits == 0 && marked != text) std::abort();

  // The rule compares every pair of occurrences: keep it to small texts.
  if (text.size() <= 512) {
    const hitmark_reference::Marked want =
        hitmark_reference::Mark(words.c_str(), text, whole_words, match_case, phrase);
    if (want.text != marked || want.hits != hits) std::abort();
  }
  return 0;
}
