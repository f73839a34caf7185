#include "adapters/qt/qt_grid_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "adapters/qt/qt_grid.h"

namespace vmbgrid::qt {

QEvent::Type PostedMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// --- Model.

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_->windowRows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_->ColumnCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = grid_->OrdinalAt(index.row()), col = index.column();
  switch (role) {
    case Qt::DisplayRole:
      if (grid_->IsCheckBoxCell(row, col)) return QString();
      return QString::fromStdString(grid_->ShownText(row, col));
    case Qt::CheckStateRole:
      if (!grid_->IsCheckBoxCell(row, col)) return {};
      return grid_->ValueAt(row, col).ToBool() ? Qt::Checked : Qt::Unchecked;
    case Qt::EditRole:
      return QString::fromStdString(grid_->EditTextAt(row, col));
    case Qt::TextAlignmentRole: {
      int align = grid_->Column(col).Alignment();
      if (align == dbgGeneral) {
        Variant v = grid_->ValueAt(row, col);
        align = v.IsNumberType() || v.IsDate() ? dbgRight : dbgLeft;
      }
      Qt::Alignment h = align == dbgRight    ? Qt::AlignRight
                        : align == dbgCenter ? Qt::AlignHCenter
                                             : Qt::AlignLeft;
      return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    case Qt::BackgroundRole:
      if (grid_->IsSelected(row) && grid_->view_) return grid_->view_->palette().highlight();
      return {};
    case Qt::ForegroundRole:
      if (grid_->IsSelected(row) && grid_->view_) return grid_->view_->palette().highlightedText();
      return {};
    default:
      return {};
  }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const bool ok = grid_->WriteText(grid_->OrdinalAt(index.row()), index.column(),
                                   value.toString().toStdString());
  if (ok && index.row() < rowCount())
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  return ok;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= grid_->ColumnCount()) return {};
    return QString::fromStdString(grid_->Column(section).HeaderText());
  }
  const int ordinal = grid_->OrdinalAt(section);
  if (grid_->IsAddNewRow(ordinal)) return QStringLiteral("*");
  // The record selector marks the current row, as a data grid's does.
  if (grid_->RecordSelectors() && ordinal == grid_->CurrentOrdinal() && ordinal >= 0)
    return QStringLiteral("\u25B6");
  return QString();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (grid_->Editable(grid_->OrdinalAt(index.row()), index.column())) f |= Qt::ItemIsEditable;
  return f;
}

void GridModel::Reset(const std::function<void()>& change) {
  beginResetModel();
  change();
  endResetModel();
}

void GridModel::Resize(int rows, const std::function<void()>& change) {
  const int old = rowCount();
  if (rows > old) {
    beginInsertRows(QModelIndex(), old, rows - 1);
    change();
    endInsertRows();
  } else if (rows < old) {
    beginRemoveRows(QModelIndex(), rows, old - 1);
    change();
    endRemoveRows();
  } else {
    change();
  }
}

void GridModel::InsertColumn(int index, const std::function<void()>& change) {
  beginInsertColumns(QModelIndex(), index, index);
  change();
  endInsertColumns();
}

void GridModel::RemoveColumn(int index, const std::function<void()>& change) {
  beginRemoveColumns(QModelIndex(), index, index);
  change();
  endRemoveColumns();
}

void GridModel::CellsChanged(int first, int last) {
  const int rows = rowCount(), cols = columnCount();
  if (last < 0 || last >= cols) last = cols - 1;
  if (rows > 0 && first >= 0 && first <= last)
    emit dataChanged(index(0, first), index(rows - 1, last));
}

void GridModel::RowChanged(int ordinal) {
  const int row = grid_->ViewRowOf(ordinal);
  const int cols = columnCount();
  if (row >= 0 && row < rowCount() && cols > 0)
    emit dataChanged(index(row, 0), index(row, cols - 1));
}

void GridModel::HeaderChanged(int first, int last) {
  const int cols = columnCount();
  if (last < 0 || last >= cols) last = cols - 1;
  if (first >= 0 && first <= last) emit headerDataChanged(Qt::Horizontal, first, last);
}

void GridModel::SelectorsChanged() {
  if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void GridModel::WindowMoved() {
  CellsChanged();
  if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

// --- Cell editor. The line edit shows the core's edit buffer: opening it starts
// the core's edit, typing sets the core's text, committing writes through the core.

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
  FlagScope scope(grid_->editorOpening_);  // the core's change is the editor's own
  if (!grid_->BeginEdit(grid_->OrdinalAt(index.row()), index.column(), false)) return nullptr;
  auto* edit = new QLineEdit(parent);
  edit->setFrame(false);
  QtGrid* grid = grid_;
  QObject::connect(edit, &QLineEdit::textEdited, edit,
                   [grid](const QString& text) { grid->EditorTextChanged(text.toStdString()); });
  editor_ = edit;
  return edit;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex&) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  if (edit) edit->setText(QString::fromStdString(grid_->EditText()));
}

// Qt's request to write the editor (Enter, Tab or the focus leaving it): the core
// commits what was typed (each keystroke reached it); without typing nothing is
// written and nothing raised, so a text the line edit cannot hold whole (line
// breaks, its length limit) is never written back changed.
void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
  if (!qobject_cast<QLineEdit*>(editor) || !grid_->GridCore::EditActive()) return;
  FlagScope scope(grid_->editorOpening_);  // the core's change is the editor's own
  grid_->CommitEdit();
}

void GridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  if (editor == editor_) {
    editor_ = nullptr;
    // Closed by the view without writing (Esc, the rows replaced): the edit is dropped.
    FlagScope scope(grid_->editorOpening_);  // the core's change is the editor's own
    grid_->CancelEdit();
  }
  QStyledItemDelegate::destroyEditor(editor, index);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QVariant check = index.data(Qt::CheckStateRole);
  if (!check.isValid()) return QStyledItemDelegate::paint(painter, option, index);
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  cell.text.clear();
  QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  QStyleOptionViewItem box = cell;
  const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &cell, cell.widget);
  const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &cell, cell.widget);
  box.rect = QRect(option.rect.center().x() - w / 2, option.rect.center().y() - h / 2, w, h);
  box.state = (option.state & QStyle::State_Enabled) |
              (check.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, cell.widget);
}

bool GridDelegate::Modified() const { return editor_ && grid_->DataChanged(); }

void GridDelegate::Commit() {
  QWidget* editor = editor_;
  if (!editor) return;
  emit commitData(editor);
  // A text that does not fit stays in the editor, as the core keeps it.
  if (editor_ == editor && !grid_->GridCore::EditActive())
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridDelegate::Close() {
  QWidget* editor = editor_;
  if (editor) emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridDelegate::Discard() {
  QWidget* editor = editor_;
  if (editor) emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (grid_->HandleKeyPress(static_cast<QKeyEvent*>(event), true)) return true;
  } else if (event->type() == QEvent::KeyRelease) {
    grid_->HandleKeyRelease(static_cast<QKeyEvent*>(event));
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

// --- View.

GridView::GridView(QtGrid& grid, QWidget* parent) : QTableView(parent), grid_(&grid) {
  horizontalHeader()->viewport()->installEventFilter(this);
  verticalHeader()->viewport()->installEventFilter(this);
}

bool GridView::event(QEvent* event) {
  if (event->type() == PostedMessageEvent::EventType()) {
    if (grid_) grid_->DeliverPosted(static_cast<PostedMessageEvent*>(event)->Id());
    return true;
  }
  // Tab would move the focus before the key notifications see it.
  if (event->type() == QEvent::KeyPress && grid_) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        grid_->HandleKeyPress(key, false))
      return true;
  }
  return QTableView::event(event);
}

bool GridView::eventFilter(QObject* object, QEvent* event) {
  if (grid_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        grid_->HandleMouse(static_cast<QWidget*>(object), static_cast<QMouseEvent*>(event));
        break;
      default:
        break;
    }
  }
  return QTableView::eventFilter(object, event);
}

void GridView::keyPressEvent(QKeyEvent* event) {
  // The context-menu key and Shift+F10 open the menu a right click would.
  if (grid_ && (event->key() == Qt::Key_Menu ||
                (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier))) {
    grid_->KeyboardContextMenu();
    return;
  }
  if (grid_ && grid_->HandleKeyPress(event, false)) return;
  DefaultKey(event);
}

void GridView::DefaultKey(QKeyEvent* event) {
  if (grid_ && grid_->NavigateRows(event)) return;
  QTableView::keyPressEvent(event);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
  // Mouse clicks open menus on their release; only the keyboard's request is left.
  if (grid_ && event->reason() == QContextMenuEvent::Keyboard) grid_->KeyboardContextMenu();
  event->accept();
}

void GridView::keyReleaseEvent(QKeyEvent* event) {
  if (grid_) grid_->HandleKeyRelease(event);
  QTableView::keyReleaseEvent(event);
}

void GridView::mousePressEvent(QMouseEvent* event) {
  if (grid_) grid_->HandleMouse(viewport(), event);
  QTableView::mousePressEvent(event);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (grid_) grid_->HandleMouse(viewport(), event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (grid_) grid_->HandleMouse(viewport(), event);
}

// The ordinal is taken before anything can move the window; the view's own scrolling
// to the new current cell is left to the grid, which scrolls the window.
void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (!grid_) return QTableView::currentChanged(current, previous);
  const int ordinal = current.isValid() ? grid_->OrdinalAt(current.row()) : -1;
  const bool placing = grid_->placing_;
  grid_->placing_ = true;
  QTableView::currentChanged(current, previous);
  if (grid_) grid_->placing_ = placing;
  if (grid_ && current.isValid()) grid_->CurrentChangedInView(ordinal, current.column());
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!grid_ || !index.isValid() || index.model() != model())
    return QTableView::scrollTo(index, hint);
  if (grid_->placing_) return;
  grid_->ScrollToViewRow(index.row(), index.column(), hint);
}

void GridView::keyboardSearch(const QString& search) {
  if (!grid_) return QTableView::keyboardSearch(search);
  grid_->KeyboardSearch(search);
}

// The vertical scroll bar's value is the window's first ordinal; the rows of the
// window itself never scroll.
void GridView::scrollContentsBy(int dx, int dy) {
  if (!grid_) return QTableView::scrollContentsBy(dx, dy);
  if (dy != 0 && !grid_->barSetting_) grid_->SetWindow(verticalScrollBar()->value());
  if (dx != 0) QTableView::scrollContentsBy(dx, 0);
}

void GridView::updateGeometries() {
  if (!grid_) return QTableView::updateGeometries();
  // The table sets the bar's range for the window's rows and scrolls its header by
  // the bar's value; at 0 the header stays put, and the bar gets the whole range back.
  const bool setting = grid_->barSetting_;
  grid_->barSetting_ = true;
  verticalScrollBar()->setValue(0);
  QTableView::updateGeometries();
  if (!grid_) return;
  if (verticalHeader()->offset() != 0) {
    verticalHeader()->setOffset(0);
    viewport()->update();
  }
  grid_->barSetting_ = setting;
  grid_->SyncScrollBar();
}

void GridView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  if (grid_) grid_->FitWindow();
}

GridView::~GridView() {
  if (grid_) grid_->ViewGone();
}

bool GridView::focusNextPrevChild(bool next) { return QTableView::focusNextPrevChild(next); }

}  // namespace vmbgrid::qt
