// Baselines of the data benchmarks: what the same work costs without the
// data-access layer (SQLite's own step loop, Qt's QSqlQuery, ICU sort keys).
#include <sqlite3.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "bench/data/bench_support.h"

#ifdef VMBGRID_HAVE_QTSQL
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#endif

namespace vmbgrid::bench {

namespace {

// CPU time of this thread: the machine is shared, so wall time would measure the
// neighbours too.
struct Clock {
  using time_point = double;
  static double now() { return ThreadSeconds(); }
};

double Since(double start) { return ThreadSeconds() - start; }

struct Db {
  sqlite3* db = nullptr;
  explicit Db(const std::string& path, int flags = SQLITE_OPEN_READONLY) {
    sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  }
  ~Db() { sqlite3_close_v2(db); }
};

// Typed column storage as a fair stand-in for what a recordset must keep.
// Text goes into one byte arena per column, so the baseline pays no allocation
// per cell.
struct Column {
  std::vector<uint8_t> kind;
  std::vector<int64_t> ints;
  std::vector<double> reals;
  std::vector<uint32_t> offsets;
  std::string arena;
};

}  // namespace

void RawStepLoop(benchmark::State& state) {
  Db db(DatabasePath());
  double total = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, "SELECT * FROM Kunden", -1, &st, nullptr);
    const int n = sqlite3_column_count(st);
    std::vector<Column> cols(n);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < n; ++c) {
        Column& col = cols[c];
        const int t = sqlite3_column_type(st, c);
        col.kind.push_back(static_cast<uint8_t>(t));
        if (t == SQLITE_INTEGER) {
          col.ints.push_back(sqlite3_column_int64(st, c));
        } else if (t == SQLITE_FLOAT) {
          col.reals.push_back(sqlite3_column_double(st, c));
        } else if (t == SQLITE_TEXT) {
          const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
          col.offsets.push_back(static_cast<uint32_t>(col.arena.size()));
          col.arena.append(p, static_cast<size_t>(sqlite3_column_bytes(st, c)));
        }
      }
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(cols.data());
    total += Since(start);
    ++iterations;
  }
  state.counters["rows"] = static_cast<double>(DatabaseRows());
  RecordSeconds("RawStepLoop", total / static_cast<double>(iterations));
}

void QtSqlQueryLoop(benchmark::State& state) {
#ifdef VMBGRID_HAVE_QTSQL
  if (!QSqlDatabase::isDriverAvailable("QSQLITE")) {
    state.SkipWithError("QSQLITE driver missing (Debian: libqt6sql6-sqlite)");
    return;
  }
  double total = 0;
  int64_t iterations = 0;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench");
    db.setDatabaseName(QString::fromStdString(DatabasePath()));
    db.setConnectOptions("QSQLITE_OPEN_READONLY");
    if (!db.open()) {
      state.SkipWithError("QSQLITE cannot open the database");
      return;
    }
    for (auto _ : state) {
      const auto start = Clock::now();
      QSqlQuery q(db);
      q.setForwardOnly(true);
      q.exec("SELECT * FROM Kunden");
      const int n = 11;
      std::vector<QVariant> row(n);
      int64_t cells = 0;
      while (q.next()) {
        for (int c = 0; c < n; ++c) row[c] = q.value(c);
        cells += n;
      }
      benchmark::DoNotOptimize(cells);
      total += Since(start);
      ++iterations;
    }
    db.close();
  }
  QSqlDatabase::removeDatabase("bench");
  RecordSeconds("QtSqlQueryLoop", total / static_cast<double>(iterations));
#else
  state.SkipWithError("built without Qt Sql");
#endif
}

void SqliteInMemoryLike(benchmark::State& state) {
  Db db(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const std::string attach = "ATTACH DATABASE '" + DatabasePath() + "' AS f";
  sqlite3_exec(db.db, attach.c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(db.db, "CREATE TABLE Kunden AS SELECT * FROM f.Kunden; DETACH DATABASE f", nullptr,
               nullptr, nullptr);
  double total = 0;
  int64_t iterations = 0, matches = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, "SELECT * FROM Kunden WHERE Name LIKE 'Mei%'", -1, &st, nullptr);
    matches = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++matches;
    sqlite3_finalize(st);
    total += Since(start);
    ++iterations;
  }
  state.counters["matches"] = static_cast<double>(matches);
  RecordSeconds("SqliteInMemoryLike", total / static_cast<double>(iterations));
}

void IcuSortKeySort(benchmark::State& state) {
  // Sort keys computed once, outside the measurement: only the sort is timed.
  std::vector<std::string> keys;
  const double keyStart = ThreadSeconds();
  {
    Db db(DatabasePath());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> coll(
        icu::Collator::createInstance(icu::Locale("de", "DE"), status));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, "SELECT Name FROM Kunden", -1, &st, nullptr);
    std::vector<uint8_t> buf(256);
    while (sqlite3_step(st) == SQLITE_ROW) {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      icu::UnicodeString u = icu::UnicodeString::fromUTF8(p ? p : "");
      int32_t len = coll->getSortKey(u, buf.data(), static_cast<int32_t>(buf.size()));
      if (len > static_cast<int32_t>(buf.size())) {
        buf.resize(static_cast<size_t>(len));
        len = coll->getSortKey(u, buf.data(), len);
      }
      keys.emplace_back(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(len));
    }
    sqlite3_finalize(st);
  }
  // Reading the names and computing their keys, for comparison with a sort that
  // has to do both.
  state.counters["keys_ms"] = (ThreadSeconds() - keyStart) * 1e3;
  double total = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    std::vector<uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto start = Clock::now();
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    total += Since(start);
    ++iterations;
    benchmark::DoNotOptimize(order.data());
  }
  RecordSeconds("IcuSortKeySort", total / static_cast<double>(iterations));
}

}  // namespace vmbgrid::bench
