// QtGrid: construction, container, columns, binding and the cell pipeline.
#include "adapters/qt/qt_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <cmath>
#include <unordered_map>

#include "adapters/common/display_format.h"
#include "adapters/common/text_util.h"
#include "adapters/qt/qt_grid_view.h"
#include "adapters/qt/qt_windows.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

bool IsOpen(const Recordset& rs) {
  try {
    return rs.State() == adStateOpen;
  } catch (const VMError&) {
    return false;
  }
}

[[noreturn]] void NoSuchColumn(int index) {
  throw VMError(errc::kSubscriptOutOfRange, kSource,
                "Die Spalte " + std::to_string(index) + " gibt es nicht.");
}
}  // namespace

// Keeps the view in step with the recordset when it changes underneath.
class QtGrid::SourceObserver : public RecordsetObserver {
 public:
  explicit SourceObserver(QtGrid& grid) : grid_(&grid) {}
  void RowsChanged() override {
    if (!grid_->inPortion_) grid_->ResetRows();
  }
  void RowChanged(const Variant& bookmark) override {
    if (grid_->model_) grid_->model_->RowChanged(grid_->OrdinalOf(bookmark));
  }
  void PositionChanged() override {
    if (!grid_->syncing_) grid_->SyncCurrentFromSource();
  }

 private:
  QtGrid* grid_;
};

QtGrid::QtGrid(std::string name, QWidget* parent) : name_(std::move(name)) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
    throw VMError(errc::kObjectRequired, kSource,
                  "Das Qt-Raster braucht eine laufende QApplication.");
  observer_ = std::make_unique<SourceObserver>(*this);
  view_ = new qt::GridView(*this, parent);
  view_->setObjectName(QString::fromStdString(name_));
  model_ = std::make_unique<qt::GridModel>(*this, nullptr);
  delegate_ = std::make_unique<qt::GridDelegate>(*this, nullptr);
  view_->setModel(model_.get());
  view_->setItemDelegate(delegate_.get());
  view_->setFrameShape(QFrame::NoFrame);
  view_->setTabKeyNavigation(false);
  view_->setSelectionMode(QAbstractItemView::NoSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  view_->setWordWrap(false);
  view_->setCornerButtonEnabled(false);
  QHeaderView* h = view_->horizontalHeader();
  h->setSectionsMovable(true);
  h->setHighlightSections(false);
  h->setStretchLastSection(false);
  h->setMinimumSectionSize(2);
  h->setSectionResizeMode(QHeaderView::Interactive);
  QHeaderView* v = view_->verticalHeader();
  v->setSectionResizeMode(QHeaderView::Fixed);
  v->setHighlightSections(false);
  v->setMinimumSectionSize(2);

  QObject::connect(h, &QHeaderView::sectionResized, view_,
                   [this](int l, int o, int n) { HandleSectionResized(l, o, n); });
  QObject::connect(h, &QHeaderView::sectionMoved, view_,
                   [this](int l, int o, int n) { HandleSectionMoved(l, o, n); });
  QObject::connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, view_,
                   [this](int) { HandleScrolled(); });
  QObject::connect(v, &QHeaderView::sectionClicked, view_,
                   [this](int row) { HandleRecordSelectorClick(row); });
  focusConnection_ = QObject::connect(qApp, &QApplication::focusChanged, view_,
                                      [this](QWidget* o, QWidget* n) { HandleFocusChange(o, n); });
  handle_ = qt::RegisterWindow(view_);
  ApplyHeader();
}

QtGrid::~QtGrid() {
  listener_ = nullptr;
  if (recordset_) recordset_->RemoveObserver(observer_.get());
  if (view_) {
    qt::GridView* view = view_;
    ViewGone();
    view->ForgetGrid();
    delete view;
  }
}

void QtGrid::ViewGone() {
  QObject::disconnect(focusConnection_);
  view_ = nullptr;
}

QTableView* QtGrid::View() const { return view_; }

QtGrid* QtGrid::FromWidget(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    if (auto* view = dynamic_cast<const qt::GridView*>(w)) return &view->Grid();
  }
  return nullptr;
}

