#include "viewer/finding/text_search.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "actsdb/codepage.h"
#include "idxcore/index/cursor.h"

namespace finding {
namespace {

// "poziti.dat", read forward in blocks: the positions a word's chain points
// at lie mostly in ascending order, close together after a reorganisation.
// Positions beyond the end of the file (or at a negative offset) read as 0,
// as those of a damaged or truncated index do.
class PositionReader {
 public:
  explicit PositionReader(const std::string& path) : path_(path), block_(kBlockSize) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
  }
  ~PositionReader() { ::close(fd_); }
  PositionReader(const PositionReader&) = delete;
  PositionReader& operator=(const PositionReader&) = delete;

  // Reads the `count` positions that begin at byte `offset` into `out`.
  void Read(int64_t offset, uint32_t count, int32_t id_word, TPos* out) {
    uint32_t i = 0;
    while (i < count && offset >= 0) {
      const int64_t at = offset + 2 * int64_t{i};
      if (at < block_start_ || at + 2 > block_start_ + block_length_) {
        Fill(at);
        if (block_length_ < 2) break;  // the end of the file
      }
      const unsigned char* b = block_.data() + (at - block_start_);
      const int64_t whole = (block_start_ + block_length_ - at) / 2;
      const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(count - i, whole));
      for (uint32_t j = 0; j < n; ++j) {
        out[i + j] = {id_word, static_cast<uint16_t>(b[2 * j] | (b[2 * j + 1] << 8))};
      }
      i += n;
    }
    for (; i < count; ++i) out[i] = {id_word, 0};
  }

 private:
  static constexpr int64_t kBlockSize = 64 * 1024;

  void Fill(int64_t at) {
    block_start_ = at;
    block_length_ = 0;
    while (block_length_ < kBlockSize) {
      const ssize_t n = ::pread(fd_, block_.data() + block_length_, kBlockSize - block_length_,
                                block_start_ + block_length_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw std::runtime_error("cannot read " + path_ + ": " + std::strerror(errno));
      if (n == 0) break;
      block_length_ += n;
    }
  }

  std::string path_;
  int fd_ = -1;
  std::vector<unsigned char> block_;
  int64_t block_start_ = 0;
  int64_t block_length_ = 0;
};

// The proximity test of one act: at some occurrence of a search word, the
// latest occurrence of every search word lies at most `window` positions
// before it. An occurrence counts for the first search word with its
// dictionary id, so the later mentions of a word typed twice are never seen.
//
// The occurrences are taken in ascending order of position. An act's list
// is a few runs already in that order (each record's positions ascend), so
// the runs are merged rather than the list sorted; a list cut into many
// runs (positions that wrapped at 65536, a damaged index) is sorted first.
class ProximityTest {
 public:
  ProximityTest(std::span<const int32_t> word_ids, int32_t window)
      : window_(window), last_seen_(word_ids.size()) {
    for (size_t i = 0; i < word_ids.size(); ++i) {
      const bool known = std::any_of(slots_.begin(), slots_.end(),
                                     [&](const auto& slot) { return slot.first == word_ids[i]; });
      if (!known) slots_.emplace_back(word_ids[i], i);
    }
  }

  bool Passes(TActsList occurrences) {
    std::fill(last_seen_.begin(), last_seen_.end(), kNotSeen);
    unseen_ = last_seen_.size();
    CutRuns(occurrences);
    if (runs_.size() > kMergedRuns) {
      std::sort(occurrences.begin(), occurrences.end(),
                [](const TPos& a, const TPos& b) { return a.Position < b.Position; });
      CutRuns(occurrences);
      for (const Run& run : runs_) {
        for (size_t i = run.next; i < run.end; ++i) {
          if (Visit(occurrences[i].Position, run.word)) return true;
        }
      }
      return false;
    }
    for (;;) {
      Run* first = nullptr;
      for (Run& run : runs_) {
        if (run.next < run.end &&
            (first == nullptr ||
             occurrences[run.next].Position < occurrences[first->next].Position)) {
          first = &run;
        }
      }
      if (first == nullptr) return false;
      if (Visit(occurrences[first->next++].Position, first->word)) return true;
    }
  }

 private:
  static constexpr int32_t kNotSeen = -1;  // positions are never negative
  static constexpr size_t kMergedRuns = 16;

  struct Run {
    size_t next, end;  // the run's occurrences not taken yet
    size_t word;       // the search word they count for; last_seen_.size() for none
  };

  // Splits the list into runs of one dictionary id in ascending positions.
  void CutRuns(TActsList occurrences) {
    runs_.clear();
    for (size_t i = 0; i < occurrences.size(); ++i) {
      const TPos& p = occurrences[i];
      if (i == 0 || p.IdWord != occurrences[i - 1].IdWord ||
          p.Position < occurrences[i - 1].Position) {
        const auto slot = std::find_if(slots_.begin(), slots_.end(),
                                       [&](const auto& s) { return s.first == p.IdWord; });
        runs_.push_back({i, i, slot == slots_.end() ? last_seen_.size() : slot->second});
      }
      runs_.back().end = i + 1;
    }
  }

  // Takes the next occurrence in ascending order; true when it makes the
  // act pass. Every word seen lies at or before it, so only the distance
  // back counts.
  bool Visit(int32_t position, size_t word) {
    if (word == last_seen_.size()) return false;
    int32_t& seen = last_seen_[word];
    if (seen == kNotSeen) --unseen_;
    seen = position;
    return unseen_ == 0 &&
           *std::min_element(last_seen_.begin(), last_seen_.end()) >= position - window_;
  }

