// QtGrid: the window of rows the view's model holds, the vertical scroll bar over
// all rows, and the row moves of the keyboard that reach past the window's edges.
#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"

namespace vmbgrid {

using qt::FlagScope;

int QtGrid::RowPixels() const {
  return view_ ? std::max(1, view_->verticalHeader()->defaultSectionSize()) : 1;
}

int QtGrid::FullRows() const {
  if (!view_) return 1;
  return std::max(1, view_->viewport()->height() / RowPixels());
}

int QtGrid::WindowCapacity() const {
  if (!view_) return 1;
  const int px = RowPixels();
  return std::max(FullRows(), (view_->viewport()->height() + px - 1) / px);
}

// At the end the last row is shown in full, as a table scrolled by rows shows it.
int QtGrid::MaxOffset() const { return std::max(0, TotalRows() - FullRows()); }

int QtGrid::ViewRowOf(int ordinal) const {
  const int row = ordinal - offset_;
  return ordinal >= 0 && row >= 0 && row < windowRows_ ? row : -1;
}

// Moves the window to start at `offset` (clamped) and sizes it to the viewport.
// The editor belongs to a row of the window, so what was typed is written before
// the rows under it change.
void QtGrid::SetWindow(int offset) {
  if (!view_ || !model_) return;
  offset = std::clamp(offset, 0, MaxOffset());
  int rows = std::clamp(TotalRows() - offset, 0, WindowCapacity());
  if (offset == offset_ && rows == windowRows_) return SyncScrollBar();
  if (delegate_ && delegate_->Editor()) {
    delegate_->Commit();
    if (!view_) return;
    // Writing may have added or removed rows.
    offset = std::clamp(offset, 0, MaxOffset());
    rows = std::clamp(TotalRows() - offset, 0, WindowCapacity());
  }
  {
    FlagScope sync(syncing_), place(placing_);
    model_->Resize(rows, [&] {
      offset_ = offset;
      windowRows_ = rows;
    });
    model_->WindowMoved();
  }
  PlaceCurrent();
  SyncScrollBar();
}

void QtGrid::Reveal(int ordinal, int hint) {
  if (ordinal < 0) return;
  const int full = FullRows();
  int offset = offset_;
  switch (hint) {
    case kAtTop:
      offset = ordinal;
      break;
    case kAtBottom:
      offset = ordinal - full + 1;
      break;
    case kAtCenter:
      offset = ordinal - full / 2;
      break;
    default:
      if (ordinal < offset_)
        offset = ordinal;
      else if (ordinal >= offset_ + full)
        offset = ordinal - full + 1;
  }
  SetWindow(offset);
}

void QtGrid::RevealCurrent() {
  if (viewRow_ < 0) return;
  Reveal(viewRow_, kNearest);
  PlaceCurrent();
}

// Puts the view's current cell on the row of viewRow_, or none when that row is
// outside the window (scrolled away; it comes back when the window does).
void QtGrid::PlaceCurrent() {
  if (!view_ || !model_) return;
  FlagScope sync(syncing_), place(placing_);
  const int row = ViewRowOf(viewRow_);
  if (row >= 0 && Col() >= 0) {
    const QModelIndex index = model_->index(row, Col());
    if (view_->currentIndex() != index) view_->setCurrentIndex(index);
  } else if (view_->currentIndex().isValid()) {
    view_->setCurrentIndex(QModelIndex());
  }
}

void QtGrid::SyncScrollBar() {
  if (!view_ || !model_) return;
  FlagScope setting(barSetting_);
  QScrollBar* bar = view_->verticalScrollBar();
  bar->setRange(0, MaxOffset());
  bar->setPageStep(FullRows());
  bar->setSingleStep(1);
  bar->setValue(offset_);
}

void QtGrid::ScrollToViewRow(int viewRow, int column, int hint) {
  if (!view_ || !model_) return;
  const int ordinal = OrdinalAt(viewRow);
  Reveal(ordinal, hint);
  const int row = ViewRowOf(ordinal);
  if (row < 0 || column < 0 || column >= ColumnCount()) return;
  {
    // The row is in view: the table scrolls only the columns.
    FlagScope setting(barSetting_), place(placing_);
    view_->ScrollColumnsTo(model_->index(row, column));
  }
  SyncScrollBar();
}

void QtGrid::ShowCurrent(int ordinal) {
  if (!view_ || !model_) return;
  viewRow_ = ordinal;
  if (ordinal >= 0 && Col() >= 0) {
    Reveal(ordinal, kNearest);
    PlaceCurrent();
    ScrollToViewRow(ViewRowOf(ordinal), Col(), kNearest);
  } else {
    PlaceCurrent();
  }
  model_->SelectorsChanged();
}

int QtGrid::EdgeColumn(bool last) const {
  const std::vector<int> shown = DisplayOrder(true);
  if (shown.empty()) return Col();
  return last ? shown.back() : shown.front();
}

// Up, Down, Page Up, Page Down and Ctrl+Home/End move over all rows, not only the
// window's. Keys the table handles itself (columns, typing) act on the current
// row, so it is brought back into view first.
bool QtGrid::NavigateRows(QKeyEvent* event) {
  if (!view_ || !model_) return false;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const int from = viewRow_ >= 0 ? viewRow_ : CurrentOrdinal();
  int to = -1, col = Col();
  switch (event->key()) {
    case Qt::Key_Up:
      to = from < 0 ? 0 : from - 1;
      break;
    case Qt::Key_Down:
      to = from < 0 ? 0 : from + 1;
      break;
    case Qt::Key_PageUp:
      to = from < 0 ? 0 : from - FullRows();
      break;
    case Qt::Key_PageDown:
      to = from < 0 ? 0 : from + FullRows();
      break;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (ctrl) {
        const bool end = event->key() == Qt::Key_End;
        to = end ? TotalRows() - 1 : 0;
        col = EdgeColumn(end);
        break;
      }
      [[fallthrough]];
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_F2:
      RevealCurrent();
      return false;
    default:
      if (!event->text().isEmpty()) RevealCurrent();
      return false;
  }
  if (TotalRows() == 0 || ColumnCount() == 0) return true;
  to = std::clamp(to, 0, TotalRows() - 1);
  if (delegate_) delegate_->Commit();
  TakeColumn(col);
  if (to >= rows_) {
    ShowCurrent(to);  // the add-new row: the source stays where it is
    return true;
  }
  try {
    MoveSource(to);
  } catch (const VMError&) {
    // The source refused: the view stays with it.
  }
  SyncCurrentFromSource();
  return true;
}

// Typing in a cell that cannot be edited finds the next row whose text in the
// current column starts with what was typed; quick keys add up, a repeated
// single key steps from match to match.
void QtGrid::KeyboardSearch(const QString& text) {
  const int col = Col();
  if (!view_ || rows_ == 0 || col < 0) return;
  const int64_t now = QDateTime::currentMSecsSinceEpoch();
  const int current = viewRow_ >= 0 && viewRow_ < rows_ ? viewRow_ : -1;
  QString typed = QString::fromStdString(searchText_);
  bool skip = false;
  if (text.isEmpty() || now - searchTime_ > QApplication::keyboardInputInterval()) {
    typed = text;
    skip = current >= 0;
  } else {
    typed += text;
  }
  searchTime_ = now;
  searchText_ = typed.toStdString();
  if (typed.isEmpty()) return;
  QString wanted = typed;
  if (typed.size() > 1 && typed.count(typed.back()) == typed.size()) {
    wanted = typed.left(1);
    skip = true;
  }
  int start = current < 0 ? 0 : current;
  if (skip) start = (start + 1) % rows_;
  for (int i = 0; i < rows_; ++i) {
    const int ordinal = (start + i) % rows_;
    if (!QString::fromStdString(ShownText(ordinal, col)).startsWith(wanted, Qt::CaseInsensitive))
      continue;
    if (delegate_) delegate_->Commit();
    try {
      MoveSource(ordinal);
    } catch (const VMError&) {
    }
    SyncCurrentFromSource();
    return;
  }
}

}  // namespace vmbgrid
