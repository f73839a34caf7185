// The browser on the test server as a team with a set-up database meets it: every
// schema's tables, views and materialized views listed, the login as the user, a
// login that may only read told what the administrator must grant, a lock waited
// for and a server restart.
#include <QKeyEvent>
#include <QTableView>
#include <chrono>
#include <thread>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"
#include "tests/postgres/pg_test_support.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::browser::testing {
namespace {

class BrowserOnServer : public BrowserTest {
 protected:
  static void SetUpTestSuite() {
    if (pgtest::ServerConnInfo().empty()) return;
    postgres::Register();
    db_ = std::make_unique<pgtest::Database>();
    ASSERT_EQ(sampledb::GenerateOnServer(db_->ConnectionString(), {.rows = 300}), "");
    pgtest::EnsureLogins(pgtest::ServerConnInfo() + " dbname=postgres");
    ASSERT_EQ(db_->SetupStore({.users = {"anna"}, .admins = {}}), "");
    ASSERT_EQ(db_->Exec("CREATE SCHEMA verkauf; CREATE TABLE verkauf.auftraege (nr integer, "
                        "kunde text); INSERT INTO verkauf.auftraege VALUES (1, 'Meier'); CREATE "
                        "MATERIALIZED VIEW verkauf.kunden_je_ort AS SELECT \"Ort\", count(*) AS n "
                        "FROM \"Kunden\" GROUP BY \"Ort\"; GRANT USAGE ON SCHEMA verkauf TO "
                        "vmgrid_benutzer; GRANT SELECT ON ALL TABLES IN SCHEMA public, verkauf TO "
                        "vmgrid_benutzer, leser"),
              "");
  }
  static void TearDownTestSuite() { db_.reset(); }
  void SetUp() override { VMBGRID_REQUIRE_POSTGRES(); }

  // The window as a login opens it: the libpq text the team types.
  BrowserWindow& OpenAs(const std::string& login, const std::string& table = "Kunden") {
    Options o;
    o.db = db_->ConnInfo() + " user=" + login;
    o.table = table;
    o.max = 0;
    return OpenWindow(o);
  }

  static inline std::unique_ptr<pgtest::Database> db_;
};

TEST_F(BrowserOnServer, ALoginWithoutRightsOnTheStoreBrowsesAndIsToldWhatToGrant) {
  BrowserWindow& w = OpenAs("leser");
  EXPECT_EQ(w.Controller()->user(), "leser");
  EXPECT_TRUE(pgtest::Has(w.StoreProblem(), "GRANT vmgrid_benutzer TO leser;"));
  ASSERT_FALSE(w.Messages().empty());
  EXPECT_EQ(w.Messages().front(), w.StoreProblem());
  EXPECT_EQ(w.Controller()->RecordCount(), 300);
}

TEST_F(BrowserOnServer, EscEndsAWaitBehindAnotherSessionsLockAndTheWindowWorksOn) {
  BrowserWindow& w = OpenAs("anna");
  ASSERT_EQ(w.Controller()->RecordCount(), 300);
  const auto& tables = w.Tables();
  for (const char* t : {"Orte", "verkauf.auftraege", "verkauf.kunden_je_ort"})
    EXPECT_NE(std::find(tables.begin(), tables.end(), t), tables.end()) << t;
  EXPECT_EQ(std::find(tables.begin(), tables.end(), "vmgrid_settings"), tables.end());
  PGconn* holder = PQconnectdb(db_->ConnInfo().c_str());
  PQclear(PQexec(holder, "BEGIN; LOCK TABLE \"Kunden\" IN ACCESS EXCLUSIVE MODE"));
  // Esc arrives as the window system delivers it, while the statement waits. The event
  // is made here: a key event made on another thread creates Qt's keyboard device there,
  // which is never freed.
  QWidget* view = w.DataGrid()->View();
  auto* esc = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  std::thread user([view, esc] {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    QCoreApplication::postEvent(view, esc);
  });
  const auto start = std::chrono::steady_clock::now();
  w.Controller()->Requery();
  const double waited =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  user.join();
  EXPECT_LT(waited, 5.0) << "the browser's lock timeout is 10 s; Esc came after 0.8 s";
  ASSERT_FALSE(w.Messages().empty());
  EXPECT_TRUE(pgtest::Has(w.Messages().back(), "Die Abfrage wurde abgebrochen (Esc)."));
  PQfinish(holder);
  w.Controller()->Requery();
  BrowserWindow::Settle();
  EXPECT_EQ(w.Controller()->RecordCount(), 300);
}

TEST_F(BrowserOnServer, AfterAServerRestartTheNextRefreshReconnectsAndSucceeds) {
  // A server of its own: the restart must not disturb the other tests.
  const pgtest::OwnServer server("pgbrowse");
  if (!server.Skip().empty()) GTEST_SKIP() << server.Skip();
  ASSERT_EQ(sampledb::GenerateOnServer(
                "Provider=PostgreSQL;Data Source=\"" + server.ConnInfo() + "\"", {.rows = 40}),
            "");
  Options options;
  options.db = server.ConnInfo();
  options.max = 0;
  BrowserWindow& w = OpenWindow(options);
  ASSERT_EQ(w.Controller()->RecordCount(), 40);
  const size_t before = w.Messages().size();  // the store is not set up there
  ASSERT_TRUE(server.Halt());
  ASSERT_TRUE(server.Resume());
  w.Controller()->Requery();
  BrowserWindow::Settle();
  EXPECT_EQ(w.Controller()->RecordCount(), 40);
  for (size_t i = before; i < w.Messages().size(); ++i) ADD_FAILURE() << w.Messages()[i];
}

}  // namespace
}  // namespace vmbgrid::browser::testing
