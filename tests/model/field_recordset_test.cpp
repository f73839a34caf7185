// The recordsets a descriptor keeps, read from the sample table.
#include "model/field.h"
#include "tests/controller/controller_fixture.h"
#include "tests/raised.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

Strings Texts(Recordset& rs) {
  Strings out;
  for (int32_t i = 0; i < rs.RecordCount(); ++i) out.push_back(rs.ValueAt(i, 0).ToTextOrEmpty());
  return out;
}

using FieldRecordsetTest = ControllerTest;

TEST_F(FieldRecordsetTest, DistinctValuesAreReadAgainIntoOneDetachedRecordset) {
  VMGridField f;
  f.fieldname = "Ort";
  auto first = f.Recordset(conn_, "Kunden");
  EXPECT_EQ(Texts(*first), (Strings{"Berlin", "Bremen", "Hamburg", "Köln", "München"}));
  EXPECT_EQ(first->CursorLocation(), adUseClient);
  EXPECT_EQ(first->ActiveConnection(), nullptr);
  conn_->Execute("INSERT INTO Kunden (Nr, Ort) VALUES (99, 'Aachen')");
  EXPECT_EQ(f.Recordset(conn_, "Kunden"), first);
  EXPECT_EQ(Texts(*first).front(), "Aachen");
  VMGridField copy = f;  // a copy gets recordsets of its own
  EXPECT_NE(copy.Recordset(conn_, "Kunden"), first);

  // The input drop-down has its own recordset, of the host's statement.
  f.DatasourceDropdown("SELECT Name FROM Kunden WHERE Ort = 'Berlin' ORDER BY Name");
  auto input = f.InputDropDownRecordset(conn_);
  EXPECT_NE(input, first);
  EXPECT_EQ(Texts(*input), (Strings{"Meier", "Schulz", "Zander"}));

  // Errors reach the caller: the database's, no connection, no data layer.
  EXPECT_EQ(Raised([&] { f.Recordset(conn_, "Fehlt"); }).Number(), errc::kNoSuchTable);
  EXPECT_THROW(f.Recordset(nullptr, "Kunden"), VMError);
  Platform::Reset();
  VMGridField g;
  g.fieldname = "Ort";
  EXPECT_THROW(g.Recordset(conn_, "Kunden"), VMError);
}

}  // namespace
}  // namespace vmbgrid::testing
