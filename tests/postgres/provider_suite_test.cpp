// One suite for both providers: the same statements, procedures and settings on
// SQLite and on the PostgreSQL test server must give the same results, so the two
// cannot drift apart.
#include <map>
#include <memory>
#include <tuple>

#include "core/database_service.h"
#include "core/settings_store.h"
#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"
#include "host/sql_text.h"
#include "tests/loading.h"
#include "tests/postgres/each_provider.h"
#include "tests/raised.h"
#include "tests/support/types_table.h"

namespace vmbgrid {
namespace {

using Strings = std::vector<std::string>;
using testing::Raised;

class BothProviders : public pgtest::EachProvider {
 protected:
  void SetUp() override {
    EachProvider::SetUp();
    if (IsSkipped()) return;
    // On a server the layout store is an administrator's step (SQLite's tables
    // come with the first save).
    ASSERT_EQ(pg_ ? db_->SetupStore() : "", "");
    // Portable table text: quoted names keep their case on both.
    conn_->Execute(
        "CREATE TABLE \"Kunden\" (\"Nr\" INTEGER PRIMARY KEY, \"Name\" VARCHAR(50) NOT NULL, "
        "\"Umsatz\" DOUBLE PRECISION, \"Betrag\" NUMERIC(12,2), \"Geburtstag\" DATE, "
        "\"Aktiv\" BOOLEAN, \"Notiz\" TEXT, \"a\" INTEGER)");
    const char* rows[] = {
        "(1, 'Müller', 1500.5, 10.25, '1960-03-01', '1', 'Stammkunde', 7)",
        "(2, 'MÜLLER', 200, 20, '1975-07-15', '0', NULL, 8)",
        "(3, 'Ärger', NULL, NULL, NULL, NULL, 'C:\\temp', 9)",
        "(4, 'O''Brien', 99.5, 1, '1980-01-01', '1', NULL, NULL)",
        "(5, 'Meier', 0, 0, '2003-02-01', '0', NULL, NULL)",
    };
    for (const char* r : rows) conn_->Execute(std::string("INSERT INTO \"Kunden\" VALUES ") + r);
  }

