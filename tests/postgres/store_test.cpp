// The layout and settings store on the server: nothing is written and no statement
// fails before an administrator sets it up, the setup brings an older store up to
// date, the server decides who writes what (two users, an administrator and a
// login that may only read), and two processes saving one layout at once.
#include <sys/wait.h>
#include <unistd.h>

#include "adapters/headless/headless.h"
#include "adapters/postgres/postgres_provider.h"
#include "core/settings_store.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "host/platform.h"
#include "layout/layout_store.h"
#include "tests/postgres/pg_test_support.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using pgtest::RecordingSink;
using pgtest::Session;

Parameter In(const std::string& name, const Variant& v) {
  return {"@" + name, adVariant, adParamInput, 0, v};
}

void Call(data::ProviderSession& s, const char* proc, std::vector<Parameter> params,
          data::ResultSink* sink = nullptr, int32_t* layoutid = nullptr) {
  if (layoutid) params.push_back({"@layoutid", adVariant, adParamOutput, 0, Variant()});
  s.Execute({.text = proc, .commandType = adCmdStoredProc, .parameters = &params}, sink);
  if (layoutid) *layoutid = params.back().value.ToInt32();
}

// One save as the layout store makes it: the header, then one call per column.
int32_t Save(data::ProviderSession& s, const std::string& tag, int columns) {
  int32_t id = 0;
  Call(s, "aa_gridlayout",
       {In("SPAction", Variant(int16_t{2})), In("layout", Variant("App\\frm\\grd")),
        In("sublayout", Variant("Gemeinsam")), In("user", Variant("Standard"))},
       nullptr, &id);
  for (int c = 0; c < columns; ++c) {
    Call(s, "aa_gridlayoutfield",
         {In("SPAction", Variant(int16_t{2})), In("layoutid", Variant(id)),
          In("caption", Variant(tag)), In("fieldname", Variant("F" + std::to_string(c))),
          In("order", Variant(c)), In("sortdirection", Variant(0)), In("sortorder", Variant(0)),
          In("visible", Variant(true)), In("width", Variant(1000 + c))});
  }
  return id;
}

// The columns of a saved layout, as the layout store reads them.
RecordingSink Fields(data::ProviderSession& s, int32_t layoutid) {
  RecordingSink fields;
  Call(s, "aa_gridlayoutfield",
       {In("SPAction", Variant(int16_t{1})), In("layoutid", Variant(layoutid))}, &fields);
  return fields;
}

// The last message shown, "" without one.
std::string Last(const HeadlessPlatform& platform) {
  const auto& texts = platform.messages.texts();
  return texts.empty() ? "" : texts.back();
}

// Every object and every row count of the database's public schema.
std::string DatabaseState(const pgtest::Database& db) {
  return db.Value(
      "SELECT string_agg(c.relname || ':' || c.relkind, ',' ORDER BY c.relname) || '/' || "
      "(SELECT count(*) FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON "
      "n.oid = p.pronamespace WHERE n.nspname = 'public') || '/' || "
      "(SELECT count(*) FROM \"Kunden\") FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace "
      "n ON n.oid = c.relnamespace WHERE n.nspname = 'public'");
}

using testing::Raised;

// A grid on "Kunden" as a login and user, the way the hosts open one.
struct Window {
  HeadlessGrid grid{"Kunden"};
  std::shared_ptr<Connection> connection;
  VMGrid g;
  Window(const pgtest::Database& db, const std::string& login, const std::string& user,
         const std::string& table = "Kunden") {
    connection = Platform::Data().CreateConnection();
    connection->Open(db.ConnectionString(login));
    g.Init(0, "Test", "frmKunden");
    g.grid(&grid);
    g.SaveMode(velmDB);
    g.user(user);
    g.Connection(connection);
    g.RecordSource(table);
    g.AddField("Name");
    g.AddField("Ort");
    g.Requery();
  }
};

void MakeKunden(const pgtest::Database& db) {
  ASSERT_EQ(db.Exec("CREATE TABLE \"Kunden\" (\"Nr\" integer PRIMARY KEY, \"Name\" varchar(50), "
                    "\"Ort\" varchar(50)); INSERT INTO \"Kunden\" VALUES (1, 'Meier', 'Bonn'), "
                    "(2, 'Müller', 'Köln'); GRANT SELECT ON \"Kunden\" TO PUBLIC"),
            "");
}

// The store set up for anna and bert as users and chef as administrator; leser is
// given no role and may read "Kunden" only.
void SetUpForFourLogins(const pgtest::Database& db) {
  pgtest::EnsureLogins(pgtest::ServerConnInfo() + " dbname=postgres");
  MakeKunden(db);
  ASSERT_EQ(db.SetupStore({.users = {"anna", "bert"}, .admins = {"chef"}}), "");
}

