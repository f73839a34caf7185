#include "search/search_row.h"

#include "core/services.h"
#include "core/strings.h"
#include "grid/vmgrid_events.h"
#include "host/error.h"
#include "host/platform.h"
#include "model/grid_controller.h"
#include "search/column_mirror.h"
#include "search/grid_interaction.h"
#include "search/keys.h"
#include "search/sum_row.h"

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
  visibleCount_ = 0;
  lastColumn_ = 0;
  if (sg) {
    RebuildTwinColumns(*main, *sg, true);
    AssignDropDown();
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

bool SearchRow::OutOfStep() const {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SearchGrid();
  return main && sg && !TwinInStep(*main, *sg);
}

void SearchRow::FollowDataGrid() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SearchGrid();
  if (!main || !sg) return;
  if (OutOfStep()) {
    // Other columns (a layout, another table): what was typed stays with its field.
    std::vector<std::pair<std::string, Variant>> typed;
    if (array_) typed = TwinValues(*sg, *array_);
    SetUp();
    if (array_) RestoreTwinValues(*sg, *array_, typed);
    sg->Refresh();
  } else {
    SyncColumnSizes();
    SyncColumnOrder();
  }
  ComputeLastColumn();
}

void SearchRow::AssignDropDown() {
  GridControl* sg = owner_.SearchGrid();
  if (!sg) return;
  DropDownControl* dd = owner_.DropDown();
  for (int i = 0; i < sg->ColumnCount(); ++i) {
    GridColumn& col = sg->Column(i);
    auto field = owner_.GridFields().Find(col.DataField());
    if (field && field->combo) col.DropDown(dd ? dd->Name() : "");
  }
}

void SearchRow::ClearArray() {
  if (!array_) return;
  for (int32_t r = array_->LowerBound(1); r <= array_->UpperBound(1); ++r)
    for (int32_t c = array_->LowerBound(2); c <= array_->UpperBound(2); ++c)
      array_->Value(r, c, {});
}

bool SearchRow::CellCounts(const Variant& v) {
  std::string t = core::Trim(v.ToTextOrEmpty());
  return !(t.empty() || t == "*" || t == "%" || t == "\"" || t == "'");
}

