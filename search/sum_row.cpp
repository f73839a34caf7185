#include "search/sum_row.h"

#include <cmath>
#include <cstdio>

#include "core/services.h"
#include "core/strings.h"
#include "host/error.h"
#include "host/number_total.h"
#include "model/grid_controller.h"
#include "search/column_mirror.h"
#include "search/search_row.h"

namespace vmbgrid::search {

namespace {
constexpr int kPropAllowDelete = 1;
constexpr int kPropAllowRowSelect = 7;
constexpr int kPropFetchRowStyle = 88;
constexpr int kPropAllowColSelect = 3;
constexpr int kPropAllowRowSizing = 13;
constexpr int kPropFullRowSelect = 153;
constexpr int kPropPictureCurrentRow = 149;
constexpr int kPropPictureModifiedRow = 176;
constexpr int kPropBackColor = -501;
constexpr uint32_t kSystemTooltipBackground = 0x80000018u;
constexpr int kPictureSumRow = 294;
constexpr int kColumnAutoSize = 79;  // the column method that fits the width to the texts

// Date and time formats: the named ones, and patterns of date letters without a
// digit placeholder. A total shown through one would read as a date.
bool IsDateFormat(const std::string& format) {
  std::string f = core::Trim(format);
  for (char& ch : f)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  if (f.find("date") != std::string::npos || f.find("time") != std::string::npos) return true;
  if (f.empty() || f == "standard" || f.find_first_of("0#") != std::string::npos) return false;
  static const char* const kNumberNames[] = {"currency",       "fixed",  "percent",    "scientific",
                                             "general number", "yes/no", "true/false", "on/off"};
  for (const char* name : kNumberNames)
    if (f == name) return false;
  return f.find_first_of("dmyhns") != std::string::npos;
}

// The system's decimal form of a double: a German comma; the column format applies
// on display. Fifteen significant digits, as the automation conversion writes a
// double, so that 0.1 + 0.2 in a double column reads "0,3" and not the binary
// residue.
std::string DoubleText(double total) {
  if (!std::isfinite(total)) return NonFiniteText(total);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", total);
  std::string text = buf;
  if (text == "-0") text = "0";
  for (char& ch : text)
    if (ch == '.') ch = ',';
  return text;
}

// The total of a column as the sum cell's text: exact numbers and whole numbers
// with every digit ("1480,80", a bigint total beyond 2^53), doubles as above,
// "Überlauf" when the total does not fit. Numbers add up, in a column of another
// type also text that is a number; Null, dates and other text add nothing. Other
// errors leave the total at 0.
std::string ColumnTotal(Recordset& rows, const std::string& fieldname) {
  try {
    const int idx = rows.FieldIndex(fieldname);
    if (idx < 0) return "0";
    const Variant total = rows.Total(idx);
    if (total.IsExact()) return total.DecimalRef().ToText(',');
    return DoubleText(total.ToDouble());
  } catch (const VMError& e) {
    if (e.Number() == errc::kOverflow) return "Überlauf";
  }
  return "0";
}

}  // namespace

void SumRow::Attach(GridControl* control) {
  if (!control) return;
  array_ = std::make_shared<XArray>();
  control->AllowAddNew(false);
  control->SetProperty(kPropAllowDelete, false);
  control->AllowUpdate(false);
  control->SetProperty(kPropAllowRowSelect, false);
  control->SetProperty(kPropFetchRowStyle, true);
  control->SetProperty(kPropAllowColSelect, false);
  control->SetProperty(kPropAllowRowSizing, true);
  control->SetProperty(kPropFullRowSelect, true);
  control->SetProperty(kPropPictureCurrentRow, core::LoadPicture(kPictureSumRow));
  control->SetProperty(kPropPictureModifiedRow, core::LoadPicture(kPictureSumRow));
  control->SetProperty(kPropBackColor,
                       static_cast<int64_t>(core::SystemColour(kSystemTooltipBackground)));
  control->TabAction(0);
  control->RowHeight(0);
  control->Height(control->RowHeight() + 40);
  if (owner_.grid()) control->RecordSelectors(owner_.grid()->RecordSelectors());
  control->SetListener(this);
}

void SumRow::SetUp() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  if (!main || !sg) return;
  RebuildTwinColumns(*main, *sg, false);
  for (int i = 0; i < main->ColumnCount(); ++i) {
    GridColumn& src = main->Column(i);
    GridColumn& col = sg->Column(i);
    auto field = owner_.GridFields().Find(src.DataField());
    col.Alignment(field && field->sumalignment != -1 ? field->sumalignment : src.Alignment());
    std::string fmt = field ? core::Trim(field->sumformatstring) : "";
    if (fmt.empty() && field) fmt = field->FormatString;
    if (fmt.empty()) fmt = src.NumberFormat();
    // A total is a number, whatever the column shows in its rows.
    if (field && field->sumDatatype == vmSUM && IsDateFormat(fmt)) fmt = "Standard";
    col.NumberFormat(fmt);
  }
  for (const auto& field : owner_.GridFields())
    if (field->Hidden())
      if (GridColumn* c = sg->ColumnByField(field->fieldname)) c->Visible(false);
  array_->ReDim(1, 1, 0, sg->ColumnCount() - 1);
  sg->BindArray(array_);
  sg->PostMsg(kSearchRebind);
  SyncColumnOrder();
}

