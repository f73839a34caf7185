// Progressive loads on SQLite and on the test server, through the data-access layer
// as the controller opens its result: every row once and in order, cancelling at any
// point, what needs every row, loads side by side, failures half way, the connection
// closing under a load and the session working on beside it. On the server also the
// session's transaction and state, and a cancel in the middle of a slow FETCH.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "host/error.h"
#include "tests/loading.h"
#include "tests/postgres/each_provider.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;
using pgtest::RecordingSink;
using std::chrono::milliseconds;

constexpr int32_t kRows = 20000;
const char* const kAll = "SELECT nr, text FROM zahlen ORDER BY nr";

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Counts a recordset's notifications for as long as it lives.
struct Counting : RecordsetObserver {
  explicit Counting(Recordset& r) : rs(r) { rs.AddObserver(this); }
  ~Counting() override { rs.RemoveObserver(this); }
  void RowsChanged() override { ++rowsChanged; }
  void FetchComplete() override { ++complete; }
  Recordset& rs;
  int rowsChanged = 0, complete = 0;
};

class ProgressiveLoad : public pgtest::EachProvider {
 protected:
  void SetUp() override {
    EachProvider::SetUp();
    if (IsSkipped()) return;
    conn_->Execute("CREATE TABLE zahlen (nr integer PRIMARY KEY, text varchar(20))");
    conn_->Execute(
        pg_ ? "INSERT INTO zahlen SELECT g, 'Zeile ' || g FROM generate_series(1, 20000) g"
            : "WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g WHERE n < 20000) "
              "INSERT INTO zahlen SELECT n, 'Zeile ' || n FROM g");
    if (pg_) conn_->Execute("ANALYZE zahlen");
    conn_->SetStatementLog([this](const std::string& s) { log_.push_back(s); });
  }

