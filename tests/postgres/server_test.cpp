// The PostgreSQL provider against the test server: connection strings, failures
// with their German messages, unsafe input, streaming and a connection lost in
// the middle of a load.
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

using pgtest::Exec;
using pgtest::RecordingSink;
using pgtest::Session;

// The sum of a statement's whole numbers, and how many rows it gave.
int64_t Sum(data::ProviderSession& s, const std::string& sql, size_t* rows = nullptr) {
  RecordingSink sink;
  Exec(s, sql, &sink);
  if (rows) *rows = sink.rows.size();
  int64_t sum = 0;
  for (int64_t v : sink.Integers()) sum += v;
  return sum;
}

std::string PercentEncoded(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '/' ? std::string("%2F") : std::string(1, c);
  return out;
}

std::string SocketDir() {
  std::string info = pgtest::ServerConnInfo();
  const size_t h = info.find("host=");
  return info.substr(h + 5, info.find(' ', h) - h - 5);
}

class PostgresServer : public pgtest::OnServer {};

TEST_F(PostgresServer, FailuresToConnectSayWhyInGerman) {
  const std::string dir = SocketDir();
  VMError pw = Raised([&] {
    Session("Provider=PostgreSQL;Host=" + dir +
            ";Database=postgres;User ID=vmbgrid_pw;Password=falsch");
  });
  EXPECT_EQ(pw.Number(), errc::kProviderFailure);
  EXPECT_TRUE(pgtest::Has(pw.Description(), "Benutzername oder Kennwort ist falsch"));
  EXPECT_EQ(pw.Description().find("falsch;"), std::string::npos);  // never the password
  Session("Provider=PostgreSQL;Host=" + dir +
          ";Database=postgres;User ID=vmbgrid_pw;Password=richtig");
  // The right ones connect, in every form, through the data layer.
  Platform::Install(&data::DefaultDataAccess());
  postgres::Register();
  for (const std::string& cs :
       {"postgresql://vmbgrid@" + PercentEncoded(dir) + ":5432/postgres",
        "Provider=PostgreSQL;Host=" + dir + ";Port=5432;Database=postgres;User ID=vmbgrid"}) {
    auto conn = Platform::Data().CreateConnection();
    conn->Open(cs);
    EXPECT_EQ(conn->Provider(), "PostgreSQL") << cs;
    conn->Execute("SELECT 1");
  }
  Platform::Reset();

  VMError down =
      Raised([&] { Session("Provider=PostgreSQL;Host=/tmp/vmbgrid-kein-server;Database=x"); });
  EXPECT_TRUE(pgtest::Has(down.Description(), "ist nicht erreichbar"));
  VMError nodb = Raised(
      [&] { Session("Provider=PostgreSQL;Host=" + dir + ";Database=gibtsnicht;User ID=vmbgrid"); });
  EXPECT_TRUE(pgtest::Has(nodb.Description(), "gibt es auf dem Server nicht"));
}

