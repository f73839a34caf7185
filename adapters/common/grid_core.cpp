// Grid core: columns, binding, rows, current cell, selection and settings.
#include "adapters/common/grid_core.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "adapters/common/text_util.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

[[noreturn]] void OutOfRange(const std::string& what) {
  throw VMError(errc::kSubscriptOutOfRange, kSource, what);
}

[[noreturn]] void NoSuchColumn(int index) {
  OutOfRange("Die Spalte " + std::to_string(index) + " gibt es nicht.");
}

bool IsOpen(const Recordset& rs) {
  try {
    return rs.State() != adStateClosed;
  } catch (const VMError&) {
    return false;
  }
}
}  // namespace

GridCore::~GridCore() = default;

// --- Columns.

CoreColumn& GridCore::Column(int index) {
  if (index < 0 || index >= ColumnCount()) NoSuchColumn(index);
  return *columns_[static_cast<size_t>(index)];
}

const CoreColumn& GridCore::Column(int index) const {
  return const_cast<GridCore*>(this)->Column(index);
}

CoreColumn* GridCore::ColumnByField(const std::string& dataField) {
  for (auto& c : columns_) {
    if (EqualsIgnoreCase(c->DataField(), dataField)) return c.get();
  }
  return nullptr;
}

CoreColumn& GridCore::AddColumn(int index) {
  if (index < 0 || index > ColumnCount()) {
    OutOfRange("Eine Spalte kann nicht an Position " + std::to_string(index) +
               " eingefügt werden.");
  }
  auto column = std::make_unique<CoreColumn>(*this);
  CoreColumn* added = column.get();
  ChangeColumns(ColumnsChange::kInsert, index, [&] {
    columns_.insert(columns_.begin() + index, std::move(column));
    order_.insert(order_.begin() + std::min<size_t>(static_cast<size_t>(index), order_.size()),
                  added);
  });
  autoColumns_ = false;
  if (col_ < 0) {
    col_ = 0;
  } else if (col_ >= index && ColumnCount() > 1) {
    ++col_;
  }
  if (editing_ && editCol_ >= index) ++editCol_;
  return *added;
}

void GridCore::RemoveColumn(int index) {
  if (index < 0 || index >= ColumnCount()) NoSuchColumn(index);
  if (editing_ && editCol_ == index) CancelEdit();
  if (editing_ && editCol_ > index) --editCol_;
  CoreColumn* gone = columns_[static_cast<size_t>(index)].get();
  ChangeColumns(ColumnsChange::kRemove, index, [&] {
    order_.erase(std::find(order_.begin(), order_.end(), gone));
    columns_.erase(columns_.begin() + index);
  });
  autoColumns_ = false;
  if (col_ > index || col_ >= ColumnCount()) --col_;
  if (ColumnCount() == 0) col_ = -1;
}

int GridCore::IndexOf(const CoreColumn& column) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].get() == &column) return static_cast<int>(i);
  }
  return -1;
}

int GridCore::OrderOf(const CoreColumn& column) const {
  auto it = std::find(order_.begin(), order_.end(), &column);
  return it == order_.end() ? -1 : static_cast<int>(it - order_.begin());
}

std::vector<int> GridCore::DisplayOrder(bool visibleOnly) const {
  // Each column's index is looked up once, so that a wide grid is not quadratic here.
  std::unordered_map<const CoreColumn*, int> indexOf;
  indexOf.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) indexOf.emplace(columns_[i].get(), int(i));
  std::vector<int> out;
  out.reserve(order_.size());
  for (const CoreColumn* c : order_) {
    if (!visibleOnly || c->Visible()) out.push_back(indexOf.at(c));
  }
  return out;
}

void GridCore::MoveInOrder(CoreColumn& column, int position) {
  const int from = OrderOf(column);
  if (from < 0) return;
  position = std::clamp(position, 0, static_cast<int>(order_.size()) - 1);
  if (position == from) return;
  order_.erase(order_.begin() + from);
  order_.insert(order_.begin() + position, &column);
  ColumnMoved(IndexOf(column), from, position);
}

void GridCore::SortMarks(const std::vector<std::pair<std::string, int>>& marks) {
  for (auto& c : columns_) c->sortDirection_ = c->sortRank_ = 0;
  int rank = 0;
  for (const auto& [field, direction] : marks) {
    ++rank;
    CoreColumn* c = ColumnByField(field);
    if (c == nullptr || (direction != 1 && direction != 2) || c->sortDirection_ != 0) continue;
    c->sortDirection_ = direction;
    c->sortRank_ = marks.size() > 1 ? rank : 0;
  }
  ColumnTextsChanged(-1);
}

