// QtGrid: current row and column, geometry in twips, selection and cell editing.
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <cmath>

#include "adapters/common/display_format.h"
#include "adapters/common/text_util.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

bool AtRow(const Recordset& rs) {
  try {
    return rs.State() == adStateOpen && !rs.IsEOF() && !rs.IsBOF();
  } catch (const VMError&) {
    return false;
  }
}
}  // namespace

// --- Current row and column.

int QtGrid::CurrentOrdinal() const {
  if (recordset_) {
    if (!AtRow(*recordset_)) return -1;
    int ordinal = recordset_->AbsolutePosition() - 1;
    return ordinal >= 0 && ordinal < rows_ ? ordinal : -1;
  }
  if (array_) return arrayRow_ >= 0 && arrayRow_ < rows_ ? arrayRow_ : -1;
  return -1;
}

int QtGrid::TopRow() const { return offset_; }

void QtGrid::MoveToOrdinal(int ordinal) {
  if (ordinal < 0 || ordinal >= rows_) return;
  if (recordset_) {
    if (recordset_->AbsolutePosition() == ordinal + 1) return;
    const bool was = syncing_;
    syncing_ = true;
    try {
      recordset_->AbsolutePosition(ordinal + 1);
    } catch (...) {
      syncing_ = was;
      throw;
    }
    syncing_ = was;
  } else if (array_) {
    arrayRow_ = ordinal;
  }
}

void QtGrid::SyncCurrentFromSource() {
  if (!view_ || !model_) return;
  ShowCurrent(CurrentOrdinal());
}

// A click or a key of the table moved the current cell; the table's own scrolling
// is left out, so the row is scrolled into view here.
void QtGrid::CurrentChangedInView(int ordinal, int col) {
  if (syncing_) return;
  col_ = col;
  const bool rowChanged = ordinal != viewRow_;
  viewRow_ = ordinal;
  if (rowChanged && ordinal < rows_) {
    try {
      MoveToOrdinal(ordinal);
    } catch (const VMError&) {
      SyncCurrentFromSource();  // the source refused: the view follows it back
      return;
    }
  }
  ScrollToViewRow(ViewRowOf(ordinal), col, kNearest);
  if (rowChanged && model_) model_->SelectorsChanged();
}

int QtGrid::Col() const { return ColumnCount() == 0 ? -1 : col_; }

void QtGrid::Col(int index) {
  if (ColumnCount() == 0) return;  // nothing to move to yet
  if (index < 0 || index >= ColumnCount())
    throw VMError(errc::kSubscriptOutOfRange, kSource,
                  "Die Spalte " + std::to_string(index) + " gibt es nicht.");
  col_ = index;
  SyncCurrentFromSource();
}

void QtGrid::StepColumn(int direction) {
  std::vector<int> shown;
  for (QtGridColumn* c : order_) {
    if (c->Visible()) shown.push_back(IndexOf(*c));
  }
  if (shown.empty()) return;
  auto it = std::find(shown.begin(), shown.end(), col_);
  int pos = it == shown.end() ? 0 : static_cast<int>(it - shown.begin()) + direction;
  pos = std::clamp(pos, 0, static_cast<int>(shown.size()) - 1);
  if (delegate_) delegate_->Commit();
  col_ = shown[static_cast<size_t>(pos)];
  if (CurrentOrdinal() < 0 && array_ && rows_ > 0) arrayRow_ = 0;
  SyncCurrentFromSource();
}

int QtGrid::LeftCol() const {
  if (!view_ || ColumnCount() == 0) return 0;
  int left = view_->columnAt(0);
  return left < 0 ? 0 : left;
}

void QtGrid::LeftCol(int index) {
  if (!view_ || ColumnCount() == 0) return;
  index = std::clamp(index, 0, ColumnCount() - 1);
  // Scrolling is by display position, one column per step.
  view_->horizontalScrollBar()->setValue(view_->horizontalHeader()->visualIndex(index));
  HandleScrolled();
}

