// vmbgrid_bench_pdf: printing a 100 000-row table (VMBGRID_BENCH_ROWS to change)
// to a PDF file on the Qt grid streams page by page. It prints the same table cut
// to a tenth first; the peak memory the print adds (resident set, peak reset
// before each print) must be the same for both, i.e. not grow with the rows.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_platform.h"
#include "bench/output/table.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int64_t StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::string(key).size()));
  return 0;
}

// Peak resident memory a PDF print of the first `rows` rows adds, in KiB.
struct PrintCost {
  int64_t peakKb = 0;
  int pages = 0;
  double seconds = 0;
};

PrintCost PrintRows(const std::shared_ptr<vmbgrid::Recordset>& all, int64_t rows,
                    const std::string& path) {
  auto rs = all->Clone();
  rs->Filter("Nr <= " + std::to_string(rows));
  vmbgrid::QtGrid grid("grdBench");
  grid.DataSource(rs);
  grid.PrintToPdf(path);
  std::ofstream("/proc/self/clear_refs") << "5";  // peak resident back to current
  const int64_t before = StatusKb("VmRSS:");
  const auto t0 = Clock::now();
  grid.PrintData();
  PrintCost c;
  c.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  c.peakKb = StatusKb("VmHWM:") - before;
  c.pages = grid.LastPrintPages();
  return c;
}

void PdfStreamsPageByPage(benchmark::State& state) {
  const int64_t rows = vmbgrid::bench::BenchRows(100000);
  auto rs = vmbgrid::bench::CustomerRows(rows);
  const fs::path dir = fs::temp_directory_path() / ("vmbgrid_bench_pdf_" + std::to_string(getpid()));
  fs::create_directories(dir);
  PrintCost tenth, full;
  for (auto _ : state) {
    tenth = PrintRows(rs, rows / 10, (dir / "zehntel.pdf").string());
    full = PrintRows(rs, rows, (dir / "voll.pdf").string());
    state.SetIterationTime(full.seconds);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["pages"] = full.pages;
  state.counters["s"] = full.seconds;
  state.counters["peak_MB_full"] = static_cast<double>(full.peakKb) / 1024.0;
  state.counters["peak_MB_tenth"] = static_cast<double>(tenth.peakKb) / 1024.0;
  state.counters["ratio_peak_full_tenth"] =
      static_cast<double>(full.peakKb) / static_cast<double>(std::max<int64_t>(tenth.peakKb, 1));
  state.counters["pdf_MB"] = static_cast<double>(fs::file_size(dir / "voll.pdf")) / 1e6;
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(PdfStreamsPageByPage)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  vmbgrid::InstallQtPlatform(nullptr, &vmbgrid::data::DefaultDataAccess());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vmbgrid::ResetQtPlatform();
  return 0;
}
