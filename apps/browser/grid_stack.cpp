#include "apps/browser/grid_stack.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

namespace vmbgrid::browser {

GridStack::GridStack(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GridStack::SetWidgets(QWidget* searchLine, QWidget* data, QWidget* sumLine) {
  for (QWidget* w : {search_.data(), data_.data(), sum_.data()})
    if (w) w->removeEventFilter(this);
  search_ = searchLine;
  data_ = data;
  sum_ = sumLine;
  for (QWidget* w : {searchLine, data, sumLine}) {
    if (!w) continue;
    w->setParent(this);
    w->installEventFilter(this);
    w->show();
  }
  Relayout();
}

void GridStack::Relayout() {
  if (laying_) return;
  laying_ = true;
  const int width = std::max(0, this->width());
  const int total = std::max(0, height());
  // The controller sizes the one-row grids; never let them eat the data grid.
  const int searchH = search_ && !search_->isHidden() ? std::min(search_->height(), total / 3) : 0;
  const int sumH = sum_ && !sum_->isHidden() ? std::min(sum_->height(), total / 3) : 0;
  const int dataH = SnappedHeight(std::max(0, total - searchH - sumH));
  if (search_) search_->setGeometry(0, 0, width, searchH);
  if (data_) data_->setGeometry(0, searchH, width, dataH);
  // The sum line follows the last whole row; what is left stays below it.
  if (sum_) sum_->setGeometry(0, searchH + dataH, width, sumH);
  laying_ = false;
}

int GridStack::SnappedHeight(int available) const {
  // A data grid of whole rows: no half row peeks out above the sum line.
  auto* view = qobject_cast<QTableView*>(data_.data());
  if (!view) return available;
  const int row = view->verticalHeader()->defaultSectionSize();
  if (row <= 0) return available;
  int fixed = 2 * view->frameWidth();
  if (!view->horizontalHeader()->isHidden()) fixed += view->horizontalHeader()->height();
  if (view->horizontalScrollBar()->isVisible()) fixed += view->horizontalScrollBar()->height();
  if (available <= fixed + row) return available;
  return fixed + (available - fixed) / row * row;
}

void GridStack::resizeEvent(QResizeEvent*) { Relayout(); }

bool GridStack::eventFilter(QObject* watched, QEvent* event) {
  // The controller moves and sizes the grids in twips (Left, Width, Height): keep
  // the heights it chose and put the edges back.
  if (!laying_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                   event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    QMetaObject::invokeMethod(
        this, [this] { Relayout(); }, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vmbgrid::browser
