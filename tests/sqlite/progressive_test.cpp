// Progressive loading and cancelling through the data-access layer on the sample
// customer table: the first rows at Open, the rest in portions, and every way a
// load can end early.
#include "tests/loading.h"
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

class Counting : public RecordsetObserver {
 public:
  int rowsChanged = 0, complete = 0;
  void RowsChanged() override { ++rowsChanged; }
  void FetchComplete() override { ++complete; }
};

class ProgressiveLoad : public SampleDatabase {
 protected:
  void SetUp() override {
    SampleDatabase::SetUp();
    connection->SetStatementLog([this](const std::string& s) { log.push_back(s); });
  }

  // Opened as the controller opens its result, whole or progressively.
  std::shared_ptr<Recordset> Open(const std::string& statement, bool progressive,
                                  int32_t maxRecords = 0) {
    return vmbgrid::testing::OpenLoad(statement, ConnectionString(), progressive, maxRecords);
  }

  // Every cell of every row, as text, in order.
  static std::vector<std::string> Rows(Recordset& rs) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < rs.RecordCount(); ++i) {
      std::string line;
      for (int f = 0; f < rs.FieldCount(); ++f) {
        const Variant v = rs.ValueAt(i, f);
        line += v.IsNull() ? "<null>" : v.ToText();
        line += '|';
      }
      out.push_back(line);
    }
    return out;
  }

  std::vector<std::string> log;
};

const char* const kAll = "SELECT * FROM [Kunden]";

TEST_F(ProgressiveLoad, EveryRowExactlyOnceInOrderAsAWholeLoadHasThem) {
  const auto whole = Rows(*Open(kAll, false));
  ASSERT_EQ(whole.size(), static_cast<size_t>(kRows));
  log.clear();

  auto rs = Open(kAll, true);
  Counting seen;
  rs->AddObserver(&seen);
  ASSERT_TRUE(rs->IsFetching());
  EXPECT_EQ(rs->State(), adStateOpen);
  const int32_t first = rs->RecordCount();
  EXPECT_GT(first, 0);
  EXPECT_LT(first, kRows);
  EXPECT_EQ(rs->AbsolutePosition(), 1);  // the first row is current at once
  int portions = 0;
  int32_t count = first;
  while (rs->FetchMore(777)) {
    ++portions;
    EXPECT_EQ(rs->RecordCount(), count + 777);  // the count grows portion by portion
    count = rs->RecordCount();
  }
  EXPECT_GT(portions, 3);
  EXPECT_EQ(rs->RecordCount(), kRows);
  EXPECT_EQ(Rows(*rs), whole);
  EXPECT_EQ(seen.complete, 1);
  EXPECT_GE(seen.rowsChanged, portions);
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_EQ(rs->FetchError(), "");
  // One statement, sent once, for the whole progressive load.
  EXPECT_EQ(log, std::vector<std::string>{kAll});
  EXPECT_FALSE(rs->FetchMore(100));
  rs->RemoveObserver(&seen);

  // The row limit holds for a progressive load as for a whole one.
  auto limited = Open(kAll, true, 1200);
  while (limited->FetchMore(500)) {
  }
  EXPECT_EQ(Rows(*limited), std::vector<std::string>(whole.begin(), whole.begin() + 1200));
}

TEST_F(ProgressiveLoad, CancelAtAnyPointKeepsTheRowsFetchedSoFar) {
  const auto whole = Rows(*Open(kAll, false));
  for (int portions : {0, 1, 4}) {
    auto rs = Open(kAll, true);
    Counting seen;
    rs->AddObserver(&seen);
    for (int i = 0; i < portions; ++i) ASSERT_TRUE(rs->FetchMore(1000));
    const int32_t held = rs->RecordCount();
    rs->Cancel();
    rs->Cancel();  // twice: nothing more happens
    EXPECT_FALSE(rs->IsFetching());
    EXPECT_TRUE(rs->FetchCancelled());
    EXPECT_EQ(seen.complete, 1);
    EXPECT_FALSE(rs->FetchMore(1000));
    EXPECT_EQ(rs->RecordCount(), held) << portions;
    EXPECT_EQ(Rows(*rs), std::vector<std::string>(whole.begin(), whole.begin() + held));
    // What needs every row works on the rows held.
    rs->Sort("[Name] DESC");
    EXPECT_EQ(rs->RecordCount(), held);
    rs->RemoveObserver(&seen);
  }
  // Cancelling a whole recordset does nothing.
  auto done = Open(kAll, false);
  done->Cancel();
  EXPECT_FALSE(done->FetchCancelled());
  EXPECT_EQ(done->RecordCount(), kRows);
}

