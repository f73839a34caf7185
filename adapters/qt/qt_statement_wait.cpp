#include "adapters/qt/qt_statement_wait.h"

#include <QApplication>
#include <QKeyEvent>

#include "adapters/qt/qt_grid_view.h"

namespace vmbgrid {

bool QtStatementWait::Waiting(double /*seconds*/) {
  if (!active_) {
    active_ = true;
    cancel_ = false;
    qApp->installEventFilter(this);
    if (onWaiting_) onWaiting_(true);
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return cancel_;
}

void QtStatementWait::Ended() {
  if (!active_) return;
  active_ = false;
  qApp->removeEventFilter(this);
  // The library's messages, in the order they were posted, now that the connection is free.
  for (const Deferred& d : std::exchange(deferred_, {}))
    if (d.receiver) QCoreApplication::postEvent(d.receiver, new qt::PostedMessageEvent(d.id));
  if (onWaiting_) onWaiting_(false);
}

bool QtStatementWait::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancel_ = true;
      return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;  // the user's input waits for the statement
    case QEvent::Timer:
      return true;  // a timer fires again when its time comes next
    default:
      break;
  }
  if (event->type() == qt::PostedMessageEvent::EventType()) {
    deferred_.push_back({watched, static_cast<qt::PostedMessageEvent*>(event)->Id()});
    return true;
  }
  return false;
}

}  // namespace vmbgrid