double QtGrid::TwipsPerPixelX() const {
  double t = Platform::ScreenService().TwipsPerPixelX();
  return t > 0 ? t : 15.0;
}
double QtGrid::TwipsPerPixelY() const {
  double t = Platform::ScreenService().TwipsPerPixelY();
  return t > 0 ? t : 15.0;
}
int QtGrid::PixelsX(double twips) const {
  double px = std::round(twips / TwipsPerPixelX());
  return std::isfinite(px) ? static_cast<int>(std::clamp(px, 0.0, 1e6)) : 0;
}
int QtGrid::PixelsY(double twips) const {
  double px = std::round(twips / TwipsPerPixelY());
  return std::isfinite(px) ? static_cast<int>(std::clamp(px, 0.0, 1e6)) : 0;
}

// --- Container.

double QtGrid::Left() const { return view_ ? view_->x() * TwipsPerPixelX() : 0; }
void QtGrid::Left(double twips) {
  if (view_) view_->move(PixelsX(twips), view_->y());
}
double QtGrid::Top() const { return view_ ? view_->y() * TwipsPerPixelY() : 0; }
void QtGrid::Top(double twips) {
  if (view_) view_->move(view_->x(), PixelsY(twips));
}
double QtGrid::Width() const { return view_ ? view_->width() * TwipsPerPixelX() : 0; }
void QtGrid::Width(double twips) {
  if (view_) view_->resize(PixelsX(twips), view_->height());
}
double QtGrid::Height() const { return view_ ? view_->height() * TwipsPerPixelY() : 0; }
void QtGrid::Height(double twips) {
  if (view_) view_->resize(view_->width(), PixelsY(twips));
}
bool QtGrid::Visible() const { return view_ && !view_->isHidden(); }
void QtGrid::Visible(bool visible) {
  if (view_) view_->setVisible(visible);
}
void QtGrid::SetFocus() {
  if (!view_) return;
  view_->activateWindow();
  view_->setFocus(Qt::OtherFocusReason);
}
bool QtGrid::HasFocus() const {
  QWidget* f = QApplication::focusWidget();
  return view_ && f && (f == view_ || view_->isAncestorOf(f));
}

// --- Columns.

QtGridColumn& QtGrid::Column(int index) {
  if (index < 0 || index >= ColumnCount()) NoSuchColumn(index);
  return *columns_[static_cast<size_t>(index)];
}

QtGridColumn* QtGrid::ColumnByField(const std::string& dataField) {
  for (auto& c : columns_) {
    if (EqualsIgnoreCase(c->DataField(), dataField)) return c.get();
  }
  return nullptr;
}

QtGridColumn& QtGrid::AddColumn(int index) {
  if (index < 0 || index > ColumnCount()) NoSuchColumn(index);
  autoColumns_ = false;
  auto column = std::make_unique<QtGridColumn>(*this);
  QtGridColumn* added = column.get();
  model_->InsertColumn(index, [&] {
    columns_.insert(columns_.begin() + index, std::move(column));
    order_.insert(order_.begin() + std::min<size_t>(static_cast<size_t>(index), order_.size()),
                  added);
  });
  if (col_ < 0)
    col_ = 0;
  else if (col_ >= index && ColumnCount() > 1)
    ++col_;
  if (index == ColumnCount() - 1) {
    // Appended, as columns are built one after the other: the others keep their
    // sections, so only this one is applied (the whole header each time made a
    // wide grid quadratic to build).
    ApplyColumn(index);
    if (view_ &&
        (order_.back() != added || view_->horizontalHeader()->visualIndex(index) != index)) {
      ApplyOrder();
    }
    ApplyFrame();
  } else {
    ApplyHeader();
  }
  return *added;
}

void QtGrid::RemoveColumn(int index) {
  if (index < 0 || index >= ColumnCount()) NoSuchColumn(index);
  autoColumns_ = false;
  delegate_->Discard();
  QtGridColumn* gone = columns_[static_cast<size_t>(index)].get();
  model_->RemoveColumn(index, [&] {
    order_.erase(std::find(order_.begin(), order_.end(), gone));
    columns_.erase(columns_.begin() + index);
  });
  if (col_ >= ColumnCount()) col_ = ColumnCount() - 1;
  ApplyHeader();
}

int QtGrid::IndexOf(const QtGridColumn& column) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].get() == &column) return static_cast<int>(i);
  }
  return -1;
}