int QtGrid::Row() const {
  int ordinal = CurrentOrdinal();
  return ordinal < 0 ? -1 : ordinal - TopRow();
}

int QtGrid::VisibleRows() const {
  if (!view_) return 0;
  // Rows shown in full, as many as the height gives room for.
  const int rowPx = std::max(1, view_->verticalHeader()->defaultSectionSize());
  const int area = view_->height() - PixelsY(headerLines_ * kLineHeight);
  return area > 0 ? area / rowPx : 0;
}

void QtGrid::HeaderLines(float lines) {
  headerLines_ = std::isfinite(lines) && lines > 0 ? std::min(lines, 100.0f) : 0.0f;
  ApplyHeader();
}

double QtGrid::HeaderHeight() const {
  return PixelsY(headerLines_ * kLineHeight) * TwipsPerPixelY();
}

double QtGrid::RowHeight() const {
  int px = rowHeight_ > 0 ? std::max(2, PixelsY(rowHeight_))
                          : (view_ ? view_->fontMetrics().height() + 2 : 16);
  return px * TwipsPerPixelY();
}

void QtGrid::RowHeight(double twips) {
  rowHeight_ = std::isfinite(twips) && twips > 0 ? std::min(twips, 100000.0) : 0;
  ApplyHeader();
}

void QtGrid::AllowAddNew(bool allow) {
  if (allow == allowAddNew_) return;
  allowAddNew_ = allow;
  ResetRows();
}

void QtGrid::RecordSelectors(bool on) {
  recordSelectors_ = on;
  ApplyHeader();
}

void QtGrid::ScrollBars(int setting) {
  scrollBars_ = setting;
  ApplyHeader();
}

// --- Geometry in twips, relative to the grid's top-left corner.

int QtGrid::ColContaining(double x) const {
  if (!view_ || !std::isfinite(x)) return -1;
  double px = x / TwipsPerPixelX();
  if (px >= view_->width()) return -1;
  if (recordSelectors_) px -= PixelsX(kRecordSelectorWidth);
  if (px < 0) return -1;
  return view_->columnAt(static_cast<int>(std::floor(px)));
}

int QtGrid::RowContaining(double y) const {
  if (!view_ || !std::isfinite(y)) return -1;
  if (y / TwipsPerPixelY() >= view_->height()) return -1;
  double px = y / TwipsPerPixelY() - PixelsY(headerLines_ * kLineHeight);
  if (px < 0) return -1;
  // Rows all have the same height and the window starts at the top.
  const double row = std::floor(px / RowPixels());
  return row < TotalRows() - offset_ ? static_cast<int>(row) : -1;
}

Variant QtGrid::RowBookmark(int row) const {
  return row < 0 ? Variant::Null() : BookmarkAt(TopRow() + row);
}

bool QtGrid::PointBeyondLastRow(double y) const {
  if (!view_ || !std::isfinite(y)) return false;
  const int total = TotalRows();
  if (total == 0) return true;
  double px = y / TwipsPerPixelY() - PixelsY(headerLines_ * kLineHeight);
  return px >= static_cast<double>(total - offset_) * RowPixels();
}

// --- Current row and selected rows.

Variant QtGrid::Bookmark() const {
  int ordinal = CurrentOrdinal();
  if (ordinal < 0) return Variant::Null();
  if (recordset_) {
    try {
      return recordset_->Bookmark();
    } catch (const VMError&) {
      return Variant::Null();
    }
  }
  return BookmarkAt(ordinal);
}

