// The columns of the results grid, without the grid: their layout, the file
// that keeps it between runs ("grila.dat" in the installation directory) and
// the rules of the column chooser.
//
// "grila.dat" is text, Windows-1250, one line per column in grid order:
//   field TAB caption TAB width TAB visible(0/1)
// after a first line "grila 1" that names the format. Only the viewer reads
// and writes it.
#ifndef CORVANA_VIEWER_FINDING_GRID_COLUMNS_H_
#define CORVANA_VIEWER_FINDING_GRID_COLUMNS_H_

#include <string>
#include <string_view>
#include <vector>

namespace finding {

inline constexpr char kGridLayoutFile[] = "grila.dat";

struct GridColumn {
  std::string field;    // the field of the acts list it shows
  std::string caption;  // its title
  int width = 64;       // pixels; 0 or less shows nothing
  bool visible = true;
};
using ColumnLayout = std::vector<GridColumn>;

// A field of the acts list as the grid sees it: its name and its label.
struct ListField {
  std::string name;
  std::string label;
};

// The layout of a grid that has no saved one: every field of `fields` in
// order, captioned with its label; the display title, title, numbers and
// dates shown at useful widths, the ids and codes hidden.
ColumnLayout DefaultLayout(const std::vector<ListField>& fields);

// The layout to show for `fields`: the saved columns that name one of them,
// in their saved order, with their saved width and visibility and the
// field's current label; then the fields the saved layout lacks, as the
// default layout has them.
ColumnLayout MatchLayout(const ColumnLayout& saved, const std::vector<ListField>& fields);

std::string SerializeLayout(const ColumnLayout& layout);
// Throws std::runtime_error naming the line that is not a column.
ColumnLayout ParseLayout(std::string_view text);

// The file's whole life: reading throws std::runtime_error when it cannot
// be read or is damaged; writing goes through a new file renamed over the
// old one and throws when it cannot.
ColumnLayout LoadLayout(const std::string& path);
void SaveLayout(const std::string& path, const ColumnLayout& layout);

// One row of the column chooser: the column's field with its check box, and
// its width as editable text.
struct ChooserRow {
  std::string field;
  bool checked = true;
  std::string width;
};

// The chooser's rows for `layout`; a width below 1 is offered as "50".
std::vector<ChooserRow> ChooserRows(const ColumnLayout& layout);

// Applies the rows to the columns of the same index, in order. A width that
// is not a whole number of 0 or more throws std::invalid_argument naming
// it; the columns before it keep what was applied, the rest their values.
void ApplyChooserRows(const std::vector<ChooserRow>& rows, ColumnLayout* layout);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_GRID_COLUMNS_H_
