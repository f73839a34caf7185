// vmbgrid_bench_qt: the browser window on a generated customer table.
//   VMBGRID_BENCH_ROWS  rows of the generated table (default 1000000)
//   VMBGRID_BENCH_DB    database file to use or create (default in the temp folder)
// Each figure is printed with its ratio to a plain QTableView over a trivial model
// of the same size (Qt's own cost of the same paint) and to its target.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_platform.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "apps/browser/browser_window.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "tools/sampledb/sample_data.h"

namespace {

using Clock = std::chrono::steady_clock;
using vmbgrid::browser::BrowserWindow;

int64_t g_rows = 1000000;
std::string g_path;
BrowserWindow* g_window = nullptr;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Qt's floor: a table view over a model that computes every cell from its row.
class TrivialModel : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex& = QModelIndex()) const override { return rows_; }
  int columnCount(const QModelIndex& = QModelIndex()) const override { return 10; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return QString::number(index.row() * 10 + index.column());
  }
  void Reset(int rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }

 private:
  int rows_ = 0;
};

struct Baseline {
  TrivialModel model;
  QTableView view;
  Baseline() {
    view.setModel(&model);
    view.resize(g_window->DataGrid()->View()->size());
    view.verticalHeader()->setDefaultSectionSize(g_window->DataGrid()->View()->rowHeight(0));
    view.show();
  }
};
Baseline* g_baseline = nullptr;

void Drain() { QApplication::processEvents(QEventLoop::AllEvents); }

// Runs the event loop until the data grid holds every row of a progressive load.
void FinishLoad() {
  while (g_window->DataGrid()->Loading()) Drain();
  Drain();
}

