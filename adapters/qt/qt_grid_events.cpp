// QtGrid: the notifications of the contract, raised from the real Qt events.
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "adapters/common/display_format.h"
#include "adapters/qt/key_codes.h"
#include "adapters/qt/qt_dropdown.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
constexpr int kTab = 9, kReturn = 13, kLeft = 37, kRight = 39;
}

void QtGrid::PostMsg(int messageId) {
  if (!view_) return;
  QCoreApplication::postEvent(view_, new qt::PostedMessageEvent(messageId));
}

void QtGrid::DeliverPosted(int messageId) {
  if (Listener()) Listener()->PostEvent(*this, messageId);
}

// Key down first; a handler that sets the code to 0 consumes the key, one that
// changes it gets the changed key performed instead. Characters then pass the
// key-press notification; dropping a control character keeps its key's meaning.
bool QtGrid::HandleKeyPress(QKeyEvent* event, bool inEditor) {
  if (!view_) return false;
  // Esc while rows still load stops the load first, before anything else it does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && CancelLoading())
    return true;
  const int key = qt::VirtualKeyOf(event->key());
  const int shift = qt::ShiftStateOf(event->modifiers());
  if (key != 0 && Listener()) {
    int code = key, state = shift;
    Listener()->KeyDown(*this, code, state);
    if (code == 0) return true;
    if (code != key || state != shift) {
      PerformKey(code, state);
      return true;
    }
  }
  if ((key == 115 && shift == 0) || (key == 40 && shift == 4)) {
    if (OpenDropDown()) return true;
  }
  if (key != 0 && Navigate(key, shift)) return true;
  const QString text = event->text();
  if (text.isEmpty() || !Listener()) return false;
  const QList<uint> chars = text.toUcs4();
  const int original = chars.isEmpty() ? 0 : static_cast<int>(chars.first());
  int ascii = original;
  Listener()->KeyPress(*this, ascii);
  if (ascii == original) return false;
  if (ascii == 0) return original >= 32;
  if (ascii < 32 || ascii > 0x10FFFF) return true;
  // A replaced character is typed into the cell instead of the original one.
  const char32_t replaced = static_cast<char32_t>(ascii);
  const QString replacement = QString::fromUcs4(&replaced, 1);
  if (!inEditor && !GridCore::EditActive()) EditActive(true);
  if (auto* edit = qobject_cast<QLineEdit*>(delegate_->Editor())) {
    if (!inEditor) edit->clear();
    edit->insert(replacement);
    EditorTextChanged(edit->text().toStdString());
  }
  return true;
}

void QtGrid::HandleKeyRelease(QKeyEvent* event) {
  const int key = qt::VirtualKeyOf(event->key());
  if (key == 0 || !Listener()) return;
  int code = key, state = qt::ShiftStateOf(event->modifiers());
  Listener()->KeyUp(*this, code, state);
}

// Tab and Return as the tab mode says: 0 lets Return move along the row and Tab
// leave the grid, 2 lets Tab move along the row.
bool QtGrid::Navigate(int keyCode, int shift) {
  const int direction = (shift & 1) ? -1 : 1;
  if (keyCode == kTab) {
    delegate_->Commit();
    if (TabAction() == 2) {
      StepColumn(direction);
    } else if (view_) {
      view_->FocusChain(direction > 0);
    }
    return true;
  }
  if (keyCode == kReturn && TabAction() == 0) {
    delegate_->Commit();
    StepColumn(direction);
    return true;
  }
  return false;
}

void QtGrid::PerformKey(int keyCode, int shift) {
  if (!view_) return;
  delegate_->Commit();
  if (keyCode == kLeft && shift == 0) return StepColumn(-1);
  if (keyCode == kRight && shift == 0) return StepColumn(1);
  if (Navigate(keyCode, shift)) return;
  const int qtKey = qt::QtKeyOf(keyCode);
  if (qtKey == 0) return;
  QKeyEvent replaced(QEvent::KeyPress, qtKey, qt::ModifiersOf(shift));
  view_->DefaultKey(&replaced);
}

void QtGrid::HandleMouse(QWidget* source, QMouseEvent* event) {
  if (!view_ || !Listener() || !source) return;
  const QPoint p = source->mapTo(view_.data(), event->position().toPoint());
  const double x = p.x() * TwipsPerPixelX(), y = p.y() * TwipsPerPixelY();
  const int button = qt::ButtonOf(event->button());
  const int shift = qt::ShiftStateOf(event->modifiers());
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      // In an active window Qt moves the focus before the press arrives. A click into
      // an inactive window activates it only afterwards, and the focus notification
      // would then come after the click and be taken for a keyboard entry (the search
      // line moving to its first column under the user's criterion): raise it first.
      if (!focused_ && source == view_->viewport() && (view_->focusPolicy() & Qt::ClickFocus))
        HandleFocusChange(nullptr, view_.data());
      Listener()->MouseDown(*this, button, shift, x, y);
      break;
    case QEvent::MouseButtonRelease:
      Listener()->MouseUp(*this, button, shift, x, y);
      break;
    case QEvent::MouseButtonDblClick:
      Listener()->DblClick(*this);
      break;
    default:
      break;
  }
}

