// Headless grid: columns, binding, geometry, current row and selection.
#include "adapters/headless/headless_grid.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "adapters/common/text_util.h"
#include "adapters/headless/headless_event_loop.h"
#include "adapters/headless/headless_form.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
std::atomic<intptr_t> nextHandle{0x1000};

[[noreturn]] void OutOfRange(const std::string& what) {
  throw VMError(errc::kSubscriptOutOfRange, "HeadlessGrid", what);
}
}  // namespace

HeadlessGrid::HeadlessGrid(std::string name)
    : name_(std::move(name)), handle_(nextHandle.fetch_add(0x10)) {}

HeadlessGrid::~HeadlessGrid() {
  (loop_ != nullptr ? *loop_ : HeadlessEventLoop::Default()).Discard(this);
  if (form_ != nullptr) form_->ForgetGrid(*this);
}

// --- Focus.

void HeadlessGrid::SetFocus() {
  if (form_ != nullptr) {
    form_->FocusControl(name_);
    return;
  }
  if (!focused_) FocusChanged(true);
}

bool HeadlessGrid::HasFocus() const {
  if (form_ != nullptr) return form_->ActiveControlName() == name_;
  return focused_;
}

void HeadlessGrid::Blur() {
  if (form_ != nullptr) {
    if (HasFocus()) form_->FocusControl("");
    return;
  }
  if (focused_) FocusChanged(false);
}

void HeadlessGrid::FocusChanged(bool focused) {
  focused_ = focused;
  if (listener_ == nullptr) return;
  if (focused) {
    listener_->GotFocus(*this);
  } else {
    listener_->LostFocus(*this);
  }
}

// --- Columns.

HeadlessColumn& HeadlessGrid::Column(int index) {
  if (index < 0 || index >= ColumnCount()) {
    OutOfRange("Die Spalte " + std::to_string(index) + " gibt es nicht.");
  }
  return *columns_[static_cast<size_t>(index)];
}

const HeadlessColumn& HeadlessGrid::Column(int index) const {
  return const_cast<HeadlessGrid*>(this)->Column(index);
}

HeadlessColumn* HeadlessGrid::ColumnByField(const std::string& dataField) {
  for (auto& c : columns_) {
    if (EqualsIgnoreCase(c->DataField(), dataField)) return c.get();
  }
  return nullptr;
}

HeadlessColumn& HeadlessGrid::AddColumn(int index) {
  if (index < 0 || index > ColumnCount()) {
    OutOfRange("Eine Spalte kann nicht an Position " + std::to_string(index) +
               " eingefügt werden.");
  }
  auto column = std::make_unique<HeadlessColumn>(*this);
  HeadlessColumn* raw = column.get();
  columns_.insert(columns_.begin() + index, std::move(column));
  order_.insert(order_.begin() + std::min<size_t>(static_cast<size_t>(index), order_.size()), raw);
  autoColumns_ = false;
  if (col_ < 0) {
    col_ = 0;
  } else if (col_ >= index && ColumnCount() > 1) {
    ++col_;
  }
  return *raw;
}

void HeadlessGrid::RemoveColumn(int index) {
  if (index < 0 || index >= ColumnCount()) {
    OutOfRange("Die Spalte " + std::to_string(index) + " gibt es nicht.");
  }
  if (editing_ && editCol_ == index) {
    editing_ = dataChanged_ = false;
  }
  HeadlessColumn* raw = columns_[static_cast<size_t>(index)].get();
  order_.erase(std::remove(order_.begin(), order_.end(), raw), order_.end());
  columns_.erase(columns_.begin() + index);
  autoColumns_ = false;
  if (col_ > index || col_ >= ColumnCount()) --col_;
  if (ColumnCount() == 0) col_ = -1;
  leftCol_ = std::clamp(leftCol_, 0, std::max(0, ColumnCount() - 1));
}

int HeadlessGrid::IndexOf(const HeadlessColumn& column) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].get() == &column) return static_cast<int>(i);
  }
  return -1;
}

