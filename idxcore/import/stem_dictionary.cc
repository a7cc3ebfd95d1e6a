#include "idxcore/import/stem_dictionary.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "idxcore/import/short_strings.h"

namespace idxcore {

namespace {

uint32_t Check(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

}  // namespace

void StemDictionary::Clear() {
  entries_.clear();
  slots_.assign(kInitialSlots, Slot{});
}

int32_t StemDictionary::Add(std::string_view stem, const Chain& chain) {
  if (stem.size() > kMaxStem) {
    throw std::invalid_argument("the stem " + std::string(stem) + " is longer than " +
                                std::to_string(kMaxStem) + " bytes");
  }
  Entry entry;
  entry.chain = chain;
  entry.length = static_cast<uint8_t>(stem.size());
  std::copy_n(stem.data(), entry.length, entry.bytes);
  const auto index = static_cast<uint32_t>(entries_.size());
  entries_.push_back(entry);
  if (2 * entries_.size() > slots_.size()) {
    Rebuild(2 * slots_.size());
  } else {
    Place(index);
  }
  return static_cast<int32_t>(index);
}

void StemDictionary::Place(uint32_t index) {
  const uint64_t hash = HashShortString(entries_[index].stem());
  size_t i = hash & mask();
  while (slots_[i].index_plus_one != 0) i = (i + 1) & mask();
  slots_[i] = Slot{Check(hash), index + 1};
}

size_t StemDictionary::Probe(size_t i, uint32_t check) const {
  while (slots_[i].index_plus_one != 0 && slots_[i].check != check) i = (i + 1) & mask();
  return i;
}

int32_t StemDictionary::Confirm(size_t i, uint64_t hash, std::string_view stem) const {
  for (;; i = Probe((i + 1) & mask(), Check(hash))) {
    const Slot& slot = slots_[i];
    if (slot.index_plus_one == 0) return kAbsent;
    if (SameShortString(entries_[slot.index_plus_one - 1].stem(), stem)) {
      return static_cast<int32_t>(slot.index_plus_one - 1);
    }
  }
}

int32_t StemDictionary::Find(std::string_view stem) const {
  const uint64_t hash = HashShortString(stem);
  return Confirm(Probe(hash & mask(), Check(hash)), hash, stem);
}

void StemDictionary::FindAll(std::span<const std::string_view> stems,
                             std::vector<int32_t>& indexes) const {
  std::vector<uint64_t> hashes(stems.size());
  for (size_t k = 0; k < stems.size(); ++k) {
    hashes[k] = HashShortString(stems[k]);
    __builtin_prefetch(&slots_[hashes[k] & mask()]);
  }
  // Each stem's candidate slot, its entry fetched meanwhile.
  std::vector<size_t> candidates(stems.size());
  for (size_t k = 0; k < stems.size(); ++k) {
    candidates[k] = Probe(hashes[k] & mask(), Check(hashes[k]));
    const uint32_t index_plus_one = slots_[candidates[k]].index_plus_one;
    if (index_plus_one != 0) __builtin_prefetch(&entries_[index_plus_one - 1]);
  }
  indexes.resize(stems.size());
  for (size_t k = 0; k < stems.size(); ++k) {
    indexes[k] = Confirm(candidates[k], hashes[k], stems[k]);
  }
}

void StemDictionary::Truncate(size_t size) {
  if (size >= entries_.size()) return;
  entries_.resize(size);
  Rebuild(slots_.size());
}

void StemDictionary::Rebuild(size_t slot_count) {
  slots_.assign(slot_count, Slot{});
  for (size_t index = 0; index < entries_.size(); ++index) Place(static_cast<uint32_t>(index));
}

}  // namespace idxcore
