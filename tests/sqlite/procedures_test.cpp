// Named procedures of the SQLite provider: parameters in and out, rows, the one
// transaction each call runs in, and the commands the database service builds for them.
#include "core/database_service.h"
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

class SqliteProcedures : public ::testing::Test {
 protected:
  void SetUp() override {
    session = MemorySession();
    Exec(*session, "CREATE TABLE konto (nr INTEGER PRIMARY KEY, stand DOUBLE NOT NULL)");
    Exec(*session, "INSERT INTO konto VALUES (1, 100), (2, 0)");
    // Moves an amount between two accounts; fails after the first write when
    // the target account does not exist, which must undo that write.
    RegisterProcedure("test_umbuchen", [](data::ProviderSession& s, std::vector<Parameter>& p,
                                          data::ResultSink* sink) {
      std::vector<Parameter> from = {p.at(0), p.at(2)};
      data::StatementRequest r;
      r.text = "UPDATE konto SET stand = stand - @betrag WHERE nr = @von";
      r.parameters = &from;
      s.Execute(r, nullptr);
      std::vector<Parameter> to = {p.at(1), p.at(2)};
      r.text = "UPDATE konto SET stand = stand + @betrag WHERE nr = @nach";
      r.parameters = &to;
      if (s.Execute(r, nullptr) != 1) {
        throw VMError(errc::kInvalidArgument, "test", "Zielkonto fehlt");
      }
      r.text = "SELECT nr, stand FROM konto ORDER BY nr";
      r.parameters = nullptr;
      if (sink) s.Execute(r, sink);
      for (Parameter& out : p) {
        if (out.direction == adParamOutput) out.value = Variant(int32_t{42});
      }
    });
  }
  void TearDown() override { UnregisterProcedure("test_umbuchen"); }

  int64_t Call(std::vector<Parameter>& params, data::ResultSink* sink) {
    data::StatementRequest r;
    r.text = "Test_Umbuchen";  // names compare without regard to case
    r.commandType = adCmdStoredProc;
    r.parameters = &params;
    return session->Execute(r, sink);
  }
  double Stand(int nr) {
    RecordingSink sink;
    Exec(*session, "SELECT stand FROM konto WHERE nr = " + std::to_string(nr), &sink);
    return sink.rows.at(0).at(0).value.ToDouble();
  }

  std::unique_ptr<data::ProviderSession> session;
};

TEST_F(SqliteProcedures, DeliverRowsAndOutputValues) {
  std::vector<Parameter> params = {
      {"@von", adInteger, adParamInput, 0, Variant(int32_t{1})},
      {"@nach", adInteger, adParamInput, 0, Variant(int32_t{2})},
      {"@betrag", adDouble, adParamInput, 0, Variant(30.0)},
      {"@id", adInteger, adParamOutput, 0, Variant()},
  };
  RecordingSink sink;
  Call(params, &sink);
  ASSERT_EQ(sink.rows.size(), 2u);
  EXPECT_EQ(sink.rows[1][1].value, Variant(30.0));
  EXPECT_EQ(params[3].value, Variant(int32_t{42}));
  EXPECT_DOUBLE_EQ(Stand(1), 70);
}

TEST_F(SqliteProcedures, FailureRollsBackEverythingTheBodyWrote) {
  std::vector<Parameter> params = {
      {"@von", adInteger, adParamInput, 0, Variant(int32_t{1})},
      {"@nach", adInteger, adParamInput, 0, Variant(int32_t{99})},
      {"@betrag", adDouble, adParamInput, 0, Variant(30.0)},
  };
  VMError e = Raised([&] { Call(params, nullptr); });
  EXPECT_EQ(e.Description(), "Zielkonto fehlt");
  EXPECT_DOUBLE_EQ(Stand(1), 100);

  // Inside a transaction of the caller the call is a savepoint: its failure undoes
  // only its own writes.
  session->Begin();
  Exec(*session, "UPDATE konto SET stand = 5 WHERE nr = 2");
  Raised([&] { Call(params, nullptr); });
  EXPECT_DOUBLE_EQ(Stand(1), 100);
  EXPECT_DOUBLE_EQ(Stand(2), 5);
  session->Rollback();
  EXPECT_DOUBLE_EQ(Stand(2), 0);
  EXPECT_EQ(Raised([&] { session->Commit(); }).Number(), errc::kOperationNotAllowed);
}

TEST_F(SqliteProcedures, UnknownNamesAndForeignExceptions) {
  data::StatementRequest r;
  r.text = "[gibt_es_nicht]";
  r.commandType = adCmdStoredProc;
  VMError e = Raised([&] { session->Execute(r, nullptr); });
  EXPECT_EQ(e.Number(), errc::kRejectedStatement);
  EXPECT_EQ(e.Description(),
            "Die Prozedur \"gibt_es_nicht\" ist in der Datenbank nicht vorhanden.");

  RegisterProcedure("test_wirft",
                    [](data::ProviderSession& s, std::vector<Parameter>&, data::ResultSink*) {
                      data::StatementRequest w;
                      w.text = "INSERT INTO konto VALUES (3, 1)";
                      s.Execute(w, nullptr);
                      throw std::runtime_error("kaputt");
                    });
  r.text = "test_wirft";
  VMError foreign = Raised([&] { session->Execute(r, nullptr); });
  EXPECT_EQ(foreign.Number(), errc::kProviderFailure);
  EXPECT_NE(foreign.Description().find("kaputt"), std::string::npos);
  RecordingSink count;
  Exec(*session, "SELECT count(*) FROM konto", &count);
  EXPECT_EQ(count.rows[0][0].value, Variant(int64_t{2}));
  UnregisterProcedure("test_wirft");
  EXPECT_FALSE(HasProcedure("test_wirft"));
}

// The database service's procedure commands, as the layout store builds them.
TEST(SqliteProcedureCommands, CarryParametersInAndOut) {
  TempDir dir;
  const std::string path = dir.File("prozeduren.db");
  Register();
  Platform::Install(&data::DefaultDataAccess());
  auto connection = Platform::Data().CreateConnection();
  connection->Open("Provider=SQLite;Data Source=" + path + ";Mode=Create");
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
  connection->Close();
  Platform::Reset();
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
