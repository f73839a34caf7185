// Benchmarks of the controller on the generated customer table: Requery against
// the data-access layer running the same statement, statement building for a full
// search line, and the sum line against a plain loop over the loaded column store.
//
// The machine is shared, so every benchmark interleaves its subject and its
// baseline round by round (each round in the other order than the one before) and
// reports the median of the per-round figures: the load of others then falls on
// both alike. Times are CPU time of the benchmark thread.
//
//   vmbgrid_bench_controller [benchmark flags]
//   VMBGRID_BENCH_ROWS  rows of the generated table (default 1000000)
//   VMBGRID_BENCH_DB    database file to use or create (default in a temp folder)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/controller/controller_fixture.h"
#include "host/error.h"
#include "host/platform.h"
#include "search/sum_row.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::bench {

namespace {

std::string g_db;
std::string g_folder;
int64_t g_rows = 1000000;
std::vector<std::string> g_summary;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Timed(const std::function<void()>& work) {
  const double start = ThreadSeconds();
  work();
  return ThreadSeconds() - start;
}

// One round per benchmark iteration: subject and baseline, alternating which runs
// first. The subject's time is the iteration time.
struct Rounds {
  std::vector<double> subject, baseline;

  void Run(benchmark::State& state, const std::function<void()>& subjectWork,
           const std::function<void()>& baselineWork) {
    double s = 0, b = 0;
    if (subject.size() % 2 == 0) {
      s = Timed(subjectWork);
      b = Timed(baselineWork);
    } else {
      b = Timed(baselineWork);
      s = Timed(subjectWork);
    }
    subject.push_back(s);
    baseline.push_back(b);
    state.SetIterationTime(s);
  }
  std::vector<double> Ratios() const {
    std::vector<double> r;
    for (size_t i = 0; i < subject.size(); ++i)
      r.push_back(baseline[i] > 0 ? subject[i] / baseline[i] : 0);
    return r;
  }
};

void Fail(benchmark::State& state, const std::string& why) {
  state.SkipWithError(why.c_str());
  g_summary.push_back("FEHLER: " + why);
}

// Requery through the controller, types resolved by the first load, against the
// statement it sent, opened through a command into a client recordset. The
// baseline also releases its recordset, as the controller releases the previous one.
void Requery(benchmark::State& state, int32_t maxRecords, const char* label) {
  KundenHost host(g_db, g_folder);
  host.Grid().MaxRecords(maxRecords);
  host.Requery();  // first load: types, layout, search and sum lines
  host.Requery();
  const std::string statement = host.LastSelect();
  const int32_t rows = host.Grid().RecordCount();
  if (statement.empty() || rows <= 0) {
    Fail(state, std::string(label) + ": der Controller hat keine Zeilen geladen");
    return;
  }
  Rounds rounds;
  bool same = true;
  for (auto _ : state) {
    host.ClearLog();
    rounds.Run(
        state, [&] { host.Requery(); },
        [&] {
          auto rs = OpenThroughDataLayer(statement, host.ConnectionString());
          same = same && rs->RecordCount() == rows;
        });
    // Both ran the one statement, on the same connection.
    same = same && host.Grid().RecordCount() == rows &&
           host.Log() == std::vector<std::string>{statement, statement};
  }
  if (!same) {
    Fail(state, std::string(label) + ": Controller und Datenzugriff lasen nicht dasselbe");
    return;
  }
  std::vector<double> shares;
  for (size_t i = 0; i < rounds.subject.size(); ++i)
    shares.push_back((rounds.subject[i] - rounds.baseline[i]) / rounds.subject[i]);
  const double ctl = Median(rounds.subject), data = Median(rounds.baseline);
  const double share = Median(shares);
  state.counters["rows"] = rows;
  state.counters["controller_ms"] = ctl * 1e3;
  state.counters["data_ms"] = data * 1e3;
  state.counters["share_pct"] = share * 100;
  char line[240];
  std::snprintf(line, sizeof line,
                "%-22s controller %9.2f ms, data layer %9.2f ms: own share %5.1f %% "
                "(ratio %.3fx, target <= 5 %%)",
                label, ctl * 1e3, data * 1e3, share * 100, Median(rounds.Ratios()));
  g_summary.push_back(line);
}

void RequeryFirst1000(benchmark::State& state) { Requery(state, 1000, "Requery TOP 1000"); }
void RequeryAll(benchmark::State& state) { Requery(state, 0, "Requery all rows"); }

// Statement building for a search line of 20 criteria; types set, so nothing is
// sent to the database. Batches of statements, median per statement.
void BuildSelect20(benchmark::State& state) {
  KundenHost host(g_db, g_folder);
  VMGrid& grid = host.Grid();
  grid.GridFields().Clear();
  const int criteria = AddTwentyCriteria(grid);
  host.ClearLog();
  constexpr int kBatch = 500;
  std::vector<double> perStatement;
  size_t length = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    for (int i = 0; i < kBatch; ++i) {
      std::string s = grid.BuildSelect();
      length = s.size();
      benchmark::DoNotOptimize(s);
    }
    const double t = (ThreadSeconds() - start) / kBatch;
    perStatement.push_back(t);
    state.SetIterationTime(t);
  }
  if (!host.Log().empty()) {
    Fail(state, "BuildSelect: Anweisungen an die Datenbank gesendet");
    return;
  }
  const double us = Median(perStatement) * 1e6;
  state.counters["criteria"] = criteria;
  state.counters["statement_chars"] = static_cast<double>(length);
  state.counters["us_per_statement"] = us;
  char line[200];
  std::snprintf(line, sizeof line,
                "%-22s %9.2f us per statement of %zu characters (%d criteria): %.2fx the "
                "target of 20 us",
                "BuildSelect 20 criteria", us, length, criteria, us / 20.0);
  g_summary.push_back(line);
}

