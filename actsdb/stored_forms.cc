#include "actsdb/stored_forms.h"

#include <algorithm>
#include <charconv>

namespace actsdb {

std::string PartAnchor(long id_parte) {
  return "<a name=" + std::to_string(id_parte) + "> </a>";
}

std::string ActLink(const std::vector<std::string>& code_words,
                    const std::vector<std::string>& display_words) {
  std::string out = "<a href=\"#";
  for (const std::string& w : code_words) out += " " + w;
  out += "\">";
  for (const std::string& w : display_words) out += " " + w;
  out += "</a>";
  return out;
}

std::string ImageRef(const std::vector<std::string>& source_words,
                     const std::vector<std::string>& display_words) {
  std::string out = "<img src=\"";
  for (const std::string& w : source_words) out += " " + w;
  out += "\">";
  for (const std::string& w : display_words) out += " " + w;
  return out;
}

std::optional<std::string> LinkKeyText(std::string_view target) {
  if (target.empty() || target[0] != '#') return std::nullopt;
  target.remove_prefix(1);
  if (!target.empty() && target[0] == ' ') target.remove_prefix(1);
  return std::string(target);
}

std::string StructNodeText(std::string_view label, long id_parte, std::string_view tail) {
  std::string out(label);
  out += '#';
  out += std::to_string(id_parte);
  out += '#';
  out += tail;
  return out;
}

std::string StructTail(std::string_view label, std::string_view title) {
  // 1-based start as the text positions are counted; an empty label is
  // never "found", so the tail then starts at the first character.
  const size_t found = label.empty() ? std::string_view::npos : title.find(label);
  size_t start = found == std::string_view::npos ? label.size() : found + 1 + label.size();
  start = std::max<size_t>(start, 1);
  if (start > title.size()) return "";
  return std::string(title.substr(start - 1, 100));
}

void AppendStructLine(std::string& out, int depth, std::string_view text) {
  out.append(static_cast<size_t>(std::max(depth, 0)), '\t');
  out += text;
  out += "\r\n";
}

std::optional<StructLine> ParseStructLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return std::nullopt;
  StructLine out;
  while (static_cast<size_t>(out.depth) < line.size() && line[out.depth] == '\t') ++out.depth;
  line.remove_prefix(out.depth);
  const size_t first = line.find('#');
  if (first == std::string_view::npos) {
    out.label = std::string(line);
    out.is_root = true;
    return out;
  }
  out.label = std::string(line.substr(0, first));
  const size_t second = line.find('#', first + 1);
  const std::string_view id =
      line.substr(first + 1, second == std::string_view::npos ? std::string_view::npos
                                                              : second - first - 1);
  std::from_chars(id.data(), id.data() + id.size(), out.part_id);
  if (second != std::string_view::npos) out.tail = std::string(line.substr(second + 1));
  return out;
}

std::vector<StructLine> ParseStructText(std::string_view text) {
  std::vector<StructLine> lines;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    if (auto parsed = ParseStructLine(line)) lines.push_back(std::move(*parsed));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

}  // namespace actsdb
