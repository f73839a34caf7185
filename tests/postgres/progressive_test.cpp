// Progressive loads on the test server: every row once and in order, cancelling
// between portions and in the middle of a slow FETCH, failures half way, and the
// session working on beside a load (its statements, its transactions, its SETs).
#include <chrono>
#include <thread>

#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"
#include "tests/loading.h"
#include "tests/postgres/pg_test_support.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kRows = 200000;

using pgtest::RecordingSink;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

class PostgresProgressive : public ::testing::Test {
 protected:
  void SetUp() override {
    VMBGRID_REQUIRE_POSTGRES();
    postgres::Register();
    Platform::Install(&data::DefaultDataAccess());
    db_ = std::make_unique<pgtest::Database>();
    ASSERT_EQ(db_->Exec("CREATE TABLE zahlen (nr integer PRIMARY KEY, text varchar(20)); "
                        "INSERT INTO zahlen SELECT g, 'Zeile ' || g FROM generate_series(1, " +
                        std::to_string(kRows) + ") g; ANALYZE zahlen"),
              "");
    connection_ = Platform::Data().CreateConnection();
    connection_->Open(db_->ConnectionString());
  }
  void TearDown() override {
    if (connection_) connection_->Close();
    connection_.reset();
    Platform::Reset();
    db_.reset();
  }

  std::shared_ptr<Recordset> Open(const std::string& statement, bool progressive,
                                  int32_t maxRecords = 0) {
    return testing::OpenLoad(statement, connection_, progressive, maxRecords);
  }