int QtGrid::OrderOf(const QtGridColumn& column) const {
  for (size_t i = 0; i < order_.size(); ++i) {
    if (order_[i] == &column) return static_cast<int>(i);
  }
  return -1;
}

void QtGrid::MoveToOrder(QtGridColumn& column, int position) {
  int from = OrderOf(column);
  if (from < 0) return;
  position = std::clamp(position, 0, static_cast<int>(order_.size()) - 1);
  order_.erase(order_.begin() + from);
  order_.insert(order_.begin() + position, &column);
  if (view_) {
    // The header follows with the same single move when it was in step before.
    QHeaderView* h = view_->horizontalHeader();
    const int logical = IndexOf(column);
    if (h->visualIndex(logical) == from) {
      ++applying_;
      h->moveSection(from, position);
      --applying_;
    } else {
      ApplyOrder();
    }
    ApplyFrame();
  }
}

void QtGrid::ColumnTextChanged(int index) {
  // While a layout replaces the columns the model's reset announces everything at
  // once; and a change of one column announces that column only: a signal for all
  // made the header measure every caption on each change of a wide grid.
  if (model_ && !rebuilding_) {
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? -1 : index;
    model_->HeaderChanged(first, last);
    model_->CellsChanged(first, last);
  }
}

// Brings the header in line with the columns: widths, visibility, display order,
// header and row heights, record selectors and scroll bars.
void QtGrid::ApplyHeader() {
  if (!view_) return;
  for (int i = 0; i < ColumnCount(); ++i) ApplyColumn(i);
  ApplyOrder();
  ApplyFrame();
}

// The header's visual order after order_. Each column's logical index is looked up
// once, so that a wide grid is not quadratic here; moves happen only where the
// header differs.
void QtGrid::ApplyOrder() {
  if (!view_) return;
  ++applying_;
  QHeaderView* h = view_->horizontalHeader();
  std::unordered_map<const QtGridColumn*, int> logicalOf;
  logicalOf.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i)
    logicalOf.emplace(columns_[i].get(), static_cast<int>(i));
  for (int pos = 0; pos < static_cast<int>(order_.size()); ++pos) {
    int visual = h->visualIndex(logicalOf.at(order_[static_cast<size_t>(pos)]));
    if (visual >= 0 && visual != pos) h->moveSection(visual, pos);
  }
  --applying_;
}