void QtGrid::Bookmark(const Variant& bookmark) {
  if (recordset_) {
    const bool was = syncing_;
    syncing_ = true;
    try {
      recordset_->Bookmark(bookmark);
    } catch (...) {
      syncing_ = was;
      throw;
    }
    syncing_ = was;
  } else if (array_) {
    int ordinal = OrdinalOf(bookmark);
    if (ordinal < 0)
      throw VMError(errc::kBadBookmark, kSource, "Das Lesezeichen bezeichnet keine Zeile.");
    arrayRow_ = ordinal;
  } else {
    throw VMError(errc::kBadBookmark, kSource, "Das Raster ist an keine Daten gebunden.");
  }
  SyncCurrentFromSource();
}

Variant QtGrid::SelectedAt(int index) const {
  if (index < 0 || index >= SelectedCount())
    throw VMError(errc::kSubscriptOutOfRange, kSource,
                  "Die markierte Zeile " + std::to_string(index) + " gibt es nicht.");
  return selected_[static_cast<size_t>(index)];
}

void QtGrid::AddSelected(const Variant& bookmark) {
  if (bookmark.IsNull() || bookmark.IsEmpty() ||
      (bookmark.IsString() && bookmark.StringRef().empty()))
    return;
  for (const Variant& s : selected_) {
    if (s == bookmark) return;  // a row is selected once
  }
  selected_.push_back(bookmark);
  if (bookmark.IsNumberType()) {
    try {
      selectedKeys_.insert(bookmark.ToInt64());
    } catch (const VMError&) {
    }
  }
  if (view_) view_->viewport()->update();
}

void QtGrid::RemoveSelectedAt(int index) {
  if (index < 0 || index >= SelectedCount())
    throw VMError(errc::kSubscriptOutOfRange, kSource,
                  "Die markierte Zeile " + std::to_string(index) + " gibt es nicht.");
  selected_.erase(selected_.begin() + index);
  selectedKeys_.clear();
  for (const Variant& s : selected_) {
    try {
      if (s.IsNumberType()) selectedKeys_.insert(s.ToInt64());
    } catch (const VMError&) {
    }
  }
  if (view_) view_->viewport()->update();
}

// --- Editing.

bool QtGrid::EditActive() const { return delegate_ && delegate_->Editor() != nullptr; }

void QtGrid::EditActive(bool active) {
  if (!view_) return;
  if (!active) {
    delegate_->Commit();
    return;
  }
  if (EditActive()) return;
  RevealCurrent();  // the editor opens on the current row, also when it was scrolled away
  QModelIndex index = view_->currentIndex();
  if (index.isValid() && Editable(OrdinalAt(index.row()), index.column())) view_->edit(index);
}

void QtGrid::CommitEdit() {
  if (delegate_) delegate_->Commit();
}

bool QtGrid::DataChanged() const { return delegate_ && delegate_->Modified(); }

void QtGrid::DataChanged(bool changed) {
  if (!changed && delegate_) delegate_->Discard();
}

void QtGrid::ReportError(const std::string& text) const {
  Platform::Messages().ShowMessage(text, kMessageInfo);
}

bool QtGrid::ConvertText(const QtGridColumn& column, const std::string& text, Variant& out) const {
  if (column.StoredValueFor(text, out)) return true;
  int field = recordset_->FieldIndex(column.DataField());
  if (field < 0) return false;
  std::string trimmed = text;
  trimmed.erase(0, trimmed.find_first_not_of(" \t"));
  trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
  if (trimmed.empty()) {
    out = Variant::Null();
    return true;
  }
  double number = 0;
  DateValue date;
  switch (recordset_->FieldType(field)) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt:
      if (!ParseNumber(trimmed, number) || number != std::floor(number) || std::fabs(number) > 9e18)
        return false;
      out = Variant(static_cast<int64_t>(number));
      return true;
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
    case vmLongNumber:
      if (!ParseNumber(trimmed, number)) return false;
      out = Variant(number);
      return true;
    case adDate:
    case adDBDate:
    case adDBTimeStamp:
    case vmDateTime:
      if (!ParseDate(trimmed, date)) return false;
      out = Variant(date);
      return true;
    case adBoolean: {
      std::string t = AsciiLower(trimmed);
      if (t == "wahr" || t == "true" || t == "ja" || t == "-1" || t == "1")
        out = Variant(true);
      else if (t == "falsch" || t == "false" || t == "nein" || t == "0")
        out = Variant(false);
      else
        return false;
      return true;
    }
    default:
      out = Variant(text);
      return true;
  }
}