  // Backends of the test database running a statement that holds `part`.
  std::string Running(const std::string& part) {
    return db_->Value(
        "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND pid <> "
        "pg_backend_pid() AND state = 'active' AND query LIKE '%" +
        part + "%'");
  }
  // Waits (bounded) until no backend runs such a statement; true when none does.
  bool StopsRunning(const std::string& part) {
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (Running(part) != "0") {
      if (Clock::now() > until) return false;
      std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
  }
  std::string InTransaction() {
    return db_->Value(
        "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND state "
        "LIKE 'idle in transaction%'");
  }

  std::unique_ptr<pgtest::Database> db_;
  std::shared_ptr<Connection> connection_;
};

TEST_F(PostgresProgressive, EveryRowExactlyOnceInOrderWhileTheSessionWorksBeside) {
  auto rs = Open("SELECT nr, text FROM zahlen ORDER BY nr", true);
  ASSERT_TRUE(rs->IsFetching());
  const int32_t first = rs->RecordCount();
  EXPECT_GT(first, 0);
  EXPECT_LT(first, kRows);
  // Between portions the session runs its own statements, and what they write is
  // committed at once, not held in the load's transaction.
  connection_->Execute("CREATE TABLE notizen (t text)");
  int portions = 0;
  while (rs->FetchMore(2000)) {
    if (++portions == 10) connection_->Execute("INSERT INTO notizen VALUES ('zwischendurch')");
  }
  EXPECT_EQ(db_->Value("SELECT count(*) FROM notizen"), "1");
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_EQ(rs->FetchError(), "");
  ASSERT_EQ(rs->RecordCount(), kRows);
  for (int32_t i = 0; i < kRows; ++i) {
    if (rs->ValueAt(i, 0).ToInt32() != i + 1) {
      ADD_FAILURE() << "row " << i << " holds " << rs->ValueAt(i, 0).ToText();
      break;
    }
  }
  EXPECT_EQ(rs->ValueAt(kRows - 1, 1), Variant("Zeile 200000"));
  EXPECT_EQ(rs->FieldType(0), adInteger);
  EXPECT_EQ(rs->FieldDefinedSize(1), 20);
  // The row limit holds as in a whole load, and nothing stays open on the server.
  auto limited = Open("SELECT nr FROM zahlen ORDER BY nr DESC", true, 4321);
  while (limited->FetchMore(1000)) {
  }
  ASSERT_EQ(limited->RecordCount(), 4321);
  EXPECT_EQ(limited->ValueAt(4320, 0).ToInt32(), kRows - 4320);
  EXPECT_EQ(InTransaction(), "0");
}

TEST_F(PostgresProgressive, LoadsInTheSessionsTransactionOrStateSeeWhatTheSessionSees) {
  // Inside the session's transaction the load sees that transaction's rows.
  connection_->BeginTrans();
  connection_->Execute("INSERT INTO zahlen VALUES (0, 'ungespeichert')");
  auto inside = Open("SELECT nr FROM zahlen WHERE nr < 3 ORDER BY nr", true);
  while (inside->FetchMore(1000)) {
  }
  EXPECT_EQ(inside->RecordCount(), 3);
  connection_->RollbackTrans();
  // A temporary table of the session, and the session's own search path.
  connection_->Execute("CREATE TEMP TABLE merkliste AS SELECT nr FROM zahlen WHERE nr <= 5");
  auto temp = Open("SELECT nr FROM merkliste ORDER BY nr", true);
  while (temp->FetchMore(1000)) {
  }
  EXPECT_EQ(temp->RecordCount(), 5);
  connection_->Execute("DROP TABLE merkliste");
  ASSERT_EQ(db_->Exec("CREATE SCHEMA archiv; CREATE TABLE archiv.alt AS SELECT 42 AS nr"), "");
  connection_->Execute("SET search_path TO archiv, public");
  auto other = Open("SELECT nr FROM alt", true);
  while (other->FetchMore(1000)) {
  }
  ASSERT_EQ(other->RecordCount(), 1);
  EXPECT_EQ(other->ValueAt(0, 0).ToInt32(), 42);
}

TEST_F(PostgresProgressive, CancelAfterTheFirstPortionKeepsTheRowsAndTheConnectionWorks) {
  auto rs = Open("SELECT nr, text FROM zahlen ORDER BY nr", true);
  ASSERT_TRUE(rs->FetchMore(3000));
  const int32_t held = rs->RecordCount();
  rs->Cancel();
  EXPECT_TRUE(rs->FetchCancelled());
  EXPECT_FALSE(rs->IsFetching());
  EXPECT_EQ(rs->RecordCount(), held);
  EXPECT_EQ(rs->ValueAt(held - 1, 0).ToInt32(), held);
  EXPECT_EQ(rs->FetchError(), "");
  // The next statement and the next load on the same connection work.
  EXPECT_EQ(connection_->Execute("UPDATE zahlen SET text = 'neu' WHERE nr = 1"), 1);
  auto next = Open("SELECT nr FROM zahlen WHERE nr <= 10000", true);
  while (next->FetchMore(2500)) {
  }
  EXPECT_EQ(next->RecordCount(), 10000);
  EXPECT_EQ(InTransaction(), "0");
}

TEST_F(PostgresProgressive, CancelDuringASlowFetchReturnsSoonAndStopsTheServer) {
  auto session = pgtest::Session(db_->ConnectionString());
  data::StatementRequest slow;
  slow.text = "SELECT pg_sleep(30) AS pause, 1 AS eins";
  RecordingSink sink;
  {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    auto cursor = session->OpenCursor(slow, cancel);
    ASSERT_NE(cursor, nullptr);
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
    auto cursor = session->OpenCursor(slow, std::make_shared<std::atomic<bool>>(false));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->Fetch(sink, 100), data::RowCursor::Status::kMore);
    const auto start = Clock::now();
    cursor.reset();
    EXPECT_LT(Seconds(start), 2.0);
  }
  EXPECT_TRUE(StopsRunning("pg_sleep(30)"));
  // The session goes on as before, and a load with parameters reads progressively too.
  std::vector<Parameter> params{{"", adInteger, adParamInput, 4, Variant(int32_t{3})}};
  data::StatementRequest bound;
  bound.text = "SELECT nr FROM zahlen WHERE nr <= ? ORDER BY nr";
  bound.parameters = &params;
  auto cursor = session->OpenCursor(bound, std::make_shared<std::atomic<bool>>(false));
  ASSERT_NE(cursor, nullptr);
  RecordingSink three;
  while (cursor->Fetch(three, 2) == data::RowCursor::Status::kMore) {
  }
  EXPECT_EQ(three.Integers(), (std::vector<int64_t>{1, 2, 3}));
  RecordingSink after;
  data::StatementRequest count;
  count.text = "SELECT count(*) FROM zahlen";
  session->Execute(count, &after);
  EXPECT_EQ(after.Integers(), std::vector<int64_t>{kRows});
}

