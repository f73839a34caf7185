// Connection strings, providers, connections, commands and parameters.
#include <gtest/gtest.h>

#include "data/provider.h"
#include "host/error.h"
#include "tests/data/test_provider.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using data::ConnectionProperties;
using testing::Cell;

testing::Table Kunden() {
  testing::Table t;
  t.columns = {{"Nr", adInteger, 4}, {"Name", adVarWChar, 50}};
  t.rows = {{Cell::I(1), Cell::T("Müller")}, {Cell::I(2), Cell::T("Meier")}};
  return t;
}

TEST(ConnectionProperties, ParsesPairsQuotesAndKeysWithoutCase) {
  auto p = ConnectionProperties::Parse(
      " Provider=SQLite; Data Source = 'C:\\Daten\\a;b.db' ;Password=\"x\"\"y\";Mode=a=b;");
  EXPECT_EQ(p.Get("provider"), "SQLite");
  EXPECT_EQ(p.Get("DATA SOURCE"), "C:\\Daten\\a;b.db");
  EXPECT_EQ(p.Get("Password"), "x\"y");
  EXPECT_EQ(p.Get("Mode"), "a=b");
  EXPECT_FALSE(p.Has("User ID"));
  EXPECT_EQ(p.Get("User ID", "none"), "none");
  EXPECT_TRUE(ConnectionProperties::Parse("").Items().empty());

  // Malformed texts raise German messages.
  const std::pair<const char*, const char*> kMalformed[] = {
      {"Provider", "\"Provider\" fehlt das Gleichheitszeichen"},
      {"Provider=Test;Data Source='abc", "\"Data Source\" ist nicht abgeschlossen"},
      {"=x", ""},
      {"A='x' y", ""}};
  for (const auto& [text, says] : kMalformed) {
    const VMError e = testing::Raised([&] { ConnectionProperties::Parse(text); });
    EXPECT_EQ(e.Number(), errc::kInvalidArgument) << text;
    EXPECT_NE(e.Description().find(says), std::string::npos) << e.Description();
  }
}

TEST(Connection, OpenFailuresFillErrorsAndRaise) {
  testing::ResetTestDatabase();
  auto conn = data::DefaultDataAccess().CreateConnection();
  const VMError e = testing::Raised([&] { conn->Open("Provider=Nirgends;Data Source=x"); });
  EXPECT_EQ(e.Number(), errc::kProviderNotFound);
  EXPECT_EQ(e.Description(), "Der Provider \"Nirgends\" ist nicht bekannt.");
  ASSERT_EQ(conn->Errors().size(), 1u);
  EXPECT_EQ(conn->Errors()[0].description, e.Description());
  EXPECT_EQ(conn->State(), adStateClosed);

  EXPECT_EQ(testing::Raised([&] { conn->Open("Provider=Test;Data Source=missing.db"); }).Number(),
            errc::kProviderFailure);
  ASSERT_EQ(conn->Errors().size(), 1u);
  EXPECT_EQ(conn->Errors()[0].number, errc::kProviderFailure);

  conn->Open("provider=test;Data Source=a.db");
  EXPECT_EQ(conn->State(), adStateOpen);
  EXPECT_EQ(conn->Provider(), "Test");
  EXPECT_TRUE(conn->Errors().empty());
  EXPECT_EQ(testing::Raised([&] { conn->Open(); }).Number(), errc::kObjectOpen);
  EXPECT_EQ(testing::Raised([&] { conn->Execute("DROP EVERYTHING"); }).Number(),
            errc::kRejectedStatement);
  EXPECT_EQ(conn->Errors().size(), 1u);
  conn->Close();
  EXPECT_EQ(conn->State(), adStateClosed);
  EXPECT_EQ(testing::Raised([&] { conn->Execute("x"); }).Number(), errc::kObjectClosed);
}

