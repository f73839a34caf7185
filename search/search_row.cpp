#include "search/search_row.h"

#include "core/services.h"
#include "core/strings.h"
#include "grid/vmgrid.h"
#include "host/platform.h"

namespace vmbgrid::search {

namespace {
// Grid properties of the search line that have no named role in the contract.
constexpr int kPropEnabledStyle = 51;
constexpr int kPropAllowRowSizing = 13;
constexpr int kPropFullRowSelect = 153;
constexpr int kPropPictureCurrentRow = 149;
constexpr int kPropPictureModifiedRow = 176;
constexpr int kPropPictureAddNewRow = 150;
constexpr int kPropFetchRowStyle = 88;
constexpr int kPropMarqueeStyle = 15;
constexpr int kPropAllowColSelect = 3;
constexpr int kPropContainerFlag = 21;
constexpr int kColumnFlagButtonAlways = 1;
constexpr int kColumnFlagButtonHeader = 2;
constexpr int kPictureNoSearch = 266;
constexpr int kPictureActiveSearch = 265;
}  // namespace

void SearchRow::Attach(GridControl* control) {
  if (!control) return;
  array_ = std::make_shared<XArray>();
  control->SetProperty(kPropEnabledStyle, true);
  control->TabAction(owner_.ReturnNavigatesInGrid() ? 0 : 2);
  control->RowHeight(0);
  control->Height(control->RowHeight() + 40);
  control->SetProperty(kPropAllowRowSizing, true);
  control->SetProperty(kPropFullRowSelect, true);
  control->SetProperty(kPropPictureCurrentRow, core::LoadPicture(kPictureNoSearch));
  control->SetProperty(kPropPictureModifiedRow, core::LoadPicture(kPictureNoSearch));
  control->SetProperty(kPropPictureAddNewRow, core::LoadPicture(kPictureActiveSearch));
  control->SetProperty(kPropFetchRowStyle, true);
  control->SetProperty(kPropMarqueeStyle, 0);
  control->SetProperty(kPropAllowColSelect, false);
  control->SetListener(this);
}

void SearchRow::SetUp() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SearchGrid();
  if (!main) return;
  if (sg) {
    while (sg->ColumnCount() > 0) sg->RemoveColumn(sg->ColumnCount() - 1);
    for (int i = 0; i < main->ColumnCount(); ++i) {
      GridColumn& src = main->Column(i);
      GridColumn& col = sg->AddColumn(i);
      col.Caption(src.Caption());
      col.DataField(src.DataField());
      col.Visible(src.Visible());
      col.Width(src.Width());
      col.SetProperty(kColumnFlagButtonAlways, true);
      col.SetProperty(kColumnFlagButtonHeader, false);
      auto field = owner_.GridFields().Find(src.DataField());
      if (field && field->combo && owner_.DropDown()) col.DropDown(owner_.DropDown()->Name());
    }
  }
  // Hidden fields stay hidden in every grid.
  for (const auto& field : owner_.GridFields()) {
    if (!field->Hidden()) continue;
    if (GridColumn* c = main->ColumnByField(field->fieldname)) c->Visible(false);
    if (sg)
      if (GridColumn* c = sg->ColumnByField(field->fieldname)) c->Visible(false);
  }
  main->PostMsg(kSearchRelayout);
  if (sg) sg->PostMsg(kSearchRelayout);
  if (owner_.SumGrid()) owner_.SumGrid()->PostMsg(kSearchRelayout);
  if (!sg) return;
  if (!array_) array_ = std::make_shared<XArray>();
  array_->ReDim(1, 1, 0, sg->ColumnCount() - 1);
  sg->BindArray(array_);
  sg->PostMsg(kSearchRebind);
  SyncColumnOrder();
  for (const auto& field : owner_.GridFields()) {
    GridColumn* c = sg->ColumnByField(field->fieldname);
    if (!c) continue;
    if (field->valuelist) {
      c->ClearValueItems();
      for (const auto& item : *field->valuelist) c->AddValueItem(item);
      c->Translate(true);
    }
    if (field->datatype == adBoolean) {
      c->Alignment(dbgCenter);
      c->Presentation(dbgCheckBox);
    }
  }
  sg->SetProperty(kPropContainerFlag, true);
  sg->AllowUpdate(true);
}

void SearchRow::ClearArray() {
  if (!array_) return;
  for (int32_t r = array_->LowerBound(1); r <= array_->UpperBound(1); ++r)
    for (int32_t c = array_->LowerBound(2); c <= array_->UpperBound(2); ++c) array_->Value(r, c, {});
}

bool SearchRow::CellCounts(const Variant& v) {
  std::string t = core::Trim(v.ToTextOrEmpty());
  return !(t.empty() || t == "*" || t == "%" || t == "\"" || t == "'");
}

