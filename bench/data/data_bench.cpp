// Benchmarks of the data-access layer on the generated customer table: loading a
// client recordset, filtering and sorting it in memory, and its memory use. Each
// prints its ratio to a baseline measured in the same run.
//
//   vmbgrid_bench_data [benchmark flags]
//   VMBGRID_BENCH_ROWS  rows of the generated table (default 1000000)
//   VMBGRID_BENCH_DB    database file to use or create (default in the temp folder)
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "adapters/sqlite/sqlite_provider.h"
#include "bench/data/bench_support.h"
#include "data/provider.h"
#include "host/platform.h"
#include "tools/sampledb/sample_data.h"

#ifdef VMBGRID_HAVE_QTSQL
#include <QCoreApplication>
#endif

namespace vmbgrid::bench {

namespace {

// CPU time of this thread (see baselines.cpp).
struct Clock {
  static double now() { return ThreadSeconds(); }
};

std::string g_path;
int64_t g_rows = 1000000;
std::map<std::string, double> g_seconds;
std::vector<std::string> g_summary;

double Since(double start) { return ThreadSeconds() - start; }

std::string ConnectionString() { return "Provider=SQLite;Data Source=" + g_path; }

std::shared_ptr<Connection> OpenConnection() {
  auto c = Platform::Data().CreateConnection();
  c->Open(ConnectionString());
  return c;
}

std::shared_ptr<Recordset> LoadAll(const std::shared_ptr<Connection>& c) {
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->Open("SELECT * FROM Kunden", c, adOpenStatic, adLockReadOnly, adCmdText);
  return rs;
}

size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

void RecordsetOpen(benchmark::State& state) {
  auto c = OpenConnection();
  double total = 0;
  int64_t iterations = 0, count = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    auto rs = LoadAll(c);
    count = rs->RecordCount();
    total += Since(start);
    ++iterations;
    rs->Close();
  }
  state.counters["rows"] = static_cast<double>(count);
  const double s = total / static_cast<double>(iterations);
  ReportRatio(state, "RecordsetOpen", s, "RawStepLoop");
  if (RecordedSeconds("QtSqlQueryLoop") > 0) {
    state.counters["ratio_qt"] = s / RecordedSeconds("QtSqlQueryLoop");
    char line[160];
    std::snprintf(line, sizeof line, "%-16s %8.1f ms  %.2fx QtSqlQueryLoop (%.1f ms)",
                  "RecordsetOpen", s * 1e3, s / RecordedSeconds("QtSqlQueryLoop"),
                  RecordedSeconds("QtSqlQueryLoop") * 1e3);
    g_summary.push_back(line);
  }
}

void RecordsetFilter(benchmark::State& state) {
  auto c = OpenConnection();
  auto rs = LoadAll(c);
  double total = 0;
  int64_t iterations = 0, count = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    rs->Filter("[Name] LIKE 'Mei*'");
    count = rs->RecordCount();
    total += Since(start);
    ++iterations;
    rs->Filter("");
  }
  state.counters["matches"] = static_cast<double>(count);
  ReportRatio(state, "RecordsetFilter", total / static_cast<double>(iterations),
              "SqliteInMemoryLike");
}

// The first sort of a freshly loaded recordset (the load is not measured): it
// computes every sort key.
void FirstSort(benchmark::State& state, const char* statement, const char* order, const char* name,
               const char* baseline) {
  auto c = OpenConnection();
  double total = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto rs = Platform::Data().CreateRecordset();
    rs->CursorLocation(adUseClient);
    rs->Open(statement, c, adOpenStatic, adLockReadOnly, adCmdText);
    state.ResumeTiming();
    const auto start = Clock::now();
    rs->Sort(order);
    rs->MoveFirst();
    total += Since(start);
    ++iterations;
    state.PauseTiming();
    rs->Close();
    state.ResumeTiming();
  }
  ReportRatio(state, name, total / static_cast<double>(iterations), baseline);
}

void RecordsetSort(benchmark::State& state) {
  FirstSort(state, "SELECT * FROM Kunden", "[Name] ASC", "RecordsetSort", "IcuSortKeySort");
}

