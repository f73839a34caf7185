#include "search/header_sort.h"

#include "core/strings.h"
#include "model/grid_controller.h"
#include "search/grid_interaction.h"

namespace vmbgrid::search {

namespace {
bool IsLongType(int32_t type) {
  return type == adLongVarChar || type == adLongVarWChar || type == adLongVarBinary;
}
}  // namespace

int SortOrderOfText(const std::string& text) {
  if (text == "ASC") return ascending;
  if (text == "DESC") return descending;
  return 0;
}

void HeaderSort::LeftRelease(GridControl& g, int shift, double x) {
  if (!owner_.AllowUserSort() || !sortArmed_) return;
  headerClick_ = true;
  clickedColumn_ = g.ColContaining(x);
  if ((shift & kCtrlMask) == 0) {
    g.PostMsg(kGridSortByColumn);
  } else if (shift == kCtrlMask) {
    BuildMultiSort(g);
    g.PostMsg(kGridMultiSort);
  }
}

void HeaderSort::SortByClickedColumn() {
  GridControl* g = owner_.grid();
  if (!headerClick_ || !g || clickedColumn_ < 0 || clickedColumn_ >= g->ColumnCount()) return;
  std::string dataField = g->Column(clickedColumn_).DataField();
  if (dataField.empty()) return;
  auto field = owner_.GridFields().Find(dataField);
  int32_t type = field ? field->datatype : kTypeUndetermined;
  if (auto rs = owner_.CurrentRecordset(); rs && rs->State() != adStateClosed) {
    int idx = rs->FieldIndex(dataField);
    if (idx >= 0) type = rs->FieldType(idx);
  }
  // Long texts and binaries cannot be ordered by: the click changes nothing.
  if (IsLongType(type)) return;
  owner_.DeleteAllSortColumns();
  orderedNames_.clear();
  if (core::EqualsNoCase(owner_.SortBy(), dataField)) {
    owner_.SortAscending(!owner_.SortAscending());
  } else {
    owner_.SortBy(dataField);
  }
  owner_.RememberSortedField(dataField);
  owner_.Requery("");
}

std::string HeaderSort::NameOfColumn(GridControl& g, int colIndex) const {
  GridColumn& col = g.Column(colIndex);
  std::string caption = col.Caption();
  for (const auto& f : owner_.GridFields())
    if (f->caption == caption) return f->fieldname;
  // A caption that names no field (changed by a layout) must not reach ORDER BY.
  return col.DataField();
}

void HeaderSort::EnterName(const std::string& name) {
  if (name.empty()) return;
  for (const auto& n : orderedNames_)
    if (core::EqualsNoCase(n, name)) return;
  orderedNames_.push_back(name);
}

void HeaderSort::BuildMultiSort(GridControl& g) {
  if (clickedColumn_ < 0 || clickedColumn_ >= g.ColumnCount()) return;
  if (owner_.LastHeaderSortField().empty()) {
    // A fresh multi-sort starts from the current single sort column.
    owner_.DeleteAllSortColumns();
    orderedNames_.clear();
    EnterName(owner_.SortBy());
  }
  std::string clicked = NameOfColumn(g, clickedColumn_);
  if (clicked.empty()) return;
  owner_.LastHeaderSortField(clicked);
  EnterName(clicked);

  pending_.clear();
  VMGridSortColumns& columns = owner_.SortColumns();
  if (columns.Count() == 0) {
    if (!owner_.SortBy().empty() && !core::EqualsNoCase(owner_.SortBy(), clicked))
      pending_.emplace_back(owner_.SortBy(), owner_.SortAscending() ? ascending : descending);
    pending_.emplace_back(clicked, ascending);
    // The list follows the click order; a former sort column equal to the clicked
    // one is the clicked one.
    std::vector<std::pair<std::string, int>> ordered;
    for (const auto& n : orderedNames_)
      for (const auto& p : pending_)
        if (core::EqualsNoCase(p.first, n)) ordered.emplace_back(n, p.second);
    pending_ = std::move(ordered);
    return;
  }
  for (const auto& n : orderedNames_) {
    auto sc = columns.Find(n);
    if (core::EqualsNoCase(n, clicked))
      pending_.emplace_back(n, sc && sc->SortOrder == "ASC" ? descending : ascending);
    else
      pending_.emplace_back(n, sc ? SortOrderOfText(sc->SortOrder) : 0);
  }
}

void HeaderSort::ApplyMultiSort() {
  // A Ctrl+click beside the columns before any multi-sort: nothing to sort by, and
  // the current order must stay.
  if (orderedNames_.empty()) return;
  owner_.SortBy("");
  for (const auto& n : orderedNames_) {
    int order = 0;
    for (const auto& p : pending_)
      if (core::EqualsNoCase(p.first, n)) order = p.second;
    owner_.AddSortColumn(n, order);
  }
  owner_.Requery("");
}

}  // namespace vmbgrid::search
