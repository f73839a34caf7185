#include "grid/editing.h"

#include <algorithm>

#include "host/error.h"

namespace vmbgrid::editing {

GridControl* FocusedGrid(const HostForm& form, const std::vector<GridControl*>& grids) {
  const std::string active = form.ActiveControlName();
  if (active.empty()) return nullptr;
  for (GridControl* g : grids)
    if (g && g->Name() == active) return g;
  return nullptr;
}

namespace {

std::string CellText(GridControl& g) { return g.GetProperty(kGridCellText).ToTextOrEmpty(); }

void SetCellText(GridControl& g, const std::string& text) {
  g.SetProperty(kGridCellText, Variant(text));
}

}  // namespace

void Cut(GridControl& g, Clipboard& clipboard) {
  clipboard.SetText(CellText(g));
  if (g.AllowUpdate()) SetCellText(g, "");
}

void Copy(GridControl& g, Clipboard& clipboard) { clipboard.SetText(CellText(g)); }

void Paste(GridControl& g, Clipboard& clipboard) {
  if (!g.AllowUpdate()) return;
  const std::string pasted = clipboard.GetText();
  if (pasted.empty()) return;
  SetCellText(g, CellText(g) + pasted);
}

void Undo(GridControl& g) {
  g.SetProperty(kGridDataChanged, Variant(false));
  g.SetProperty(kGridEditActive, Variant(false));
}

void AutoSizeColumn(GridControl& g, int colIndex) {
  try {
    g.Column(colIndex).SetProperty(kColumnAutoSize, Variant());
  } catch (const std::exception&) {
    // a column that cannot be measured keeps its width
  }
}

void AutoSizeColumns(GridControl& g) {
  for (int i = 0; i < g.ColumnCount(); ++i) AutoSizeColumn(g, i);
}

std::string DelimitedCell(const std::string& text) {
  if (text.find_first_of("\t\r\n\"") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string SelectedRowsAsText(GridControl& g) {
  auto rs = g.DataSource();
  if (!rs || rs->State() == adStateClosed || rs->RecordCount() == 0) return {};

  std::vector<int> columns;
  for (int i = 0; i < g.ColumnCount(); ++i)
    if (g.Column(i).Visible()) columns.push_back(i);
  std::stable_sort(columns.begin(), columns.end(),
                   [&g](int a, int b) { return g.Column(a).Order() < g.Column(b).Order(); });

  // Rows in the order shown, whatever order they were selected in.
  std::vector<int32_t> rows;
  for (int i = 0; i < g.SelectedCount(); ++i) {
    int32_t ordinal = rs->OrdinalOf(g.SelectedAt(i));
    if (ordinal >= 0) rows.push_back(ordinal);
  }
  if (rows.empty()) {
    int32_t current = rs->OrdinalOf(g.Bookmark());
    if (current < 0) return {};
    rows.push_back(current);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  std::string out;
  for (int32_t ordinal : rows) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) out += '\t';
      out += DelimitedCell(g.CellText(ordinal, columns[c]));
    }
    out += '\n';
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ReadMap(Component& map) {
  std::vector<Variant> none;
  const int32_t first = map.Invoke(kMapFirstIndex, none).ToInt32();
  const int32_t last = map.Invoke(kMapLastIndex, none).ToInt32();
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int64_t i = first; i <= last; ++i) {
    std::vector<Variant> at{Variant(static_cast<int32_t>(i))};
    std::string key = map.Invoke(kMapKey, at).ToText();
    std::vector<Variant> at2{Variant(static_cast<int32_t>(i))};
    pairs.emplace_back(std::move(key), map.Invoke(kMapValue, at2).ToText());
  }
  return pairs;
}

}  // namespace vmbgrid::editing