  std::shared_ptr<Recordset> Open(const std::string& sql) {
    auto rs = Platform::Data().CreateRecordset();
    rs->CursorLocation(adUseClient);
    rs->Open(sql, cs_, adOpenStatic, adLockReadOnly, adCmdText);
    return rs;
  }
  Strings Column(const std::string& sql, int col = 0) {
    Strings out;
    auto rs = Open(sql);
    for (; !rs->IsEOF(); rs->MoveNext()) out.push_back(rs->Value(col).ToTextOrEmpty());
    return out;
  }
};

TEST_P(BothProviders, EveryColumnOfTheTypesTableHasItsCodePrecisionAndScale) {
  for (const std::string& sql : typestable::Statements(pg_)) conn_->Execute(sql);
  auto rs = Open("SELECT * FROM [Typen] ORDER BY [nr]");
  const auto columns = typestable::ColumnsOf(pg_);
  ASSERT_EQ(rs->FieldCount(), static_cast<int>(columns.size()));
  EXPECT_EQ(rs->RecordCount(), static_cast<int32_t>(typestable::Rows().size()));
  for (int i = 0; i < rs->FieldCount(); ++i) {
    const typestable::Column& c = columns[static_cast<size_t>(i)];
    EXPECT_EQ(rs->FieldName(i), c.name);
    EXPECT_EQ(rs->FieldType(i), pg_ ? c.postgresCode : c.sqliteCode) << c.name;
    EXPECT_EQ(rs->FieldPrecision(i), c.precision) << c.name;
    const int32_t scale = c.scale >= 0 ? c.scale : (pg_ ? 2 : 4);
    EXPECT_EQ(rs->FieldNumericScale(i), scale) << c.name;
  }
  // A fabricated recordset keeps what its fields were given.
  auto fabricated = Platform::Data().CreateRecordset();
  fabricated->AppendField("Betrag", adNumeric, 12, adFldUnspecified, 12, 2);
  fabricated->OpenFabricated();
  EXPECT_EQ(fabricated->FieldPrecision(0), 12);
  EXPECT_EQ(fabricated->FieldNumericScale(0), 2);
}

TEST_P(BothProviders, LikeFoldsCaseAsTheInMemoryFilterDoes) {
  auto all = Open("SELECT * FROM [Kunden]");
  for (const char* pattern : {"mül%", "MÜL%", "är%", "o''b%", "%e_", "C:\\%"}) {
    const std::string column = std::string(pattern) == "C:\\%" ? "[Notiz]" : "[Name]";
    const Strings db = Column("SELECT [Nr] FROM [Kunden] WHERE " + column + " LIKE '" + pattern +
                              "' ORDER BY [Nr]");
    all->Filter(column + " LIKE '" + pattern + "'");
    EXPECT_EQ(static_cast<int32_t>(db.size()), all->RecordCount()) << pattern;
    EXPECT_FALSE(db.empty()) << pattern;
  }
}

// Settings fall back from the user to the shared owner to the caller's default; the
// values, keys and sections travel as parameters, never inside a statement.
TEST_P(BothProviders, ParametersCarryQuotesAndStatementsAsPlainValues) {
  std::vector<std::string> log;
  conn_->SetStatementLog([&](const std::string& s) { log.push_back(s); });
  core::SettingsStore settings;
  settings.SetConnection(conn_);
  const std::string section = "app\\Kunden's \"Liste\"";
  // On SQLite the table does not exist yet: defaults, never an error.
  EXPECT_EQ(settings.ReadSetting(section, "Schluessel", "anna", "Standard", "vorgabe"), "vorgabe");
  EXPECT_TRUE(settings.ReadSettingsSection(section, "anna").empty());
  settings.DeleteSetting(section, "Schluessel", "anna");
  const std::string nasty = "O'Brien \"Chef\" x'); DROP TABLE \"Kunden\"; -- \\' $$ E'\\''";
  settings.WriteSetting(section, "Schluessel", nasty, "anna");
  settings.WriteSetting(section, "Schluessel", nasty + "2", "anna");  // replaces
  settings.WriteSetting(section, "Schluessel", "gemeinsam", "Standard");
  settings.WriteSetting(section, "Ärger", "", "anna");  // an empty text is a value of its own
  settings.WriteSetting(section, "Ärger", "-1", "Standard");
  EXPECT_EQ(settings.ReadSetting(section, "Schluessel", "anna", "Standard", ""), nasty + "2");
  EXPECT_EQ(settings.ReadSetting(section, "Schluessel", "berta", "Standard", ""), "gemeinsam");
  EXPECT_EQ(settings.ReadSetting(section, "Schluessel", "berta", "", "vorgabe"), "vorgabe");
  EXPECT_EQ(settings.ReadSetting(section, "Ärger", "anna", "Standard", "x"), "");
  EXPECT_EQ(settings.ReadSetting("app\\Andere", "Schluessel", "anna", "Standard", "1"), "1");
  // Only that owner's entries.
  std::map<std::string, std::string> own;
  for (const core::SettingRow& row : settings.ReadSettingsSection(section, "anna"))
    own[row.Schluessel] = row.wert;
  EXPECT_EQ(own, (std::map<std::string, std::string>{{"Ärger", ""}, {"Schluessel", nasty + "2"}}));
  settings.DeleteSetting(section, "Schluessel", "anna");
  EXPECT_EQ(settings.ReadSetting(section, "Schluessel", "anna", "Standard", ""), "gemeinsam");
  EXPECT_EQ(Column("SELECT count(*) FROM [Kunden]"), Strings{"5"});
  for (const std::string& statement : log) EXPECT_EQ(statement.find("Brien"), std::string::npos);
  conn_->SetStatementLog(nullptr);

  // Without a connection reads give the defaults and writes raise.
  core::SettingsStore none;
  EXPECT_EQ(none.ReadSetting("s", "k", "u", "Standard", "d"), "d");
  EXPECT_TRUE(none.ReadSettingsSection("s", "u").empty());
  EXPECT_EQ(Raised([&] { none.WriteSetting("s", "k", "v", "u"); }).Number(), errc::kObjectRequired);
  // The kind of database follows the provider, also of a closed connection.
  core::DatabaseService db;
  EXPECT_EQ(db.DatabaseKind(conn_.get()), pg_ ? 3 : 2);
  EXPECT_EQ(db.DatabaseKind(nullptr), 0);
  auto closed = Platform::Data().CreateConnection();
  // clang-format off
  for (const auto& [cs, kind] : std::vector<std::pair<std::string, int>>{
           {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.accdb", 1}, {"Provider=PostgreSQL;Host=localhost", 3},
           {"Provider=SQLite;Data Source=x.db", 2}, {"Data Source=x", 0}}) {
    // clang-format on
    closed->ConnectionString(cs);
    EXPECT_EQ(db.DatabaseKind(closed.get()), kind) << cs;
  }
}

// A progressive load, in portions of two rows, hands over exactly what a whole load
// does: the same columns with their types and sizes, the same rows with their
// values' types, the same row limit and the same parameters.
TEST_P(BothProviders, ProgressiveLoadsHandOverWhatAWholeLoadDoes) {
  conn_->Execute(
      "INSERT INTO \"Kunden\" (\"Nr\", \"Name\") SELECT \"Nr\" + 10, \"Name\" FROM "
      "\"Kunden\"");
  auto load = [&](const std::string& sql, bool progressive, int32_t maxRecords,
                  const std::vector<Parameter>& params) {
    auto cmd = Platform::Data().CreateCommand();
    cmd->CommandText(sql);
    cmd->CommandType(adCmdText);
    for (const Parameter& p : params) cmd->AppendParameter(p);
    cmd->ActiveConnection(conn_);
    auto rs = testing::OpenLoad(cmd, progressive, maxRecords);
    while (rs->FetchMore(2)) continue;
    Strings out;
    for (int f = 0; f < rs->FieldCount(); ++f)
      out.push_back(rs->FieldName(f) + ":" + std::to_string(rs->FieldType(f)) + ":" +
                    std::to_string(rs->FieldDefinedSize(f)));
    for (int32_t r = 0; r < rs->RecordCount(); ++r) {
      std::string line;
      for (int f = 0; f < rs->FieldCount(); ++f)
        line += std::to_string(static_cast<int>(rs->ValueAt(r, f).Type())) + "=" +
                rs->ValueAt(r, f).ToTextOrEmpty() + "|";
      out.push_back(line);
    }
    return out;
  };
  const Parameter name{"", adVarChar, adParamInput, 50, Variant("Müller")};
  // clang-format off
  for (const auto& [sql, maxRecords, params] : std::vector<std::tuple<std::string, int32_t, std::vector<Parameter>>>{
           {"SELECT * FROM [Kunden] ORDER BY [Nr]", 0, {}}, {"SELECT * FROM [Kunden] ORDER BY [Nr]", 3, {}},
           {"SELECT TOP 4 [Nr], [Name] FROM [Kunden] WHERE [Name] LIKE 'm%' ORDER BY [Nr] DESC", 0, {}},
           {"SELECT [Nr] * 2 AS doppelt, [Name] FROM [Kunden] WHERE [Nr] > 100", 0, {}},
           {"SELECT [Nr], [Umsatz] FROM [Kunden] WHERE [Name] = ? ORDER BY [Nr]", 0, {name}}}) {
    // clang-format on
    const Strings whole = load(sql, false, maxRecords, params);
    EXPECT_GT(whole.size(), 0u) << sql;
    EXPECT_EQ(load(sql, true, maxRecords, params), whole) << sql;
  }
}

TEST_P(BothProviders, MissingTablesAndColumnsAreNamedAndOtherErrorsKeepTheirNumbers) {
  // clang-format off
  for (const auto& [sql, number, text] : std::vector<std::tuple<std::string, int32_t, std::string>>{
           {"SELECT [Gibtsnicht] FROM [Kunden]", errc::kNoSuchColumn, "Die Spalte \"Gibtsnicht\" gibt es in der Tabelle nicht."},
           {"SELECT [Nr] FROM [Nix]", errc::kNoSuchTable, "Die Tabelle \"Nix\" gibt es in der Datenbank nicht."},
           {"SELEC 1", errc::kRejectedStatement, "Die Anweisung wurde von der Datenbank abgelehnt: "}}) {
    // clang-format on
    VMError e = Raised([&] { Open(sql); });
    EXPECT_EQ(e.Number(), number) << sql;
    // The server's own words follow the rejected statement's text.
    const bool prefix = number == errc::kRejectedStatement;
    EXPECT_EQ(prefix ? e.Description().substr(0, text.size()) : e.Description(), text);
  }
  VMError twice =
      Raised([&] { conn_->Execute("INSERT INTO [Kunden] ([Nr], [Name]) VALUES (1, 'Doppelt')"); });
  EXPECT_EQ(twice.Number(), errc::kIntegrityViolation);
}

TEST_P(BothProviders, OneStatementPerQueryOrCommand) {
  for (const char* text :
       {"SELECT * FROM [Kunden]; DROP TABLE [Kunden]", "DELETE FROM [Kunden];DELETE FROM [Kunden]",
        "SELECT 1; -- Ende\nDROP TABLE [Kunden]", "SELECT 1;;DELETE FROM [Kunden]"}) {
    SCOPED_TRACE(text);
    for (bool asQuery : {false, true}) {
      VMError e = Raised([&] { asQuery ? (void)Open(text) : (void)conn_->Execute(text); });
      EXPECT_EQ(e.Number(), errc::kRejectedStatement);
      EXPECT_EQ(e.Description(),
                "Die Anweisung enthält mehr als einen Befehl; es wurde nichts ausgeführt.");
    }
  }
  EXPECT_EQ(Column("SELECT count(*) FROM [Kunden]"), Strings{"5"});
  // A final ";", blanks and comments behind it, and ";" inside literals, names and
  // comments are no second statement.
  EXPECT_EQ(Column("SELECT count(*) FROM [Kunden] ;  -- Ende\n"), Strings{"5"});
  EXPECT_EQ(Column("SELECT count(*) FROM [Kunden] WHERE [Name] <> 'a;b' /* ; */"), Strings{"5"});
  // What the search line writes for a Boolean column works on both.
  EXPECT_EQ(Column("SELECT [Nr] FROM [Kunden] WHERE [Aktiv] = 1 ORDER BY [Nr]"),
            (Strings{"1", "4"}));
}

TEST_P(BothProviders, NamesHoldingQuotesAndSeparatorsFindTheirObjectsOrAreMissing) {
  conn_->Execute("CREATE TABLE \"Kun]den; --\" (\"a]b\" INTEGER, \"q\"\"x\" TEXT, \"x;y\" TEXT)");
  conn_->Execute("INSERT INTO \"Kun]den; --\" VALUES (1, 'eins', 'x')");
  const std::string table = sql::QuoteName("Kun]den; --");
  EXPECT_EQ(Column("SELECT " + sql::QuoteName("q\"x") + " FROM " + table + " WHERE " +
                   sql::QuoteName("a]b") + " = 1 AND " + sql::QuoteName("x;y") + " LIKE 'x%'"),
            Strings{"eins"});
  auto rs = Platform::Data().CreateRecordset();
  rs->Open("Kun]den; --", cs_, adOpenStatic, adLockReadOnly, adCmdTable);
  EXPECT_EQ(rs->RecordCount(), 1);
  for (const char* name : {"Kunden]; DROP TABLE Kunden; --", "Kunden\"; DROP TABLE Kunden; --",
                           "Kunden'; DROP TABLE Kunden; --"}) {
    SCOPED_TRACE(name);
    VMError e = Raised([&] { Open("SELECT * FROM " + sql::QuoteName(name)); });
    EXPECT_EQ(e.Number(), errc::kNoSuchTable);
    EXPECT_EQ(e.Description(), sql::NoSuchTableText(name));
    e = Raised([&] { Open("SELECT " + sql::QuoteName(name) + " FROM [Kunden]"); });
    EXPECT_EQ(e.Number(), errc::kNoSuchColumn);
    EXPECT_EQ(e.Description(), sql::NoSuchColumnText(name));
  }
  EXPECT_EQ(Column("SELECT count(*) FROM [Kunden]"), Strings{"5"});
}

// The layout procedures as the layout store calls them.
class Procedure {
 public:
  Procedure(const std::string& name, const std::string& cs)
      : cmd_(db_.CreateProcedureCommand(name, cs)) {}
  Procedure& In(const std::string& name, const Variant& v) {
    db_.SetCommandParameter(*cmd_, name, v, adParamInput);
    return *this;
  }
  // The header procedure's inputs for one action on a grid's layout.
  Procedure& Layout(int16_t action, const Variant& sub, const std::string& user,
                    const char* layout = "Faktura\\frmKunden\\grd") {
    return In("SPAction", Variant(action))
        .In("layout", Variant(layout))
        .In("sublayout", sub)
        .In("user", Variant(user));
  }
  Procedure& Out(const std::string& name) {
    db_.AddParameterFromField(*cmd_, name, adInteger, 4, Variant::Null(), adParamOutput);
    return *this;
  }
  void Execute() { cmd_->Execute(); }
  Variant Output(const std::string& name) {
    for (int i = 0; i < cmd_->ParameterCount(); ++i)
      if (cmd_->ParameterAt(i).name == "@" + name) return cmd_->ParameterAt(i).value;
    return Variant();
  }
  Strings Rows(const std::string& column) {
    auto rs = Platform::Data().CreateRecordset();
    rs->CursorLocation(adUseClient);
    rs->Open(cmd_, adOpenStatic, adLockBatchOptimistic, -1);
    Strings out;
    for (; !rs->IsEOF(); rs->MoveNext()) out.push_back(rs->Value(column).ToTextOrEmpty());
    return out;
  }

 private:
  core::DatabaseService db_;
  std::shared_ptr<Command> cmd_;
};

TEST_P(BothProviders, LayoutProceduresKeepOneHeaderAndTheColumnsWrittenAfterIt) {
  auto header = [&](const std::string& sub, const std::string& user) {
    Procedure p("aa_gridlayout", cs_);
    p.Layout(2, Variant(sub), user).Out("layoutid").Execute();
    return p.Output("layoutid").ToInt32();
  };
  auto field = [&](int32_t id, const std::string& name, int order) {
    Procedure p("aa_gridlayoutfield", cs_);
    p.In("SPAction", Variant(int16_t{2})).In("layoutid", Variant(id)).In("caption", Variant(name));
    p.In("fieldname", Variant(name)).In("order", Variant(order)).In("sortdirection", Variant(0));
    p.In("sortorder", Variant(order)).In("visible", Variant(true)).In("width", Variant(1200));
    p.Execute();
  };
  auto fields = [&](int32_t id, int action, const std::string& column = "fieldname") {
    Procedure p("aa_gridlayoutfield", cs_);
    p.In("SPAction", Variant(int16_t(action))).In("layoutid", Variant(id));
    return p.Rows(column);
  };
  auto list = [&](const std::string& user) {
    return Procedure("aa_gridlayout", cs_)
        .Layout(1, Variant::Null(), user, "faktura\\FRMKUNDEN\\grd")
        .Rows("sublayout");
  };

  // Browsing a database that never saved a layout finds none, and neither that nor
  // deleting or a column without its header creates the layout tables (on SQLite;
  // a server's store is set up beforehand, see PostgresStore).
  EXPECT_TRUE(list("anna").empty());
  EXPECT_TRUE(fields(1, 1).empty());
  Procedure("aa_gridlayout", cs_).Layout(3, Variant("Meins"), "anna").Execute();
  EXPECT_EQ(Raised([&] { field(1, "Name", 0); }).Number(), errc::kIntegrityViolation);
  EXPECT_EQ(pg_ ? Strings{"0"}
                : Column("SELECT count(*) FROM sqlite_master WHERE name IN ('aa_gridlayout_kopf', "
                         "'aa_gridlayout_feld')"),
            Strings{"0"});

  const int32_t id = header("Meins", "anna");
  ASSERT_GT(id, 0);
  field(id, "Name", 2);
  field(id, "Ort", 1);
  EXPECT_EQ(fields(id, 1), (Strings{"Name", "Ort"}));
  EXPECT_EQ(fields(id, 4), (Strings{"Ort", "Name"}));
  // Saving again under the name (in another case) keeps the id, not the old columns.
  EXPECT_EQ(header("MEINS", "Anna"), id);
  field(id, "Plz", 0);
  EXPECT_EQ(fields(id, 1), (Strings{"Plz"}));
  const int32_t second = header("Zweites", "anna");
  EXPECT_NE(second, id);
  EXPECT_EQ(list("anna"), (Strings{"Meins", "Zweites"}));
  EXPECT_TRUE(list("berta").empty());

  EXPECT_EQ(Procedure("aa_gridlayout", cs_).Layout(5, Variant("meins"), "anna").Rows("layoutid"),
            Strings{std::to_string(id)});
  Procedure("aa_gridlayout", cs_).Layout(3, Variant("Meins"), "anna").Execute();
  EXPECT_EQ(list("anna"), Strings{"Zweites"});
  EXPECT_TRUE(fields(id, 1).empty());

  // A column for a header that does not exist is refused, not stored as an orphan.
  EXPECT_EQ(Raised([&] { field(999999, "Name", 0); }).Number(), errc::kIntegrityViolation);
  // An unknown action is a rejected statement.
  VMError unknown = Raised([&] {
    Procedure p("aa_gridlayout", cs_);
    p.In("SPAction", Variant(int16_t{9})).In("layout", Variant("x"));
    p.Execute();
  });
  EXPECT_EQ(unknown.Number(), errc::kRejectedStatement);
  EXPECT_EQ(unknown.Description(), "Die Prozedur \"aa_gridlayout\" kennt die Aktion 9 nicht.");
}

VMBGRID_ON_EACH_PROVIDER(BothProviders);

}  // namespace
}  // namespace vmbgrid
