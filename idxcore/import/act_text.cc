#include "idxcore/import/act_text.h"

#include <algorithm>
#include <cstddef>
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
  words[stem].push_back(position);
}

ConvertedAct ConvertActText(const std::vector<std::string>& lines, const HeadingDefs& defs,
                            HypertextState& state, ImportVariant variant,
                            const AddPartFn& add_part, const std::vector<size_t>* origin) {
  ConvertedAct act;
  StructureBuilder structure(defs);
  structure.Start();
  // The positions of each distinct token: a word repeated through the act
  // is stemmed and filed once, not at every occurrence.
  // Looked up by the token as found, so that only a new token is copied.
  struct TokenHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::vector<int>, TokenHash, std::equal_to<>> token_positions;
  token_positions.reserve(1024);  // an act of ten pages has about this many
  int position = 0;
  const auto add_token = [&](std::string_view token) {
    auto known = token_positions.find(token);
    if (known == token_positions.end()) {
      known = token_positions.emplace(std::string(token), std::vector<int>()).first;
    }
    known->second.push_back(position++);
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    try {
      ForEachIndexToken(lines[i], 3, add_token);
      std::string line = lines[i];
      if (variant != ImportVariant::kStream && line.size() > 1) {
        // The last character is left alone.
        for (size_t k = 0; k + 1 < line.size(); ++k) {
          if (line[k] == '\t') line[k] = ' ';
        }
      }
      std::string label = ParseFirstPart(line, defs);
      if (!label.empty()) {
        if (variant == ImportVariant::kStream) label = ParseLinks(label);
        const std::string title =
            variant == ImportVariant::kWithModifications ? line : ParseTitlu(line);
        const long part_id = add_part(label);
        structure.Add(label, part_id, title);
        act.hypertext.push_back(actsdb::PartAnchor(part_id));
      }
      TextToHtml(state, defs, line, act.hypertext, i, lines);
    } catch (const ImportError& e) {
      const size_t number = origin && i < origin->size() ? (*origin)[i] : i + 1;
      throw ImportError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  for (auto& [token, positions] : token_positions) {
    std::vector<int>& stem_positions = act.words[actsdb::DictionaryStem(token)];
    if (stem_positions.empty()) {
      stem_positions = std::move(positions);
      continue;
    }
    // Another token with the same stem came first: merge, keeping the
    // positions ascending.
    const auto middle = static_cast<std::ptrdiff_t>(stem_positions.size());
    stem_positions.insert(stem_positions.end(), positions.begin(), positions.end());
    std::inplace_merge(stem_positions.begin(), stem_positions.begin() + middle,
                       stem_positions.end());
  }
  act.structure = structure.tree().Text();
  return act;
}

}  // namespace idxcore
