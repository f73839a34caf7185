// vmbgrid_bench_export: ExportText's file writing on a million rows of 11 columns
// (VMBGRID_BENCH_ROWS to change), against the loop a careful engineer writes by
// hand: the same display texts of the grid, quoted, into one reused line buffer,
// written with fwrite. Each iteration runs both, alternating, on wall time (the
// export is I/O as much as CPU). The export also writes its rows aside, puts the
// header in front and flushes the file to disk before renaming it into place.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "adapters/headless/headless.h"
#include "bench/output/table.h"
#include "output/output.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void HandWritten(vmbgrid::HeadlessGrid& grid, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  const std::vector<int> cols = grid.DisplayOrder(true);
  std::string line;
  const int rows = grid.RowCount();
  for (int r = 0; r < rows; ++r) {
    line.clear();
    for (size_t i = 0; i < cols.size(); ++i) {
      if (i) line += ';';
      line += '"';
      line += grid.CellText(r, cols[i]);
      line += '"';
    }
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), f);
  }
  std::fclose(f);
}

void ExportMillionRows(benchmark::State& state) {
  using namespace vmbgrid;
  const int64_t rows = bench::BenchRows(1000000);
  auto rs = bench::CustomerRows(rows);
  HeadlessGrid grid("grdBench");
  VMGrid g;
  g.grid(&grid);
  bench::ConfigureCustomerGrid(g);
  g.SetRS(rs);
  g.Requery();
  const fs::path dir = fs::temp_directory_path() / ("vmbgrid_bench_export_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string ours = (dir / "export.txt").string();
  const std::string base = (dir / "baseline.txt").string();
  double tOurs = 0, tBase = 0;
  for (auto _ : state) {
    const auto b0 = Clock::now();
    HandWritten(grid, base);
    const auto b1 = Clock::now();
    if (!g.OutputCommands().Export().ExportTo(ours)) std::abort();
    const auto o1 = Clock::now();
    tBase += Seconds(b1 - b0);
    tOurs += Seconds(o1 - b1);
    state.SetIterationTime(Seconds(o1 - b1));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(grid.RowCount());
  state.counters["MB"] = static_cast<double>(fs::file_size(ours)) / 1e6;
  state.counters["s"] = tOurs / n;
  state.counters["baseline_s"] = tBase / n;
  state.counters["ratio_baseline"] = tOurs / tBase;
  state.counters["ratio_target1.5"] = tOurs / tBase / 1.5;
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(ExportMillionRows)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  vmbgrid::InstallHeadlessPlatform(&vmbgrid::data::DefaultDataAccess());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vmbgrid::ResetHeadlessPlatform();
  return 0;
}