// ComputeSums over all loaded rows with three sum columns, against three plain
// loops over Recordset::NumberAt on the loaded recordset.
void ComputeSums(benchmark::State& state) {
  KundenHost host(g_db, g_folder);
  host.Requery();
  host.Requery();
  auto rs = host.Grid().CurrentRecordset();
  if (!rs || rs->RecordCount() <= 0) {
    Fail(state, "ComputeSums: keine Zeilen geladen");
    return;
  }
  Rounds rounds;
  std::vector<double> totals;
  for (auto _ : state) {
    rounds.Run(
        state, [&] { host.Grid().SumRowState().ComputeSums(); },
        [&] { totals = PlainTotals(*rs, kSumColumns); });
  }
  benchmark::DoNotOptimize(totals);
  const double sums = Median(rounds.subject), loop = Median(rounds.baseline);
  const double ratio = Median(rounds.Ratios());
  state.counters["rows"] = rs->RecordCount();
  state.counters["sums_ms"] = sums * 1e3;
  state.counters["loop_ms"] = loop * 1e3;
  state.counters["ratio"] = ratio;
  char line[200];
  std::snprintf(line, sizeof line,
                "%-22s %9.2f ms, plain NumberAt loops %9.2f ms: %.2fx (target <= 1.5x)",
                "ComputeSums 3 columns", sums * 1e3, loop * 1e3, ratio);
  g_summary.push_back(line);
}

bool PrepareDatabase() {
  if (const char* rows = std::getenv("VMBGRID_BENCH_ROWS")) g_rows = std::atoll(rows);
  char folder[] = "/tmp/vmbgrid-bench-controller-XXXXXX";
  if (!mkdtemp(folder)) {
    std::fprintf(stderr, "Kein temporärer Ordner.\n");
    return false;
  }
  g_folder = folder;
  if (const char* db = std::getenv("VMBGRID_BENCH_DB")) g_db = db;
  if (g_db.empty()) g_db = g_folder + "/kunden.db";
  if (std::filesystem::exists(g_db)) return true;
  sampledb::Options o;
  o.rows = g_rows;
  const double start = ThreadSeconds();
  const std::string err = sampledb::Generate(g_db, o);
  if (!err.empty()) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return false;
  }
  std::printf("%lld Kunden nach %s geschrieben (%.1f s CPU).\n", static_cast<long long>(g_rows),
              g_db.c_str(), ThreadSeconds() - start);
  return true;
}

}  // namespace
}  // namespace vmbgrid::bench

using namespace vmbgrid::bench;

BENCHMARK(RequeryFirst1000)->Iterations(41)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RequeryAll)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BuildSelect20)->Iterations(41)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(ComputeSums)->Iterations(21)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!PrepareDatabase()) return 1;
  InstallPlatform();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nMedians of interleaved rounds (%lld rows, CPU time of this thread):\n",
              static_cast<long long>(g_rows));
  for (const std::string& line : g_summary) std::printf("  %s\n", line.c_str());
  std::error_code ec;
  std::filesystem::remove_all(g_folder, ec);
  return 0;
}
