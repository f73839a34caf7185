// The generated customer database, recordsets of the data-access layer that fail on
// it, and the recordsets a field keeps for its drop-downs.
#include <unicode/coll.h>

#include <memory>

#include "model/field.h"
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

using SampleData = SampleDatabase;

TEST_F(SampleData, GeneratorIsDeterministicAndReplacesTheFile) {
  TempDir dir;
  const std::string again = dir.File("nochmal.db");
  ASSERT_EQ(sampledb::Generate(again, kOptions), "");
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

TEST_F(SampleData, FailuresReachTheCallerAndLeaveTheRecordsetClosed) {
  auto failed = Platform::Data().CreateRecordset();
  failed->CursorLocation(adUseClient);
  VMError e = Raised([&] {
    failed->Open("SELECT [Gibtsnicht] FROM [Kunden]", ConnectionString(), adOpenKeyset,
                 adLockReadOnly, adCmdText);
  });
  EXPECT_EQ(e.Number(), errc::kNoSuchColumn);
  EXPECT_EQ(failed->State(), adStateClosed);
  VMGridField f;
  f.fieldname = "Ort";
  EXPECT_EQ(Raised([&] { f.Recordset(connection, "Gibtsnicht"); }).Number(), errc::kNoSuchTable);
}

TEST_F(SampleData, FieldDropDownsDistinctSortedDetachedAndFromTableOrStatement) {
  VMGridField f;
  f.fieldname = "Ort";
  auto rs = f.Recordset(connection, "Kunden");
  ASSERT_EQ(rs->State(), adStateOpen);
  EXPECT_EQ(rs->ActiveConnection(), nullptr);
  ASSERT_GT(rs->RecordCount(), 1);
  std::vector<std::string> seen;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) seen.push_back(rs->Value(0).ToTextOrEmpty());
  // Sorted by German rules (the database sorts as the in-memory recordsets do), each once.
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> german(icu::Collator::createInstance(icu::Locale("de"), status));
  ASSERT_TRUE(U_SUCCESS(status));
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_EQ(german->compareUTF8(seen[i - 1], seen[i], status), UCOL_LESS)
        << seen[i - 1] << " / " << seen[i];

  // The same object, filled again: a new town shows up on the next call.
  connection->Execute("INSERT INTO Kunden (Nr, Name, Ort) VALUES (-1, 'Neu', 'Aachen-Neu')");
  auto again = f.Recordset(connection, "Kunden");
  connection->Execute("DELETE FROM Kunden WHERE Nr = -1");
  EXPECT_EQ(again.get(), rs.get());
  bool found = false;
  for (again->MoveFirst(); !again->IsEOF(); again->MoveNext())
    found = found || again->Value(0).ToTextOrEmpty() == "Aachen-Neu";
  EXPECT_TRUE(found);

  VMGridField input;
  input.fieldname = "Status";
  input.DatasourceDropdown("Status");
  EXPECT_EQ(input.InputDropDownRecordset(connection)->RecordCount(), 4);
  input.DatasourceDropdown("SELECT Text FROM Status WHERE Code > 2");
  EXPECT_EQ(input.InputDropDownRecordset(connection)->RecordCount(), 2);
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
