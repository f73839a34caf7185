// QtGrid: the current cell between the core and the view, the geometry in twips
// and the cell editor over the core's edit buffer.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <cmath>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"

namespace vmbgrid {

// --- Current row and column.

// The source is moved by the grid itself: its position notification must not move
// the view back.
void QtGrid::MoveSource(int ordinal) {
  if (ordinal < 0 || ordinal >= rows_) return;
  const bool was = syncing_;
  syncing_ = true;
  try {
    MoveToOrdinal(ordinal);
  } catch (...) {
    syncing_ = was;
    throw;
  }
  syncing_ = was;
}

void QtGrid::SyncCurrentFromSource() {
  if (!view_ || !model_) return;
  ShowCurrent(CurrentOrdinal());
}

// A click or a key of the table moved the current cell; the table's own scrolling
// is left out, so the row is scrolled into view here.
void QtGrid::CurrentChangedInView(int ordinal, int col) {
  if (syncing_) return;
  TakeColumn(col);
  const bool rowChanged = ordinal != viewRow_;
  viewRow_ = ordinal;
  if (rowChanged && ordinal < rows_) {
    try {
      MoveSource(ordinal);
    } catch (const VMError&) {
      SyncCurrentFromSource();  // the source refused: the view follows it back
      return;
    }
  }
  ScrollToViewRow(ViewRowOf(ordinal), col, kNearest);
  if (rowChanged && model_) model_->SelectorsChanged();
}

int QtGrid::LeftCol() const {
  if (!view_ || ColumnCount() == 0) return 0;
  const int left = view_->columnAt(0);
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
  const int ordinal = CurrentOrdinal();
  return ordinal < 0 ? -1 : ordinal - TopRow();
}

int QtGrid::VisibleRows() const {
  if (!view_) return 0;
  // Rows shown in full, as many as the height gives room for.
  const int rowPx = std::max(1, view_->verticalHeader()->defaultSectionSize());
  const int area = view_->height() - PixelsY(HeaderLines() * kLineHeight);
  return area > 0 ? area / rowPx : 0;
}

double QtGrid::HeaderHeight() const {
  return PixelsY(HeaderLines() * kLineHeight) * TwipsPerPixelY();
}

double QtGrid::RowHeight() const {
  const double setting = RowHeightSetting();
  const int px = setting > 0 ? std::max(2, PixelsY(setting))
                             : (view_ ? view_->fontMetrics().height() + 2 : 16);
  return px * TwipsPerPixelY();
}

// --- Geometry in twips, relative to the grid's top-left corner.

int QtGrid::ColContaining(double x) const {
  if (!view_ || !std::isfinite(x)) return -1;
  double px = x / TwipsPerPixelX();
  if (px >= view_->width()) return -1;
  if (RecordSelectors()) px -= PixelsX(kRecordSelectorWidth);
  if (px < 0) return -1;
  return view_->columnAt(static_cast<int>(std::floor(px)));
}

int QtGrid::RowContaining(double y) const {
  if (!view_ || !std::isfinite(y)) return -1;
  if (y / TwipsPerPixelY() >= view_->height()) return -1;
  const double px = y / TwipsPerPixelY() - PixelsY(HeaderLines() * kLineHeight);
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
  const double px = y / TwipsPerPixelY() - PixelsY(HeaderLines() * kLineHeight);
  return px >= static_cast<double>(total - offset_) * RowPixels();
}

// --- Editing: the core keeps the text, the line edit shows it.

void QtGrid::EditActive(bool active) {
  if (!active || !view_) return GridCore::EditActive(active);
  if (GridCore::EditActive()) return;
  RevealCurrent();  // the editor opens on the current row, also when it was scrolled away
  BeginEdit(viewRow_ >= 0 ? viewRow_ : CurrentOrdinal(), Col(), false);
}

// The core started, ended or changed an edit: the line edit follows. Changes the
// view makes itself (the user opening or closing the editor) need nothing here.
void QtGrid::EditChanged() {
  if (!view_ || !delegate_ || editorOpening_) return;
  QWidget* editor = delegate_->Editor();
  if (!GridCore::EditActive()) {
    if (editor) delegate_->Close();
    return;
  }
  if (!editor) {
    const int row = ViewRowOf(EditOrdinal());
    if (row < 0) return;
    {
      qt::FlagScope opening(editorOpening_);
      view_->edit(model_->index(row, EditColumn()));
    }
    editor = delegate_->Editor();
  }
  if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    const QString text = QString::fromStdString(EditText());
    if (edit->text() != text) edit->setText(text);
  }
}

void QtGrid::EditorTextChanged(const std::string& text) {
  if (GridCore::EditActive()) EditText(text);
}

}  // namespace vmbgrid
