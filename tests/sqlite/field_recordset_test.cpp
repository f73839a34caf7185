// The recordsets a field keeps for its drop-downs, on the generated database: the
// distinct values of a column and the rows of an input drop-down source.
#include <unicode/coll.h>

#include <memory>

#include "data/provider.h"
#include "host/platform.h"
#include "model/field.h"
#include "tests/sqlite/test_support.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::sqlite::testing {
namespace {

class FieldRecordsets : public ::testing::Test {
 protected:
  void SetUp() override {
    Register();
    Platform::Install(&data::DefaultDataAccess());
    path_ = dir_.File("kunden.db");
    ASSERT_EQ(sampledb::Generate(path_, sampledb::Options{500, 3}), "");
    conn_ = Platform::Data().CreateConnection();
    conn_->ConnectionString("Provider=SQLite;Data Source=" + path_);
    conn_->Open();
  }
  void TearDown() override { Platform::Reset(); }

  TempDir dir_;
  std::string path_;
  std::shared_ptr<Connection> conn_;
};

TEST_F(FieldRecordsets, DistinctValuesSortedOnceEachAndDetached) {
  VMGridField f;
  f.fieldname = "Ort";
  auto rs = f.Recordset(conn_, "Kunden");
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
  conn_->Execute("UPDATE Kunden SET Ort = 'Aachen-Neu' WHERE Nr = 1");
  auto again = f.Recordset(conn_, "Kunden");
  EXPECT_EQ(again.get(), rs.get());
  bool found = false;
  for (again->MoveFirst(); !again->IsEOF(); again->MoveNext())
    found = found || again->Value(0).ToTextOrEmpty() == "Aachen-Neu";
  EXPECT_TRUE(found);
}

TEST_F(FieldRecordsets, InputDropDownFromTableNameOrStatement) {
  VMGridField f;
  f.fieldname = "Status";
  f.DatasourceDropdown("Status");
  auto byTable = f.InputDropDownRecordset(conn_);
  EXPECT_EQ(byTable->RecordCount(), 4);
  f.DatasourceDropdown("SELECT Text FROM Status WHERE Code > 2");
  auto byStatement = f.InputDropDownRecordset(conn_);
  EXPECT_EQ(byStatement->RecordCount(), 2);
}

TEST_F(FieldRecordsets, UnknownTableReachesTheCaller) {
  VMGridField f;
  f.fieldname = "Ort";
  try {
    f.Recordset(conn_, "Gibtsnicht");
    FAIL() << "expected an error";
  } catch (const VMError& e) {
    EXPECT_EQ(e.Number(), errc::kNoSuchTable);
  }
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
