#include "search/grid_interaction.h"

#include "core/strings.h"
#include "grid/vmgrid_events.h"
#include "host/error.h"
#include "host/platform.h"
#include "model/grid_controller.h"
#include "search/criteria.h"
#include "search/keys.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid::search {

std::string ExactNumberFormat(const VMGridField& field) {
  // Currency with cents; a declared scale with exactly that many decimals; without
  // one, every decimal the value has (up to the 38 digits an exact number holds).
  if (field.datatype == adCurrency) return "#,##0.00";
  if (field.precision == 0) return "#,##0." + std::string(38, '#');
  if (field.scale <= 0) return "#,##0";
  return "#,##0." + std::string(static_cast<size_t>(field.scale), '0');
}

void ApplyColumnFormat(GridColumn& column, const VMGridField& field) {
  switch (field.datatype) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adBigInt:
      column.NumberFormat("#########0");
      break;
    case adSingle:
    case adDouble:
      column.NumberFormat(field.FormatString.empty() ? "Standard" : field.FormatString);
      column.Alignment(dbgRight);
      break;
    case adCurrency:
    case adDecimal:
    case adNumeric:
      column.NumberFormat(field.FormatString.empty() ? ExactNumberFormat(field)
                                                     : field.FormatString);
      column.Alignment(dbgRight);
      break;
    case adDBTime:
      column.NumberFormat(field.FormatString.empty() ? "Long Time" : field.FormatString);
      column.Alignment(dbgRight);
      break;
    case adBoolean:
      column.Alignment(dbgCenter);
      column.Presentation(dbgCheckBox);
      break;
    case vmFormattedText:
      column.NumberFormat("FormatText Event");
      break;
    case vmLongNumber:
      column.NumberFormat("##############0");
      column.Alignment(dbgRight);
      break;
    case vmDateTime:
      column.NumberFormat("General Date");
      column.Alignment(dbgLeft);
      break;
    default:
      // Other types keep the grid's defaults; a host format still applies.
      if (!field.FormatString.empty()) column.NumberFormat(field.FormatString);
      break;
  }
}

void DiscardControlCharacter(int& keyAscii) {
  if (keyAscii >= 0 && keyAscii < 32 && keyAscii != kKeyBackspace) keyAscii = 0;
}

int FirstColumn(GridControl& g) {
  int first = -1;
  int position = 0;
  for (int i = 0; i < g.ColumnCount(); ++i) {
    GridColumn& c = g.Column(i);
    if (!c.Visible()) continue;
    if (first < 0 || c.Order() < position) {
      first = i;
      position = c.Order();
    }
  }
  if (first < 0 && g.ColumnCount() > 0) first = 0;
  return first;
}

// ---------------------------------------------------------------- entry points

bool GridInteraction::ShowColumn(const std::string& fieldname, bool visible) {
  GridControl* main = owner_.grid();
  SearchRow& searchRow = owner_.SearchRowState();
  searchRow.ComputeLastColumn();
  if (!visible && searchRow.VisibleColumnCount() < 2) return false;
  if (main)
    if (GridColumn* c = main->ColumnByField(fieldname)) c->Visible(visible);
  if (auto field = owner_.GridFields().Find(fieldname)) field->visible(visible);
  FollowColumns();
  owner_.SumRowState().FitSumRow();
  if (main) {
    main->PostMsg(kGridRelayout);
    main->PostMsg(kGridSyncOrder);
    main->PostMsg(kGridRefresh);
  }
  searchRow.ComputeLastColumn();
  return true;
}

void GridInteraction::FollowColumns() {
  owner_.SearchRowState().FollowDataGrid();
  owner_.SumRowState().FollowDataGrid();
}

void GridInteraction::OpenLayoutDialog() {
  if (owner_.grid()) owner_.grid()->PostMsg(kGridLayoutDialog);
}

void GridInteraction::OpenQueryDialog() {
  if (owner_.grid()) owner_.grid()->PostMsg(kGridQueryDialog);
}

void GridInteraction::Undo(GridControl& g) {
  if (hooks.undo) {
    hooks.undo();
    return;
  }
  g.DataChanged(false);
  g.EditActive(false);
}

void GridInteraction::ShowQueryMenu() {
  if (hooks.showQueryMenu) hooks.showQueryMenu();
}