void SearchRow::ApplySearchRow(bool keep, bool fromSearchGrid) {
  if (!dirty_) return;
  if (!keep) owner_.RemoveSearchRestrictions(false);
  active_ = false;
  std::vector<std::string> typedIntoFixed;
  GridControl* main = owner_.grid();
  if (array_ && main && array_->Count(1) > 0) {
    for (int32_t c = array_->LowerBound(2); c <= array_->UpperBound(2); ++c) {
      const Variant& cell = array_->Value(1, c);
      if (!CellCounts(cell) || c >= main->ColumnCount()) continue;
      std::string name = main->Column(c).DataField();
      auto field = owner_.GridFields().Find(name);
      int32_t type = field ? field->datatype : kTypeUndetermined;
      owner_.AddRestriction(name, cell, false, type, false, fromSearchGrid);
      if (auto r = owner_.Restrictions().Find(name); r && r->fixedRestriction && fromSearchGrid)
        typedIntoFixed.push_back(name);
      active_ = true;
    }
  }
  // A criterion typed into a fixed column ends with its cell: the fixed value alone
  // applies again, as the empty cell shows.
  if (!keep) {
    for (const auto& name : typedIntoFixed_) {
      bool stillTyped = false;
      for (const auto& t : typedIntoFixed) stillTyped = stillTyped || core::EqualsNoCase(t, name);
      if (stillTyped) continue;
      if (auto r = owner_.Restrictions().Find(name); r && r->fixedRestriction)
        r->value = r->fixedRestrictionValue;
    }
    typedIntoFixed_ = std::move(typedIntoFixed);
  } else {
    for (auto& name : typedIntoFixed) typedIntoFixed_.push_back(std::move(name));
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
    typedIntoFixed_.clear();
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
  RefreshAfterFill();
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
  if (owner_.grid() && owner_.SearchGrid()) MirrorColumnSizes(*owner_.grid(), *owner_.SearchGrid());
}

void SearchRow::SyncColumnOrder() {
  if (owner_.grid() && owner_.SearchGrid()) MirrorColumnOrder(*owner_.grid(), *owner_.SearchGrid());
}

void SearchRow::ComputeLastColumn() {
  visibleCount_ = 0;
  lastColumn_ = 0;
  GridControl* main = owner_.grid();
  if (!main) return;
  // The first visible column found counts even at display position 0, so that a
  // line with one visible column other than column 0 still has its last column.
  int rightmost = -1;
  for (int i = 0; i < main->ColumnCount(); ++i) {
    GridColumn& c = main->Column(i);
    if (!c.Visible()) continue;
    ++visibleCount_;
    if (c.Order() > rightmost) {
      rightmost = c.Order();
      lastColumn_ = i;
    }
  }
}

int SearchRow::DataColumnOf(const std::string& fieldname) const {
  GridControl* main = owner_.grid();
  if (!main || fieldname.empty()) return -1;
  for (int i = 0; i < main->ColumnCount(); ++i)
    if (core::EqualsNoCase(main->Column(i).DataField(), fieldname)) return i;
  return -1;
}

bool SearchRow::SetCell(const std::string& fieldname, const Variant& value) {
  int c = DataColumnOf(fieldname);
  if (c < 0 || !array_ || array_->Count(1) == 0 || c < array_->LowerBound(2) ||
      c > array_->UpperBound(2))
    return false;
  array_->Value(array_->LowerBound(1), c, value);
  return true;
}

void SearchRow::RefreshAfterFill() {
  GridControl* sg = owner_.SearchGrid();
  if (!sg) return;
  // A half-typed cell must not overwrite what was just written into the line.
  sg->DataChanged(false);
  sg->Refresh();
  sg->EditActive(true);
  sg->EditActive(false);
}

// ---------------------------------------------------------------- messages

void SearchRow::PostEvent(GridControl& g, int messageId) {
  switch (messageId) {
    case kSearchApply:
      g.CommitEdit();
      // A value chosen in the drop-down is typed by the user like any other.
      ApplySearchRow(false, true);
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
      if (owner_.grid()) {
        try {
          owner_.grid()->SetFocus();
        } catch (const VMError&) {
        }
      }
      break;
    case kSearchFocusPrevious:
      owner_.Events().FocusPrevious();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- applying

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

void SearchRow::GotFocus(GridControl& g) {
  focus_ = true;
  if (!mouseDown_) {
    int first = FirstColumn(g);
    if (first >= 0) g.Col(first);
  }
}

void SearchRow::LostFocus(GridControl& g) {
  focus_ = false;
  if (!dirty_) return;
  g.CommitEdit();
  // Committing a cell with RefreshOnLeaveColumn has already applied the search.
  if (!dirty_) return;
  // What was typed counts in fixed columns too, whichever way the row is left.
  ApplySearchRow(false, true);
  SearchApplied();
}

// ---------------------------------------------------------------- keyboard

void SearchRow::KeyDown(GridControl& g, int& keyCode, int& shift) {
  const bool ctrl = (shift & kCtrlMask) != 0;
  const bool shiftHeld = (shift & kShiftMask) != 0;
  const bool alt = (shift & kAltMask) != 0;
  if (keyCode == kKeyF && ctrl && shiftHeld) {
    keyCode = 0;
    owner_.Interaction().ShowQueryMenu();
    return;
  }
  if (keyCode == kKeyUp || keyCode == kKeyDown) {
    const char* keys = keyCode == kKeyUp ? "+{TAB}" : "{TAB}";
    keyCode = 0;
    SendKeysEx(keys, false);
    return;
  }
  if (keyCode == kKeyEscape || (keyCode == kKeyBackspace && alt)) {
    owner_.Interaction().Undo(g);
    return;
  }
  NavigationKey(g, keyCode, shift);
}

void SearchRow::NavigationKey(GridControl& g, int& keyCode, int& shift) {
  // The navigating key follows the data grid: Tab when Return does not navigate.
  GridControl* main = owner_.grid();
  const int mode = main ? main->TabAction() : (owner_.ReturnNavigatesInGrid() ? 0 : 2);
  if (!((keyCode == kKeyTab && mode == 2) || (keyCode == kKeyEnter && mode == 0))) return;
  if (g.EditActive()) g.EditActive(false);
  keyCode = 0;
  if (shift != 0) {
    if (g.Col() != FirstColumn(g)) {
      keyCode = kKeyLeft;
      shift = 0;
    } else if (mode != 0) {
      g.PostMsg(kSearchFocusPrevious);
    } else {
      SendKeysEx("+{TAB}", false);
    }
    return;
  }
  // Recomputed every time: a layout loaded since the last set-up may have moved or
  // hidden columns without telling the line.
  ComputeLastColumn();
  if (g.Col() == lastColumn_)
    g.PostMsg(kSearchFocusGrid);
  else
    SendKeysEx("{Right}", false);
}

void SearchRow::KeyPress(GridControl&, int& keyAscii) { DiscardControlCharacter(keyAscii); }

void SearchRow::KeyUp(GridControl& g, int&, int&) {
  // Only a key that left something in the cell counts as a change; a navigation key
  // released after the search was applied must not make the line dirty again.
  if (g.EditActive() || g.DataChanged()) dirty_ = true;
}

// ---------------------------------------------------------------- mouse and scrolling

void SearchRow::MouseDown(GridControl& g, int, int, double, double) {
  mouseDown_ = true;
  try {
    if (!g.HasFocus()) g.SetFocus();
  } catch (const VMError&) {
  }
}

void SearchRow::MouseUp(GridControl& g, int button, int, double x, double) {
  mouseDown_ = false;
  if (!owner_.IsInRecordSelectorArea(static_cast<int32_t>(x))) return;
  // The click on the record selector marked the row; the line is never selected.
  while (g.SelectedCount() > 0) g.RemoveSelectedAt(0);
  if (button == kLeftButton)
    ClearSearch(true);
  else
    owner_.Interaction().ShowQueryMenu();
}

void SearchRow::LeftColChange(GridControl& g) {
  int left = g.LeftCol();
  for (GridControl* other : {owner_.grid(), owner_.SumGrid()})
    if (other && other != &g && other->LeftCol() != left) other->LeftCol(left);
}

}  // namespace vmbgrid::search
