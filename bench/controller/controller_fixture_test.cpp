// The controller benchmarks are only worth their figures if subject and baseline
// do the same work: the same statement and rows, the same totals, and statement
// building that never touches the database.
#include "bench/controller/controller_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "search/sum_row.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::bench {
namespace {

class ControllerBenchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char folder[] = "/tmp/vmbgrid-bench-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    sampledb::Options o;
    o.rows = 2500;
    ASSERT_EQ(sampledb::Generate(folder_ + "/kunden.db", o), "");
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  void SetUp() override { platform_ = &InstallPlatform(); }
  void TearDown() override { ResetHeadlessPlatform(); }

  static std::string Db() { return folder_ + "/kunden.db"; }

  // The sum line's cell of a field, read back as a number.
  static double SumCell(KundenHost& host, const std::string& field) {
    auto array = host.Grid().SumRowState().Array();
    for (int c = 0; c < host.DataGrid().ColumnCount(); ++c) {
      if (host.DataGrid().Column(c).DataField() != field) continue;
      std::string text = array->Value(1, c).ToTextOrEmpty();
      for (char& ch : text)
        if (ch == ',') ch = '.';
      return std::strtod(text.c_str(), nullptr);
    }
    ADD_FAILURE() << "no column for " << field;
    return 0;
  }

  static inline std::string folder_;
  HeadlessPlatform* platform_ = nullptr;
};

TEST_F(ControllerBenchTest, LaterRequeriesSendOneStatementThatTheDataLayerLoadsAlike) {
  for (int32_t limit : {1000, 0}) {
    KundenHost host(Db(), folder_);
    host.Grid().MaxRecords(limit);
    host.Requery();
    // The first load probes the types; from then on only the statement itself runs.
    ASSERT_GE(host.Log().size(), 2u);
    host.ClearLog();
    host.Requery();
    ASSERT_EQ(host.Log().size(), 1u);
    const std::string statement = host.LastSelect();
    EXPECT_EQ(statement.rfind(limit ? "SELECT TOP 1000 [Nr],[Name]," : "SELECT [Nr],[Name],", 0),
              0u)
        << statement;
    EXPECT_NE(statement.find(" FROM [Kunden] ORDER BY [Nr] ASC"), std::string::npos);

    auto rs = OpenThroughDataLayer(statement, host.ConnectionString());
    auto shown = host.Grid().CurrentRecordset();
    ASSERT_EQ(rs->RecordCount(), limit ? 1000 : 2500);
    ASSERT_EQ(shown->RecordCount(), rs->RecordCount());
    ASSERT_EQ(rs->FieldCount(), shown->FieldCount());
    for (int32_t row : {0, rs->RecordCount() - 1})
      for (int f = 0; f < rs->FieldCount(); ++f)
        EXPECT_EQ(rs->ValueAt(row, f).ToTextOrEmpty(), shown->ValueAt(row, f).ToTextOrEmpty());
    // The baseline reuses the host's open connection by its string.
    EXPECT_EQ(host.Log().size(), 2u);
    EXPECT_EQ(host.DataGrid().RowCount(), rs->RecordCount());
  }
  EXPECT_TRUE(platform_->messages.entries().empty());
}

TEST_F(ControllerBenchTest, SumLineTotalsEqualThePlainLoopAlsoUnderAFilter) {
  KundenHost host(Db(), folder_);
  host.Requery();
  auto rs = host.Grid().CurrentRecordset();
  ASSERT_EQ(rs->RecordCount(), 2500);
  std::vector<double> plain = PlainTotals(*rs, kSumColumns);
  // Nr runs from 1 to 2500.
  EXPECT_DOUBLE_EQ(plain[0], 2500.0 * 2501.0 / 2.0);
  for (size_t i = 0; i < kSumColumns.size(); ++i)
    EXPECT_NEAR(SumCell(host, kSumColumns[i]), plain[i], 1e-9 * plain[i]) << kSumColumns[i];

  rs->Filter("[Status] = 2");
  host.Grid().SumRowState().ComputeSums();
  plain = PlainTotals(*rs, kSumColumns);
  ASSERT_GT(rs->RecordCount(), 0);
  ASSERT_LT(rs->RecordCount(), 2500);
  EXPECT_DOUBLE_EQ(plain[2], 2.0 * rs->RecordCount());
  for (size_t i = 0; i < kSumColumns.size(); ++i)
    EXPECT_NEAR(SumCell(host, kSumColumns[i]), plain[i], 1e-9 * plain[i]) << kSumColumns[i];
}

TEST_F(ControllerBenchTest, TwentyCriteriaBuildOneSafeStatementWithoutTheDatabase) {
  KundenHost host(Db(), folder_);
  host.Grid().GridFields().Clear();
  ASSERT_EQ(AddTwentyCriteria(host.Grid()), 20);
  host.ClearLog();
  const std::string s = host.Grid().BuildSelect();
  EXPECT_TRUE(host.Log().empty());
  EXPECT_TRUE(platform_->messages.entries().empty());
  const std::string where = host.Grid().SQLWherePart();
  // Every criterion gave a condition: 17 joined by AND, the three "ODER " ones in
  // one group of alternatives at the end.
  for (const char* column :
       {"[Name] LIKE 'Mei*'", "[Umsatz] >= 1000.5 AND [Umsatz] <= 25000",
        "[Geburtstag] >= '1950-01-01'", "[Ort] = 'Frankfurt (Oder)'", "[Bemerkung] = 'O''Brien'"})
    EXPECT_NE(where.find(column), std::string::npos) << column << "\n" << where;
  EXPECT_NE(where.find(" AND(([Land] = 'DE') OR ([LetzteBestellung] >= '2020-01-01' AND "
                       "[LetzteBestellung] <= '2020-12-31') OR ([Email] LIKE '*@example.de'))"),
            std::string::npos)
      << where;
  size_t ands = 0;
  for (size_t at = where.find(") AND ("); at != std::string::npos;
       at = where.find(") AND (", at + 1))
    ++ands;
  // The Boolean condition has no brackets of its own.
  EXPECT_EQ(ands, 14u) << where;
  EXPECT_NE(where.find(") AND [Aktiv] = 1 AND ("), std::string::npos) << where;
  EXPECT_EQ(s.rfind("SELECT [Name],[Vorname],", 0), 0u) << s;
  EXPECT_NE(s.find(" FROM [Kunden] WHERE "), std::string::npos);
}

}  // namespace
}  // namespace vmbgrid::bench