// A text that differs in every row.
void RecordsetSortDistinct(benchmark::State& state) {
  FirstSort(state, kDistinctNames, "[Voll] ASC", "RecordsetSortDistinct", "IcuSortKeySortDistinct");
}

// Sorting the same column again (the other direction, as a second header click
// does): the keys of the first sort are reused.
void RecordsetSortAgain(benchmark::State& state) {
  auto c = OpenConnection();
  auto rs = LoadAll(c);
  rs->Sort("[Name] ASC");
  double total = 0;
  int64_t iterations = 0;
  bool descending = true;
  for (auto _ : state) {
    const auto start = Clock::now();
    rs->Sort(descending ? "[Name] DESC" : "[Name] ASC");
    rs->MoveFirst();
    total += Since(start);
    ++iterations;
    descending = !descending;
  }
  ReportRatio(state, "RecordsetSortAgain", total / static_cast<double>(iterations),
              "IcuSortKeySort");
}

void RecordsetMemory(benchmark::State& state) {
  auto c = OpenConnection();
  const double file = static_cast<double>(std::filesystem::file_size(g_path));
  double heap = 0, resident = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const size_t heap0 = HeapInUse(), rss0 = ResidentBytes();
    auto rs = LoadAll(c);
    heap = static_cast<double>(HeapInUse()) - static_cast<double>(heap0);
    resident = static_cast<double>(ResidentBytes()) - static_cast<double>(rss0);
    benchmark::DoNotOptimize(rs->RecordCount());
    rs->Close();
  }
  state.counters["file_MB"] = file / 1e6;
  state.counters["heap_MB"] = heap / 1e6;
  state.counters["rss_MB"] = resident / 1e6;
  state.counters["ratio"] = heap / file;
  char line[200];
  std::snprintf(line, sizeof line,
                "%-16s heap %.1f MB, resident %.1f MB, file %.1f MB: %.2fx (resident %.2fx)",
                "RecordsetMemory", heap / 1e6, resident / 1e6, file / 1e6, heap / file,
                resident / file);
  g_summary.push_back(line);
}

}  // namespace

const std::string& DatabasePath() { return g_path; }
int64_t DatabaseRows() { return g_rows; }

void RecordSeconds(const std::string& name, double seconds) { g_seconds[name] = seconds; }

double RecordedSeconds(const std::string& name) {
  auto it = g_seconds.find(name);
  return it == g_seconds.end() ? 0 : it->second;
}

void ReportRatio(benchmark::State& state, const std::string& name, double seconds,
                 const std::string& baseline) {
  RecordSeconds(name, seconds);
  const double base = RecordedSeconds(baseline);
  char line[160];
  if (base > 0) {
    state.counters["ratio"] = seconds / base;
    std::snprintf(line, sizeof line, "%-16s %8.1f ms  %.2fx %s (%.1f ms)", name.c_str(),
                  seconds * 1e3, seconds / base, baseline.c_str(), base * 1e3);
  } else {
    std::snprintf(line, sizeof line, "%-16s %8.1f ms  (baseline %s not run)", name.c_str(),
                  seconds * 1e3, baseline.c_str());
  }
  g_summary.push_back(line);
}

void PrintSummary() {
  std::printf("\nRatios to the baselines of this run (%lld rows):\n",
              static_cast<long long>(g_rows));
  for (const std::string& line : g_summary) std::printf("  %s\n", line.c_str());
}

}  // namespace vmbgrid::bench

using namespace vmbgrid::bench;

// Baselines first: each measured benchmark divides by the one run before it.
BENCHMARK(RawStepLoop)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(QtSqlQueryLoop)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetOpen)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteInMemoryLike)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetFilter)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(IcuSortKeySort)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetSort)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetSortAgain)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(IcuSortKeySortDistinct)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetSortDistinct)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordsetMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
#ifdef VMBGRID_HAVE_QTSQL
  QCoreApplication app(argc, argv);
#endif
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
  vmbgrid::sqlite::Register();
  vmbgrid::Platform::Install(&vmbgrid::data::DefaultDataAccess());

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}
