// Named procedures of the SQLite provider: unknown names, foreign exceptions and the
// one transaction (or savepoint) each call runs in.
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

class SqliteProcedures : public ::testing::Test {
 protected:
  void SetUp() override {
    session = MemorySession();
    Exec(*session, "CREATE TABLE konto (nr INTEGER PRIMARY KEY, stand DOUBLE NOT NULL)");
    Exec(*session, "INSERT INTO konto VALUES (1, 100), (2, 0)");
  }

  double Stand(int nr) {
    RecordingSink sink;
    Exec(*session, "SELECT stand FROM konto WHERE nr = " + std::to_string(nr), &sink);
    return sink.rows.at(0).at(0).value.ToDouble();
  }

  std::unique_ptr<data::ProviderSession> session;
};

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
  // Inside the caller's transaction the call is a savepoint: its failure undoes only
  // its own writes.
  session->Begin();
  Exec(*session, "UPDATE konto SET stand = 5 WHERE nr = 2");
  Raised([&] { session->Execute(r, nullptr); });
  EXPECT_DOUBLE_EQ(Stand(2), 5);
  session->Rollback();
  UnregisterProcedure("test_wirft");
  EXPECT_FALSE(HasProcedure("test_wirft"));
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