TEST_F(ProgressiveLoad, WhatNeedsEveryRowFetchesTheRestFirst) {
  const auto whole = Rows(*Open(kAll, false));
  auto sorted = Open(kAll, false);
  sorted->Sort("[Name], [Nr] DESC");
  {
    auto rs = Open(kAll, true);
    rs->Sort("[Name], [Nr] DESC");
    EXPECT_FALSE(rs->IsFetching());
    EXPECT_EQ(Rows(*rs), Rows(*sorted));
  }
  {
    auto rs = Open(kAll, true);
    const double partial = [&] {
      double t = 0, v = 0;
      for (int32_t i = 0; i < rs->RecordCount(); ++i)
        if (rs->NumberAt(i, rs->FieldIndex("Umsatz"), v)) t += v;
      return t;
    }();
    EXPECT_GT(rs->Total(rs->FieldIndex("Umsatz")).ToDouble(), partial);
    EXPECT_FALSE(rs->IsFetching());
  }
  for (auto op : {0, 1, 2, 3}) {
    auto rs = Open(kAll, true);
    if (op == 0) rs->Filter("[Nr] > 0");
    if (op == 1) rs->Clone();
    if (op == 2) rs->MoveLast();
    if (op == 3) rs->Find("[Nr] = -1");
    EXPECT_FALSE(rs->IsFetching()) << op;
    EXPECT_EQ(rs->RecordCount(), kRows) << op;
  }
}

TEST_F(ProgressiveLoad, LoadsInterleavedOnOneConnectionNeverMixTheirRows) {
  const std::string low = "SELECT [Nr], [Name] FROM [Kunden] WHERE [Nr] <= 3000";
  const std::string high = "SELECT [Nr], [Name] FROM [Kunden] WHERE [Nr] > 3000 ORDER BY [Nr] DESC";
  const auto lowWhole = Rows(*Open(low, false));
  const auto highWhole = Rows(*Open(high, false));
  auto a = Open(low, true);
  a->FetchMore(300);
  // A new query while the first still loads (a new search in the grid), and a write
  // on the same connection in between.
  auto b = Open(high, true);
  connection->Execute("CREATE TABLE IF NOT EXISTS Notizen (t TEXT)");
  connection->Execute("INSERT INTO Notizen VALUES ('zwischendurch')");
  bool more = true;
  while (more) {
    more = false;
    more |= a->FetchMore(250);
    more |= b->FetchMore(400);
  }
  EXPECT_EQ(Rows(*a), lowWhole);
  EXPECT_EQ(Rows(*b), highWhole);
}

TEST_F(ProgressiveLoad, AFailureHalfWayEndsTheLoadWithTheRowsBeforeIt) {
  // abs() of the smallest integer overflows: the engine fails at that row.
  const std::string failing =
      "SELECT [Nr], CASE WHEN [Nr] = 2500 THEN abs(-9223372036854775807 - 1) ELSE 0 END AS x "
      "FROM [Kunden] ORDER BY [Nr]";
  auto rs = Open(failing, true);
  ASSERT_TRUE(rs->IsFetching());
  Counting seen;
  rs->AddObserver(&seen);
  while (rs->FetchMore(1000)) {
  }
  EXPECT_EQ(seen.complete, 1);
  EXPECT_FALSE(rs->FetchCancelled());
  EXPECT_NE(rs->FetchError(), "");
  EXPECT_EQ(rs->RecordCount(), 2499);
  EXPECT_EQ(rs->ValueAt(2498, 0), Variant(int64_t{2499}));
  ASSERT_FALSE(connection->Errors().empty());
  EXPECT_EQ(connection->Errors().front().description, rs->FetchError());
  rs->RemoveObserver(&seen);
  // A failure before the first rows fails the open, as a whole load does.
  const std::string early =
      "SELECT [Nr], CASE WHEN [Nr] = 3 THEN abs(-9223372036854775807 - 1) ELSE 0 END AS x "
      "FROM [Kunden] ORDER BY [Nr]";
  EXPECT_NE(vmbgrid::testing::Raised([&] { Open(early, true); }).Number(), 0);
}

TEST_F(ProgressiveLoad, ConnectionOrRecordsetGoneDuringALoad) {
  {
    // The recordset goes first: its statement is finalized, the connection works on.
    auto rs = Open(kAll, true);
    rs->FetchMore(100);
  }
  EXPECT_EQ(Open(kAll, false)->RecordCount(), kRows);
  // The connection closes while a load runs on it: the load ends with a message.
  auto rs = Open(kAll, true);
  const int32_t held = rs->RecordCount();
  connection->Close();
  EXPECT_FALSE(rs->FetchMore(1000));
  EXPECT_EQ(rs->RecordCount(), held);
  EXPECT_NE(rs->FetchError().find("geschlossen"), std::string::npos) << rs->FetchError();
  rs->Close();
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
