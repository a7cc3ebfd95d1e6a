#include "idxcore/import/act_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "actsdb/stemming.h"
#include "actsdb/stored_forms.h"
#include "idxcore/import/short_strings.h"
#include "idxcore/import/structure_tree.h"

namespace idxcore {

namespace {

// The distinct index tokens of an act, each numbered as it first appears:
// a word repeated through the act is stemmed and filed once, not at every
// occurrence. An open-addressing table over one buffer of token bytes, so
// that a token costs neither a node nor a string of its own.
class TokenTable {
 public:
  TokenTable() : slots_(kInitialSlots) {}

  // The number of `token`, new or known.
  uint32_t Id(std::string_view token) {
    const uint64_t hash = HashShortString(token);
    const auto check = static_cast<uint32_t>(hash >> 32);
    for (size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      Slot& slot = slots_[i];
      if (slot.id_plus_one == 0) {
        const auto id = static_cast<uint32_t>(spans_.size());
        spans_.push_back({static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(token.size())});
        bytes_ += token;
        slot = {check, id + 1};
        if (2 * spans_.size() > slots_.size()) Grow();
        return id;
      }
      if (slot.check == check && SameShortString(this->token(slot.id_plus_one - 1), token)) {
        return slot.id_plus_one - 1;
      }
    }
  }

  size_t size() const { return spans_.size(); }
  std::string_view token(uint32_t id) const {
    return std::string_view(bytes_).substr(spans_[id].offset, spans_[id].length);
  }
  // Where token `id` starts in the buffer of all tokens' bytes.
  uint32_t offset(uint32_t id) const { return spans_[id].offset; }
  // The buffer, for the word set: a stem is the start of its tokens, so
  // the tokens' bytes hold the stems' bytes too. The table is done with.
  std::string TakeBytes() { return std::move(bytes_); }

 private:
  static constexpr size_t kInitialSlots = 2048;  // an act of ten pages has about 1,000 distinct tokens

  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  struct Slot {
    uint32_t check = 0;        // the high half of the token's hash
    uint32_t id_plus_one = 0;  // 0: empty
  };

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.id_plus_one == 0) continue;
      size_t i = HashShortString(token(slot.id_plus_one - 1)) & (slots_.size() - 1);
      while (slots_[i].id_plus_one != 0) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = slot;
    }
  }

  std::string bytes_;
  std::vector<Span> spans_;
  std::vector<Slot> slots_;
};

}  // namespace

// Gathers an act's word set from its token table: the one writer of a
// set's members besides IntroWord.
class WordSetBuilder {
 public:
  // The word set of the tokens found at positions 0, 1, ...: each token's
  // stem (the start of the token) once, ordered byte-wise, with the
  // positions of all its tokens, ascending.
  static WordSet GatherWords(TokenTable& tokens, const std::vector<uint32_t>& token_at) {
    // The tokens sorted by stem through their numbers. The first eight
    // bytes of a stem, as a number that orders like them, settle most
    // comparisons without reaching the text; the keys stay small to move.
    std::vector<std::string_view> stems(tokens.size());
    struct SortKey {
      uint64_t prefix;
      uint32_t id;
    };
    std::vector<SortKey> order(tokens.size());
    for (uint32_t id = 0; id < order.size(); ++id) {
      const std::string_view token = tokens.token(id);
      const std::string_view stem = token.substr(0, actsdb::DictionaryStemLength(token));
      uint64_t prefix = 0;
      for (size_t k = 0; k < 8; ++k) {
        prefix = (prefix << 8) | (k < stem.size() ? static_cast<unsigned char>(stem[k]) : 0u);
      }
      stems[id] = stem;
      order[id].prefix = prefix;
      order[id].id = id;
    }
    std::sort(order.begin(), order.end(), [&stems](const SortKey& a, const SortKey& b) {
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      return stems[a.id] < stems[b.id];
    });
    // One entry per stem, its bytes those of its first token in the
    // table's buffer; each token notes its stem's entry.
    WordSet words;
    words.entries_.reserve(tokens.size());  // no more stems than tokens
    std::vector<uint32_t> entry_of(tokens.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const uint32_t id = order[k].id;
      if (k == 0 || stems[id] != stems[order[k - 1].id]) {
        words.entries_.push_back(
            {tokens.offset(id), static_cast<uint32_t>(stems[id].size()), 0, 0});
      }
      entry_of[id] = static_cast<uint32_t>(words.entries_.size() - 1);
    }
    // The positions sorted by entry, counting: each entry's run starts
    // where the ones before it end, and the positions are dealt into the
    // runs in ascending order.
    for (uint32_t id : token_at) ++words.entries_[entry_of[id]].position_count;
    std::vector<uint32_t> next(words.entries_.size());
    uint32_t start = 0;
    for (size_t e = 0; e < words.entries_.size(); ++e) {
      words.entries_[e].first_position = start;
      next[e] = start;
      start += words.entries_[e].position_count;
    }
    words.positions_.resize(token_at.size());
    for (size_t p = 0; p < token_at.size(); ++p) {
      words.positions_[next[entry_of[token_at[p]]]++] = static_cast<int>(p);
    }
    words.bytes_ = tokens.TakeBytes();
    return words;
  }
};

