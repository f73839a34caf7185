// Recordsets of the data-access layer on a generated customer database, opened the
// way the controller opens them.
#include "data/provider.h"
#include "host/platform.h"
#include "tests/sqlite/test_support.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::sqlite::testing {
namespace {

class SampleDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new TempDir;
    path = dir->File("kunden.db");
    ASSERT_EQ(sampledb::Generate(path, sampledb::Options{2000, 7}), "");
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override {
    Register();
    Platform::Install(&data::DefaultDataAccess());
  }
  void TearDown() override { Platform::Reset(); }

  std::string ConnectionString() const { return "Provider=SQLite;Data Source=" + path; }

  static inline TempDir* dir = nullptr;
  static inline std::string path;
};

TEST_F(SampleDatabase, GeneratorIsDeterministicAndReplacesTheFile) {
  const std::string again = dir->File("nochmal.db");
  ASSERT_EQ(sampledb::Generate(again, sampledb::Options{2000, 7}), "");
  auto a = OpenSession(ConnectionString());
  auto b = OpenSession("Provider=SQLite;Data Source=" + again);
  const std::string probe =
      "SELECT group_concat(Nr || Name || ifnull(Vorname, '-') || ifnull(Geburtstag, '-'), '|') "
      "FROM Kunden";
  RecordingSink sa, sb;
  Exec(*a, probe, &sa);
  Exec(*b, probe, &sb);
  EXPECT_EQ(sa.rows.at(0).at(0).value, sb.rows.at(0).at(0).value);
  ASSERT_EQ(sampledb::Generate(again, sampledb::Options{10, 7}), "");
  auto c = OpenSession("Provider=SQLite;Data Source=" + again);
  RecordingSink n;
  Exec(*c, "SELECT count(*), count(DISTINCT Status) FROM Kunden", &n);
  EXPECT_EQ(n.rows.at(0).at(0).value, Variant(int64_t{10}));
  EXPECT_FALSE(std::filesystem::exists(again + ".tmp"));
}

TEST_F(SampleDatabase, RequeryStyleOpenThroughACommand) {
  auto cmd = Platform::Data().CreateCommand();
  cmd->CommandText(
      "SELECT TOP 5 [Nr], [Name], [Geburtstag], [Aktiv], [Umsatz] FROM [Kunden] "
      "WHERE [Name] LIKE 'mül%' ORDER BY [Nr]");
  cmd->CommandType(adCmdText);
  cmd->CommandTimeout(0);
  // The open connection with the same string is the one the command uses.
  auto shared = Platform::Data().CreateConnection();
  shared->Open(ConnectionString());
  std::vector<std::string> log;
  shared->SetStatementLog([&](const std::string& s) { log.push_back(s); });
  cmd->ActiveConnection(ConnectionString());
  cmd->Prepared(false);
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->Open(cmd, adOpenKeyset, adLockReadOnly, -1);
  ASSERT_EQ(rs->State(), adStateOpen);
  EXPECT_EQ(rs->RecordCount(), 5);
  EXPECT_EQ(rs->FieldType(rs->FieldIndex("Name")), adVarChar);
  EXPECT_EQ(rs->FieldDefinedSize(rs->FieldIndex("Name")), 50);
  EXPECT_EQ(rs->FieldType(rs->FieldIndex("Geburtstag")), adDate);
  EXPECT_EQ(rs->FieldType(rs->FieldIndex("Aktiv")), adBoolean);
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    EXPECT_EQ(rs->Value("Name"), Variant("Müller"));
    const Variant born = rs->Value("Geburtstag");
    EXPECT_TRUE(born.IsNull() || born.IsDate());
    const Variant active = rs->Value("Aktiv");
    EXPECT_TRUE(active.IsNull() || active.IsBoolean());
  }
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], cmd->CommandText());
}

TEST_F(SampleDatabase, InMemoryFilterAgreesWithTheEngine) {
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->Open("SELECT * FROM Kunden", ConnectionString(), adOpenStatic, adLockReadOnly, adCmdText);
  auto s = OpenSession(ConnectionString());
  for (const char* prefix : {"Mei", "mül", "Ö", "O'"}) {
    std::string literal = prefix;
    if (literal == "O'") literal = "O''";
    rs->Filter("[Name] LIKE '" + literal + "*'");
    RecordingSink sink;
    Exec(*s, "SELECT count(*) FROM Kunden WHERE Name LIKE '" + literal + "%'", &sink);
    EXPECT_EQ(rs->RecordCount(), sink.rows.at(0).at(0).value.ToInt32()) << prefix;
    EXPECT_GT(rs->RecordCount(), 0) << prefix;
  }
}

TEST_F(SampleDatabase, RejectedStatementReachesTheCaller) {
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  VMError e = Raised([&] {
    rs->Open("SELECT [Gibtsnicht] FROM [Kunden]", ConnectionString(), adOpenKeyset, adLockReadOnly,
             adCmdText);
  });
  EXPECT_EQ(e.Number(), errc::kNoSuchColumn);
  EXPECT_EQ(rs->State(), adStateClosed);
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