TEST_F(PostgresProgressive, AServerErrorHalfWayRaisesWithTheRowsBeforeItAndTheSessionWorks) {
  // Division by zero at row 50 000: the load ends with the batches before it.
  auto rs = Open("SELECT nr, 1 / (nr - 50000) AS x FROM zahlen ORDER BY nr", true);
  ASSERT_TRUE(rs->IsFetching());
  while (rs->FetchMore(2000)) {
  }
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_EQ(rs->FetchError().rfind("Ein Wert passt nicht zum Datentyp der Datenbank", 0), 0u)
      << rs->FetchError();
  const int32_t held = rs->RecordCount();
  EXPECT_GE(held, 48000);  // whole portions only: the failing one delivers nothing
  EXPECT_LT(held, 49999);
  EXPECT_EQ(rs->ValueAt(held - 1, 0).ToInt32(), held);
  ASSERT_FALSE(connection_->Errors().empty());
  EXPECT_EQ(connection_->Errors().front().description, rs->FetchError());
  EXPECT_EQ(Open("SELECT count(*) FROM zahlen", false)->Value(0).ToInt32(), kRows);
  // Through the provider: the failing portion raises, the cursor is done then.
  auto session = pgtest::Session(db_->ConnectionString());
  data::StatementRequest failing;
  failing.text = "SELECT nr, 1 / (nr - 5000) FROM zahlen ORDER BY nr";
  auto cursor = session->OpenCursor(failing, std::make_shared<std::atomic<bool>>(false));
  ASSERT_NE(cursor, nullptr);
  RecordingSink sink;
  const VMError e = testing::Raised([&] {
    while (cursor->Fetch(sink, 1000) == data::RowCursor::Status::kMore) {
    }
  });
  EXPECT_EQ(e.Number(), errc::kCantConvertValue);
  EXPECT_EQ(sink.rows.size(), 4000u);
  EXPECT_EQ(testing::Raised([&] { cursor->Fetch(sink, 1000); }).Number(), errc::kObjectClosed);
  EXPECT_EQ(InTransaction(), "0");
  // A statement the server refuses fails the open, with the whole load's message.
  data::StatementRequest missing;
  missing.text = "SELECT * FROM fehlt";
  const VMError refused = testing::Raised(
      [&] { session->OpenCursor(missing, std::make_shared<std::atomic<bool>>(false)); });
  EXPECT_EQ(refused.Number(), errc::kNoSuchTable);
  EXPECT_EQ(refused.Description(),
            testing::Raised([&] { session->Execute(missing, &sink); }).Description());
}

TEST_F(PostgresProgressive, InterleavedLoadsAndAClosedConnection) {
  auto a = Open("SELECT nr FROM zahlen WHERE nr <= 30000 ORDER BY nr", true);
  auto b = Open("SELECT nr FROM zahlen WHERE nr > 190000 ORDER BY nr DESC", true);
  bool more = true;
  while (more) {
    more = false;
    more |= a->FetchMore(2500);
    more |= b->FetchMore(1500);
  }
  ASSERT_EQ(a->RecordCount(), 30000);
  ASSERT_EQ(b->RecordCount(), 10000);
  EXPECT_EQ(a->ValueAt(29999, 0).ToInt32(), 30000);
  EXPECT_EQ(b->ValueAt(0, 0).ToInt32(), kRows);
  EXPECT_EQ(b->ValueAt(9999, 0).ToInt32(), 190001);
  // The connection closes while a load runs on it: the load ends with a message.
  auto rs = Open("SELECT nr FROM zahlen", true);
  const int32_t held = rs->RecordCount();
  connection_->Close();
  EXPECT_FALSE(rs->FetchMore(1000));
  EXPECT_EQ(rs->RecordCount(), held);
  EXPECT_NE(rs->FetchError().find("geschlossen"), std::string::npos) << rs->FetchError();
  EXPECT_EQ(InTransaction(), "0");
}

}  // namespace
}  // namespace vmbgrid
