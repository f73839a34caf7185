// The widgets behind QtGrid: the table view that turns Qt events into the grid's
// notifications, the model over the grid's window of rows and the cell editor.
#pragma once

#include <QAbstractTableModel>
#include <QEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

namespace vmbgrid {
class QtGrid;
}

namespace vmbgrid::qt {

// Sets a flag for a scope and gives it back its value afterwards, so that nested
// scopes do not end the outer one.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = old_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

// A message posted through PostMsg, delivered by the Qt event queue in posting order.
class PostedMessageEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  explicit PostedMessageEvent(int id) : QEvent(EventType()), id_(id) {}
  int Id() const { return id_; }

 private:
  int id_;
};

class GridModel : public QAbstractTableModel {
 public:
  explicit GridModel(QtGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(&grid) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void Reset(const std::function<void()>& change);
  // Runs `change`, after which the window holds `rows` rows; rows are added or
  // taken at its end.
  void Resize(int rows, const std::function<void()>& change);
  void InsertColumn(int index, const std::function<void()>& change);
  void RemoveColumn(int index, const std::function<void()>& change);
  // All cells, or those of the columns first .. last.
  void CellsChanged(int first = 0, int last = -1);
  void RowChanged(int ordinal);
  // All captions, or those of the columns first .. last.
  void HeaderChanged(int first = 0, int last = -1);
  // The window shows other rows: all cells and record selectors change.
  void WindowMoved();
  // The record selectors: the current row's marker moved.
  void SelectorsChanged();

 private:
  QtGrid* grid_;
};

class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(QtGrid& grid, QObject* parent) : QStyledItemDelegate(parent), grid_(&grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
  // Check box cells show a centred box instead of Wahr/Falsch.
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  QWidget* Editor() const { return editor_; }
  bool Modified() const;
  // Writes the editor's text into the cell and closes the editor; a text that does
  // not fit keeps it open.
  void Commit();
  // Closes the editor after the core ended the edit.
  void Close();
  // Closes the editor without writing.
  void Discard();

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  QtGrid* grid_;
  mutable QPointer<QWidget> editor_;
};

class GridView : public QTableView {
 public:
  GridView(QtGrid& grid, QWidget* parent);
  ~GridView() override;
  QtGrid& Grid() const { return *grid_; }

  // The view's own handling of a key, after the notifications had their say; rows
  // are moved by the grid, which knows the rows beyond the window.
  void DefaultKey(QKeyEvent* event);
  // Scrolls the columns to a cell of the window (its row is in view already).
  void ScrollColumnsTo(const QModelIndex& index) { QTableView::scrollTo(index, EnsureVisible); }
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void keyboardSearch(const QString& search) override;
  // Moves the focus along the window's focus chain.
  bool FocusChain(bool next) { return focusNextPrevChild(next); }
  void ForgetGrid() { grid_ = nullptr; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* object, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  bool focusNextPrevChild(bool next) override;
  void scrollContentsBy(int dx, int dy) override;
  void updateGeometries() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QtGrid* grid_;
};

}  // namespace vmbgrid::qt
