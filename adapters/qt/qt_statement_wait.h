// While a statement waits on the data source (another session's lock, a long sort)
// the window keeps painting and Esc cancels the statement. The wait runs on the
// event loop's thread, so the loop is turned from inside the wait with the user's
// other input held back, timers left for later and the library's posted messages
// delivered once the statement is over: nothing can start a second statement on
// the connection that waits.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "host/data_access.h"

namespace vmbgrid {

class QtStatementWait : public QObject, public StatementWait {
 public:
  bool Waiting(double seconds) override;
  void Ended() override;
  // Told when a noticeable wait begins (true) and ends (false), e.g. for a status line.
  void OnWaiting(std::function<void(bool waiting)> f) { onWaiting_ = std::move(f); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Deferred {
    QPointer<QObject> receiver;
    int id;
  };
  std::function<void(bool)> onWaiting_;
  std::vector<Deferred> deferred_;
  bool active_ = false;
  bool cancel_ = false;
};

}  // namespace vmbgrid