TEST_F(PostgresServer, TimeoutsCancelsAndSecondStatementsAreRefused) {
  auto s = Session(db.ConnectionString());
  VMError slow = Raised([&] { Exec(*s, "SELECT pg_sleep(5)", nullptr, 1); });
  EXPECT_EQ(slow.Number(), errc::kQueryTimeout);
  EXPECT_EQ(slow.Description(),
            "Die Abfrage wurde nach 1 Sekunden abgebrochen (Zeitlimit überschritten).");
  RecordingSink one;
  EXPECT_EQ(Sum(*s, "SELECT 1"), 1);  // still usable, without the limit

  Exec(*s, "CREATE TABLE t (a integer)");
  // The connection string's limits: a lock another session holds is waited for that
  // long, a statement without a timeout of its own runs that long.
  auto limited = Session(db.ConnectionString() + ";Lock Timeout=1;Statement Timeout=2");
  PGconn* holder = PQconnectdb(db.ConnInfo().c_str());
  PQclear(PQexec(holder, "BEGIN; LOCK TABLE t IN ACCESS EXCLUSIVE MODE"));
  VMError locked = Raised([&] { Exec(*limited, "SELECT [a] FROM [t]", &one); });
  EXPECT_EQ(locked.Number(), errc::kDatabaseLocked);
  EXPECT_EQ(locked.Description(),
            "Die Daten sind von einer anderen Verbindung gesperrt; nach 1 Sekunde Warten wurde "
            "abgebrochen. Bitte versuchen Sie es später noch einmal.");
  PQfinish(holder);
  EXPECT_EQ(Raised([&] { Exec(*limited, "SELECT pg_sleep(4)"); }).Number(), errc::kQueryTimeout);
  Exec(*limited, "SELECT pg_sleep(0.1)", nullptr, 5);  // the command's own limit wins

  // Literals read as the server reads them: E'' with its backslash escapes, dollar
  // quotes, nested comments.
  for (const char* two : {"SELECT 1; DROP TABLE t", "INSERT INTO t VALUES (1); DROP TABLE t",
                          "SELECT E'a\\''; DROP TABLE t", "SELECT $$a$$; DROP TABLE t",
                          "SELECT 1 /* /* */ ; */; DROP TABLE t"}) {
    const VMError e = Raised([&] { Exec(*s, two, &one); });
    EXPECT_EQ(e.Number(), errc::kRejectedStatement) << two;
    EXPECT_EQ(e.Description(),
              "Die Anweisung enthält mehr als einen Befehl; es wurde nichts ausgeführt.")
        << two;
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM t"), "0");
  RecordingSink literals;
  Exec(*s, "SELECT E'a\\'; b', $$;$$, $x$ ; $x$ /* /* ; */ ; */ ;", &literals);
  EXPECT_EQ(literals.rows.size(), 1u);
}

TEST_F(PostgresServer, SearchLinePayloadsStayValuesOnTheServer) {
  ASSERT_EQ(db.Exec("CREATE TABLE \"Kunden\" (\"Nr\" integer PRIMARY KEY, \"Name\" varchar(50)); "
                    "INSERT INTO \"Kunden\" VALUES (1, 'O''Brien'), (2, 'a\\b'), (3, 'Straße')"),
            "");
  auto& platform = InstallHeadlessPlatform(&data::DefaultDataAccess());
  postgres::Register();
  {
    HeadlessGrid grid("grdKunden");
    VMGrid g;
    g.Init(0, "Test", "frmKunden");
    g.grid(&grid);
    g.ConnectionString(db.ConnectionString());
    g.RecordSource("Kunden");
    g.AddField("Nr", "", false, false, adInteger);
    g.AddField("Name", "", false, false, adVarChar);
    auto count = [&](const std::string& criterion) {
      g.AddRestriction("Name", Variant(criterion));
      g.Requery();
      auto rs = grid.DataSource();
      return rs && rs->State() == adStateOpen ? rs->RecordCount() : -1;
    };
    EXPECT_EQ(count("O'Brien"), 1);
    EXPECT_EQ(count("a\\b"), 1);  // a backslash is a character, in = and in LIKE
    EXPECT_EQ(count("a\\*"), 1);
    // "=" and LIKE fold case as the in-memory filter does ("ß" is "ss").
    EXPECT_EQ(count("STRASSE"), 1);
    EXPECT_EQ(count("STRASS*"), 1);
    for (const char* payload :
         {"x'; DROP TABLE \"Kunden\"; --", "\\'; DROP TABLE \"Kunden\"; --",
          "$$; DROP TABLE \"Kunden\"; $$", "E'\\''; DROP TABLE \"Kunden\"; --", "x' OR '1'='1"})
      count(payload);  // a range or alternatives of text, or a message about the criterion
    for (const std::string& m : platform.messages.texts())
      EXPECT_EQ(m.find("abgelehnt"), std::string::npos) << m;
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM \"Kunden\""), "3");
  ResetHeadlessPlatform();
}

TEST_F(PostgresServer, LargeResultsStreamAndALostConnectionIsReportedAndReconnected) {
  const pgtest::OwnServer server("pgloss");
  if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
  const std::string info = server.ConnInfo();
  ASSERT_EQ(pgtest::Admin(info, "CREATE TABLE z AS SELECT g AS n FROM generate_series(1, 65000) g"),
            "");
  ASSERT_EQ(pgtest::Admin(info, "CHECKPOINT"), "");  // commits are asynchronous on this server
  auto s = Session("Provider=PostgreSQL;Data Source=\"" + info + "\"");
  size_t rows = 0;
  EXPECT_EQ(Sum(*s, "SELECT TOP 60001 [n] FROM [z] ORDER BY [n]", &rows),
            int64_t{60001} * 60002 / 2);
  EXPECT_EQ(rows, 60001u);

  RecordingSink cut;
  cut.onRow = [&] { ASSERT_TRUE(cut.rows.size() != 100 || server.Halt()); };
  VMError lost = Raised([&] { Exec(*s, "SELECT [n] FROM [z]", &cut); });
  EXPECT_EQ(lost.Number(), errc::kProviderFailure);
  EXPECT_TRUE(pgtest::Has(lost.Description(), "wurde unterbrochen"));
  EXPECT_LT(cut.rows.size(), 65000u);

  ASSERT_TRUE(server.Resume());
  EXPECT_EQ(Sum(*s, "SELECT count(*) FROM [z]"), 65000);  // the same session connects anew

  // A restart while the connection was idle: the next statement, and the next
  // progressive load, succeed at the first try.
  ASSERT_TRUE(server.Halt());
  ASSERT_TRUE(server.Resume());
  EXPECT_EQ(Sum(*s, "SELECT count(*) FROM [z]"), 65000);
  ASSERT_TRUE(server.Halt());
  ASSERT_TRUE(server.Resume());
  auto cursor =
      s->OpenCursor({.text = "SELECT [n] FROM [z]"}, std::make_shared<std::atomic<bool>>(false));
  ASSERT_NE(cursor, nullptr);
  RecordingSink portions;
  while (cursor->Fetch(portions, 0) == data::RowCursor::Status::kMore) continue;
  EXPECT_EQ(portions.rows.size(), 65000u);
}

}  // namespace
}  // namespace vmbgrid
