root='/work/wt-menus/'
def edit(p, pairs):
    s=open(root+p).read()
    for a,b in pairs:
        assert a in s, (p, a[:60])
        s=s.replace(a,b,1)
    open(root+p,'w').write(s)

edit('adapters/qt/qt_grid_view.h', [
('''  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;''','''  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;'''),
('''  void WindowMoved();
''','''  void WindowMoved();
  // The record selectors: the current row's marker moved.
  void SelectorsChanged();
'''),
('''  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
''','''  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
  // Check box cells show a centred box instead of Wahr/Falsch.
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
'''),
])
edit('adapters/qt/qt_grid_view.cpp', [
('''#include <QHeaderView>
''','''#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
'''),
('''    case Qt::DisplayRole:
      return QString::fromStdString(grid_->DisplayText(row, col));''','''    case Qt::DisplayRole:
      if (grid_->IsCheckBoxCell(row, col)) return QString();
      return QString::fromStdString(grid_->DisplayText(row, col));
    case Qt::CheckStateRole:
      if (!grid_->IsCheckBoxCell(row, col)) return {};
      return grid_->RawValue(row, col).ToBool() ? Qt::Checked : Qt::Unchecked;'''),
('''  if (grid_->IsAddNewRow(grid_->OrdinalAt(section))) return QStringLiteral("*");
  return QString();''','''  const int ordinal = grid_->OrdinalAt(section);
  if (grid_->IsAddNewRow(ordinal)) return QStringLiteral("*");
  // The record selector marks the current row, as a data grid's does.
  if (grid_->RecordSelectors() && ordinal == grid_->CurrentOrdinal() && ordinal >= 0)
    return QStringLiteral("\\u25B6");
  return QString();'''),
('''void GridModel::WindowMoved() {''','''void GridModel::SelectorsChanged() {
  if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void GridModel::WindowMoved() {'''),
('''bool GridDelegate::Modified() const {''','''void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
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

bool GridDelegate::Modified() const {'''),
('''void GridView::keyPressEvent(QKeyEvent* event) {
''','''void GridView::keyPressEvent(QKeyEvent* event) {
  // The context-menu key and Shift+F10 open the menu a right click would.
  if (grid_ && (event->key() == Qt::Key_Menu ||
                (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier))) {
    grid_->KeyboardContextMenu();
    return;
  }
'''),
('''void GridView::keyReleaseEvent(QKeyEvent* event) {''','''void GridView::contextMenuEvent(QContextMenuEvent* event) {
  // Mouse clicks open menus on their release; only the keyboard's request is left.
  if (grid_ && event->reason() == QContextMenuEvent::Keyboard) grid_->KeyboardContextMenu();
  event->accept();
}

void GridView::keyReleaseEvent(QKeyEvent* event) {'''),
])

edit('adapters/qt/qt_grid.h', [
('''  void HandleMouse(QWidget* source, QMouseEvent* event);''','''  void HandleMouse(QWidget* source, QMouseEvent* event);
  // The context-menu key: a right click at the top of the current column (the
  // record selector of a line without header).
  void KeyboardContextMenu();
  // A Boolean value in a column presented as check boxes.
  bool IsCheckBoxCell(int ordinal, int col) const;'''),
])
edit('adapters/qt/qt_grid_events.cpp', [
('''// Focus moving between the view and its cell editor stays inside the grid.''','''void QtGrid::KeyboardContextMenu() {
  if (!view_ || !listener_) return;
  double x = 0;
  const int col = Col();
  if (HeaderLines() > 0 && col >= 0 && col < ColumnCount() && Column(col).Visible()) {
    const QPoint p = view_->viewport()->mapTo(view_.data(), QPoint(view_->columnViewportPosition(col) + 1, 0));
    x = p.x() * TwipsPerPixelX();
  }
  listener_->MouseUp(*this, kRightButton, 0, x, 0);
}

bool QtGrid::IsCheckBoxCell(int ordinal, int col) const {
  if (col < 0 || col >= ColumnCount()) return false;
  if (columns_[col]->Presentation() != dbgCheckBox) return false;
  return RawValue(ordinal, col).IsBoolean();
}

// Focus moving between the view and its cell editor stays inside the grid.'''),
])
edit('adapters/qt/qt_grid_window.cpp', [
('''  } else {
    PlaceCurrent();
  }
}''','''  } else {
    PlaceCurrent();
  }
  model_->SelectorsChanged();
}'''),
])
edit('adapters/qt/qt_grid_state.cpp', [
('''  ScrollToViewRow(ViewRowOf(ordinal), col, kNearest);
}''','''  ScrollToViewRow(ViewRowOf(ordinal), col, kNearest);
  if (rowChanged && model_) model_->SelectorsChanged();
}'''),
])
edit('adapters/qt/qt_menu.cpp', [
('''    action->setCheckable(tool.checked);''','''    action->setCheckable(tool.checkable || tool.checked);'''),
])

