// QtGrid: construction, container, binding and the header that shows the core's columns.
#include "adapters/qt/qt_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <cmath>

#include "adapters/common/display_format.h"
#include "adapters/common/text_util.h"
#include "adapters/qt/qt_grid_view.h"
#include "adapters/qt/qt_windows.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

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

QtGrid::QtGrid(std::string name, QWidget* parent) : GridCore(std::move(name)) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
    throw VMError(errc::kObjectRequired, kSource,
                  "Das Qt-Raster braucht eine laufende QApplication.");
  observer_ = std::make_unique<SourceObserver>(*this);
  view_ = new qt::GridView(*this, parent);
  view_->setObjectName(QString::fromStdString(Name()));
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
  SetListener(nullptr);
  if (DataSource()) DataSource()->RemoveObserver(observer_.get());
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

// Columns are inserted, removed or replaced inside the model's own notifications,
// so that the view never sees a column set the model does not announce.
void QtGrid::ChangeColumns(ColumnsChange kind, int index, const std::function<void()>& change) {
  if (delegate_) delegate_->Discard();
  switch (kind) {
    case ColumnsChange::kInsert:
      model_->InsertColumn(index, change);
      if (index == ColumnCount() - 1) {
        // Appended, as columns are built one after the other: the others keep their
        // sections, so only this one is applied (the whole header each time made a
        // wide grid quadratic to build).
        ApplyColumn(index);
        if (view_ && view_->horizontalHeader()->visualIndex(index) != Column(index).Order())
          ApplyOrder();
        ApplyFrame();
      } else {
        ApplyHeader();
      }
      return;
    case ColumnsChange::kRemove:
      model_->RemoveColumn(index, change);
      ApplyHeader();
      return;
    case ColumnsChange::kReset:
      model_->Reset([&] {
        rebuilding_ = true;
        change();
        rebuilding_ = false;
      });
      ApplyHeader();
      return;
  }
}

void QtGrid::ColumnMoved(int index, int from, int to) {
  if (!view_) return;
  // The header follows with the same single move when it was in step before; after
  // the user's own drag it is in step already.
  QHeaderView* h = view_->horizontalHeader();
  const int visual = h->visualIndex(index);
  if (visual == to) return;
  if (visual == from) {
    ++applying_;
    h->moveSection(from, to);
    --applying_;
  } else {
    ApplyOrder();
  }
  ApplyFrame();
}

void QtGrid::ColumnTextsChanged(int index) {
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

// The header's visual order after the core's display order; moves happen only
// where the header differs.
void QtGrid::ApplyOrder() {
  if (!view_) return;
  ++applying_;
  QHeaderView* h = view_->horizontalHeader();
  const std::vector<int> order = DisplayOrder(false);
  for (int pos = 0; pos < static_cast<int>(order.size()); ++pos) {
    const int visual = h->visualIndex(order[static_cast<size_t>(pos)]);
    if (visual >= 0 && visual != pos) h->moveSection(visual, pos);
  }
  --applying_;
}

void QtGrid::ApplyFrame() {
  if (!view_) return;
  ++applying_;
  QHeaderView* h = view_->horizontalHeader();
  const int headerPx = PixelsY(HeaderLines() * kLineHeight);
  h->setVisible(headerPx > 0);
  h->setFixedHeight(headerPx);
  QHeaderView* v = view_->verticalHeader();
  v->setDefaultSectionSize(std::max(2, PixelsY(RowHeight())));
  v->setVisible(RecordSelectors());
  v->setFixedWidth(PixelsX(kRecordSelectorWidth));
  view_->setVerticalScrollBarPolicy((ScrollBars() & 2) ? Qt::ScrollBarAsNeeded
                                                       : Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy((ScrollBars() & 1) ? Qt::ScrollBarAsNeeded
                                                         : Qt::ScrollBarAlwaysOff);
  --applying_;
  lastLeftCol_ = LeftCol();
  FitWindow();  // the row height decides how many rows the window holds
}

void QtGrid::ApplyColumn(int index) {
  if (!view_ || index < 0 || index >= ColumnCount()) return;
  ++applying_;
  const CoreColumn& c = Column(index);
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

// The view measures the texts of the rows in the window and, where the header is
// shown, the caption.
void QtGrid::AutoSize(CoreColumn& column) {
  if (!view_) return;
  const int index = column.Index();
  ++applying_;
  view_->resizeColumnToContents(index);
  --applying_;
  column.Width(view_->horizontalHeader()->sectionSize(index) * TwipsPerPixelX());
}

// --- Binding.

void QtGrid::DataSource(std::shared_ptr<Recordset> recordset) {
  if (DataSource()) DataSource()->RemoveObserver(observer_.get());
  offset_ = 0;  // another source starts at its top
  if (recordset) recordset->AddObserver(observer_.get());
  GridCore::DataSource(std::move(recordset));
  StartFetching();
}

void QtGrid::BindArray(std::shared_ptr<XArray> array) {
  if (DataSource()) DataSource()->RemoveObserver(observer_.get());
  offset_ = 0;
  GridCore::BindArray(std::move(array));
}

void QtGrid::Refresh() {
  if (RowCount() != rows_) {
    ResetRows();
    return;
  }
  model_->CellsChanged();
  if (view_) view_->viewport()->update();
}

void QtGrid::RefreshColumnLayout() {
  ApplyHeader();
  ColumnTextsChanged(-1);
}

void QtGrid::FrameChanged() {
  if (addRow_ != OffersNewRow()) ResetRows();
  ApplyHeader();
}

void QtGrid::ResetRows() {
  if (!model_) return;
  const int rows = RowCount();
  const bool addRow = OffersNewRow();
  model_->Reset([&] {
    rows_ = rows;
    addRow_ = addRow;
    offset_ = std::clamp(offset_, 0, MaxOffset());
    windowRows_ = std::clamp(TotalRows() - offset_, 0, WindowCapacity());
  });
  if (viewRow_ >= TotalRows()) viewRow_ = -1;
  ApplyHeader();
  SyncCurrentFromSource();
}

// --- Cells.

void QtGrid::RowWritten(int ordinal) {
  if (!model_) return;
  if (RowCount() != rows_) return ResetRows();
  if (ordinal < 0)
    model_->CellsChanged();
  else
    model_->RowChanged(ordinal);
}

void QtGrid::SelectionChanged() {
  if (view_) view_->viewport()->update();
}

}  // namespace vmbgrid