int64_t HeapInUse() { return static_cast<int64_t>(mallinfo2().uordblks); }
int64_t Resident() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// End of Requery to the first frame of the window: the posted re-bind messages run
// and the window paints.
void FirstFrameAfterRequery(benchmark::State& state) {
  vmbgrid::VMGrid& grid = *g_window->Controller();
  double ours = 0, base = 0;
  for (auto _ : state) {
    grid.Requery();
    FinishLoad();  // all rows, as before progressive loading
    const auto t0 = Clock::now();
    Drain();
    QPixmap frame = g_window->grab();
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(frame);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    ours += Ms(t1 - t0);

    g_baseline->model.Reset(static_cast<int>(g_rows));
    const auto b0 = Clock::now();
    Drain();
    QPixmap plain = g_baseline->view.grab();
    base += Ms(Clock::now() - b0);
    benchmark::DoNotOptimize(plain);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(grid.RecordCount());
  state.counters["ms"] = ours / n;
  state.counters["baseline_ms"] = base / n;
  state.counters["ratio_baseline"] = ours / base;
  state.counters["ratio_target50ms"] = ours / n / 50.0;
}

// From the call of Requery with every row asked for (MaxRecords 0) to the first
// painted frame that shows rows, while the rest still loads; then Esc, until the
// key has stopped the load and control is back. The browser's own order (ORDER BY
// Name) makes the engine sort every row before it hands over the first one, so the
// sorted case is measured apart from the table's own order.
void FirstRowsAndEsc(benchmark::State& state, bool sorted) {
  vmbgrid::VMGrid& grid = *g_window->Controller();
  QTableView* view = g_window->DataGrid()->View();
  const int32_t limit = grid.MaxRecords();
  grid.MaxRecords(0);
  if (!sorted) {
    grid.DeleteAllSortColumns();
    grid.SortBy("");
  }
  double requery = 0, first = 0, esc = 0, rowsShown = 0;
  bool loadingAtFirstFrame = true, stopped = true;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    grid.Requery();
    const auto t1 = Clock::now();
    Drain();
    QPixmap frame = g_window->grab();
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(frame);
    loadingAtFirstFrame = loadingAtFirstFrame && g_window->DataGrid()->Loading();
    rowsShown += g_window->DataGrid()->RowCount();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    const auto e0 = Clock::now();
    QApplication::sendEvent(view, &press);
    const auto e1 = Clock::now();
    stopped = stopped && !g_window->DataGrid()->Loading();
    Drain();
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    requery += Ms(t1 - t0);
    first += Ms(t2 - t0);
    esc += Ms(e1 - e0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["requery_ms"] = requery / n;
  state.counters["first_frame_ms"] = first / n;
  state.counters["rows_at_first_frame"] = rowsShown / n;
  state.counters["loading_at_first_frame"] = loadingAtFirstFrame;
  state.counters["ratio_target100ms"] = first / n / 100.0;
  state.counters["esc_ms"] = esc / n;
  state.counters["esc_stopped_load"] = stopped;
  state.counters["ratio_esc_target50ms"] = esc / n / 50.0;
  // Back to the state the other benchmarks measure: all rows, sorted by name.
  grid.MaxRecords(limit);
  if (!sorted) grid.AddSortColumn("Name");
  grid.MaxRecords(0);
  grid.Requery();
  FinishLoad();
}

void FirstRowsAndEscTableOrder(benchmark::State& state) { FirstRowsAndEsc(state, false); }
void FirstRowsAndEscSortedByName(benchmark::State& state) { FirstRowsAndEsc(state, true); }

// Jump to the last row and paint it: must fit in one frame (16.7 ms).
void ScrollToLastRow(benchmark::State& state) {
  QTableView* view = g_window->DataGrid()->View();
  double ours = 0, base = 0;
  bool lastShown = false;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    view->scrollToBottom();
    view->viewport()->repaint();
    const auto t1 = Clock::now();
    const int last = view->model()->rowCount() - 1;
    lastShown = view->rowAt(view->viewport()->height() - 1) == last ||
                view->rowAt(view->viewport()->height() - view->rowHeight(last)) == last;
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    ours += Ms(t1 - t0);
    const auto b0 = Clock::now();
    g_baseline->view.scrollToBottom();
    g_baseline->view.viewport()->repaint();
    base += Ms(Clock::now() - b0);

    view->scrollToTop();
    g_baseline->view.scrollToTop();
    Drain();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["last_row_shown"] = lastShown;
  state.counters["ms"] = ours / n;
  state.counters["baseline_ms"] = base / n;
  state.counters["ratio_baseline"] = ours / base;
  state.counters["ratio_frame16.7ms"] = ours / n / (1000.0 / 60.0);
}

// Memory a grid adds on top of the recordset it shows: a second grid of the data
// grid's size, shown and painted empty first (its window, backing store and
// headers, the same for any number of rows), then bound to the loaded recordset,
// painted at the top and at the bottom. What the binding adds, per row, is the
// grid's cost of the rows. The baseline is a plain QTableView over the trivial
// model, measured the same way: what Qt's view keeps per row whatever the model
// (the header's section table).
void ModelMemory(benchmark::State& state) {
  auto rs = g_window->Controller()->CurrentRecordset();
  const QSize size = g_window->DataGrid()->View()->size();
  int64_t heap = 0, resident = 0, fixed = 0, baseHeap = 0;
  for (auto _ : state) {
    Drain();
    malloc_trim(0);
    {
      TrivialModel model;
      QTableView view;
      view.resize(size);
      view.setModel(&model);
      view.show();
      Drain();
      benchmark::DoNotOptimize(view.grab());
      view.viewport()->repaint();
      malloc_trim(0);
      const int64_t b0 = HeapInUse();
      model.Reset(rs->RecordCount());
      Drain();
      benchmark::DoNotOptimize(view.grab());
      view.scrollToBottom();
      view.viewport()->repaint();
      baseHeap = HeapInUse() - b0;
    }
    Drain();
    malloc_trim(0);
    const int64_t h0 = HeapInUse();
    {
      vmbgrid::QtGrid grid("grdMessung");
      grid.View()->resize(size);
      grid.View()->show();
      Drain();
      benchmark::DoNotOptimize(grid.View()->grab());
      grid.View()->viewport()->repaint();  // touches the backing store
      malloc_trim(0);
      const int64_t h1 = HeapInUse();
      const int64_t r1 = Resident();
      grid.DataSource(rs);
      Drain();
      benchmark::DoNotOptimize(grid.View()->grab());
      grid.View()->scrollToBottom();
      grid.View()->viewport()->repaint();
      malloc_trim(0);  // the freed paint buffers are not the grid's
      heap = HeapInUse() - h1;
      resident = Resident() - r1;
      fixed = h1 - h0;
    }
    Drain();
  }
  const double rows = static_cast<double>(rs->RecordCount());
  state.counters["rows"] = rows;
  state.counters["empty_grid_heap_bytes"] = static_cast<double>(fixed);
  state.counters["heap_bytes"] = static_cast<double>(heap);
  state.counters["resident_bytes"] = static_cast<double>(resident);
  state.counters["heap_bytes_per_row"] = static_cast<double>(heap) / rows;
  state.counters["resident_bytes_per_row"] = static_cast<double>(resident) / rows;
  state.counters["baseline_heap_bytes_per_row"] = static_cast<double>(baseHeap) / rows;
  state.counters["ratio_baseline"] = static_cast<double>(heap) / static_cast<double>(baseHeap);
  state.counters["ratio_target1B"] = static_cast<double>(heap) / rows / 1.0;
}

}  // namespace

BENCHMARK(FirstFrameAfterRequery)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollToLastRow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(ModelMemory)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRowsAndEscTableOrder)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRowsAndEscSortedByName)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (const char* rows = std::getenv("VMBGRID_BENCH_ROWS")) g_rows = std::atoll(rows);
  if (g_rows <= 0) g_rows = 1000000;
  const char* db = std::getenv("VMBGRID_BENCH_DB");
  g_path = db ? db
              : (std::filesystem::temp_directory_path() /
                 ("vmbgrid_bench_" + std::to_string(g_rows) + ".db"))
                    .string();
  if (!std::filesystem::exists(g_path)) {
    vmbgrid::sampledb::Options options;
    options.rows = g_rows;
    const std::string err = vmbgrid::sampledb::Generate(g_path, options);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
  }

  vmbgrid::browser::BrowserApplication app(argc, argv);
  vmbgrid::sqlite::Register();
  vmbgrid::browser::Options options;
  options.db = g_path;
  int rc = 0;
  {
    BrowserWindow window(options, true);
    vmbgrid::InstallQtPlatform(&window, &vmbgrid::data::DefaultDataAccess());
    window.InstallMessages();
    window.show();
    const auto t0 = Clock::now();
    if (!window.Open() || !window.Controller()) {
      std::fprintf(stderr, "Die Datenbank %s kann nicht geöffnet werden.\n", g_path.c_str());
      return 1;
    }
    g_window = &window;
    FinishLoad();
    std::printf("first load of %lld rows (window included): %.0f ms\n",
                static_cast<long long>(window.Controller()->RecordCount()), Ms(Clock::now() - t0));
    g_window = &window;
    Baseline baseline;
    g_baseline = &baseline;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_baseline = nullptr;
    g_window = nullptr;
  }
  vmbgrid::ResetQtPlatform();
  return rc;
}
