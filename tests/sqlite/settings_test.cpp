// The settings store and the database service on a SQLite database, through the
// data-access layer as the controller uses them.
#include "core/database_service.h"
#include "core/settings_store.h"
#include "data/provider.h"
#include "host/platform.h"
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

class SettingsOnSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    Register();
    Platform::Install(&data::DefaultDataAccess());
    path = dir.File("einstellungen.db");
    connection = Platform::Data().CreateConnection();
    connection->Open("Provider=SQLite;Data Source=" + path + ";Mode=Create");
    connection->SetStatementLog([this](const std::string& s) { log.push_back(s); });
    store.SetConnection(connection);
  }
  void TearDown() override {
    connection->Close();
    Platform::Reset();
  }

  TempDir dir;
  std::string path;
  std::shared_ptr<Connection> connection;
  core::SettingsStore store;
  std::vector<std::string> log;
};

TEST_F(SettingsOnSqlite, ReadFallsBackFromUserToOwnerToDefault) {
  const std::string section = "App\\Kunden\\grdKunden";
  // No table yet: defaults, never an error.
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "Standard", "1000"), "1000");
  EXPECT_TRUE(store.ReadSettingsSection(section, "meier").empty());
  store.DeleteSetting(section, "MaxRecords", "meier");  // nothing to delete, no error

  store.WriteSetting(section, "MaxRecords", "500", "Standard");
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "Standard", "1000"), "500");
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "", "1000"), "1000");
  store.WriteSetting(section, "MaxRecords", "200", "meier");
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "Standard", "1000"), "200");
  // Writing again replaces the value.
  store.WriteSetting(section, "MaxRecords", "250", "meier");
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "Standard", "1000"), "250");
  // An empty stored text is a value of its own.
  store.WriteSetting(section, "ShowEmptyGrid", "", "meier");
  store.WriteSetting(section, "ShowEmptyGrid", "-1", "Standard");
  EXPECT_EQ(store.ReadSetting(section, "ShowEmptyGrid", "meier", "Standard", "x"), "");

  store.DeleteSetting(section, "MaxRecords", "meier");
  EXPECT_EQ(store.ReadSetting(section, "MaxRecords", "meier", "Standard", "1000"), "500");
  // Other sections and users are untouched.
  EXPECT_EQ(store.ReadSetting("App\\Andere\\grd", "MaxRecords", "meier", "Standard", "1"), "1");
}

TEST_F(SettingsOnSqlite, QuotesAndSqlInValuesRoundTripAndNeverBecomeStatements) {
  const std::string nasty = "O'Brien \"Chef\" '); DROP TABLE vmgrid_settings; --";
  const std::string section = "Queries/Kunden's \"Liste\"";
  store.WriteSetting(section, "Meiers' Suche", nasty, "o'brien");
  store.WriteSetting(section, "Ärger", "Name~Mei*!Ort~Köln!", "o'brien");
  store.WriteSetting(section, "Andere", "x", "Standard");
  EXPECT_EQ(store.ReadSetting(section, "Meiers' Suche", "o'brien", "Standard", ""), nasty);

  std::vector<core::SettingRow> rows = store.ReadSettingsSection(section, "o'brien");
  ASSERT_EQ(rows.size(), 2u);  // only that owner's entries, ordered by key (German rules)
  EXPECT_EQ(rows[0].Schluessel, "Ärger");
  EXPECT_EQ(rows[0].wert, "Name~Mei*!Ort~Köln!");
  EXPECT_EQ(rows[1].Schluessel, "Meiers' Suche");
  EXPECT_EQ(rows[1].wert, nasty);

  for (const std::string& statement : log) {
    EXPECT_EQ(statement.find("Brien"), std::string::npos) << statement;
    EXPECT_EQ(statement.find("Mei*"), std::string::npos) << statement;
  }
}

TEST_F(SettingsOnSqlite, WithoutConnectionReadsGiveDefaultsAndWritesRaise) {
  core::SettingsStore none;
  EXPECT_EQ(none.ReadSetting("s", "k", "u", "Standard", "d"), "d");
  EXPECT_TRUE(none.ReadSettingsSection("s", "u").empty());
  EXPECT_EQ(Raised([&] { none.WriteSetting("s", "k", "v", "u"); }).Number(), errc::kObjectRequired);
}

TEST_F(SettingsOnSqlite, DatabaseKindFollowsTheProvider) {
  core::DatabaseService db;
  EXPECT_EQ(db.DatabaseKind(connection.get()), 2);
  EXPECT_EQ(db.DatabaseKind(nullptr), 0);
  auto closed = Platform::Data().CreateConnection();
  closed->ConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.accdb");
  EXPECT_EQ(db.DatabaseKind(closed.get()), 1);
  closed->ConnectionString("Provider=PostgreSQL;Host=localhost");
  EXPECT_EQ(db.DatabaseKind(closed.get()), 3);
  closed->ConnectionString("Data Source=x");
  EXPECT_EQ(db.DatabaseKind(closed.get()), 0);
}

TEST_F(SettingsOnSqlite, ProcedureCommandsCarryParametersInAndOut) {
  connection->Execute("CREATE TABLE kopf (id INTEGER PRIMARY KEY, layout TEXT, usr TEXT)");
  RegisterProcedure("test_kopf", [](data::ProviderSession& s, std::vector<Parameter>& p,
                                    data::ResultSink*) {
    auto find = [&](const char* n) -> Parameter& {
      for (Parameter& q : p) {
        if (q.name == n) return q;
      }
      throw std::runtime_error(std::string("Parameter fehlt: ") + n);
    };
    EXPECT_EQ(find("@SPAction").value, Variant(int16_t{2}));
    std::vector<Parameter> in = {find("@layout"), find("@user")};
    data::StatementRequest r;
    r.text = "INSERT INTO kopf (layout, usr) VALUES (@layout, @user)";
    r.parameters = &in;
    s.Execute(r, nullptr);
    RecordingSink id;
    r.text = "SELECT last_insert_rowid()";
    r.parameters = nullptr;
    s.Execute(r, &id);
    find("@layoutid").value = Variant(static_cast<int32_t>(id.rows.at(0).at(0).value.ToInt64()));
  });

  core::DatabaseService db;
  auto cmd = db.CreateProcedureCommand("test_kopf", "Provider=SQLite;Data Source=" + path);
  EXPECT_EQ(cmd->CommandType(), adCmdStoredProc);
  db.SetCommandParameter(*cmd, "SPAction", Variant(int16_t{2}), adParamInput);
  db.AddParameterFromField(*cmd, "layout", adVarChar, 50, Variant("Kunden-Tmp"), adParamInput);
  db.AddParameterFromField(*cmd, "user", adVarChar, 50, Variant("o'brien"), adParamInput);
  db.AddParameterFromField(*cmd, "layoutid", adInteger, 0, Variant(), adParamOutput);
  cmd->Execute();
  EXPECT_EQ(cmd->ParameterByName("@layoutid").value.ToInt32(), 1);
  EXPECT_EQ(cmd->ParameterByName("@layout").size, 50);
  // Setting a parameter again changes its value instead of adding a second one.
  const int count = cmd->ParameterCount();
  db.SetCommandParameter(*cmd, "@SPAction", Variant(int16_t{2}), adParamInput);
  db.SetCommandParameter(*cmd, "user", Variant("meier"), adParamInput);
  EXPECT_EQ(cmd->ParameterCount(), count);
  cmd->Execute();
  EXPECT_EQ(cmd->ParameterByName("@layoutid").value.ToInt32(), 2);
  UnregisterProcedure("test_kopf");
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
