// The word index's dictionary (tblcuv) as the import keeps it in memory:
// every stem with its IdWord and the ends of its chain, found by its bytes.
//
// Each act looks up all its stems at once, a thousand or more for a long
// act, among the tens or hundreds of thousands of a real vocabulary. A
// lookup's work is small; its cost is the cache misses of reaching the
// stem's slot and entry. So the entries lie in one array with their stems
// in them, the open-addressing table over them holds part of each stem's
// hash, and a batch of lookups fetches its slots and entries ahead of the
// comparisons, so that their misses overlap.
#ifndef CORVANA_IDXCORE_IMPORT_STEM_DICTIONARY_H_
#define CORVANA_IDXCORE_IMPORT_STEM_DICTIONARY_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace idxcore {

class StemDictionary {
 public:
  // A dictionary row's values.
  struct Chain {
    int64_t id = 0;           // IdWord
    int32_t first = 0;
    int32_t last = 0;
    int32_t stored_last = 0;  // Last as tblcuv holds it
  };

  // The longest stem kept: tblcuv.Word's width, which the import's stems
  // never exceed.
  static constexpr size_t kMaxStem = 25;
  static constexpr int32_t kAbsent = -1;

  size_t size() const { return entries_.size(); }
  void Clear();

  // Adds `stem`, which is not in the dictionary, and returns its index. An
  // entry keeps its index until Truncate removes it. Throws
  // std::invalid_argument for a stem longer than kMaxStem.
  int32_t Add(std::string_view stem, const Chain& chain);

  // The index of each of `stems`, or kAbsent, into `indexes`.
  void FindAll(std::span<const std::string_view> stems, std::vector<int32_t>& indexes) const;
  int32_t Find(std::string_view stem) const;

  Chain& chain(int32_t index) { return entries_[static_cast<size_t>(index)].chain; }
  const Chain& chain(int32_t index) const { return entries_[static_cast<size_t>(index)].chain; }
  std::string_view stem(int32_t index) const { return entries_[static_cast<size_t>(index)].stem(); }

  // Removes the entries from index `size` on: the ones added last.
  void Truncate(size_t size);

 private:
  struct Entry {
    Chain chain;
    uint8_t length = 0;
    char bytes[kMaxStem] = {};
    std::string_view stem() const { return std::string_view(bytes, length); }
  };
  struct Slot {
    uint32_t check = 0;        // the high half of the stem's hash
    uint32_t index_plus_one = 0;  // 0: empty
  };

  size_t mask() const { return slots_.size() - 1; }
  // The slot at or after `i` that is empty or may hold `check`.
  size_t Probe(size_t i, uint32_t check) const;
  // Finds `stem` from the candidate slot `i` that Probe gave.
  int32_t Confirm(size_t i, uint64_t hash, std::string_view stem) const;
  // Puts entry `index` in the first empty slot of its probe sequence.
  void Place(uint32_t index);
  void Rebuild(size_t slot_count);

  std::vector<Entry> entries_;
  std::vector<Slot> slots_ = std::vector<Slot>(kInitialSlots);

  static constexpr size_t kInitialSlots = 1024;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_STEM_DICTIONARY_H_