bool GridCore::UserResizedColumn(int colIndex, double twips) {
  CoreColumn& column = Column(colIndex);
  const double old = column.Width();
  column.Width(twips);
  bool cancel = false;
  if (listener_ != nullptr) listener_->ColResize(*this, colIndex, cancel);
  if (cancel && colIndex < ColumnCount()) Column(colIndex).Width(old);
  return !cancel;
}

bool GridCore::UserMovedColumn(int colIndex, int position) {
  CoreColumn& column = Column(colIndex);
  const int from = column.Order();
  MoveInOrder(column, position);
  bool cancel = false;
  if (listener_ != nullptr) listener_->ColMove(*this, position, cancel);
  if (cancel && colIndex < ColumnCount()) MoveInOrder(Column(colIndex), from);
  return !cancel;
}

// --- Binding.

void GridCore::DataSource(std::shared_ptr<Recordset> recordset) {
  CancelEdit();
  recordset_ = std::move(recordset);
  array_.reset();
  ClearSelection();
  Bind();
}

void GridCore::BindArray(std::shared_ptr<XArray> array) {
  CancelEdit();
  array_ = std::move(array);
  recordset_.reset();
  ClearSelection();
  arrayRow_ = array_ != nullptr && array_->Count(1) > 0 ? 0 : -1;
  Bind();
}

void GridCore::Rebind() {
  CancelEdit();
  Bind();
}

void GridCore::ClearFields() {
  CancelEdit();
  GenerateColumns();
  FixCurrent();
  RowsReset();
}

// Columns follow the source's fields until the host arranges them itself (adds
// columns, loads a layout or holds the fields).
void GridCore::Bind() {
  ++rebindCount_;
  if (columns_.empty() || (autoColumns_ && !FieldsMatchColumns())) GenerateColumns();
  FixCurrent();
  RowsReset();
}

bool GridCore::FieldsMatchColumns() const {
  if (recordset_ != nullptr) {
    try {
      if (!IsOpen(*recordset_)) return true;  // a closed recordset keeps the columns
      const int count = recordset_->FieldCount();
      if (count != ColumnCount()) return false;
      for (int i = 0; i < count; ++i) {
        if (!EqualsIgnoreCase(recordset_->FieldName(i), columns_[size_t(i)]->DataField()))
          return false;
      }
    } catch (const VMError&) {
      return true;
    }
    return true;
  }
  if (array_ != nullptr) return array_->Count(2) == ColumnCount();
  return true;
}

void GridCore::GenerateColumns() {
  std::vector<std::string> fields;
  try {
    if (recordset_ != nullptr && IsOpen(*recordset_)) {
      for (int i = 0; i < recordset_->FieldCount(); ++i) fields.push_back(recordset_->FieldName(i));
    } else if (array_ != nullptr) {
      fields.assign(static_cast<size_t>(std::max(0, array_->Count(2))), "");
    }
  } catch (const VMError&) {
    fields.clear();
  }
  ChangeColumns(ColumnsChange::kReset, -1, [&] {
    columns_.clear();
    order_.clear();
    for (const std::string& f : fields) {
      auto column = std::make_unique<CoreColumn>(*this);
      column->dataField_ = f;
      column->caption_ = f;
      order_.push_back(column.get());
      columns_.push_back(std::move(column));
    }
  });
  col_ = columns_.empty() ? -1 : 0;
  autoColumns_ = true;
}

void GridCore::FixCurrent() {
  if (col_ >= ColumnCount()) col_ = ColumnCount() - 1;
  if (col_ < 0 && ColumnCount() > 0) col_ = 0;
  if (array_ != nullptr) {
    const int rows = array_->Count(1);
    if (arrayRow_ >= rows) arrayRow_ = rows - 1;
    if (arrayRow_ < 0 && rows > 0) arrayRow_ = 0;
  }
}

// --- Rows.

int GridCore::RowCount() const {
  if (recordset_ != nullptr) {
    try {
      if (!IsOpen(*recordset_)) return 0;
      return std::max(0, static_cast<int>(recordset_->RecordCount()));
    } catch (const VMError&) {
      return 0;
    }
  }
  if (array_ != nullptr) return std::max(0, array_->Count(1));
  return 0;
}

