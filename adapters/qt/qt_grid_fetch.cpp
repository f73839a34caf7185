// QtGrid: progressive loading. Portions of rows are fetched on the event loop, on
// the thread that owns the recordset and its connection (an SQLite connection is
// never shared between threads), so nothing here needs a lock; between portions
// the event loop paints, scrolls and delivers keys, among them Esc.
#include <QElapsedTimer>
#include <QTimer>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"

namespace vmbgrid {
namespace {

// One FetchMore call, and the time the portions of one event-loop turn may take:
// short enough for the view to follow the scroll bar and for Esc to arrive.
int32_t g_portionRows = 2000;
qint64 g_turnMilliseconds = 12;

}  // namespace

void QtGrid::LoadPortion(int32_t rows, int milliseconds) {
  g_portionRows = std::max<int32_t>(1, rows);
  g_turnMilliseconds = std::max(0, milliseconds);
}

bool QtGrid::Loading() const { return DataSource() && DataSource()->IsFetching(); }

void QtGrid::StartFetching() {
  if (!Loading() || !view_) {
    if (fetchTimer_) fetchTimer_->stop();
    return;
  }
  if (!fetchTimer_) {
    fetchTimer_ = new QTimer(view_);
    fetchTimer_->setInterval(0);
    QObject::connect(fetchTimer_, &QTimer::timeout, view_, [this] { FetchPortion(); });
  }
  fetchTimer_->start();
  if (loadProgress_) loadProgress_();
}

void QtGrid::FetchPortion() {
  std::shared_ptr<Recordset> rs = DataSource();  // a listener may rebind meanwhile
  if (!rs || !rs->IsFetching()) {
    if (fetchTimer_) fetchTimer_->stop();
    return;
  }
  QElapsedTimer turn;
  turn.start();
  inPortion_ = true;
  bool more = true;
  try {
    do {
      more = rs->FetchMore(g_portionRows);
    } while (more && turn.elapsed() < g_turnMilliseconds);
  } catch (...) {
    inPortion_ = false;
    throw;
  }
  inPortion_ = false;
  if (rs == DataSource()) GrowRows();
  if (!more && fetchTimer_) fetchTimer_->stop();
  if (loadProgress_) loadProgress_();
}

bool QtGrid::CancelLoading() {
  if (!Loading()) return false;
  std::shared_ptr<Recordset> rs = DataSource();
  rs->Cancel();
  if (fetchTimer_) fetchTimer_->stop();
  if (rs == DataSource()) GrowRows();
  if (loadProgress_) loadProgress_();
  return true;
}

void QtGrid::GrowRows() {
  if (!model_ || !DataSource()) return;
  const int rows = RowCount();
  if (rows == rows_) return;
  // The window already full and not at the end: only the scroll bar changes, and an
  // edit in progress stays open.
  if (rows < rows_ || windowRows_ < WindowCapacity() || offset_ + windowRows_ >= TotalRows()) {
    ResetRows();
    return;
  }
  rows_ = rows;
  SyncScrollBar();
}

}  // namespace vmbgrid
