// The generated customer database, recordsets of the data-access layer that fail on
// it, and the recordsets a field keeps for its drop-downs.
#include "model/field.h"
#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

using SampleData = SampleDatabase;

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

}  // namespace
}  // namespace vmbgrid::sqlite::testing
