// Names as PostgreSQL users write them, on a database nobody here designed: a
// pgbench -i schema, a schema verkauf with lower-case unquoted names, "Kunden" and
// kunden side by side, a view and a materialized view. The statements the library
// builds stay as they are; the provider finds the objects they mean.
#include <tuple>

#include "adapters/headless/headless.h"
#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "host/platform.h"
#include "tests/postgres/pg_test_support.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using testing::Raised;
using Strings = std::vector<std::string>;

class PostgresNames : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (pgtest::ServerConnInfo().empty()) return;
    db_ = std::make_unique<pgtest::Database>();
    ASSERT_EQ(pgtest::PgBenchInit(db_->ConnInfo()), "");
    ASSERT_EQ(
        db_->Exec("CREATE SCHEMA verkauf; CREATE TABLE verkauf.auftraege (nr integer PRIMARY KEY, "
                  "kunde text, betrag numeric(12,2)); INSERT INTO verkauf.auftraege SELECT g, "
                  "'Kunde ' || g, g * 10 FROM generate_series(1, 30) g; CREATE MATERIALIZED VIEW "
                  "verkauf.umsatz AS SELECT kunde, sum(betrag) AS summe FROM verkauf.auftraege "
                  "GROUP BY kunde; CREATE TABLE \"Kunden\" (\"Nr\" integer, \"Name\" text); "
                  "INSERT INTO \"Kunden\" VALUES (1, 'Groß'); CREATE TABLE kunden (nr integer, "
                  "name text); INSERT INTO kunden VALUES (1, 'klein'), (2, 'klein'); CREATE VIEW "
                  "reiche AS SELECT aid, abalance FROM pgbench_accounts WHERE abalance > 0; "
                  "CREATE TABLE doppelt (\"Name\" text, name text); CREATE TABLE geheim (x int); "
                  "GRANT SELECT ON \"Kunden\" TO PUBLIC"),
        "");
  }
  static void TearDownTestSuite() { db_.reset(); }
  void SetUp() override {
    VMBGRID_REQUIRE_POSTGRES();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    postgres::Register();
    conn_ = Platform::Data().CreateConnection();
    conn_->Open(db_->ConnectionString());
    conn_->SetStatementLog([this](const std::string& s) { log_.push_back(s); });
  }
  void TearDown() override {
    conn_.reset();
    ResetHeadlessPlatform();
  }

  // A grid on a table as a host sets one up: the table named as TableName names it.
  struct Grid {
    HeadlessGrid grid{"grd"};
    VMGrid g;
  };
  std::unique_ptr<Grid> Open(const std::string& table, const Strings& fields,
                             const std::string& key = "") {
    auto w = std::make_unique<Grid>();
    w->g.Init(0, "Test", "frm");
    w->g.grid(&w->grid);
    w->g.Connection(conn_);
    w->g.RecordSource(conn_->TableName(table));
    for (const auto& f : fields) w->g.AddField(f);
    if (!key.empty()) w->g.AddPrimaryKeyRestriction(key, "");
    return w;
  }

  static inline std::unique_ptr<pgtest::Database> db_;
  HeadlessPlatform* platform_ = nullptr;
  std::shared_ptr<Connection> conn_;
  Strings log_;
};