void QtGrid::KeyboardContextMenu() {
  if (!view_ || !Listener()) return;
  double x = 0;
  const int col = Col();
  if (HeaderLines() > 0 && col >= 0 && col < ColumnCount() && Column(col).Visible()) {
    const QPoint p =
        view_->viewport()->mapTo(view_.data(), QPoint(view_->columnViewportPosition(col) + 1, 0));
    x = p.x() * TwipsPerPixelX();
  }
  Listener()->MouseUp(*this, kRightButton, 0, x, 0);
}

bool QtGrid::IsCheckBoxCell(int ordinal, int col) const {
  if (col < 0 || col >= ColumnCount()) return false;
  // A Boolean is a box unless the column shows it through its value list.
  const CoreColumn& c = Column(col);
  const bool asBox = c.Presentation() == dbgCheckBox ||
                     (c.Presentation() == dbgNormal && (c.ValueItems().empty() || !c.Translate()));
  return asBox && ValueAt(ordinal, col).IsBoolean();
}

// Focus moving between the view and its cell editor stays inside the grid. Switching
// to another program and back is no focus move inside the form: the grid keeps its
// focus (and its current cell) while the window is inactive, so that coming back
// does not count as entering the grid by the keyboard.
void QtGrid::HandleFocusChange(QWidget*, QWidget* now) {
  if (!view_) return;
  if (!now && !QApplication::activeWindow()) return;
  const bool inside = now && (now == view_ || view_->isAncestorOf(now));
  if (inside == focused_) return;
  focused_ = inside;
  if (!Listener()) return;
  if (inside)
    Listener()->GotFocus(*this);
  else
    Listener()->LostFocus(*this);
}

// The user dragged a header border (or double-clicked it): the core takes the new
// width first and then raises the notification, so that its handler mirrors the
// width the user sees; a cancelled resize is taken back.
void QtGrid::HandleSectionResized(int logical, int, int newSize) {
  if (applying_ || !view_ || logical < 0 || logical >= ColumnCount()) return;
  if (view_->horizontalHeader()->isSectionHidden(logical)) return;
  UserResizedColumn(logical, newSize * TwipsPerPixelX());
}

void QtGrid::HandleSectionMoved(int logical, int, int newVisual) {
  if (applying_ || !view_ || logical < 0 || logical >= ColumnCount()) return;
  UserMovedColumn(logical, newVisual);
}

void QtGrid::HandleScrolled() {
  if (applying_) return;
  const int left = LeftCol();
  if (left == lastLeftCol_) return;
  lastLeftCol_ = left;
  if (Listener()) Listener()->LeftColChange(*this);
}

void QtGrid::HandleRecordSelectorClick(int row) {
  const Variant bookmark = BookmarkAt(OrdinalAt(row));
  if (bookmark.IsNull()) return;
  if (QApplication::keyboardModifiers() & Qt::ControlModifier) return ToggleSelected(bookmark);
  ClearSelection();
  AddSelected(bookmark);
}

}  // namespace vmbgrid

namespace vmbgrid {

bool QtGrid::OpenDropDown() {
  if (!view_ || Col() < 0) return false;
  const std::string name = Column(Col()).DropDown();
  QtDropDown* dropDown = name.empty() ? nullptr : QtDropDown::Find(name);
  if (!dropDown) return false;
  RevealCurrent();
  QRect cell = view_->visualRect(view_->currentIndex());
  cell.moveTopLeft(view_->viewport()->mapToGlobal(cell.topLeft()));
  dropDown->Open(this, cell);
  return true;
}

// Only a value that differs from the cell is put into the editor: a handler of
// the chosen value may have written it already.
void QtGrid::PutChosenValue(const Variant& value) {
  const int ordinal = CurrentOrdinal();
  if (!view_ || ordinal < 0 || Col() < 0) return;
  const std::string text = PlainText(value);
  if (text == EditTextAt(ordinal, Col())) return;
  view_->setFocus(Qt::OtherFocusReason);
  EditActive(true);
  if (GridCore::EditActive()) EditText(text);
  EditChanged();
}

}  // namespace vmbgrid