int HeadlessGrid::OrderOf(const HeadlessColumn& column) const {
  auto it = std::find(order_.begin(), order_.end(), &column);
  return it == order_.end() ? -1 : static_cast<int>(it - order_.begin());
}

void HeadlessGrid::MoveToOrder(HeadlessColumn& column, int position) {
  auto it = std::find(order_.begin(), order_.end(), &column);
  if (it == order_.end()) return;
  order_.erase(it);
  position = std::clamp(position, 0, static_cast<int>(order_.size()));
  order_.insert(order_.begin() + position, &column);
}

std::vector<int> HeadlessGrid::DisplayOrder(bool visibleOnly) const {
  std::vector<int> out;
  for (const HeadlessColumn* c : order_) {
    if (!visibleOnly || c->Visible()) out.push_back(IndexOf(*c));
  }
  return out;
}

Variant HeadlessGrid::CurrentValue(const HeadlessColumn& column) const {
  int ordinal = CurrentOrdinal();
  return ordinal < 0 ? Variant() : ValueAt(ordinal, column);
}

// --- Binding.

void HeadlessGrid::DataSource(std::shared_ptr<Recordset> recordset) {
  editing_ = dataChanged_ = false;
  recordset_ = std::move(recordset);
  array_.reset();
  selected_.clear();
  topRow_ = 0;
  Bind();
}

void HeadlessGrid::BindArray(std::shared_ptr<XArray> array) {
  editing_ = dataChanged_ = false;
  array_ = std::move(array);
  recordset_.reset();
  selected_.clear();
  topRow_ = 0;
  arrayRow_ = array_ != nullptr && array_->Count(1) > 0 ? 0 : -1;
  Bind();
}

void HeadlessGrid::Rebind() {
  editing_ = dataChanged_ = false;
  Bind();
}

void HeadlessGrid::HoldFields() { autoColumns_ = false; }

void HeadlessGrid::ClearFields() {
  editing_ = dataChanged_ = false;
  columns_.clear();
  order_.clear();
  col_ = -1;
  leftCol_ = 0;
  GenerateColumns();
}

void HeadlessGrid::Bind() {
  ++rebindCount_;
  if (columns_.empty() || (autoColumns_ && !FieldsMatchColumns())) {
    columns_.clear();
    order_.clear();
    col_ = -1;
    leftCol_ = 0;
    GenerateColumns();
  }
  FixCursor();
}

bool HeadlessGrid::FieldsMatchColumns() const {
  if (recordset_ != nullptr) {
    int count = 0;
    try {
      count = recordset_->FieldCount();
      if (count != ColumnCount()) return false;
      for (int i = 0; i < count; ++i) {
        if (recordset_->FieldName(i) != columns_[static_cast<size_t>(i)]->DataField()) return false;
      }
    } catch (const VMError&) {
      return true;  // a closed recordset keeps the columns as they are
    }
    return true;
  }
  if (array_ != nullptr) return array_->Count(2) == ColumnCount();
  return true;
}

void HeadlessGrid::GenerateColumns() {
  std::vector<std::string> fields;
  if (recordset_ != nullptr) {
    try {
      for (int i = 0; i < recordset_->FieldCount(); ++i) fields.push_back(recordset_->FieldName(i));
    } catch (const VMError&) {
      fields.clear();
    }
  } else if (array_ != nullptr) {
    fields.assign(static_cast<size_t>(array_->Count(2)), "");
  }
  for (const std::string& f : fields) {
    auto column = std::make_unique<HeadlessColumn>(*this);
    column->DataField(f);
    column->Caption(f);
    order_.push_back(column.get());
    columns_.push_back(std::move(column));
  }
  col_ = columns_.empty() ? -1 : 0;
  autoColumns_ = true;
}