bool QtGrid::WriteCell(int ordinal, int colIndex, const std::string& text) {
  if (colIndex < 0 || colIndex >= ColumnCount()) return false;
  QtGridColumn& column = *columns_[static_cast<size_t>(colIndex)];
  if (array_) {
    int32_t r = array_->LowerBound(1) + ordinal, c = array_->LowerBound(2) + colIndex;
    if (ordinal < 0 || r > array_->UpperBound(1) || c > array_->UpperBound(2)) return false;
    Variant stored;
    array_->Value(r, c, column.StoredValueFor(text, stored) ? stored : Variant(text));
    if (listener_) listener_->AfterColUpdate(*this, colIndex);
    if (listener_) listener_->AfterUpdate(*this);
    return true;
  }
  if (!recordset_ || !Editable(ordinal, colIndex)) return false;
  Variant value;
  if (!ConvertText(column, text, value)) {
    ReportError("Der Wert \"" + text + "\" passt nicht in die Spalte \"" + column.Caption() +
                "\".");
    return false;
  }
  if (IsAddNewRow(ordinal)) return InsertRow(colIndex, value);
  try {
    MoveToOrdinal(ordinal);
    recordset_->SetValue(recordset_->FieldIndex(column.DataField()), value);
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Die Änderung konnte nicht gespeichert werden: " + e.Description());
    return false;
  }
  if (listener_) listener_->AfterColUpdate(*this, colIndex);
  if (listener_) listener_->AfterUpdate(*this);
  return true;
}

bool QtGrid::InsertRow(int colIndex, const Variant& value) {
  bool cancel = false;
  if (listener_) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return false;
  if (listener_) listener_->OnAddNew(*this);
  try {
    recordset_->AddNew();
    for (int i = 0; i < ColumnCount(); ++i) {
      const QtGridColumn& c = *columns_[static_cast<size_t>(i)];
      int field = recordset_->FieldIndex(c.DataField());
      if (i != colIndex && field >= 0 && !c.DefaultValue().IsEmpty())
        recordset_->SetValue(field, c.DefaultValue());
    }
    recordset_->SetValue(
        recordset_->FieldIndex(columns_[static_cast<size_t>(colIndex)]->DataField()), value);
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Die neue Zeile konnte nicht gespeichert werden: " + e.Description());
    return false;
  }
  if (recordset_->RecordCount() != rows_) ResetRows();
  if (listener_) listener_->AfterColUpdate(*this, colIndex);
  if (listener_) listener_->AfterInsert(*this);
  return true;
}

void QtGrid::DeleteCurrentRow() {
  if (!recordset_) return;
  const int ordinal = CurrentOrdinal();
  if (ordinal < 0) return;
  bool cancel = false;
  if (listener_) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return;
  Variant bookmark = Bookmark();
  try {
    recordset_->Delete();
  } catch (const VMError& e) {
    ReportError("Die Zeile konnte nicht gelöscht werden: " + e.Description());
    return;
  }
  for (int i = SelectedCount() - 1; i >= 0; --i) {
    if (selected_[static_cast<size_t>(i)] == bookmark) RemoveSelectedAt(i);
  }
  if (recordset_->RecordCount() != rows_) ResetRows();
  try {
    if (rows_ > 0 && CurrentOrdinal() < 0) MoveToOrdinal(std::min(ordinal, rows_ - 1));
  } catch (const VMError&) {
  }
  SyncCurrentFromSource();
  if (listener_) listener_->AfterDelete(*this);
}

}  // namespace vmbgrid