void QtGrid::ApplyFrame() {
  if (!view_) return;
  ++applying_;
  QHeaderView* h = view_->horizontalHeader();
  const int headerPx = PixelsY(headerLines_ * kLineHeight);
  h->setVisible(headerPx > 0);
  h->setFixedHeight(headerPx);
  QHeaderView* v = view_->verticalHeader();
  v->setDefaultSectionSize(std::max(2, PixelsY(RowHeight())));
  v->setVisible(recordSelectors_);
  v->setFixedWidth(PixelsX(kRecordSelectorWidth));
  view_->setVerticalScrollBarPolicy((scrollBars_ & 2) ? Qt::ScrollBarAsNeeded
                                                      : Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy((scrollBars_ & 1) ? Qt::ScrollBarAsNeeded
                                                        : Qt::ScrollBarAlwaysOff);
  --applying_;
  lastLeftCol_ = LeftCol();
  FitWindow();  // the row height decides how many rows the window holds
}

void QtGrid::ApplyColumn(int index) {
  if (!view_ || index < 0 || index >= ColumnCount()) return;
  ++applying_;
  const QtGridColumn& c = *columns_[static_cast<size_t>(index)];
  QHeaderView* h = view_->horizontalHeader();
  if (c.Visible()) {
    h->setSectionHidden(index, false);
    h->resizeSection(index, std::max(2, PixelsX(c.Width())));
  } else {
    h->resizeSection(index, std::max(2, PixelsX(c.Width())));
    h->setSectionHidden(index, true);
  }
  --applying_;
}

void QtGrid::AutoSizeColumn(QtGridColumn& column) {
  if (!view_) return;
  int index = IndexOf(column);
  ++applying_;
  view_->resizeColumnToContents(index);
  --applying_;
  column.WidthFromView(view_->horizontalHeader()->sectionSize(index) * TwipsPerPixelX());
}

// --- Binding.

void QtGrid::DataSource(std::shared_ptr<Recordset> recordset) {
  if (delegate_) delegate_->Discard();
  if (recordset_) recordset_->RemoveObserver(observer_.get());
  recordset_ = std::move(recordset);
  array_.reset();
  ClearSelection();
  offset_ = 0;  // another source starts at its top
  if (recordset_) recordset_->AddObserver(observer_.get());
  Bind();
  StartFetching();
}

void QtGrid::BindArray(std::shared_ptr<XArray> array) {
  if (delegate_) delegate_->Discard();
  if (recordset_) recordset_->RemoveObserver(observer_.get());
  recordset_.reset();
  array_ = std::move(array);
  ClearSelection();
  offset_ = 0;
  arrayRow_ = array_ && array_->Count(1) > 0 ? 0 : -1;
  Bind();
}

void QtGrid::Rebind() {
  if (delegate_) delegate_->Discard();
  Bind();
}

// Columns follow the source's fields until the host arranges them itself (adds
// columns, loads a layout or holds the fields).
void QtGrid::Bind() {
  if (columns_.empty() || (autoColumns_ && !FieldsMatchColumns())) GenerateColumns();
  ResetRows();
}

void QtGrid::ClearSelection() {
  selected_.clear();
  selectedKeys_.clear();
}

void QtGrid::ClearFields() {
  GenerateColumns();
  ResetRows();
}

void QtGrid::Refresh() {
  int rows = 0;
  if (recordset_ && IsOpen(*recordset_))
    rows = std::max(0, recordset_->RecordCount());
  else if (array_)
    rows = array_->Count(1);
  if (rows != rows_) {
    ResetRows();
    return;
  }
  model_->CellsChanged();
  if (view_) view_->viewport()->update();
}

void QtGrid::RefreshColumnLayout() {
  ApplyHeader();
  ColumnTextChanged();
}

bool QtGrid::FieldsMatchColumns() const {
  if (recordset_) {
    if (!IsOpen(*recordset_)) return true;  // a closed recordset keeps the columns
    int n = recordset_->FieldCount();
    if (n != ColumnCount()) return false;
    for (int i = 0; i < n; ++i) {
      if (!EqualsIgnoreCase(columns_[static_cast<size_t>(i)]->DataField(),
                            recordset_->FieldName(i)))
        return false;
    }
    return true;
  }
  if (array_) return array_->Count(2) == ColumnCount();
  return true;
}

void QtGrid::GenerateColumns() {
  if (delegate_) delegate_->Discard();
  std::vector<std::string> fields;
  try {
    if (recordset_ && IsOpen(*recordset_)) {
      for (int i = 0; i < recordset_->FieldCount(); ++i) fields.push_back(recordset_->FieldName(i));
    } else if (array_) {
      fields.assign(static_cast<size_t>(std::max(0, array_->Count(2))), "");
    }
  } catch (const VMError&) {
    fields.clear();
  }
  model_->Reset([&] {
    columns_.clear();
    order_.clear();
    for (const std::string& f : fields) {
      auto c = std::make_unique<QtGridColumn>(*this);
      c->DataField(f);
      c->Caption(f);
      order_.push_back(c.get());
      columns_.push_back(std::move(c));
    }
  });
  col_ = columns_.empty() ? -1 : 0;
  autoColumns_ = true;
  ApplyHeader();
}

void QtGrid::ResetRows() {
  if (!model_) return;
  int rows = 0;
  bool addRow = false;
  try {
    if (recordset_ && IsOpen(*recordset_)) {
      rows = std::max(0, recordset_->RecordCount());
      addRow = allowAddNew_ && allowUpdate_ && recordset_->LockType() != adLockReadOnly;
    } else if (array_) {
      rows = std::max(0, array_->Count(1));
    }
  } catch (const VMError&) {
    rows = 0;
  }
  model_->Reset([&] {
    rows_ = rows;
    addRow_ = addRow;
    offset_ = std::clamp(offset_, 0, MaxOffset());
    windowRows_ = std::clamp(TotalRows() - offset_, 0, WindowCapacity());
  });
  if (viewRow_ >= TotalRows()) viewRow_ = -1;
  ApplyHeader();
  if (array_ && (arrayRow_ < 0 || arrayRow_ >= rows_)) arrayRow_ = rows_ > 0 ? 0 : -1;
  if (col_ >= ColumnCount()) col_ = ColumnCount() - 1;
  if (col_ < 0 && ColumnCount() > 0) col_ = 0;
  SyncCurrentFromSource();
}

// --- Cells.

Variant QtGrid::RawValue(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount() || ordinal < 0 || ordinal >= rows_) return {};
  try {
    if (recordset_) {
      int field = recordset_->FieldIndex(columns_[static_cast<size_t>(colIndex)]->DataField());
      if (field < 0) return {};
      return recordset_->ValueAt(ordinal, field);
    }
    if (array_) {
      int32_t r = array_->LowerBound(1) + ordinal, c = array_->LowerBound(2) + colIndex;
      if (r > array_->UpperBound(1) || c > array_->UpperBound(2)) return {};
      return array_->Value(r, c);
    }
  } catch (const VMError&) {
    // A source that shrank underneath shows empty cells until the next re-bind.
  }
  return {};
}

