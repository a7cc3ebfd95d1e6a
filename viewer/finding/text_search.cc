#include "viewer/finding/text_search.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
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

  // Appends the `count` positions that begin at byte `offset` to `list`.
  void Read(int64_t offset, uint32_t count, int32_t id_word, TActsList& list) {
    list.reserve(list.size() + count);
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
        list.push_back({id_word, static_cast<uint16_t>(b[2 * j] | (b[2 * j + 1] << 8))});
      }
      i += n;
    }
    for (; i < count; ++i) list.push_back({id_word, 0});
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

}  // namespace

bool PassesProximity(TActsList& occurrences, std::span<const int32_t> word_ids, int32_t window) {
  std::sort(occurrences.begin(), occurrences.end(),
            [](const TPos& a, const TPos& b) { return a.Position < b.Position; });
  // A word not seen yet is never within the window, however wide.
  constexpr int64_t kNotSeen = std::numeric_limits<int64_t>::min() / 2;
  std::vector<int64_t> last_seen(word_ids.size(), kNotSeen);
  for (const TPos& p : occurrences) {
    const auto k = std::find(word_ids.begin(), word_ids.end(), p.IdWord);
    if (k == word_ids.end()) continue;
    last_seen[k - word_ids.begin()] = p.Position;
    const bool all_near = std::all_of(last_seen.begin(), last_seen.end(), [&](int64_t seen) {
      return p.Position - seen <= window && seen - p.Position <= window;
    });
    if (all_near) return true;
  }
  return false;
}

TextSearch::TextSearch(WordDictionary& dictionary, std::string database_dir)
    : dictionary_(dictionary), database_dir_(std::move(database_dir)) {}

void TextSearch::Run(const std::vector<std::string>& stems, std::string_view mode,
                     int32_t largest_act_id) {
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
  word_ids_.clear();
  act_positions_.clear();
}

void TextSearch::CountWordHits(std::string_view stem) {
  search_words_.emplace_back(stem);
  const std::optional<WordDictionary::Entry> entry =
      dictionary_.Find(actsdb::UpperCase(stem), /*exact=*/false);
  if (!entry) return;
  const int64_t acts = static_cast<int64_t>(act_hits_.size());
  _findrecbypos(entry->first);
  recwrd record;
  do {
    _getcrt(&record);
    if (record.act_id >= 1 && record.act_id <= acts) ++act_hits_[record.act_id - 1];
  } while (_findnextrec());
}

void TextSearch::LoadWordPositions() {
  PositionReader positions(database_dir_ + "/poziti.dat");
  const int32_t words = word_count();
  const int64_t acts = static_cast<int64_t>(act_hits_.size());
  word_ids_.assign(words, 0);
  act_positions_.assign(act_hits_.size(), std::nullopt);
  try {
    for (int32_t i = 0; i < words; ++i) {
      const std::optional<WordDictionary::Entry> entry =
          dictionary_.Find(actsdb::UpperCase(search_words_[i]), /*exact=*/true);
      if (!entry) continue;
      const int32_t id_word = entry->id_word;
      word_ids_[i] = id_word;
      _findrecbypos(entry->first);
      recwrd record;
      do {
        _getcrt(&record);
        const int64_t a = record.act_id;
        // An act that misses a word fails whatever its positions.
        if (a < 1 || a > acts || act_hits_[a - 1] != words) continue;
        std::optional<TActsList>& list = act_positions_[a - 1];
        if (!list) list.emplace();
        const auto count = static_cast<uint16_t>(record.count);
        if (count == 1) {
          list->push_back({id_word, static_cast<uint16_t>(record.position)});
        } else {
          positions.Read(record.position, count, id_word, *list);
        }
      } while (_findnextrec());
    }
  } catch (...) {
    act_positions_.clear();
    throw;
  }
}

void TextSearch::ApplyProximity(std::string_view mode) {
  const int32_t window = mode == kModeNear ? kNearWindow : word_count();
  for (size_t a = 0; a < act_positions_.size(); ++a) {
    std::optional<TActsList>& list = act_positions_[a];
    if (!list || act_hits_[a] != word_count()) continue;
    if (!PassesProximity(*list, word_ids_, window)) act_hits_[a] = 0;
  }
  act_positions_.clear();
}

bool TextSearch::Accepts(int64_t id_act) const { return ActHits(id_act) == word_count(); }

int32_t TextSearch::ActHits(int64_t id_act) const {
  if (id_act < 1 || id_act > static_cast<int64_t>(act_hits_.size())) return 0;
  return act_hits_[id_act - 1];
}

const TActsList* TextSearch::ActPositions(int64_t id_act) const {
  if (id_act < 1 || id_act > static_cast<int64_t>(act_positions_.size())) return nullptr;
  const std::optional<TActsList>& list = act_positions_[id_act - 1];
  return list ? &*list : nullptr;
}

}  // namespace finding