bool SumRow::OutOfStep() const {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  return main && sg && !TwinInStep(*main, *sg);
}

void SumRow::FollowDataGrid() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  if (!main || !sg) return;
  if (OutOfStep()) {
    const auto shown = TwinValues(*sg, *array_);
    SetUp();
    RestoreTwinValues(*sg, *array_, shown);
    sg->Rebind();
    sg->Refresh();
  } else {
    SyncColumnSizes();
    SyncColumnOrder();
  }
  FitTotals();
}

void SumRow::FitTotals() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  if (!main || !sg || OutOfStep()) return;
  bool grown = false;
  for (int c = 0; c < sg->ColumnCount(); ++c) {
    GridColumn& src = main->Column(c);
    auto field = owner_.GridFields().Find(src.DataField());
    if (!field || field->sumDatatype != vmSUM || !src.Visible()) continue;
    GridColumn& cell = sg->Column(c);
    const double width = src.Width();
    cell.SetProperty(kColumnAutoSize, true);  // the grid measures the total as shown
    const double needed = cell.Width();
    if (needed > width) {
      src.Width(needed);
      grown = true;
    }
    cell.Width(src.Width());
  }
  if (grown) owner_.SearchRowState().SyncColumnSizes();
}

void SumRow::ComputeSums() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  if (!sg || !main) return;
  if (!array_) array_ = std::make_shared<XArray>();
  // The totals go by index: the sum line must have the data grid's columns.
  if (OutOfStep()) SetUp();
  array_->ReDim(1, 1, 0, main->ColumnCount() - 1);
  // A clone shares the loaded rows; with the grid's filter it holds exactly the
  // rows the grid can show. No statement runs.
  auto rs = owner_.CurrentRecordset();
  std::shared_ptr<Recordset> clone;
  // While the rows still load, totals stay empty until the load ends (the
  // controller computes them again then); a clone would wait for every row.
  const bool loading = rs && rs->IsFetching();
  if (rs && rs->State() != adStateClosed && !loading) {
    try {
      clone = rs->Clone();
      std::string filter = rs->Filter();
      if (clone->Filter() != filter) clone->Filter(filter);
    } catch (const VMError&) {
      clone.reset();
    }
  }
  for (int32_t c = 0; c < main->ColumnCount(); ++c) {
    auto field = owner_.GridFields().Find(main->Column(c).DataField());
    if (!field) continue;
    if (field->sumDatatype == vmSUM) {
      array_->Value(1, c,
                    loading ? std::string()
                            : (clone ? ColumnTotal(*clone, field->fieldname) : std::string("0")));
    } else if (!field->sumvalue.IsNull()) {
      array_->Value(1, c, field->sumvalue.ToTextOrEmpty());
    }
  }
  sg->RefreshColumnLayout();
  sg->BindArray(array_);
  sg->Rebind();
  sg->Refresh();
  FitTotals();
}

void SumRow::FitSumRow() {
  GridControl* main = owner_.grid();
  GridControl* sg = owner_.SumGrid();
  if (!sg || !main) return;
  auto rs = owner_.CurrentRecordset();
  if (!rs || rs->State() == adStateClosed) {
    sg->ScrollBars(0);
    return;
  }
  bool beyond = rs->RecordCount() > 0 && main->VisibleRows() > 0 &&
                main->PointBeyondLastRow(main->Height() - 68);
  sg->ScrollBars(beyond ? 2 : 0);
}

void SumRow::SyncColumnSizes() {
  if (owner_.grid() && owner_.SumGrid()) MirrorColumnSizes(*owner_.grid(), *owner_.SumGrid());
}

void SumRow::SyncColumnOrder() {
  if (owner_.grid() && owner_.SumGrid()) MirrorColumnOrder(*owner_.grid(), *owner_.SumGrid());
}

void SumRow::PostEvent(GridControl& g, int messageId) {
  if (messageId == kSearchRebind) {
    g.Rebind();
  } else if (messageId == kSearchRelayout) {
    g.RefreshColumnLayout();
    g.Rebind();
  }
}

}  // namespace vmbgrid::search