Variant QtGrid::BookmarkAt(int ordinal) const {
  if (ordinal < 0 || ordinal >= rows_) return Variant::Null();
  try {
    if (recordset_) return recordset_->BookmarkAt(ordinal);
    if (array_) return Variant(static_cast<int32_t>(array_->LowerBound(1) + ordinal));
  } catch (const VMError&) {
  }
  return Variant::Null();
}

int QtGrid::OrdinalOf(const Variant& bookmark) const {
  if (bookmark.IsNull() || bookmark.IsEmpty()) return -1;
  try {
    if (recordset_) return recordset_->OrdinalOf(bookmark);
    if (array_) {
      int ordinal = bookmark.ToInt32() - array_->LowerBound(1);
      return ordinal >= 0 && ordinal < rows_ ? ordinal : -1;
    }
  } catch (const VMError&) {
  }
  return -1;
}

bool QtGrid::IsAddNewRow(int ordinal) const { return addRow_ && ordinal == rows_; }

std::string QtGrid::DisplayText(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount() || ordinal < 0 || ordinal >= rows_) return {};
  const QtGridColumn& column = *columns_[static_cast<size_t>(colIndex)];
  Variant value = RawValue(ordinal, colIndex);
  value = column.Translated(value);
  const std::string& format = column.NumberFormat();
  if (AsciiLower(format) == "formattext event") {
    if (listener_)
      listener_->FormatText(const_cast<QtGrid&>(*this), colIndex, value, BookmarkAt(ordinal));
    return PlainText(value);
  }
  return FormatCell(value, format);
}

std::string QtGrid::EditText(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount() || IsAddNewRow(ordinal)) return {};
  return PlainText(
      columns_[static_cast<size_t>(colIndex)]->Translated(RawValue(ordinal, colIndex)));
}

std::string QtGrid::CellText(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount()) NoSuchColumn(colIndex);
  return DisplayText(ordinal, colIndex);
}

std::string QtGrid::CellValueText(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount()) NoSuchColumn(colIndex);
  if (ordinal < 0 || ordinal >= rows_) return {};
  return PlainText(RawValue(ordinal, colIndex));
}

bool QtGrid::Editable(int ordinal, int colIndex) const {
  if (!allowUpdate_ || colIndex < 0 || colIndex >= ColumnCount()) return false;
  if (array_) return ordinal >= 0 && ordinal < rows_;
  if (!recordset_ || !IsOpen(*recordset_)) return false;
  try {
    if (recordset_->LockType() == adLockReadOnly) return false;
    return recordset_->FieldIndex(columns_[static_cast<size_t>(colIndex)]->DataField()) >= 0;
  } catch (const VMError&) {
    return false;
  }
}

bool QtGrid::IsSelectedRow(int ordinal) const {
  if (selectedKeys_.empty()) return false;
  Variant bm = BookmarkAt(ordinal);
  if (!bm.IsNumberType()) return false;
  try {
    return selectedKeys_.count(bm.ToInt64()) > 0;
  } catch (const VMError&) {
    return false;
  }
}

}  // namespace vmbgrid