Variant GridCore::ValueAt(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount() || ordinal < 0 || ordinal >= RowCount()) return {};
  try {
    if (recordset_ != nullptr) {
      const int field = recordset_->FieldIndex(columns_[size_t(colIndex)]->DataField());
      return field < 0 ? Variant() : recordset_->ValueAt(ordinal, field);
    }
    if (array_ != nullptr) {
      const int32_t r = array_->LowerBound(1) + ordinal, c = array_->LowerBound(2) + colIndex;
      if (r > array_->UpperBound(1) || c > array_->UpperBound(2)) return {};
      return array_->Value(r, c);
    }
  } catch (const VMError&) {
    // A source that shrank underneath shows empty cells until the next re-bind.
  }
  return {};
}

Variant GridCore::BookmarkAt(int ordinal) const {
  if (ordinal < 0 || ordinal >= RowCount()) return Variant::Null();
  try {
    if (recordset_ != nullptr) return recordset_->BookmarkAt(ordinal);
    if (array_ != nullptr) return Variant(static_cast<int32_t>(array_->LowerBound(1) + ordinal));
  } catch (const VMError&) {
  }
  return Variant::Null();
}

int GridCore::OrdinalOf(const Variant& bookmark) const {
  if (bookmark.IsNull() || bookmark.IsEmpty()) return -1;
  try {
    if (recordset_ != nullptr) return recordset_->OrdinalOf(bookmark);
    if (array_ != nullptr) {
      const int ordinal = bookmark.ToInt32() - array_->LowerBound(1);
      return ordinal >= 0 && ordinal < array_->Count(1) ? ordinal : -1;
    }
  } catch (const VMError&) {
  }
  return -1;
}

int GridCore::CurrentOrdinal() const {
  if (recordset_ != nullptr) {
    try {
      if (!IsOpen(*recordset_) || recordset_->IsEOF() || recordset_->IsBOF()) return -1;
      const int ordinal = static_cast<int>(recordset_->AbsolutePosition()) - 1;
      return ordinal >= 0 ? ordinal : -1;
    } catch (const VMError&) {
      return -1;
    }
  }
  if (array_ != nullptr) return arrayRow_ >= 0 && arrayRow_ < array_->Count(1) ? arrayRow_ : -1;
  return -1;
}

void GridCore::MoveToOrdinal(int ordinal) {
  const int rows = RowCount();
  if (rows == 0) return;
  ordinal = std::clamp(ordinal, 0, rows - 1);
  if (recordset_ != nullptr) {
    if (recordset_->AbsolutePosition() != ordinal + 1) recordset_->AbsolutePosition(ordinal + 1);
  } else if (array_ != nullptr) {
    arrayRow_ = ordinal;
  }
}

bool GridCore::OffersNewRow() const {
  if (!allowAddNew_ || !allowUpdate_ || recordset_ == nullptr) return false;
  try {
    return IsOpen(*recordset_) && recordset_->LockType() != adLockReadOnly;
  } catch (const VMError&) {
    return false;
  }
}

bool GridCore::Editable(int ordinal, int colIndex) const {
  if (!allowUpdate_ || colIndex < 0 || colIndex >= ColumnCount()) return false;
  const int rows = RowCount();
  if (array_ != nullptr) return ordinal >= 0 && ordinal < rows;
  if (recordset_ == nullptr || ordinal < 0 || ordinal > rows) return false;
  if (ordinal == rows && !OffersNewRow()) return false;
  try {
    if (!IsOpen(*recordset_) || recordset_->LockType() == adLockReadOnly) return false;
    return recordset_->FieldIndex(columns_[size_t(colIndex)]->DataField()) >= 0;
  } catch (const VMError&) {
    return false;
  }
}

// --- Current cell.

int GridCore::Col() const { return ColumnCount() == 0 ? -1 : col_; }

void GridCore::Col(int index) {
  if (ColumnCount() == 0) return;  // nothing to move to yet
  if (index < 0 || index >= ColumnCount()) NoSuchColumn(index);
  if (index == col_) return;
  if (editing_ || dataChanged_) CommitEdit();
  if (editing_) return;  // the edit did not fit: the cell cannot be left
  col_ = index;
  CurrentMoved();
}

void GridCore::StepColumn(int direction) {
  const std::vector<int> shown = DisplayOrder(true);
  if (shown.empty()) return;
  auto it = std::find(shown.begin(), shown.end(), col_);
  int pos = it == shown.end() ? 0 : static_cast<int>(it - shown.begin()) + direction;
  pos = std::clamp(pos, 0, static_cast<int>(shown.size()) - 1);
  if (array_ != nullptr && CurrentOrdinal() < 0 && array_->Count(1) > 0) arrayRow_ = 0;
  const int before = col_;
  Col(shown[static_cast<size_t>(pos)]);
  if (col_ == before) CurrentMoved();
}

Variant GridCore::Bookmark() const { return BookmarkAt(CurrentOrdinal()); }