class PostgresStore : public pgtest::OnServer {};

TEST_F(PostgresStore, WithoutSetupBrowsingWorksAndEveryWriteSaysWhatTheAdministratorRuns) {
  MakeKunden(db);
  const std::string before = DatabaseState(db);
  auto& platform = InstallHeadlessPlatform(&data::DefaultDataAccess());
  postgres::Register();
  const std::streamoff log = pgtest::ServerLogSize();
  {
    Window w(db, "", "anna");
    EXPECT_EQ(w.g.RecordCount(), 2);
    const std::string problem = w.connection->Store()->Problem();
    EXPECT_TRUE(pgtest::Has(problem, "nicht eingerichtet"));
    EXPECT_TRUE(pgtest::Has(problem, "vmbgrid-sampledb --setup --db"));
    w.g.Layouts().SaveLayout("Meins");
    EXPECT_EQ(Last(platform), "Fehler beim Speichern des Layouts Meins.\r\n" + problem);
    w.g.ShowEmptyGrid(true);
    VMError refused = Raised([&] { w.g.SaveSettings(); });
    EXPECT_EQ(refused.Number(), errc::kOperationNotAllowed);
    EXPECT_EQ(refused.Description(), problem);
    // Listing and reading find nothing; deleting what was never saved does nothing.
    core::SettingsStore settings;
    settings.SetConnection(w.connection);
    EXPECT_EQ(settings.ReadSetting("a", "k", "anna", "Standard", "vorgabe"), "vorgabe");
    EXPECT_TRUE(settings.ReadSettingsSection("a", "anna").empty());
    w.g.Layouts().DeleteLayout("Meins");
    w.g.ShowEmptyGrid(false);
  }  // the shutdown writes nothing either
  {
    Window missing(db, "", "anna", "Gibtsnicht");
    EXPECT_TRUE(
        pgtest::Has(Last(platform), "Die Tabelle \"Gibtsnicht\" gibt es in der Datenbank nicht."));
  }
  EXPECT_EQ(DatabaseState(db), before);
  // The store was asked for through the catalog: no statement on it failed.
  const std::string logged = pgtest::ServerLogFrom(log);
  for (const char* name : {"vmgrid_settings", "aa_gridlayout", "vmgrid_schema"})
    EXPECT_EQ(logged.find(name), std::string::npos) << logged;
  ResetHeadlessPlatform();
}

TEST_F(PostgresStore, SetupBringsAnOlderStoreUpToDateAndKeepsItsEntries) {
  // The tables as the first version left them, installed by a user's first save.
  ASSERT_EQ(db.Exec("CREATE TABLE aa_gridlayout_kopf (layoutid serial PRIMARY KEY, layout "
                    "varchar(50) NOT NULL, sublayout varchar(50), \"user\" varchar(50)); "
                    "CREATE TABLE aa_gridlayout_feld (nr bigserial PRIMARY KEY, layoutid integer "
                    "NOT NULL, caption varchar(50), fieldname varchar(50), \"order\" integer, "
                    "sortdirection integer, sortorder integer, visible boolean NOT NULL DEFAULT "
                    "true, width integer); INSERT INTO aa_gridlayout_kopf (layout, sublayout, "
                    "\"user\") VALUES ('Alt', 'Alt', 'anna'); INSERT INTO aa_gridlayout_feld "
                    "(layoutid, fieldname) VALUES (1, 'Name'); CREATE TABLE vmgrid_schema (version "
                    "integer NOT NULL); INSERT INTO vmgrid_schema VALUES (1); CREATE TABLE "
                    "vmgrid_settings (section varchar(255) NOT NULL, schluessel varchar(255) NOT "
                    "NULL, owner varchar(255) NOT NULL, wert text, PRIMARY KEY (section, "
                    "schluessel, owner)); INSERT INTO vmgrid_settings VALUES ('a', 'k', 'anna', "
                    "'alt')"),
            "");
  auto old = Session(db.ConnectionString());
  EXPECT_NE(old->Store()->Problem().find("älteren Version"), std::string::npos);
  ASSERT_EQ(db.SetupStore(), "");
  ASSERT_EQ(db.SetupStore(), "") << "a second setup changes nothing";
  EXPECT_EQ(db.Value("SELECT version || user_role || admin_role FROM vmgrid_schema"),
            std::to_string(postgres::kSchemaVersion) + "vmgrid_benutzervmgrid_admin");
  auto s = Session(db.ConnectionString());
  EXPECT_EQ(s->Store()->Problem(), "");
  const RecordingSink fields = Fields(*s, 1);
  ASSERT_EQ(fields.rows.size(), 1u);
  EXPECT_EQ(fields.rows[0][2].value, Variant("Name"));
  EXPECT_EQ(db.Value("SELECT wert FROM vmgrid_settings"), "alt");
  // Names up to the widths the hosts use: a grid named after a schema's table.
  const std::string key(120, 'k');
  int32_t id = 0;
  Call(*s, "aa_gridlayout",
       {In("SPAction", Variant(int16_t{2})), In("layout", Variant(key)),
        In("sublayout", Variant(std::string(100, 's'))), In("user", Variant("anna"))},
       nullptr, &id);
  EXPECT_GT(id, 1);
}