void HeadlessGrid::FixCursor() {
  if (col_ >= ColumnCount()) col_ = ColumnCount() - 1;
  if (col_ < 0 && ColumnCount() > 0) col_ = 0;
  if (array_ != nullptr) {
    int rows = array_->Count(1);
    if (arrayRow_ >= rows) arrayRow_ = rows - 1;
    if (arrayRow_ < 0 && rows > 0) arrayRow_ = 0;
  }
}

int HeadlessGrid::RowCount() const {
  if (recordset_ != nullptr) {
    try {
      if (recordset_->State() == adStateClosed) return 0;
      return std::max(0, static_cast<int>(recordset_->RecordCount()));
    } catch (const VMError&) {
      return 0;
    }
  }
  if (array_ != nullptr) return array_->Count(1);
  return 0;
}

Variant HeadlessGrid::ValueAt(int ordinal, const HeadlessColumn& column) const {
  if (ordinal < 0 || ordinal >= RowCount()) return Variant();
  try {
    if (recordset_ != nullptr) {
      int field = recordset_->FieldIndex(column.DataField());
      return field < 0 ? Variant() : recordset_->ValueAt(ordinal, field);
    }
    if (array_ != nullptr) {
      int c = array_->LowerBound(2) + IndexOf(column);
      if (c > array_->UpperBound(2)) return Variant();
      return array_->Value(array_->LowerBound(1) + ordinal, c);
    }
  } catch (const VMError&) {
  }
  return Variant();
}

Variant HeadlessGrid::BookmarkAt(int ordinal) const {
  if (ordinal < 0 || ordinal >= RowCount()) return Variant::Null();
  if (recordset_ != nullptr) {
    try {
      return recordset_->BookmarkAt(ordinal);
    } catch (const VMError&) {
      return Variant::Null();
    }
  }
  return Variant(static_cast<int32_t>(array_->LowerBound(1) + ordinal));
}

int HeadlessGrid::OrdinalOf(const Variant& bookmark) const {
  if (bookmark.IsNull() || bookmark.IsEmpty()) return -1;
  if (recordset_ != nullptr) {
    try {
      return recordset_->OrdinalOf(bookmark);
    } catch (const VMError&) {
      return -1;
    }
  }
  if (array_ != nullptr) {
    try {
      int ordinal = bookmark.ToInt32() - array_->LowerBound(1);
      return ordinal >= 0 && ordinal < array_->Count(1) ? ordinal : -1;
    } catch (const VMError&) {
      return -1;
    }
  }
  return -1;
}

int HeadlessGrid::CurrentOrdinal() const {
  if (recordset_ != nullptr) {
    try {
      if (recordset_->State() == adStateClosed || recordset_->IsEOF() || recordset_->IsBOF())
        return -1;
      return static_cast<int>(recordset_->AbsolutePosition()) - 1;
    } catch (const VMError&) {
      return -1;
    }
  }
  if (array_ != nullptr) return arrayRow_ < array_->Count(1) ? arrayRow_ : -1;
  return -1;
}

void HeadlessGrid::MoveToOrdinal(int ordinal) {
  int rows = RowCount();
  if (rows == 0) return;
  ordinal = std::clamp(ordinal, 0, rows - 1);
  if (recordset_ != nullptr) {
    recordset_->AbsolutePosition(ordinal + 1);
  } else if (array_ != nullptr) {
    arrayRow_ = ordinal;
  }
}

// --- Geometry.

int HeadlessGrid::VisibleRows() const {
  double area = height_ - HeaderHeight();
  if (area <= 0 || rowHeight_ <= 0) return 0;
  return static_cast<int>(std::floor(area / rowHeight_));
}

int HeadlessGrid::TopRow() const {
  // The current row may have been moved by the recordset itself: scroll so that it
  // is shown, as a real grid does.
  int rows = RowCount();
  int visible = std::max(1, VisibleRows());
  int current = CurrentOrdinal();
  if (current >= 0) {
    if (current < topRow_) topRow_ = current;
    if (current >= topRow_ + visible) topRow_ = current - visible + 1;
  }
  topRow_ = std::clamp(topRow_, 0, std::max(0, rows - 1));
  return topRow_;
}