// ---------------------------------------------------------------- messages

void GridInteraction::PostEvent(GridControl& g, int messageId) {
  switch (messageId) {
    case kGridSortByColumn:
      sort_.SortByClickedColumn();
      break;
    case kGridLayoutDialog:
      if (hooks.layoutDialog) hooks.layoutDialog();
      break;
    case kGridSyncOrder:
      FollowColumns();
      break;
    case kGridQueryDialog:
      if (hooks.queryDialog) hooks.queryDialog();
      break;
    case kGridRefresh:
      g.Refresh();
      break;
    case kGridRebind:
      g.Rebind();
      break;
    case kGridRelayout:
      g.RefreshColumnLayout();
      g.Rebind();
      break;
    case kGridResetPointer:
      Platform::ScreenService().MousePointer(kPointerDefault);
      break;
    case kGridFocusSearch:
      if (owner_.SearchGrid()) {
        try {
          owner_.SearchGrid()->SetFocus();
        } catch (const VMError&) {
        }
      }
      break;
    case kGridMultiSort:
      sort_.ApplyMultiSort();
      break;
    case kGridLoadEnded:
      owner_.LoadEnded();
      break;
    case kGridFitSumRow:
      owner_.SumRowState().FitSumRow();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- keyboard

void GridInteraction::KeyDown(GridControl& g, int& keyCode, int& shift) {
  const bool ctrl = (shift & kCtrlMask) != 0;
  const bool shiftHeld = (shift & kShiftMask) != 0;
  const bool alt = (shift & kAltMask) != 0;
  if (keyCode == kKeyF && ctrl && shiftHeld) {
    ShowQueryMenu();
    keyCode = 0;
    shift = 0;
    return;
  }
  if (keyCode == kKeyF && shift == kCtrlMask) {
    g.PostMsg(kGridFocusSearch);
    keyCode = 0;
    return;
  }
  if (keyCode == kKeyEscape || (keyCode == kKeyBackspace && alt)) Undo(g);
  if (keyCode == kKeyDelete && shift == kCtrlMask) {
    keyCode = 0;
    if (g.DataChanged())
      g.DataChanged(false);
    else
      g.DeleteCurrentRow();
    return;
  }
  if (keyCode == kKeyHome || keyCode == kKeyEnd) {
    auto rs = owner_.CurrentRecordset();
    if (rs && rs->State() != adStateClosed && rs->RecordCount() > 0) {
      if (keyCode == kKeyHome)
        rs->MoveFirst();
      else
        rs->MoveLast();
    }
    return;
  }
  NavigationKey(g, keyCode, shift);
}

void GridInteraction::NavigationKey(GridControl& g, int& keyCode, int& shift) {
  const int mode = g.TabAction();
  if (!((keyCode == kKeyTab && mode == 2) || (keyCode == kKeyEnter && mode == 0))) return;
  if (g.EditActive()) g.EditActive(false);
  if (shift == 0) return;  // forward: the grid moves on by itself
  const int first = FirstColumn(g);
  if (g.Col() == first && (g.LeftCol() == 0 || g.LeftCol() == first)) {
    if (mode == 2) return;  // Shift+Tab in the first cell: the grid leaves by itself
    keyCode = 0;
    shift = 0;
    SendKeysEx("+{TAB}", false);
    return;
  }
  keyCode = 0;
  shift = 0;
  SendKeysEx("{Left}", false);
}

// ---------------------------------------------------------------- focus and mouse

void GridInteraction::GotFocus(GridControl& g) {
  if (owner_.SearchRowState().MouseDownFlag()) return;
  int first = FirstColumn(g);
  if (first >= 0) g.Col(first);
}

void GridInteraction::MouseDown(GridControl& g, int, int, double, double) {
  owner_.SearchRowState().MouseDownFlag(true);
  try {
    if (!g.HasFocus()) g.SetFocus();
  } catch (const VMError&) {
  }
}

void GridInteraction::MouseUp(GridControl& g, int button, int shift, double x, double y) {
  owner_.SearchRowState().MouseDownFlag(false);
  owner_.LastClickOverData(false);
  if (owner_.IsInDataArea(static_cast<int32_t>(y))) {
    owner_.LastClickOverData(true);
    return;
  }
  if (button == kRightButton) {
    if (hooks.showColumnMenu) hooks.showColumnMenu(x, y);
  } else if (button == kLeftButton) {
    sort_.LeftRelease(g, shift, x);
  }
  sort_.Arm();
}

void GridInteraction::DblClick(GridControl&) {
  if (owner_.LastClickOverData()) owner_.Events().DblClickOverData();
}

// ---------------------------------------------------------------- columns

void GridInteraction::ColResize(GridControl& g, int colIndex, bool& cancel) {
  sort_.Disarm();
  owner_.IsTempLayout(true);
  if (colIndex >= 0 && colIndex < g.ColumnCount()) {
    auto field = owner_.GridFields().Find(g.Column(colIndex).DataField());
    if (field && !field->visible()) {
      cancel = true;
      return;
    }
  }
  FollowColumns();
}

void GridInteraction::ColMove(GridControl& g, int, bool&) {
  sort_.ClearHeaderClick();
  owner_.IsTempLayout(true);
  FollowColumns();
  g.PostMsg(kGridSyncOrder);
  owner_.SearchRowState().ComputeLastColumn();
}

void GridInteraction::LeftColChange(GridControl& g) {
  int left = g.LeftCol();
  for (GridControl* other : {owner_.SearchGrid(), owner_.SumGrid()})
    if (other && other != &g && other->LeftCol() != left) other->LeftCol(left);
}

void GridInteraction::FormatText(GridControl& g, int colIndex, Variant& value,
                                 const Variant& /*bookmark*/) {
  if (colIndex < 0 || colIndex >= g.ColumnCount()) return;
  auto field = owner_.GridFields().Find(g.Column(colIndex).DataField());
  if (field && field->datatype == vmFormattedText && !value.IsNull())
    value = core::FormatSpecialText(value.ToTextOrEmpty());
}

// ---------------------------------------------------------------- rows

void GridInteraction::AfterColUpdate(GridControl& g, int colIndex) {
  if (!owner_.SumGrid() || colIndex < 0 || colIndex >= g.ColumnCount()) return;
  auto field = owner_.GridFields().Find(g.Column(colIndex).DataField());
  if (field && field->sumDatatype == vmSUM) owner_.SumRowState().ComputeSums();
}

void GridInteraction::RowsChanged(GridControl&) {
  if (!owner_.SumGrid()) return;
  owner_.SumRowState().ComputeSums();
  owner_.SumRowState().FitSumRow();
}

void GridInteraction::OnAddNew(GridControl& g) {
  for (const auto& pk : owner_.PrimaryKeyRestrictions()) {
    Variant value = pk->value;
    if (value.IsString()) value = StripOrPrefix(value.StringRef());
    for (int i = 0; i < g.ColumnCount(); ++i) {
      GridColumn& col = g.Column(i);
      if (!col.Visible() && core::EqualsNoCase(col.DataField(), pk->fieldname))
        col.DefaultValue(value);
    }
  }
}

// ---------------------------------------------------------------- input drop-down

void InputDropDown::DropDownOpen(DropDownControl& dd) {
  GridControl* main = owner_.grid();
  if (!main) return;
  int col = main->Col();
  if (col < 0 || col >= main->ColumnCount()) return;
  auto field = owner_.GridFields().Find(main->Column(col).DataField());
  if (!field) return;
  try {
    std::shared_ptr<Recordset> rs;
    if (field->comboInput && field->valuelist) {
      rs = Platform::Data().CreateRecordset();
      rs->CursorLocation(adUseClient);
      rs->AppendField(field->fieldname, adVariant, 0, adFldUnspecified);
      rs->OpenFabricated(adOpenStatic, adLockBatchOptimistic);
      for (const auto& item : *field->valuelist) {
        rs->AddNew();
        rs->SetValue(0, item.display);
        rs->Update();
      }
      if (rs->RecordCount() > 0) rs->MoveFirst();
    } else {
      rs = field->InputDropDownRecordset(owner_.OpenConnection());
    }
    dd.DataSource(rs);
    dd.Rebind();
  } catch (const VMError&) {
    // A drop-down source the database rejects leaves the list as it was.
  }
}

}  // namespace vmbgrid::search