bool operator==(const WordSet& a, const WordSet& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a.stem(i) != b.stem(i)) return false;
    const std::span<const int> pa = a.positions(i);
    const std::span<const int> pb = b.positions(i);
    if (!std::equal(pa.begin(), pa.end(), pb.begin(), pb.end())) return false;
  }
  return true;
}

std::string ConvertedAct::HypertextText() const {
  size_t size = 0;
  for (const std::string& entry : hypertext) size += entry.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& entry : hypertext) {
    out += entry;
    out += "\r\n";
  }
  return out;
}

// The position goes in after the stem's run, the runs after it move up
// one; a new stem's bytes go at the end of the buffer, its entry in order.
void IntroWord(WordSet& words, const std::string& stem, int position) {
  const std::string_view bytes = words.bytes_;
  const size_t e = static_cast<size_t>(
      std::lower_bound(words.entries_.begin(), words.entries_.end(), stem,
                       [bytes](const WordSet::Entry& entry, const std::string& s) {
                         return bytes.substr(entry.stem_offset, entry.stem_length) < s;
                       }) -
      words.entries_.begin());
  if (e == words.size() || words.stem(e) != stem) {
    const uint32_t at = e == words.size() ? static_cast<uint32_t>(words.positions_.size())
                                          : words.entries_[e].first_position;
    words.entries_.insert(words.entries_.begin() + static_cast<std::ptrdiff_t>(e),
                          {static_cast<uint32_t>(words.bytes_.size()),
                           static_cast<uint32_t>(stem.size()), at, 0});
    words.bytes_ += stem;
  }
  WordSet::Entry& entry = words.entries_[e];
  words.positions_.insert(
      words.positions_.begin() + entry.first_position + entry.position_count, position);
  ++entry.position_count;
  for (size_t later = e + 1; later < words.size(); ++later) ++words.entries_[later].first_position;
}

ConvertedAct ConvertActText(const std::vector<std::string>& lines, const HeadingDefs& defs,
                            HypertextState& state, ImportVariant variant,
                            const AddPartFn& add_part, const std::vector<size_t>* origin) {
  ConvertedAct act;
  const HeadingMatcher headings(defs);
  StructureBuilder structure(headings);
  structure.Start();
  size_t text_size = 0;
  for (const std::string& line : lines) text_size += line.size();
  TokenTable tokens;
  // The token at each position; the positions of a stem are gathered from
  // it once its count is known, not grown one by one.
  std::vector<uint32_t> token_at;
  token_at.reserve(text_size / 8);  // a token and its separator take about this many bytes
  const auto add_token = [&](std::string_view token) { token_at.push_back(tokens.Id(token)); };
  for (size_t i = 0; i < lines.size(); ++i) {
    try {
      ForEachIndexToken(lines[i], 3, add_token);
      std::string_view line = lines[i];
      std::string detabbed;
      if (variant != ImportVariant::kStream && line.size() > 1) {
        // Tabs become blanks; the last character is left alone. Copied only
        // when there is a tab to replace.
        const size_t tab = line.find('\t');
        if (tab != std::string_view::npos && tab + 1 < line.size()) {
          detabbed.assign(line);
          for (size_t k = tab; k + 1 < detabbed.size(); ++k) {
            if (detabbed[k] == '\t') detabbed[k] = ' ';
          }
          line = detabbed;
        }
      }
      std::string reduced;  // ParseTitlu(line), set when the line has a heading
      const std::string first_part = headings.FirstPart(line, &reduced);
      if (!first_part.empty()) {
        const std::string label =
            variant == ImportVariant::kStream ? ParseLinks(first_part) : first_part;
        const std::string_view title =
            variant == ImportVariant::kWithModifications ? line : std::string_view(reduced);
        const long part_id = add_part(label);
        structure.Add(label, part_id, title);
        act.hypertext.push_back(actsdb::PartAnchor(part_id));
      }
      TextToHtml(state, headings, line, act.hypertext, i, lines, &first_part);
    } catch (const ImportError& e) {
      const size_t number = origin && i < origin->size() ? (*origin)[i] : i + 1;
      throw ImportError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  act.words = WordSetBuilder::GatherWords(tokens, token_at);
  act.structure = structure.tree().Text();
  return act;
}

}  // namespace idxcore