TEST_F(PostgresStore, TheServerDecidesWhoWritesWhat) {
  ASSERT_NO_FATAL_FAILURE(SetUpForFourLogins(db));
  Platform::Install(&data::DefaultDataAccess());
  postgres::Register();
  auto as = [&](const std::string& login) {
    auto c = Platform::Data().CreateConnection();
    c->Open(db.ConnectionString(login));
    auto store = std::make_unique<core::SettingsStore>();
    store->SetConnection(c);
    return store;
  };
  auto anna = as("anna"), bert = as("bert"), chef = as("chef"), leser = as("leser");
  EXPECT_EQ(anna->GetConnection()->Store()->Login(), "anna");

  bert->WriteSetting("a", "k", "von bert", "bert");
  anna->WriteSetting("a", "k", "von anna", "anna");
  // Another login's entries: refused with the reason, also where row security would
  // have hidden the row and let a delete pass for done.
  for (auto write : {+[](core::SettingsStore& s) { s.WriteSetting("a", "k", "x", "bert"); },
                     +[](core::SettingsStore& s) { s.DeleteSetting("a", "k", "bert"); }}) {
    VMError e = Raised([&] { write(*anna); });
    EXPECT_EQ(e.Number(), errc::kOperationNotAllowed);
    EXPECT_EQ(e.Description(),
              "Der Anmeldename \"anna\" darf die Einträge von \"bert\" nicht ändern.");
  }
  EXPECT_EQ(anna->ReadSetting("a", "k", "bert", "", "nichts"), "nichts") << "not even read";
  // "Standard" belongs to the administrators; everyone reads it.
  VMError standard = Raised([&] { anna->WriteSetting("a", "g", "x", "Standard"); });
  EXPECT_TRUE(pgtest::Has(standard.Description(), "Rolle \"vmgrid_admin\""));
  chef->WriteSetting("a", "g", "gemeinsam", "Standard");
  chef->WriteSetting("a", "k", "vom chef", "bert");  // an administrator tidies up
  EXPECT_EQ(anna->ReadSetting("a", "g", "anna", "Standard", ""), "gemeinsam");
  EXPECT_EQ(bert->ReadSetting("a", "k", "bert", "", ""), "vom chef");
  // A client that goes around the library meets the same rules.
  auto raw = [&](const std::string& login, const std::string& sql) {
    return pgtest::Admin(db.ConnInfo() + " user=" + login, sql);
  };
  EXPECT_EQ(raw("anna", "UPDATE vmgrid_settings SET wert = 'x' WHERE owner = 'bert'"), "");
  EXPECT_EQ(db.Value("SELECT wert FROM vmgrid_settings WHERE owner = 'bert'"), "vom chef");
  EXPECT_NE(raw("anna", "INSERT INTO vmgrid_settings VALUES ('a', 'z', 'bert', 'x')"), "");
  EXPECT_NE(raw("anna", "DELETE FROM aa_gridlayout_kopf"), "");
  EXPECT_NE(raw("anna", "SELECT aa_gridlayout(2, 'Kunden', 'Standard', 'Standard')"), "");
  EXPECT_NE(raw("anna", "SELECT aa_gridlayout(3, 'Kunden', 'Meins', 'bert')"), "");

  // The login that may only read: told once what the administrator grants; its
  // reads give the defaults without a refused statement, its writes say why.
  const std::string problem = leser->GetConnection()->Store()->Problem();
  EXPECT_EQ(problem, "Der Anmeldename \"leser\" darf den Layoutspeicher der Datenbank \"" +
                         db.Value("SELECT current_database()") +
                         "\" nicht benutzen. Der Administrator gibt ihm das Recht mit: GRANT "
                         "vmgrid_benutzer TO leser;");
  EXPECT_EQ(leser->ReadSetting("a", "g", "leser", "Standard", "vorgabe"), "vorgabe");
  EXPECT_EQ(Raised([&] { leser->WriteSetting("a", "k", "x", "leser"); }).Description(), problem);
}