  std::shared_ptr<Recordset> Open(const std::string& statement, bool progressive,
                                  int32_t maxRecords = 0) {
    return testing::OpenLoad(statement, conn_, progressive, maxRecords);
  }
  // A progressive load read to its end in portions of `portion` rows.
  std::shared_ptr<Recordset> Loaded(const std::string& statement, int32_t maxRecords = 0,
                                    int32_t portion = 1000) {
    auto rs = Open(statement, true, maxRecords);
    while (rs->FetchMore(portion)) continue;
    return rs;
  }
  // Every cell of every row, as text, in order.
  static Strings Rows(Recordset& rs) {
    Strings out;
    for (int32_t i = 0; i < rs.RecordCount(); ++i) {
      std::string line;
      for (int f = 0; f < rs.FieldCount(); ++f)
        line += (rs.ValueAt(i, f).IsNull() ? "<null>" : rs.ValueAt(i, f).ToText()) + "|";
      out.push_back(line);
    }
    return out;
  }
  // Nothing stays open in a transaction on the server ("0"; SQLite has none to show).
  std::string InTransaction() {
    return pg_ ? db_->Value(
                     "SELECT count(*) FROM pg_stat_activity WHERE datname = "
                     "current_database() AND state LIKE 'idle in transaction%'")
               : "0";
  }
  // Waits (bounded) until no backend runs a statement holding `part`.
  bool StopsRunning(const std::string& part) {
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (db_->Value("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                      "AND pid <> pg_backend_pid() AND state = 'active' AND query LIKE '%" +
                      part + "%'") != "0") {
      if (Clock::now() > until) return false;
      std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
  }

  Strings log_;
};

TEST_P(ProgressiveLoad, EveryRowExactlyOnceInOrderWhileTheSessionWorksBeside) {
  const Strings whole = Rows(*Open(kAll, false));
  ASSERT_EQ(whole.size(), static_cast<size_t>(kRows));
  log_.clear();
  auto rs = Open(kAll, true);
  Counting seen(*rs);
  ASSERT_TRUE(rs->IsFetching());
  EXPECT_EQ(rs->State(), adStateOpen);
  const int32_t first = rs->RecordCount();
  EXPECT_GT(first, 0);
  EXPECT_LT(first, kRows);
  EXPECT_EQ(rs->AbsolutePosition(), 1);  // the first row is current at once
  // Between portions the session runs its own statements, and what they write is
  // committed at once, not held in the load's transaction.
  conn_->Execute("CREATE TABLE notizen (t varchar(20))");
  int portions = 0;
  int32_t count = first;
  while (rs->FetchMore(777)) {
    // The count grows portion by portion. The server's portion may not be there
    // within the event loop's time slice: then the call brings none and the next
    // one waits on, so there a call brings at most the portion.
    const int32_t now = rs->RecordCount();
    EXPECT_TRUE(pg_ ? now - count <= 777 : now == count + 777) << now - count;
    if (now == count) continue;
    count = now;
    if (++portions == 10) conn_->Execute("INSERT INTO notizen VALUES ('zwischendurch')");
  }
  EXPECT_EQ(pg_ ? db_->Value("SELECT count(*) FROM notizen") : "1", "1");
  EXPECT_GT(portions, 10);
  EXPECT_EQ(Rows(*rs), whole);
  EXPECT_EQ(rs->FieldType(0), adInteger);
  EXPECT_EQ(rs->FieldDefinedSize(1), 20);
  EXPECT_EQ(seen.complete, 1);
  EXPECT_GE(seen.rowsChanged, portions);
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_EQ(rs->FetchError(), "");
  EXPECT_FALSE(rs->FetchMore(100));
  // One statement, sent once, for the whole progressive load.
  EXPECT_EQ(std::count(log_.begin(), log_.end(), kAll), 1);
  // The row limit holds as in a whole load, and nothing stays open on the server.
  auto limited = Loaded("SELECT nr FROM zahlen ORDER BY nr DESC", 4321);
  ASSERT_EQ(limited->RecordCount(), 4321);
  EXPECT_EQ(limited->ValueAt(4320, 0).ToInt32(), kRows - 4320);
  EXPECT_EQ(InTransaction(), "0");
}

TEST_P(ProgressiveLoad, CancelAtAnyPointKeepsTheRowsAndTheConnectionWorks) {
  const Strings whole = Rows(*Open(kAll, false));
  for (int portions : {0, 1, 4}) {
    SCOPED_TRACE(portions);
    auto rs = Open(kAll, true);
    Counting seen(*rs);
    for (int i = 0; i < portions; ++i) ASSERT_TRUE(rs->FetchMore(1000));
    const int32_t held = rs->RecordCount();
    rs->Cancel();
    rs->Cancel();  // twice: nothing more happens
    EXPECT_FALSE(rs->IsFetching());
    EXPECT_TRUE(rs->FetchCancelled());
    EXPECT_EQ(rs->FetchError(), "");
    EXPECT_EQ(seen.complete, 1);
    EXPECT_FALSE(rs->FetchMore(1000));
    EXPECT_EQ(Rows(*rs), Strings(whole.begin(), whole.begin() + held));  // held rows, no more
    // What needs every row works on the rows held.
    rs->Sort("[text] DESC");
    EXPECT_EQ(rs->RecordCount(), held);
  }
  // The next statement and the next load on the same connection work.
  EXPECT_EQ(conn_->Execute("UPDATE zahlen SET text = 'neu' WHERE nr = 1"), 1);
  EXPECT_EQ(Loaded("SELECT nr FROM zahlen WHERE nr <= 10000", 0, 2500)->RecordCount(), 10000);
  EXPECT_EQ(InTransaction(), "0");
  // Cancelling a whole recordset does nothing.
  auto done = Open(kAll, false);
  done->Cancel();
  EXPECT_FALSE(done->FetchCancelled());
  EXPECT_EQ(done->RecordCount(), kRows);
}

TEST_P(ProgressiveLoad, WhatNeedsEveryRowFetchesTheRestFirst) {
  auto sorted = Open(kAll, false);
  sorted->Sort("[text], [nr] DESC");
  auto rs = Open(kAll, true);
  rs->Sort("[text], [nr] DESC");
  EXPECT_FALSE(rs->IsFetching());
  EXPECT_EQ(Rows(*rs), Rows(*sorted));
  rs = Open(kAll, true);
  EXPECT_EQ(rs->Total(0).ToDouble(), double{kRows} * (kRows + 1) / 2);
  EXPECT_FALSE(rs->IsFetching());
  for (auto op : {0, 1, 2, 3}) {
    rs = Open(kAll, true);
    if (op == 0) rs->Filter("[nr] > 0");
    if (op == 1) rs->Clone();
    if (op == 2) rs->MoveLast();
    if (op == 3) rs->Find("[nr] = -1");
    EXPECT_FALSE(rs->IsFetching()) << op;
    EXPECT_EQ(rs->RecordCount(), kRows) << op;
  }
}

TEST_P(ProgressiveLoad, LoadsSideBySideNeverMixAndAClosedConnectionEndsALoad) {
  const std::string low = "SELECT nr, text FROM zahlen WHERE nr <= 6000 ORDER BY nr";
  const std::string high = "SELECT nr, text FROM zahlen WHERE nr > 14000 ORDER BY nr DESC";
  const Strings lowWhole = Rows(*Open(low, false)), highWhole = Rows(*Open(high, false));
  auto a = Open(low, true);
  a->FetchMore(300);
  // A new query while the first still loads (a new search in the grid), and a write
  // on the same connection in between.
  auto b = Open(high, true);
  conn_->Execute("CREATE TABLE notizen (t varchar(20))");
  conn_->Execute("INSERT INTO notizen VALUES ('zwischendurch')");
  for (bool more = true; more;) {
    more = a->FetchMore(250);
    more |= b->FetchMore(400);
  }
  EXPECT_EQ(Rows(*a), lowWhole);
  EXPECT_EQ(Rows(*b), highWhole);
  {
    // The recordset goes first: its statement is finalized, the connection works on.
    auto dropped = Open(kAll, true);
    dropped->FetchMore(100);
  }
  EXPECT_EQ(Open(kAll, false)->RecordCount(), kRows);
  // The connection closes while a load runs on it: the load ends with a message.
  auto rs = Open(kAll, true);
  const int32_t held = rs->RecordCount();
  conn_->Close();
  EXPECT_FALSE(rs->FetchMore(1000));
  EXPECT_EQ(rs->RecordCount(), held);
  EXPECT_TRUE(pgtest::Has(rs->FetchError(), "geschlossen"));
  rs->Close();
  EXPECT_EQ(InTransaction(), "0");
}

TEST_P(ProgressiveLoad, AFailureHalfWayEndsTheLoadWithTheRowsBeforeIt) {
  // The engine fails at row `at`: SQLite on abs() of the smallest integer, the
  // server on a division by zero.
  auto failing = [this](int at) {
    const std::string n = std::to_string(at);
    return pg_ ? "SELECT nr, 1 / (nr - " + n + ") AS x FROM zahlen ORDER BY nr"
               : "SELECT nr, CASE WHEN nr = " + n +
                     " THEN abs(-9223372036854775807 - 1) ELSE 0 END AS x FROM zahlen ORDER BY nr";
  };
  auto rs = Open(failing(10000), true);
  ASSERT_TRUE(rs->IsFetching());
  Counting seen(*rs);
  while (rs->FetchMore(1000)) continue;
  EXPECT_EQ(seen.complete, 1);
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_NE(rs->FetchError(), "");
  const std::string server = "Ein Wert passt nicht zum Datentyp der Datenbank";
  EXPECT_EQ(pg_ ? rs->FetchError().rfind(server, 0) : 0u, 0u) << rs->FetchError();
  // SQLite steps row by row; the server delivers whole portions only, the failing
  // one delivers nothing.
  const int32_t held = rs->RecordCount();
  EXPECT_GE(held, pg_ ? 8000 : 9999);
  EXPECT_LT(held, 10000);
  EXPECT_EQ(rs->ValueAt(held - 1, 0).ToInt32(), held);
  ASSERT_FALSE(conn_->Errors().empty());
  EXPECT_EQ(conn_->Errors().front().description, rs->FetchError());
  EXPECT_EQ(Open("SELECT count(*) FROM zahlen", false)->Value(0).ToInt32(), kRows);
  EXPECT_EQ(InTransaction(), "0");
  // A failure before the first rows fails the open, as a whole load does.
  EXPECT_NE(testing::Raised([&] { Open(failing(3), true); }).Number(), 0);
}

TEST_P(ProgressiveLoad, LoadsInTheSessionsTransactionOrStateSeeWhatTheSessionSees) {
  // Inside the session's transaction the load sees that transaction's rows.
  conn_->BeginTrans();
  conn_->Execute("INSERT INTO zahlen VALUES (0, 'ungespeichert')");
  EXPECT_EQ(Loaded("SELECT nr FROM zahlen WHERE nr < 3 ORDER BY nr")->RecordCount(), 3);
  conn_->RollbackTrans();
  // A temporary table of the session, and on the server its own search path.
  conn_->Execute("CREATE TEMP TABLE merkliste AS SELECT nr FROM zahlen WHERE nr <= 5");
  EXPECT_EQ(Loaded("SELECT nr FROM merkliste ORDER BY nr")->RecordCount(), 5);
  if (!pg_) return;
  ASSERT_EQ(db_->Exec("CREATE SCHEMA archiv; CREATE TABLE archiv.alt AS SELECT 42 AS nr"), "");
  conn_->Execute("SET search_path TO archiv, public");
  auto other = Loaded("SELECT nr FROM alt");
  ASSERT_EQ(other->RecordCount(), 1);
  EXPECT_EQ(other->ValueAt(0, 0).ToInt32(), 42);
}

// The server's cursor: a cancel in the middle of a slow FETCH, a dropped cursor, a
// failing portion, a refused statement.
TEST_P(ProgressiveLoad, OnTheServerACancelDuringASlowFetchReturnsSoonAndStopsTheStatement) {
  if (!pg_) GTEST_SKIP() << "the server's cursor";
  auto session = pgtest::Session(cs_);
  auto open = [&](const std::string& sql, std::vector<Parameter>* params = nullptr,
                  std::shared_ptr<std::atomic<bool>> cancel = nullptr) {
    auto cursor = session->OpenCursor({.text = sql, .parameters = params},
                                      cancel ? cancel : std::make_shared<std::atomic<bool>>(false));
    if (!cursor) throw std::runtime_error("no cursor for " + sql);
    return cursor;
  };
  const std::string slow = "SELECT pg_sleep(30) AS pause, 1 AS eins";
  RecordingSink sink;
  {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    auto cursor = open(slow, nullptr, cancel);
    // Set from another thread while this one keeps fetching portions, each of
    // which comes back without rows instead of waiting for the server.
    std::thread canceller([cancel] {
      std::this_thread::sleep_for(milliseconds(200));
      cancel->store(true);
    });
    const auto start = Clock::now();
    double longest = 0;
    data::RowCursor::Status status = data::RowCursor::Status::kMore;
    while (status == data::RowCursor::Status::kMore && Seconds(start) < 10) {
      const auto portion = Clock::now();
      status = cursor->Fetch(sink, 100);
      longest = std::max(longest, Seconds(portion));
    }
    canceller.join();
    EXPECT_EQ(status, data::RowCursor::Status::kCancelled);
    EXPECT_LT(Seconds(start), 2.0);
    EXPECT_LT(longest, 1.0);
    EXPECT_TRUE(sink.rows.empty());
  }
  EXPECT_TRUE(StopsRunning("pg_sleep(30)"));
  // A cursor dropped while its FETCH runs (a new search, the window closing).
  {
    auto cursor = open(slow);
    EXPECT_EQ(cursor->Fetch(sink, 100), data::RowCursor::Status::kMore);
    const auto start = Clock::now();
    cursor.reset();
    EXPECT_LT(Seconds(start), 2.0);
  }
  EXPECT_TRUE(StopsRunning("pg_sleep(30)"));
  // The session goes on as before, and a load with parameters reads progressively too.
  std::vector<Parameter> params{{"", adInteger, adParamInput, 4, Variant(int32_t{3})}};
  auto cursor = open("SELECT nr FROM zahlen WHERE nr <= ? ORDER BY nr", &params);
  RecordingSink three;
  while (cursor->Fetch(three, 2) == data::RowCursor::Status::kMore) continue;
  EXPECT_EQ(three.Integers(), (std::vector<int64_t>{1, 2, 3}));
  // A failing portion raises, and the cursor is done then.
  cursor = open("SELECT nr, 1 / (nr - 5000) FROM zahlen ORDER BY nr");
  RecordingSink before;
  const VMError e = testing::Raised([&] {
    while (cursor->Fetch(before, 1000) == data::RowCursor::Status::kMore) continue;
  });
  EXPECT_EQ(e.Number(), errc::kCantConvertValue);
  EXPECT_EQ(before.rows.size(), 4000u);
  EXPECT_EQ(testing::Raised([&] { cursor->Fetch(before, 1000); }).Number(), errc::kObjectClosed);
  EXPECT_EQ(InTransaction(), "0");
  // A statement the server refuses fails the open, with the whole load's message.
  const VMError refused = testing::Raised([&] { open("SELECT * FROM fehlt"); });
  EXPECT_EQ(refused.Number(), errc::kNoSuchTable);
  EXPECT_EQ(refused.Description(), testing::Raised([&] {
                                     pgtest::Exec(*session, "SELECT * FROM fehlt", &sink);
                                   }).Description());
}

VMBGRID_ON_EACH_PROVIDER(ProgressiveLoad);

}  // namespace
}  // namespace vmbgrid