void SearchRow::ApplySearchRow(bool keep, bool fromSearchGrid) {
  if (!dirty_) return;
  if (!keep) owner_.RemoveSearchRestrictions(false);
  active_ = false;
  GridControl* main = owner_.grid();
  if (array_ && main && array_->Count(1) > 0) {
    for (int32_t c = array_->LowerBound(2); c <= array_->UpperBound(2); ++c) {
      const Variant& cell = array_->Value(1, c);
      if (!CellCounts(cell) || c >= main->ColumnCount()) continue;
      std::string name = main->Column(c).DataField();
      auto field = owner_.GridFields().Find(name);
      int32_t type = field ? field->datatype : kTypeUndetermined;
      owner_.AddRestriction(name, cell, false, type, false, fromSearchGrid);
      active_ = true;
    }
  }
  if (owner_.SearchGrid()) owner_.SearchGrid()->PostMsg(kSearchIndicator);
}

void SearchRow::SearchApplied() {
  owner_.Requery("");
  dirty_ = false;
  owner_.Events().SearchChanged();
}

void SearchRow::ClearSearch(bool requery) {
  GridControl* sg = owner_.SearchGrid();
  if (!sg) return;
  dirty_ = true;
  ClearArray();
  if (requery) {
    owner_.RemoveSearchRestrictions(true);
    ApplySearchRow(false, false);
    SearchApplied();
  }
  sg->Refresh();
}

void SearchRow::SetSearch(const std::string& field, const std::string& value) {
  GridControl* sg = owner_.SearchGrid();
  GridControl* main = owner_.grid();
  if (field.empty() || value.empty() || !sg || !sg->Visible() || !main) return;
  ClearArray();
  int target = -1;
  for (int i = 0; i < main->ColumnCount(); ++i)
    if (core::EqualsNoCase(main->Column(i).DataField(), field)) target = i;
  if (target < 0 || !array_ || target > array_->UpperBound(2)) return;
  array_->Value(1, target, value);
  sg->Refresh();
  sg->EditActive(true);
  sg->EditActive(false);
  dirty_ = true;
  ApplySearchRow(true, false);
  Platform::Events().ProcessPendingEvents();
  sg->SetFocus();
  sg->Col(target);
  dirty_ = true;
}

void SearchRow::UpdateSearchActive() {
  active_ = false;
  if (array_ && array_->Count(1) > 0)
    for (int32_t c = array_->LowerBound(2); c <= array_->UpperBound(2); ++c)
      if (!core::Trim(array_->Value(1, c).ToTextOrEmpty()).empty()) active_ = true;
  if (owner_.SearchGrid()) owner_.SearchGrid()->PostMsg(kSearchIndicator);
}

void SearchRow::SyncColumnSizes() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SearchGrid();
  if (!main || !sg) return;
  for (int i = 0; i < main->ColumnCount() && i < sg->ColumnCount(); ++i) {
    sg->Column(i).Width(main->Column(i).Width());
    sg->Column(i).Visible(main->Column(i).Visible());
  }
}

void SearchRow::SyncColumnOrder() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SearchGrid();
  if (!main || !sg) return;
  for (int pos = 0; pos < main->ColumnCount(); ++pos)
    for (int i = 0; i < main->ColumnCount() && i < sg->ColumnCount(); ++i)
      if (main->Column(i).Order() == pos) sg->Column(i).Order(pos);
}

void SearchRow::PostEvent(GridControl& g, int messageId) {
  switch (messageId) {
    case kSearchApply:
      g.CommitEdit();
      ApplySearchRow(false, false);
      SearchApplied();
      break;
    case kSearchRebind:
      g.Rebind();
      break;
    case kSearchRelayout:
      g.RefreshColumnLayout();
      g.Rebind();
      break;
    case kSearchIndicator:
      g.SetProperty(kPropPictureCurrentRow,
                    core::LoadPicture(active_ ? kPictureActiveSearch : kPictureNoSearch));
      break;
    case kSearchResetPointer:
      Platform::ScreenService().MousePointer(kPointerDefault);
      break;
    case kSearchFocusGrid:
      if (owner_.grid()) owner_.grid()->SetFocus();
      break;
    case kSearchFocusPrevious:
      owner_.Events().FocusPrevious();
      break;
    default:
      break;
  }
}

void SearchRow::AfterColUpdate(GridControl& g, int /*colIndex*/) {
  dirty_ = true;
  g.CommitEdit();
  if (owner_.RefreshOnLeaveColumn()) {
    ApplySearchRow(false, true);
    SearchApplied();
  } else {
    UpdateSearchActive();
  }
}

void SearchRow::LostFocus(GridControl& g) {
  if (!dirty_) return;
  g.CommitEdit();
  ApplySearchRow(false, false);
  SearchApplied();
}

}  // namespace vmbgrid::search