  int32_t window_;
  std::vector<std::pair<int32_t, size_t>> slots_;  // dictionary id, first word with it
  std::vector<int32_t> last_seen_;                 // by word
  size_t unseen_ = 0;
  std::vector<Run> runs_;
};

}  // namespace

TextSearch::TextSearch(WordDictionary& dictionary, std::string database_dir)
    : dictionary_(dictionary), database_dir_(std::move(database_dir)) {}

void TextSearch::Run(const std::vector<std::string>& stems, std::string_view mode,
                     int32_t largest_act_id) {
  dictionary_.PrepareSearch();
  ClearActHits(largest_act_id);
  for (const std::string& stem : stems) CountWordHits(stem);
  if (!stems.empty() && mode != kModeAnywhere) {
    LoadWordPositions();
    ApplyProximity(mode);
  }
}

void TextSearch::ClearActHits(int32_t largest_act_id) {
  act_hits_.assign(std::max(largest_act_id, 0), 0);
  search_words_.clear();
  counted_.clear();
  word_ids_.clear();
  occurrences_.clear();
  act_begin_.clear();
  listed_.clear();
}

void TextSearch::CountWordHits(std::string_view stem) {
  search_words_.emplace_back(stem);
  std::vector<recwrd>& records = counted_.emplace_back();
  const std::optional<WordDictionary::Entry> entry =
      dictionary_.Find(actsdb::UpperCase(stem), /*exact=*/false);
  if (!entry) return;
  const int64_t acts = static_cast<int64_t>(act_hits_.size());
  _findrecbypos(entry->first);
  recwrd record;
  do {
    _getcrt(&record);
    records.push_back(record);
    if (record.act_id >= 1 && record.act_id <= acts) ++act_hits_[record.act_id - 1];
  } while (_findnextrec());
}

void TextSearch::LoadWordPositions() {
  PositionReader positions(database_dir_ + "/poziti.dat");
  const int32_t words = word_count();
  const int64_t acts = static_cast<int64_t>(act_hits_.size());
  word_ids_.assign(words, 0);
  for (int32_t i = 0; i < words; ++i) {
    const std::optional<WordDictionary::Entry> entry =
        dictionary_.Find(actsdb::UpperCase(search_words_[i]), /*exact=*/true);
    if (entry) word_ids_[i] = entry->id_word;
  }
  // An act that misses a word fails whatever its positions.
  auto loaded = [&](const recwrd& r) {
    return r.act_id >= 1 && r.act_id <= acts && act_hits_[r.act_id - 1] == words;
  };
  // The count is the full 16 bits of the field, whatever its sign.
  auto occurrences = [](const recwrd& r) { return uint32_t{static_cast<uint16_t>(r.count)}; };

  // Two passes over the records: how many occurrences each act has, then
  // the occurrences in their places, grouped by act.
  try {
    act_begin_.assign(act_hits_.size() + 1, 0);
    listed_.assign(act_hits_.size(), false);
    for (int32_t i = 0; i < words; ++i) {
      if (word_ids_[i] == 0) continue;
      for (const recwrd& r : counted_[i]) {
        if (!loaded(r)) continue;
        act_begin_[r.act_id] += occurrences(r);
        listed_[r.act_id - 1] = true;
      }
    }
    for (size_t a = 1; a < act_begin_.size(); ++a) act_begin_[a] += act_begin_[a - 1];
    occurrences_.resize(act_begin_.back());
    std::vector<uint32_t> next(act_begin_.begin(), act_begin_.end() - 1);
    for (int32_t i = 0; i < words; ++i) {
      if (word_ids_[i] == 0) continue;
      for (const recwrd& r : counted_[i]) {
        if (!loaded(r)) continue;
        const uint32_t count = occurrences(r);
        TPos* out = occurrences_.data() + next[r.act_id - 1];
        if (count == 1) {
          *out = {word_ids_[i], static_cast<uint16_t>(r.position)};
        } else {
          positions.Read(r.position, count, word_ids_[i], out);
        }
        next[r.act_id - 1] += count;
      }
    }
  } catch (...) {
    occurrences_.clear();
    act_begin_.clear();
    listed_.clear();
    throw;
  }
}

void TextSearch::ApplyProximity(std::string_view mode) {
  ProximityTest test(word_ids_, mode == kModeNear ? kNearWindow : word_count());
  for (size_t a = 0; a < listed_.size(); ++a) {
    if (!listed_[a] || act_hits_[a] != word_count()) continue;
    const TActsList list(occurrences_.data() + act_begin_[a], act_begin_[a + 1] - act_begin_[a]);
    if (!test.Passes(list)) act_hits_[a] = 0;
  }
  occurrences_.clear();
  act_begin_.clear();
  listed_.clear();
}

bool TextSearch::Accepts(int64_t id_act) const { return ActHits(id_act) == word_count(); }

int32_t TextSearch::ActHits(int64_t id_act) const {
  if (id_act < 1 || id_act > static_cast<int64_t>(act_hits_.size())) return 0;
  return act_hits_[id_act - 1];
}

std::optional<std::span<const TPos>> TextSearch::ActPositions(int64_t id_act) const {
  if (id_act < 1 || id_act > static_cast<int64_t>(listed_.size()) || !listed_[id_act - 1]) {
    return std::nullopt;
  }
  return std::span<const TPos>(occurrences_.data() + act_begin_[id_act - 1],
                               act_begin_[id_act] - act_begin_[id_act - 1]);
}

}  // namespace finding
