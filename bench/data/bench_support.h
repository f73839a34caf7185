// Shared state of the data benchmarks: the generated database and the baseline
// times that the measured benchmarks divide by.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <map>
#include <string>

namespace vmbgrid::bench {

// CPU seconds used by the calling thread.
inline double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Path of the generated database (created once per run).
const std::string& DatabasePath();
int64_t DatabaseRows();

// Mean seconds per iteration of a finished benchmark, by name; 0 when not run.
void RecordSeconds(const std::string& name, double seconds);
double RecordedSeconds(const std::string& name);
// Sets the "ratio" counter to seconds / baseline and remembers it for the summary.
void ReportRatio(benchmark::State& state, const std::string& name, double seconds,
                 const std::string& baseline);
void PrintSummary();

// Baselines outside the data-access layer.
void RawStepLoop(benchmark::State& state);
void QtSqlQueryLoop(benchmark::State& state);
void SqliteInMemoryLike(benchmark::State& state);
void IcuSortKeySort(benchmark::State& state);
void IcuSortKeySortDistinct(benchmark::State& state);

// A text that differs in every row (the sample names repeat a lot): the sort's
// worst case, where every row needs a key of its own.
inline constexpr const char* kDistinctNames =
    "SELECT Name || ', ' || ifnull(Vorname, '') || ' ' || Nr AS Voll FROM Kunden";

}  // namespace vmbgrid::bench
