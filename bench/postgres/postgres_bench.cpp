// Loading the customer table from a PostgreSQL server into a client recordset,
// against a plain libpq loop (PQexec, then PQgetvalue copying every value into one
// arena per column), alternating round by round; and the peak memory of the load
// against the table's size as the server reports it.
//   VMBGRID_BENCH_PG="host=... dbname=..."  the server (skipped with a message without)
//   VMBGRID_BENCH_ROWS=n                    rows to generate when "Kunden" is missing
#include <libpq-fe.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "host/platform.h"
#include "tools/sampledb/sample_data.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Scalar(PGconn* c, const char* sql) {
  PGresult* r = PQexec(c, sql);
  std::string out = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) ? PQgetvalue(r, 0, 0) : "";
  PQclear(r);
  return out;
}

double PlainLoop(PGconn* c, int64_t& rows) {
  const auto start = Clock::now();
  PGresult* r = PQexec(c, "SELECT * FROM \"Kunden\"");
  const int n = PQntuples(r), cols = PQnfields(r);
  std::vector<std::string> arena(static_cast<size_t>(cols));
  for (int row = 0; row < n; ++row) {
    for (int col = 0; col < cols; ++col) {
      if (PQgetisnull(r, row, col)) continue;
      arena[static_cast<size_t>(col)].append(PQgetvalue(r, row, col),
                                             static_cast<size_t>(PQgetlength(r, row, col)));
    }
  }
  PQclear(r);
  rows = n;
  return Seconds(start);
}

double RecordsetLoad(const std::string& cs, int64_t& rows) {
  const auto start = Clock::now();
  auto rs = vmbgrid::Platform::Data().CreateRecordset();
  rs->CursorLocation(vmbgrid::adUseClient);
  rs->Open("SELECT * FROM [Kunden]", cs, vmbgrid::adOpenStatic, vmbgrid::adLockReadOnly,
           vmbgrid::adCmdText);
  rows = rs->RecordCount();
  rs->Close();
  return Seconds(start);
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

}  // namespace

int main() {
  const char* info = std::getenv("VMBGRID_BENCH_PG");
  if (!info || !*info) {
    std::printf(
        "vmbgrid_bench_postgres: skipped, no server (set VMBGRID_BENCH_PG=\"host=... "
        "dbname=...\")\n");
    return 0;
  }
  PGconn* c = PQconnectdb(info);
  if (PQstatus(c) != CONNECTION_OK) {
    std::printf("vmbgrid_bench_postgres: skipped, server not reachable: %s", PQerrorMessage(c));
    return 0;
  }
  const std::string cs = std::string("Provider=PostgreSQL;Data Source=\"") + info + "\"";
  if (Scalar(c, "SELECT to_regclass('\"Kunden\"') IS NOT NULL") != "t") {
    vmbgrid::sampledb::Options o;
    o.rows =
        std::getenv("VMBGRID_BENCH_ROWS") ? std::atoll(std::getenv("VMBGRID_BENCH_ROWS")) : 1000000;
    std::printf("generating %lld rows...\n", static_cast<long long>(o.rows));
    const std::string err = vmbgrid::sampledb::GenerateOnServer(cs, o);
    if (!err.empty()) {
      std::printf("%s\n", err.c_str());
      return 1;
    }
  }
  vmbgrid::postgres::Register();
  vmbgrid::Platform::Install(&vmbgrid::data::DefaultDataAccess());
  const double tableMb = std::atof(Scalar(c, "SELECT pg_table_size('\"Kunden\"')").c_str()) / 1e6;

  // Memory first, while the process is fresh: peak resident growth of one load.
  malloc_trim(0);
  const long before = ResidentKb();
  int64_t rows = 0;
  {
    auto rs = vmbgrid::Platform::Data().CreateRecordset();
    rs->CursorLocation(vmbgrid::adUseClient);
    rs->Open("SELECT * FROM [Kunden]", cs, vmbgrid::adOpenStatic, vmbgrid::adLockReadOnly,
             vmbgrid::adCmdText);
    rows = rs->RecordCount();
    const double heapMb = static_cast<double>(mallinfo2().uordblks) / 1e6;
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double peakMb = static_cast<double>(u.ru_maxrss - before) / 1e3;
    std::printf(
        "rows %lld, table %.1f MB (pg_table_size), heap after load %.1f MB, peak resident "
        "growth %.1f MB: %.2fx the table\n",
        static_cast<long long>(rows), tableMb, heapMb, peakMb, peakMb / tableMb);
  }

  std::vector<double> mine, plain;
  for (int round = 0; round < 7; ++round) {
    int64_t a = 0, b = 0;
    if (round % 2) {
      plain.push_back(PlainLoop(c, b));
      mine.push_back(RecordsetLoad(cs, a));
    } else {
      mine.push_back(RecordsetLoad(cs, a));
      plain.push_back(PlainLoop(c, b));
    }
    if (a != b) std::printf("row counts differ: %lld vs %lld\n", (long long)a, (long long)b);
  }
  std::sort(mine.begin(), mine.end());
  std::sort(plain.begin(), plain.end());
  const double m = mine[mine.size() / 2], p = plain[plain.size() / 2];
  std::printf(
      "load into the recordset %.0f ms, plain libpq loop %.0f ms (median of 7, wall): %.2fx\n",
      m * 1e3, p * 1e3, m / p);
  PQfinish(c);
  vmbgrid::Platform::Reset();
  return 0;
}
