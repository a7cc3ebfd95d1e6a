#include "viewer/finding/grid_columns.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace finding {
namespace {

constexpr std::string_view kFormatLine = "grila 1";

// The columns a user reads first, in this order and at these widths; every
// other field follows hidden.
struct Shown {
  std::string_view field;
  int width;
};
constexpr Shown kShown[] = {
    {"DispTitlu", 230}, {"Titlu", 420},    {"TipAct", 110},  {"NrOficial", 70},
    {"Anul", 45},       {"Emitent", 150},  {"Data", 80},     {"DataPub", 115},
    {"Publicatia", 150}, {"Numar", 140},    {"Domeniu", 150}, {"Rep", 45},
    {"Limba", 40},      {"IndNum", 150},
};
constexpr int kHiddenWidth = 64;

std::optional<int> ParseWidth(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  for (size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1)) {
    parts.push_back(line.substr(0, tab));
  }
  parts.push_back(line);
  return parts;
}

}  // namespace

ColumnLayout DefaultLayout(const std::vector<ListField>& fields) {
  ColumnLayout layout;
  for (const Shown& shown : kShown) {
    for (const ListField& field : fields) {
      if (field.name == shown.field) layout.push_back({field.name, field.label, shown.width, true});
    }
  }
  for (const ListField& field : fields) {
    bool listed = false;
    for (const GridColumn& column : layout) listed = listed || column.field == field.name;
    if (!listed) layout.push_back({field.name, field.label, kHiddenWidth, false});
  }
  return layout;
}

ColumnLayout MatchLayout(const ColumnLayout& saved, const std::vector<ListField>& fields) {
  ColumnLayout layout;
  for (const GridColumn& column : saved) {
    for (const ListField& field : fields) {
      if (field.name != column.field) continue;
      bool listed = false;
      for (const GridColumn& done : layout) listed = listed || done.field == field.name;
      if (!listed) layout.push_back({field.name, field.label, column.width, column.visible});
    }
  }
  for (const GridColumn& column : DefaultLayout(fields)) {
    bool listed = false;
    for (const GridColumn& done : layout) listed = listed || done.field == column.field;
    if (!listed) layout.push_back(column);
  }
  return layout;
}

std::string SerializeLayout(const ColumnLayout& layout) {
  std::string text = std::string(kFormatLine) + "\n";
  for (const GridColumn& column : layout) {
    text += column.field + "\t" + column.caption + "\t" + std::to_string(column.width) + "\t" +
            (column.visible ? "1" : "0") + "\n";
  }
  return text;
}

ColumnLayout ParseLayout(std::string_view text) {
  ColumnLayout layout;
  int number = 0;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (number == 1) {
      if (line != kFormatLine) {
        throw std::runtime_error("grila.dat: the first line is not \"" + std::string(kFormatLine) +
                                 "\"");
      }
      continue;
    }
    if (line.empty()) continue;
    const std::vector<std::string_view> parts = SplitTabs(line);
    const std::optional<int> width = parts.size() == 4 ? ParseWidth(parts[2]) : std::nullopt;
    if (!width || parts[0].empty() || (parts[3] != "0" && parts[3] != "1")) {
      throw std::runtime_error("grila.dat line " + std::to_string(number) +
                               ": not a column (field, caption, width, 0 or 1, separated by tabs)");
    }
    layout.push_back({std::string(parts[0]), std::string(parts[1]), *width, parts[3] == "1"});
  }
  if (number == 0) throw std::runtime_error("grila.dat is empty");
  return layout;
}

ColumnLayout LoadLayout(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::stringstream text;
  text << in.rdbuf();
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return ParseLayout(text.str());
}

void SaveLayout(const std::string& path, const ColumnLayout& layout) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << SerializeLayout(layout);
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      throw std::runtime_error("cannot write " + temp);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw std::runtime_error("cannot replace " + path);
  }
}

std::vector<ChooserRow> ChooserRows(const ColumnLayout& layout) {
  std::vector<ChooserRow> rows;
  for (const GridColumn& column : layout) {
    rows.push_back({column.field, column.visible,
                    column.width < 1 ? std::string("50") : std::to_string(column.width)});
  }
  return rows;
}

void ApplyChooserRows(const std::vector<ChooserRow>& rows, ColumnLayout* layout) {
  for (size_t i = 0; i < rows.size() && i < layout->size(); ++i) {
    const std::optional<int> width = ParseWidth(rows[i].width);
    if (!width) {
      throw std::invalid_argument("'" + rows[i].width + "' is not a valid integer value (the width of column " +
                                  rows[i].field + ")");
    }
    (*layout)[i].width = *width;
    (*layout)[i].visible = rows[i].checked;
  }
}

}  // namespace finding