void GridCore::Bookmark(const Variant& bookmark) {
  if (editing_ || dataChanged_) CommitEdit();
  if (recordset_ != nullptr) {
    recordset_->Bookmark(bookmark);  // an unknown bookmark raises there
  } else if (array_ != nullptr) {
    const int ordinal = OrdinalOf(bookmark);
    if (ordinal < 0)
      throw VMError(errc::kBadBookmark, kSource, "Das Lesezeichen bezeichnet keine Zeile.");
    arrayRow_ = ordinal;
  } else {
    throw VMError(errc::kBadBookmark, kSource, "Das Raster ist an keine Daten gebunden.");
  }
  CurrentMoved();
}

// --- Selection.

Variant GridCore::SelectedAt(int index) const {
  if (index < 0 || index >= SelectedCount())
    OutOfRange("Die markierte Zeile " + std::to_string(index) + " gibt es nicht.");
  return selected_[static_cast<size_t>(index)];
}

void GridCore::AddSelected(const Variant& bookmark) {
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
  SelectionChanged();
}

void GridCore::RemoveSelectedAt(int index) {
  if (index < 0 || index >= SelectedCount())
    OutOfRange("Die markierte Zeile " + std::to_string(index) + " gibt es nicht.");
  selected_.erase(selected_.begin() + index);
  selectedKeys_.clear();
  for (const Variant& s : selected_) {
    try {
      if (s.IsNumberType()) selectedKeys_.insert(s.ToInt64());
    } catch (const VMError&) {
    }
  }
  SelectionChanged();
}

bool GridCore::IsSelected(int ordinal) const {
  if (selected_.empty()) return false;
  const Variant bm = BookmarkAt(ordinal);
  if (bm.IsNumberType()) {
    try {
      return selectedKeys_.count(bm.ToInt64()) > 0;
    } catch (const VMError&) {
    }
  }
  return std::find(selected_.begin(), selected_.end(), bm) != selected_.end();
}

void GridCore::ToggleSelected(const Variant& bookmark) {
  for (int i = 0; i < SelectedCount(); ++i) {
    if (selected_[static_cast<size_t>(i)] == bookmark) return RemoveSelectedAt(i);
  }
  AddSelected(bookmark);
}

void GridCore::ClearSelection() {
  if (selected_.empty()) return;
  selected_.clear();
  selectedKeys_.clear();
  SelectionChanged();
}

// --- Settings.

void GridCore::HeaderLines(float lines) {
  headerLines_ = std::isfinite(lines) && lines > 0 ? std::min(lines, 100.0f) : 0.0f;
  FrameChanged();
}

void GridCore::RowHeight(double twips) {
  rowHeight_ = std::isfinite(twips) && twips > 0 ? std::min(twips, 100000.0) : 0;
  FrameChanged();
}

void GridCore::AllowAddNew(bool allow) {
  if (allow == allowAddNew_) return;
  allowAddNew_ = allow;
  FrameChanged();
}

void GridCore::RecordSelectors(bool on) {
  recordSelectors_ = on;
  FrameChanged();
}

void GridCore::ScrollBars(int setting) {
  scrollBars_ = setting;
  FrameChanged();
}

void GridCore::SetProperty(int id, const Variant& value) {
  switch (id) {
    case 2:
      return AllowAddNew(value.ToBool());
    case 4:
      return AllowUpdate(value.ToBool());
    case 5:
      return Bookmark(value);
    case 6:
      return Col(value.ToInt32());
    case 12:
      return HeaderLines(static_cast<float>(value.ToDouble()));
    case 16:
      return RowHeight(value.ToDouble());
    case 23:
      return LeftCol(value.ToInt32());
    case 50:
      return TabAction(value.ToInt32());
    case 63:
      return EditActive(value.ToBool());
    case 64:
      return DataChanged(value.ToBool());
    case 67: {
      // The cell's text set from outside: the edit starts over the current cell.
      const std::string text = value.ToTextOrEmpty();
      if (!editing_) BeginEdit(CurrentOrdinal(), Col(), true);
      if (editing_) {
        editText_ = text;
        dataChanged_ = true;
        EditChanged();
      }
      return;
    }
    case 73:
      return RecordSelectors(value.ToBool());
    default:
      properties_[id] = value;
  }
}

Variant GridCore::GetProperty(int id) const {
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
      return Variant(RowHeight());
    case 23:
      return Variant(static_cast<int32_t>(LeftCol()));
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
      const int ordinal = CurrentOrdinal();
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

void GridCore::ReportError(const std::string& text) const {
  Platform::Messages().ShowMessage(text, kMessageInfo);
}

}  // namespace vmbgrid
