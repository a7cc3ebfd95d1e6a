// Hashing and comparing short strings (index tokens, stems) a machine word
// at a time, for the import's open-addressing tables.
#ifndef CORVANA_IDXCORE_IMPORT_SHORT_STRINGS_H_
#define CORVANA_IDXCORE_IMPORT_SHORT_STRINGS_H_

#include <cstdint>
#include <cstring>
#include <string_view>

namespace idxcore {

// A string's bytes read as whole words: eight at a time, the last word
// overlapping the one before it; four and four overlapping for a string of
// four to seven bytes.
template <typename Word>
inline uint64_t LoadWord(std::string_view s, size_t at) {
  Word word;
  std::memcpy(&word, s.data() + at, sizeof word);
  return word;
}

inline uint64_t HashShortString(std::string_view s) {
  uint64_t h = s.size() * 0x9E3779B97F4A7C15ull;
  const auto mix = [&h](uint64_t chunk) {
    h = (h ^ chunk) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  };
  const size_t n = s.size();
  if (n >= 8) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) mix(LoadWord<uint64_t>(s, i));
    if (i < n) mix(LoadWord<uint64_t>(s, n - 8));
  } else if (n >= 4) {
    mix(LoadWord<uint32_t>(s, 0) | LoadWord<uint32_t>(s, n - 4) << 32);
  } else {
    uint64_t chunk = 0;
    for (char c : s) chunk = (chunk << 8) | static_cast<unsigned char>(c);
    mix(chunk);
  }
  h *= 0x94D049BB133111EBull;
  return h ^ (h >> 29);
}

inline bool SameShortString(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n >= 8) {
    for (size_t i = 0; i + 8 <= n; i += 8) {
      if (LoadWord<uint64_t>(a, i) != LoadWord<uint64_t>(b, i)) return false;
    }
    return LoadWord<uint64_t>(a, n - 8) == LoadWord<uint64_t>(b, n - 8);
  }
  if (n >= 4) {
    return LoadWord<uint32_t>(a, 0) == LoadWord<uint32_t>(b, 0) &&
           LoadWord<uint32_t>(a, n - 4) == LoadWord<uint32_t>(b, n - 4);
  }
  return a == b;
}

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_SHORT_STRINGS_H_