int HeadlessGrid::Row() const {
  int current = CurrentOrdinal();
  return current < 0 ? -1 : current - TopRow();
}

double HeadlessGrid::ColumnX(int colIndex) const {
  double x = recordSelectors_ ? kRecordSelectorWidth : 0;
  int start = leftCol_ >= 0 && leftCol_ < ColumnCount() ? OrderOf(Column(leftCol_)) : 0;
  for (int pos = std::max(0, start); pos < static_cast<int>(order_.size()); ++pos) {
    const HeadlessColumn* c = order_[static_cast<size_t>(pos)];
    if (!c->Visible()) continue;
    if (IndexOf(*c) == colIndex) return x;
    x += c->Width();
  }
  return -1;
}

int HeadlessGrid::ColContaining(double x) const {
  if (x < 0 || x >= width_) return -1;
  double left = recordSelectors_ ? kRecordSelectorWidth : 0;
  if (x < left) return -1;
  int start = leftCol_ >= 0 && leftCol_ < ColumnCount() ? OrderOf(Column(leftCol_)) : 0;
  for (int pos = std::max(0, start); pos < static_cast<int>(order_.size()); ++pos) {
    const HeadlessColumn* c = order_[static_cast<size_t>(pos)];
    if (!c->Visible()) continue;
    if (x < left + c->Width()) return IndexOf(*c);
    left += c->Width();
  }
  return -1;
}

int HeadlessGrid::RowContaining(double y) const {
  double header = HeaderHeight();
  if (y < header || y >= height_ || rowHeight_ <= 0) return -1;
  int row = static_cast<int>(std::floor((y - header) / rowHeight_));
  if (row >= VisibleRows() || TopRow() + row >= RowCount()) return -1;
  return row;
}

Variant HeadlessGrid::RowBookmark(int row) const {
  if (row < 0) return Variant::Null();
  return BookmarkAt(TopRow() + row);
}

bool HeadlessGrid::PointBeyondLastRow(double y) const {
  int shown = std::clamp(RowCount() - TopRow(), 0, VisibleRows());
  return y >= HeaderHeight() + shown * rowHeight_;
}

std::pair<double, double> HeadlessGrid::CellPoint(int colIndex, int row) const {
  double x = ColumnX(colIndex);
  if (x < 0) return {-1, -1};
  return {x + Column(colIndex).Width() / 2, HeaderHeight() + row * rowHeight_ + rowHeight_ / 2};
}

std::pair<double, double> HeadlessGrid::HeaderPoint(int colIndex) const {
  double x = ColumnX(colIndex);
  if (x < 0) return {-1, -1};
  return {x + Column(colIndex).Width() / 2, HeaderHeight() / 2};
}

// --- Navigation.

int HeadlessGrid::Col() const { return ColumnCount() == 0 ? -1 : col_; }

void HeadlessGrid::Col(int index) {
  if (ColumnCount() == 0) return;  // nothing to move to yet
  if (index < 0 || index >= ColumnCount()) {
    OutOfRange("Die Spalte " + std::to_string(index) + " gibt es nicht.");
  }
  if (index == col_) return;
  if (editing_ || dataChanged_) CommitEdit();
  if (editing_) return;  // the edit did not fit: the cell cannot be left
  col_ = index;
}

void HeadlessGrid::LeftCol(int index) {
  leftCol_ = std::clamp(index, 0, std::max(0, ColumnCount() - 1));
}

void HeadlessGrid::StepColumn(int direction) {
  std::vector<int> shown = DisplayOrder(true);
  if (shown.empty()) return;
  auto it = std::find(shown.begin(), shown.end(), col_);
  int pos = it == shown.end() ? 0 : static_cast<int>(it - shown.begin()) + direction;
  pos = std::clamp(pos, 0, static_cast<int>(shown.size()) - 1);
  Col(shown[static_cast<size_t>(pos)]);
}

Variant HeadlessGrid::Bookmark() const { return BookmarkAt(CurrentOrdinal()); }