TEST_F(PostgresNames, TablesAreFoundAsWrittenExactlyFirstThenTheOneMatchWithoutCase) {
  // clang-format off
  struct Case {
    const char* written;
    const char* found;
  } cases[] = {
      {"verkauf.auftraege", "verkauf.auftraege"}, {"[verkauf].[auftraege]", "verkauf.auftraege"},
      {"[verkauf.auftraege]", "verkauf.auftraege"}, {"VERKAUF.Auftraege", "verkauf.auftraege"},
      {"\"verkauf\".\"auftraege\"", "verkauf.auftraege"}, {"Pgbench_Accounts", "pgbench_accounts"},
      {"Kunden", "Kunden"}, {"kunden", "kunden"}, {"verkauf.UMSATZ", "verkauf.umsatz"},
      {"public.Reiche", "reiche"}};
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(conn_->TableName(c.written), c.found) << c.written;
  VMError both = Raised([&] { conn_->TableName("KUNDEN"); });
  EXPECT_EQ(both.Description(),
            "Der Name \"KUNDEN\" passt auf mehrere Tabellen: \"Kunden\" und \"kunden\". Bitte den "
            "Namen genau so schreiben, wie er in der Datenbank steht.");
  EXPECT_EQ(Raised([&] { conn_->TableName("auftraege"); }).Number(), errc::kNoSuchTable)
      << "outside the search path a table is named with its schema";

  // The list: every table, view and materialized view the login may read, with the
  // schema where the search path does not find it.
  const Strings all = conn_->TableNames();
  for (const char* t : {"Kunden", "kunden", "pgbench_accounts", "reiche", "verkauf.auftraege",
                        "verkauf.umsatz", "geheim"})
    EXPECT_NE(std::find(all.begin(), all.end(), t), all.end()) << t;
  pgtest::EnsureLogins(pgtest::ServerConnInfo() + " dbname=postgres");
  auto leser = Platform::Data().CreateConnection();
  leser->Open(db_->ConnectionString("leser"));
  const Strings readable = leser->TableNames();
  EXPECT_NE(std::find(readable.begin(), readable.end(), "Kunden"), readable.end());
  EXPECT_EQ(std::find(readable.begin(), readable.end(), "geheim"), readable.end());
}

TEST_F(PostgresNames, ColumnsOfTheProbeSortKeyAndSearchAreFoundAsTheUserWroteThem) {
  // pgbench's columns are lower case; the user writes them as on SQLite.
  auto w = Open("Pgbench_Accounts", {"AID", "BID", "Abalance"});
  w->g.AddSortColumn("BID", descending);
  w->g.AddRestriction("AID", "1-250");
  w->g.AddRestriction("Abalance", "0");
  w->g.MaxRecords(0);
  w->g.Requery("Aid");
  EXPECT_EQ(w->g.RecordCount(), 250);
  // The library's statement is the same as on SQLite.
  EXPECT_NE(std::find(log_.begin(), log_.end(),
                      "SELECT [AID],[BID],[Abalance] FROM [pgbench_accounts] WHERE ([AID] >= 1 "
                      "AND [AID] <= 250) AND ([Abalance] = 0) ORDER BY [BID] DESC"),
            log_.end())
      << ::testing::PrintToString(log_);
  EXPECT_EQ(w->g.GridFields().Find("Abalance")->datatype, adInteger);
  EXPECT_EQ(std::to_string(w->g.RecordCount()),
            db_->Value("SELECT count(*) FROM pgbench_accounts WHERE aid BETWEEN 1 AND 250 AND "
                       "abalance = 0"));

  // A schema's table read whole, its columns taken from the probe, with a key.
  auto orders = Open("[verkauf].[auftraege]", {}, "NR");
  orders->g.AddRestriction("KUNDE", "Kunde 1*");
  orders->g.Requery("NR");
  EXPECT_EQ(orders->g.RecordCount(), 11);
  // "Kunden" and kunden: each grid reads its own table.
  // Two columns that differ in case only: the exact one, else a message naming both,
  // before anything reaches the server.
  for (const auto& [table, field, rows] : std::vector<std::tuple<std::string, std::string, int>>{
           {"Kunden", "Name", 1}, {"kunden", "NAME", 2}, {"doppelt", "name", 0}}) {
    auto each = Open(table, {field});
    each->g.Requery();
    EXPECT_EQ(each->g.RecordCount(), rows) << table;
  }
  for (const auto& m : platform_->messages.texts()) ADD_FAILURE() << m;
  Open("doppelt", {"NAME"})->g.Requery();
  ASSERT_FALSE(platform_->messages.texts().empty());
  EXPECT_TRUE(pgtest::Has(platform_->messages.texts().back(),
                          "Der Name \"NAME\" passt auf mehrere Spalten: \"Name\" und \"name\"."));
}

}  // namespace
}  // namespace vmbgrid
