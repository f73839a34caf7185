#include "search/grid_interaction.h"

#include "core/strings.h"
#include "grid/vmgrid.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid::search {

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

void GridInteraction::PostEvent(GridControl& g, int messageId) {
  switch (messageId) {
    case kGridSyncOrder:
      owner_.SearchRowState().SyncColumnOrder();
      owner_.SumRowState().SyncColumnOrder();
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
      if (owner_.SearchGrid()) owner_.SearchGrid()->SetFocus();
      break;
    case kGridFitSumRow:
      owner_.SumRowState().FitSumRow();
      break;
    default:
      break;
  }
}

void GridInteraction::FormatText(GridControl& g, int colIndex, Variant& value,
                                 const Variant& /*bookmark*/) {
  if (colIndex < 0 || colIndex >= g.ColumnCount()) return;
  auto field = owner_.GridFields().Find(g.Column(colIndex).DataField());
  if (field && field->datatype == vmFormattedText && !value.IsNull())
    value = core::FormatSpecialText(value.ToTextOrEmpty());
}

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

void GridInteraction::LeftColChange(GridControl& g) {
  if (owner_.SearchGrid()) owner_.SearchGrid()->LeftCol(g.LeftCol());
  if (owner_.SumGrid()) owner_.SumGrid()->LeftCol(g.LeftCol());
}

}  // namespace vmbgrid::search