void HeadlessGrid::Bookmark(const Variant& bookmark) {
  if (editing_ || dataChanged_) CommitEdit();
  if (recordset_ != nullptr) {
    recordset_->Bookmark(bookmark);  // an unknown bookmark raises there
    return;
  }
  int ordinal = OrdinalOf(bookmark);
  if (ordinal < 0) throw VMError(errc::kBadBookmark, "HeadlessGrid", "Ungültiges Lesezeichen.");
  arrayRow_ = ordinal;
}

// --- Selection.

Variant HeadlessGrid::SelectedAt(int index) const {
  if (index < 0 || index >= SelectedCount()) {
    OutOfRange("Die Auswahl hat keinen Eintrag " + std::to_string(index) + ".");
  }
  return selected_[static_cast<size_t>(index)];
}

void HeadlessGrid::AddSelected(const Variant& bookmark) {
  if (bookmark.IsNull() || bookmark.IsEmpty()) return;
  for (const Variant& b : selected_) {
    if (b == bookmark) return;  // a row is selected once
  }
  selected_.push_back(bookmark);
}

void HeadlessGrid::RemoveSelectedAt(int index) {
  if (index < 0 || index >= SelectedCount()) {
    OutOfRange("Die Auswahl hat keinen Eintrag " + std::to_string(index) + ".");
  }
  selected_.erase(selected_.begin() + index);
}

// --- Posted messages.

void HeadlessGrid::PostMsg(int messageId) {
  (loop_ != nullptr ? *loop_ : HeadlessEventLoop::Default()).Post(this, messageId);
}

void HeadlessGrid::DeliverPosted(int messageId) {
  if (listener_ != nullptr) listener_->PostEvent(*this, messageId);
}

// --- Properties.

void HeadlessGrid::SetProperty(int id, const Variant& value) {
  switch (id) {
    case 2:
      AllowAddNew(value.ToBool());
      return;
    case 4:
      AllowUpdate(value.ToBool());
      return;
    case 5:
      Bookmark(value);
      return;
    case 6:
      Col(value.ToInt32());
      return;
    case 12:
      HeaderLines(static_cast<float>(value.ToDouble()));
      return;
    case 16:
      RowHeight(value.ToDouble());
      return;
    case 23:
      LeftCol(value.ToInt32());
      return;
    case 50:
      TabAction(value.ToInt32());
      return;
    case 63:
      EditActive(value.ToBool());
      return;
    case 64:
      DataChanged(value.ToBool());
      return;
    case 67: {
      std::string text = value.ToTextOrEmpty();
      if (!editing_) BeginEdit(true);
      if (editing_) {
        editText_ = text;
        dataChanged_ = true;
      }
      return;
    }
    case 73:
      RecordSelectors(value.ToBool());
      return;
    default:
      properties_[id] = value;
  }
}

Variant HeadlessGrid::GetProperty(int id) const {
  switch (id) {
    case 2:
      return Variant(allowAddNew_);
    case 4:
      return Variant(allowUpdate_);
    case 5:
      return Bookmark();
    case 6:
      return Variant(static_cast<int32_t>(Col()));
    case 12:
      return Variant(headerLines_);
    case 16:
      return Variant(rowHeight_);
    case 23:
      return Variant(static_cast<int32_t>(leftCol_));
    case 33:
      return Variant(static_cast<int32_t>(VisibleRows()));
    case 50:
      return Variant(static_cast<int32_t>(tabAction_));
    case 63:
      return Variant(editing_);
    case 64:
      return Variant(dataChanged_);
    case 67: {
      if (editing_) return Variant(editText_);
      int ordinal = CurrentOrdinal();
      return Variant(ordinal >= 0 && Col() >= 0 ? CellText(ordinal, Col()) : std::string());
    }
    case 73:
      return Variant(recordSelectors_);
    default: {
      auto it = properties_.find(id);
      return it == properties_.end() ? Variant() : it->second;
    }
  }
}

}  // namespace vmbgrid