TEST_F(PostgresStore, LayoutsFollowTheLoginAndOnlyAdministratorsChangeStandard) {
  ASSERT_NO_FATAL_FAILURE(SetUpForFourLogins(db));
  auto& platform = InstallHeadlessPlatform(&data::DefaultDataAccess());
  postgres::Register();
  auto standardCaption = [&] {
    return db.Value(
        "SELECT min(f.caption) FROM aa_gridlayout_feld f JOIN aa_gridlayout_kopf k "
        "USING (layoutid) WHERE k.sublayout = 'Standard' AND f.fieldname = 'Name'");
  };
  {
    // The admin role creates and replaces the shared layout, whatever the user's name.
    Window chef(db, "chef", "chef");
    for (const char* caption : {"Vom Chef", "Geändert"}) {
      chef.grid.Column(0).Caption(caption);
      chef.g.Layouts().SaveLayout("Standard");
      EXPECT_EQ(standardCaption(), caption);
    }
  }
  {
    // The name ADMIN is no right on a server: anna stays anna.
    Window anna(db, "anna", "admin");
    anna.grid.Column(0).Caption("Von Anna");
    anna.g.Layouts().SaveLayout("Standard");
    EXPECT_EQ(standardCaption(), "Geändert");
    EXPECT_EQ(Last(platform),
              "Die gemeinsamen Einträge von \"Standard\" dürfen nur Mitglieder der Rolle "
              "\"vmgrid_admin\" ändern; der Anmeldename \"anna\" gehört nicht dazu.");
    anna.g.Layouts().DeleteLayout("Standard");
    EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_kopf WHERE sublayout = 'Standard'"),
              "1");
  }
  platform.messages.clear();
  {
    Window anna(db, "anna", "anna");
    anna.grid.Column(1).Width(2345);
    anna.g.Layouts().SaveLayout("Meins");
    EXPECT_EQ(anna.g.layout(), "Meins");
    EXPECT_EQ(db.Value("SELECT \"user\" FROM aa_gridlayout_kopf WHERE sublayout = 'Meins'"),
              "anna");
    Window again(db, "anna", "anna");
    EXPECT_TRUE(again.g.Layouts().LoadAndApply("Meins"));
    EXPECT_EQ(again.grid.Column(1).Width(), 2345);
    EXPECT_TRUE(platform.messages.texts().empty());
    Window asBert(db, "anna", "bert");  // a host naming a user the login may not act for
    asBert.g.Layouts().SaveLayout("Fremd");
    EXPECT_EQ(Last(platform),
              "Fehler beim Speichern des Layouts Fremd.\r\nDer Anmeldename \"anna\" darf die "
              "Einträge von \"bert\" nicht ändern.");
  }
  {
    // The read-only login still browses, with the shared layout not applied and
    // the reason given by the host (see the hosts' tests).
    Window leser(db, "leser", "leser");
    EXPECT_EQ(leser.g.RecordCount(), 2);
  }
  {
    // A host naming no user, or one the login may not act for: the end of its
    // window sends nothing the server would refuse (no temporary layout to keep).
    const std::streamoff log = pgtest::ServerLogSize();
    for (const char* user : {"", "niemand"}) {
      Window w(db, "anna", user);
      w.g.IsTempLayout(true);
    }
    const std::string logged = pgtest::ServerLogFrom(log);
    for (const char* refused : {"von \"\" nicht", "von \"niemand\" nicht"})
      EXPECT_EQ(logged.find(refused), std::string::npos) << logged;
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_kopf WHERE sublayout = 'Fremd'"), "0");
  ResetHeadlessPlatform();
}

TEST_F(PostgresStore, TwoProcessesSavingTheSameLayoutLeaveOneCompleteVersion) {
  ASSERT_EQ(db.SetupStore(), "");
  Save(*Session(db.ConnectionString()), "start", 5);
  constexpr int kSaves = 200, kColumns = 5;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int status = 0;
      try {
        auto s = Session(db.ConnectionString());
        for (int i = 0; i < kSaves; ++i) {
          try {
            Save(*s, "p" + std::to_string(p) + "-" + std::to_string(i), kColumns);
          } catch (const VMError& e) {
            // Overtaken by the other process: refused, never mixed in.
            if (e.Number() != errc::kIntegrityViolation) throw;
          }
        }
      } catch (...) {
        status = 1;
      }
      ::_exit(status);
    }
  }
  for (pid_t c : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(c, &status, 0), c);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_kopf"), "1");
  auto s = Session(db.ConnectionString());
  const RecordingSink fields =
      Fields(*s, std::stoi(db.Value("SELECT layoutid FROM aa_gridlayout_kopf")));
  ASSERT_EQ(fields.rows.size(), static_cast<size_t>(kColumns));
  for (int c = 0; c < kColumns; ++c) {
    EXPECT_EQ(fields.rows[c][1].value, fields.rows[0][1].value) << "columns of two saves mixed";
    EXPECT_EQ(fields.rows[c][2].value, Variant("F" + std::to_string(c)));
  }
  EXPECT_EQ(db.Value("SELECT count(*) FROM aa_gridlayout_feld"), std::to_string(kColumns));
}

}  // namespace
}  // namespace vmbgrid
