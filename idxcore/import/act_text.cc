#include "idxcore/import/act_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "actsdb/stemming.h"
#include "actsdb/stored_forms.h"
#include "idxcore/import/structure_tree.h"

namespace idxcore {

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

void IntroWord(WordSet& words, const std::string& stem, int position) {
  auto at = std::lower_bound(words.begin(), words.end(), stem,
                             [](const auto& entry, const std::string& s) { return entry.first < s; });
  if (at == words.end() || at->first != stem) at = words.insert(at, {stem, {}});
  at->second.push_back(position);
}

ConvertedAct ConvertActText(const std::vector<std::string>& lines, const HeadingDefs& defs,
                            HypertextState& state, ImportVariant variant,
                            const AddPartFn& add_part, const std::vector<size_t>* origin) {
  ConvertedAct act;
  StructureBuilder structure(defs);
  structure.Start();
  // Each distinct token numbered as it first appears: a word repeated
  // through the act is stemmed and filed once, not at every occurrence.
  // Looked up by the token as found, so that only a new token is copied.
  struct TokenHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, uint32_t, TokenHash, std::equal_to<>> token_ids;
  token_ids.reserve(1024);  // an act of ten pages has about this many
  // The token at each position; the positions of a token are gathered from
  // it once its count is known, not grown one by one.
  std::vector<uint32_t> token_at;
  size_t text_size = 0;
  for (const std::string& line : lines) text_size += line.size();
  token_at.reserve(text_size / 8);  // a token and its separator take about this many bytes
  const auto add_token = [&](std::string_view token) {
    auto known = token_ids.find(token);
    if (known == token_ids.end()) {
      const auto id = static_cast<uint32_t>(token_ids.size());
      known = token_ids.emplace(std::string(token), id).first;
    }
    token_at.push_back(known->second);
  };
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
      const std::string first_part = ParseFirstPart(line, defs);
      if (!first_part.empty()) {
        const std::string label =
            variant == ImportVariant::kStream ? ParseLinks(first_part) : first_part;
        const std::string title =
            variant == ImportVariant::kWithModifications ? std::string(line) : ParseTitlu(line);
        const long part_id = add_part(label);
        structure.Add(label, part_id, title);
        act.hypertext.push_back(actsdb::PartAnchor(part_id));
      }
      TextToHtml(state, defs, line, act.hypertext, i, lines, &first_part);
    } catch (const ImportError& e) {
      const size_t number = origin && i < origin->size() ? (*origin)[i] : i + 1;
      throw ImportError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  // Stemmed into one list, sorted, and tokens of the same stem merged: no
  // tree of stems to rebalance and compare along.
  WordSet stems(token_ids.size());
  {
    std::vector<uint32_t> count(token_ids.size());
    for (uint32_t id : token_at) ++count[id];
    for (const auto& [token, id] : token_ids) {
      stems[id].first = actsdb::DictionaryStem(token);
      stems[id].second.reserve(count[id]);
    }
    for (size_t p = 0; p < token_at.size(); ++p) {
      stems[token_at[p]].second.push_back(static_cast<int>(p));
    }
  }
  // Sorted through their indexes: moving the entries themselves costs more
  // than comparing them. The first eight bytes of a stem, as a number that
  // orders like them, settle most comparisons without reaching the text.
  struct SortKey {
    uint64_t prefix;
    uint32_t index;
  };
  std::vector<SortKey> order(stems.size());
  for (uint32_t i = 0; i < order.size(); ++i) {
    const std::string& stem = stems[i].first;
    uint64_t prefix = 0;
    for (size_t k = 0; k < 8; ++k) {
      prefix = (prefix << 8) | (k < stem.size() ? static_cast<unsigned char>(stem[k]) : 0u);
    }
    order[i] = {prefix, i};
  }
  std::sort(order.begin(), order.end(), [&stems](const SortKey& a, const SortKey& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return stems[a.index].first < stems[b.index].first;
  });
  act.words.reserve(stems.size());
  for (const SortKey& key : order) {
    auto& stem = stems[key.index];
    if (act.words.empty() || act.words.back().first != stem.first) {
      act.words.push_back(std::move(stem));
      continue;
    }
    // Another token of the same stem: merge, keeping the positions
    // ascending.
    std::vector<int>& merged = act.words.back().second;
    const auto middle = static_cast<std::ptrdiff_t>(merged.size());
    merged.insert(merged.end(), stem.second.begin(), stem.second.end());
    std::inplace_merge(merged.begin(), merged.begin() + middle, merged.end());
  }
  act.structure = structure.tree().Text();
  return act;
}

}  // namespace idxcore
