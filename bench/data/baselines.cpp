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
  explicit Db(const std::string& path, int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX) {
    sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  }
  ~Db() { sqlite3_close_v2(db); }
};

}  // namespace

// The least a loader has to do: step the statement and copy every cell, with its
// type, into one growing byte arena (integers and doubles as 8 bytes, text with a
// 4-byte length). No allocation per value; the arena grows by doubling.
void RawStepLoop(benchmark::State& state) {
  Db db(DatabasePath());
  double total = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, "SELECT * FROM Kunden", -1, &st, nullptr);
    const int n = sqlite3_column_count(st);
    std::string arena;
    auto put = [&arena](const void* p, size_t len) {
      arena.append(static_cast<const char*>(p), len);
    };
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < n; ++c) {
        const int t = sqlite3_column_type(st, c);
        arena.push_back(static_cast<char>(t));
        if (t == SQLITE_INTEGER) {
          const int64_t v = sqlite3_column_int64(st, c);
          put(&v, sizeof v);
        } else if (t == SQLITE_FLOAT) {
          const double v = sqlite3_column_double(st, c);
          put(&v, sizeof v);
        } else if (t == SQLITE_TEXT) {
          const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
          const uint32_t len = static_cast<uint32_t>(sqlite3_column_bytes(st, c));
          put(&len, sizeof len);
          put(p, len);
        }
      }
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(arena.data());
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

namespace {
void IcuSortKeySortOf(benchmark::State& state, const char* query, const char* name) {
  // The names are read outside the measurement; measured is what a sort by them
  // cannot avoid: one ICU sort key per name (German collator, into one arena) and a
  // stable sort of the row numbers by those keys.
  std::vector<std::string> names;
  {
    Db db(DatabasePath());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, query, -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      names.emplace_back(p ? p : "");
    }
    sqlite3_finalize(st);
  }
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> coll(
      icu::Collator::createInstance(icu::Locale("de", "DE"), status));
  double total = 0, keysTotal = 0;
  int64_t iterations = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    std::string arena;
    std::vector<uint32_t> offsets(names.size() + 1);
    std::vector<uint8_t> buf(256);
    for (size_t i = 0; i < names.size(); ++i) {
      offsets[i] = static_cast<uint32_t>(arena.size());
      icu::UnicodeString u = icu::UnicodeString::fromUTF8(names[i]);
      int32_t len = coll->getSortKey(u, buf.data(), static_cast<int32_t>(buf.size()));
      if (len > static_cast<int32_t>(buf.size())) {
        buf.resize(static_cast<size_t>(len));
        len = coll->getSortKey(u, buf.data(), len);
      }
      arena.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(len));
    }
    offsets[names.size()] = static_cast<uint32_t>(arena.size());
    keysTotal += Since(start);
    auto key = [&](uint32_t i) {
      return std::string_view(arena.data() + offsets[i], offsets[i + 1] - offsets[i]);
    };
    std::vector<uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    total += Since(start);
    ++iterations;
    benchmark::DoNotOptimize(order.data());
  }
  state.counters["keys_ms"] = keysTotal / static_cast<double>(iterations) * 1e3;
  RecordSeconds(name, total / static_cast<double>(iterations));
}
}  // namespace

void IcuSortKeySort(benchmark::State& state) {
  IcuSortKeySortOf(state, "SELECT Name FROM Kunden", "IcuSortKeySort");
}

void IcuSortKeySortDistinct(benchmark::State& state) {
  IcuSortKeySortOf(state, kDistinctNames, "IcuSortKeySortDistinct");
}

}  // namespace vmbgrid::bench