edit('adapters/qt/qt_menu.h', [
('''  // Replaces the modal display, for tests: receives the built menu and may trigger
  // one of its actions.
  void ShowWith(std::function<void(QMenu&)> show) { show_ = std::move(show); }''','''  // Replaces the modal display, for tests: receives the built menu and may trigger
  // one of its actions.
  void ShowWith(std::function<void(QMenu&)> show) { show_ = std::move(show); }
  // Fills a menu of the host (a menu bar's) with a band; the entry chosen there is
  // handed to `choose`, which reports it to the listener when the menu has closed.
  using Choose = std::function<void(const MenuTool&)>;
  void FillMenu(QMenu& menu, const std::string& band, const Choose& choose) {
    Fill(menu, band, 0, choose);
  }'''),
('''  void Fill(QMenu& menu, const std::string& band, int depth);''','''  void Fill(QMenu& menu, const std::string& band, int depth, const Choose& choose);'''),
('''  const MenuTool* chosen_ = nullptr;
''',''''''),
])
edit('adapters/qt/qt_menu.cpp', [
('''void QtMenuControl::Fill(QMenu& menu, const std::string& band, int depth) {''','''void QtMenuControl::Fill(QMenu& menu, const std::string& band, int depth, const Choose& choose) {'''),
('''      Fill(*sub, tool.subBand, depth + 1);''','''      Fill(*sub, tool.subBand, depth + 1, choose);'''),
('''    const MenuTool* t = &tool;
    QObject::connect(action, &QAction::triggered, &menu, [this, t] { chosen_ = t; });''','''    // A copy: the band may be rebuilt before the entry's handler runs.
    QObject::connect(action, &QAction::triggered, &menu, [choose, tool] { choose(tool); });'''),
('''  chosen_ = nullptr;
  edited_.clear();
  MenuTool chosen;
  bool any = false;
  {
    QMenu menu;
    Fill(menu, band, 0);
    if (show_)
      show_(menu);
    else
      menu.exec(QPoint(screenX, screenY));
    if (chosen_) {
      chosen = *chosen_;  // the band may change while the handler runs
      any = true;
    }
  }''','''  edited_.clear();
  MenuTool chosen;
  bool any = false;
  {
    QMenu menu;
    Fill(menu, band, 0, [&](const MenuTool& t) {
      chosen = t;
      any = true;
    });
    if (show_)
      show_(menu);
    else
      menu.exec(QPoint(screenX, screenY));
  }'''),
])

edit('adapters/qt/qt_platform.h', [
('''struct QtPlatform {
  QtMessages messages;''','''struct QtPlatform {
  QtDialogFactory dialogs;
  QtMessages messages;'''),
])
s=open(root+'adapters/qt/qt_platform.h').read()
import re
first_include = s.index('#include "')
s = s[:first_include] + '#include "adapters/qt/qt_dialogs.h"\n' + s[first_include:]
open(root+'adapters/qt/qt_platform.h','w').write(s)
edit('adapters/qt/qt_platform.cpp', [
('''  Platform::Install(&p.events);
''','''  Platform::Install(&p.events);
  Platform::Install(static_cast<DialogFactory*>(&p.dialogs));
'''),
])
s=open(root+'tests/qt/CMakeLists.txt').read()
s=s.replace("qt_grid_data_test.cpp qt_grid_window_test.cpp qt_services_test.cpp","qt_grid_data_test.cpp qt_grid_window_test.cpp qt_services_test.cpp\n               qt_dialogs_test.cpp")
open(root+'tests/qt/CMakeLists.txt','w').write(s)
s=open(root+'tests/browser/CMakeLists.txt').read()
s=s.replace("browser_window_test.cpp browser_search_test.cpp","browser_window_test.cpp browser_search_test.cpp browser_menu_test.cpp")
open(root+'tests/browser/CMakeLists.txt','w').write(s)