TEST(Connection, StatementLogSeesRecordsetsAndCommandsThatReuseItByString) {
  auto& db = testing::ResetTestDatabase();
  db.results["SELECT * FROM [Kunden]"] = Kunden();
  db.commands["DELETE FROM [Kunden]"] = 2;
  const std::string cs = "Provider=Test;Data Source=reuse.db";
  auto conn = data::DefaultDataAccess().CreateConnection();
  std::vector<std::string> log;
  conn->SetStatementLog([&](const std::string& s) { log.push_back(s); });
  conn->Open(cs);
  EXPECT_EQ(conn->Execute("DELETE FROM [Kunden]"), 2);

  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->Open("SELECT * FROM [Kunden]", cs, adOpenKeyset, adLockReadOnly, adCmdText);
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->ActiveConnection(), conn);

  auto cmd = data::DefaultDataAccess().CreateCommand();
  cmd->CommandText("SELECT * FROM [Kunden]");
  cmd->CommandType(adCmdText);
  cmd->ActiveConnection(cs);
  auto rs2 = data::DefaultDataAccess().CreateRecordset();
  rs2->Open(cmd, adOpenKeyset, adLockOptimistic);
  EXPECT_EQ(rs2->RecordCount(), 2);

  EXPECT_EQ(db.opens, 1);  // one session served everything
  EXPECT_EQ(log, (std::vector<std::string>{"DELETE FROM [Kunden]", "SELECT * FROM [Kunden]",
                                           "SELECT * FROM [Kunden]"}));

  // Without an open connection of that string a private one is opened and closed again.
  conn->Close();
  auto rs3 = data::DefaultDataAccess().CreateRecordset();
  rs3->Open("SELECT * FROM [Kunden]", cs);
  EXPECT_EQ(rs3->RecordCount(), 2);
  EXPECT_EQ(db.opens, 2);
  EXPECT_EQ(db.openSessions, 0);
  EXPECT_EQ(log.size(), 3u);
  // Requery opens one again by the string.
  rs3->Requery();
  EXPECT_EQ(db.opens, 3);
  EXPECT_EQ(rs3->RecordCount(), 2);
}

TEST(Command, ParametersOutputAndResults) {
  auto& db = testing::ResetTestDatabase();
  db.commands["UPDATE x"] = 1;
  db.procedures["aa_gridlayout"] = [](data::ProviderSession&, std::vector<Parameter>& params,
                                      data::ResultSink* sink) {
    for (auto& p : params)
      if (p.name == "@layoutid" && p.direction == adParamOutput) p.value = Variant(int32_t{42});
    if (sink) {
      testing::Table t;
      t.columns = {{"sublayout", adVarWChar, 50}};
      t.rows = {{Cell::T("Standard")}, {Cell::T("Meins")}};
      testing::Deliver(t, *sink);
    }
  };
  auto conn = data::DefaultDataAccess().CreateConnection();
  conn->Open("Provider=Test;Data Source=cmd.db");

  auto cmd = data::DefaultDataAccess().CreateCommand();
  cmd->CommandText("aa_gridlayout");
  cmd->CommandType(adCmdStoredProc);
  cmd->CommandTimeout(0);
  cmd->ActiveConnection(conn);
  cmd->AppendParameter({"SPAction", adInteger, adParamInput, 4, Variant(int32_t{1})});
  cmd->AppendParameter({"@layoutid", adInteger, adParamOutput, 4, Variant::Null()});
  cmd->AppendParameter({"spaction", adInteger, adParamInput, 4, Variant(int32_t{5})});
  EXPECT_EQ(cmd->ParameterCount(), 2);  // same name replaces
  EXPECT_EQ(cmd->ParameterByName("SPACTION").value.ToInt32(), 5);
  EXPECT_EQ(testing::Raised([&] { cmd->ParameterByName("nix"); }).Number(), errc::kItemNotFound);

  auto rs = cmd->Execute();
  EXPECT_EQ(cmd->ParameterByName("@layoutid").value.ToInt32(), 42);
  EXPECT_EQ(cmd->ParameterByName("layoutid").value.ToInt32(), 42);
  ASSERT_EQ(rs->State(), adStateOpen);
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Value("SUBLAYOUT").ToText(), "Standard");

  cmd->CommandText("UPDATE x");
  cmd->CommandType(adCmdText);
  EXPECT_EQ(cmd->Execute()->State(), adStateClosed);  // no rows: closed result
  EXPECT_EQ(testing::Raised([&] { cmd->CommandType(3); }).Number(), errc::kInvalidArgument);

  auto orphan = data::DefaultDataAccess().CreateCommand();
  orphan->CommandText("UPDATE x");
  EXPECT_EQ(testing::Raised([&] { orphan->Execute(); }).Number(), errc::kObjectClosed);
}

}  // namespace
}  // namespace vmbgrid
