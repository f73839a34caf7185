// Recordsets: fabricated and provider rows, navigation, values, bookmarks, clones, edits.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "data/provider.h"
#include "host/error.h"
#include "tests/data/test_provider.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

using testing::Cell;

std::shared_ptr<Recordset> Fabricated() {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->AppendField("Nr", adInteger, 4);
  rs->AppendField("Name", adVarWChar, 50);
  rs->AppendField("Kz", adChar, 3);
  rs->AppendField("Datum", adDate, 8);
  rs->AppendField("Aktiv", adBoolean, 2);
  rs->AppendField("Betrag", adDouble, 8);
  rs->OpenFabricated();
  return rs;
}

void AddRow(Recordset& rs, int32_t nr, const char* name) {
  rs.AddNew();
  rs.SetValue("Nr", Variant(nr));
  rs.SetValue("Name", Variant(name));
  rs.Update();
}

// A recordset on the rows of `t`, which the provider "Test" gives for `statement`.
std::shared_ptr<Recordset> Provided(const std::string& statement, const testing::Table& t,
                                    int cursor = adOpenUnspecified, int lock = adLockUnspecified) {
  testing::ResetTestDatabase().results[statement] = t;
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->Open(statement, "Provider=Test;Data Source=test.db", cursor, lock);
  return rs;
}

std::vector<int32_t> Numbers(Recordset& rs) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < rs.RecordCount(); ++i) out.push_back(rs.ValueAt(i, 0).ToInt32());
  return out;
}

TEST(Recordset, FabricatedRoundTripKeepsTypesAndNulls) {
  auto rs = Fabricated();
  EXPECT_EQ(rs->State(), adStateOpen);
  EXPECT_TRUE(rs->IsEOF() && rs->IsBOF());
  rs->AddNew();
  EXPECT_EQ(rs->EditMode(), adEditAdd);
  rs->SetValue("nr", Variant("17"));
  rs->SetValue("NAME", Variant("Müller"));
  rs->SetValue("Datum", Variant("1.2.2003"));
  rs->SetValue("Aktiv", Variant(true));
  rs->SetValue("Betrag", Variant(int32_t{3}));
  rs->Update();
  EXPECT_EQ(rs->EditMode(), adEditNone);
  AddRow(*rs, 18, "Meier");

  rs->MoveFirst();
  EXPECT_EQ(rs->Value("Nr").Type(), VarType::Int32);
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 17);
  EXPECT_EQ(rs->Value("Name").ToText(), "Müller");
  EXPECT_TRUE(rs->Value("Datum").IsDate());
  EXPECT_EQ(FormatIsoDate(rs->Value("Datum").ToDate()), "2003-02-01");
  EXPECT_TRUE(rs->Value("Aktiv").IsBoolean());
  EXPECT_TRUE(rs->Value("Aktiv").ToBool());
  EXPECT_EQ(rs->Value("Betrag").Type(), VarType::Double);
  EXPECT_TRUE(rs->Value("Kz").IsNull());
  double d = 0;
  EXPECT_TRUE(rs->NumberAt(0, 4, d));
  EXPECT_EQ(d, -1.0);  // True as a number
  EXPECT_FALSE(rs->NumberAt(0, 1, d));
  EXPECT_FALSE(rs->NumberAt(1, 5, d));  // null
  EXPECT_FALSE(rs->NumberAt(9, 0, d));

  EXPECT_EQ(rs->FieldCount(), 6);
  EXPECT_EQ(rs->FieldIndex("BETRAG"), 5);
  EXPECT_EQ(rs->FieldIndex("fehlt"), -1);
  EXPECT_EQ(rs->FieldType(2), adChar);
  EXPECT_EQ(rs->FieldDefinedSize(2), 3);
  const VMError missing = testing::Raised([&] { rs->Value("fehlt"); });
  EXPECT_EQ(missing.Number(), errc::kItemNotFound);
  EXPECT_EQ(missing.Description(), "Das Feld \"fehlt\" ist in dieser Auflistung nicht vorhanden.");
}

TEST(Recordset, ValuesThatDoNotFitRaiseAndLeaveTheRowUnchanged) {
  auto rs = Fabricated();
  AddRow(*rs, 1, "Alt");
  rs->MoveFirst();
  VMError e = testing::Raised([&] { rs->SetValue("Nr", Variant("abc")); });
  EXPECT_EQ(e.Number(), errc::kFieldValueDoesNotFit);
  EXPECT_NE(e.Description().find("\"Nr\""), std::string::npos) << e.Description();
  EXPECT_EQ(rs->EditMode(), adEditNone);
  // A variable-length field is limited by its defined size as well.
  e = testing::Raised([&] { rs->SetValue("Name", Variant(std::string(51, 'x'))); });
  EXPECT_EQ(e.Number(), errc::kFieldValueDoesNotFit);
  EXPECT_NE(e.Description().find("höchstens 50 Zeichen"), std::string::npos) << e.Description();
  EXPECT_EQ(rs->EditMode(), adEditNone);
  rs->SetValue("Kz", Variant("ÄÖÜ"));  // three characters, six bytes
  // Update with arrays checks every value before it sets one.
  for (const std::function<void()>& set : std::initializer_list<std::function<void()>>{
           [&] { rs->SetValue("Kz", Variant("ABCD")); },
           [&] { rs->SetValue("Datum", Variant("kein Datum")); },
           [&] { rs->SetValue("Nr", Variant(int64_t{1} << 40)); },
           [&] {
             rs->Update({"Name", "Nr"}, {Variant("Neu"), Variant("x")});
           }})
    EXPECT_EQ(testing::Raised(set).Number(), errc::kFieldValueDoesNotFit);
  rs->CancelUpdate();
  EXPECT_EQ(rs->Value("Name").ToText(), "Alt");
  EXPECT_EQ(rs->Value("Kz").IsNull(), true);

  rs->Update({"Name", "Betrag"}, {Variant("Neu"), Variant("2,5")});
  EXPECT_EQ(rs->Value("Name").ToText(), "Neu");
  EXPECT_EQ(rs->Value("Betrag").ToDouble(), 2.5);
  EXPECT_EQ(testing::Raised([&] { rs->Update({"Name"}, {}); }).Number(), errc::kInvalidArgument);
}

TEST(Recordset, EditModesAndReadOnlyLock) {
  auto rs = Fabricated();
  AddRow(*rs, 1, "a");
  rs->MoveFirst();
  rs->SetValue("Name", Variant("b"));
  EXPECT_EQ(rs->EditMode(), adEditInProgress);
  EXPECT_EQ(rs->Value("Name").ToText(), "b");
  rs->CancelUpdate();
  EXPECT_EQ(rs->Value("Name").ToText(), "a");
  rs->SetValue("Name", Variant("c"));
  rs->MoveFirst();  // moving writes the pending change
  EXPECT_EQ(rs->EditMode(), adEditNone);
  EXPECT_EQ(rs->Value("Name").ToText(), "c");
  rs->AddNew();
  rs->CancelUpdate();
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->AbsolutePosition(), 1);

  auto ro = Provided("SELECT Nr FROM T", {{{"Nr", adInteger, 4}}, {{Cell::I(1)}}}, adOpenKeyset,
                     adLockReadOnly);
  for (const std::function<void()>& change : std::initializer_list<std::function<void()>>{
           [&] { ro->AddNew(); }, [&] { ro->SetValue(0, Variant(int32_t{2})); },
           [&] { ro->Delete(); }})
    EXPECT_EQ(testing::Raised(change).Number(), errc::kOperationNotAllowed);
}

TEST(Recordset, NavigationAndPositions) {
  auto rs = Fabricated();
  for (int i = 1; i <= 5; ++i) AddRow(*rs, i, "x");
  rs->MoveFirst();
  EXPECT_FALSE(rs->IsBOF());
  rs->MovePrevious();
  EXPECT_TRUE(rs->IsBOF());
  EXPECT_EQ(rs->AbsolutePosition(), 0);
  EXPECT_EQ(testing::Raised([&] { rs->Value("Nr"); }).Number(), errc::kNoCurrentRecord);
  rs->Move(2);
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 2);
  rs->Move(-1);
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 1);
  rs->Move(10);
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_EQ(testing::Raised([&] { rs->Bookmark(); }).Number(), errc::kNoCurrentRecord);
  rs->MoveNext();  // stays at the end
  EXPECT_TRUE(rs->IsEOF());
  rs->MoveLast();
  EXPECT_EQ(rs->AbsolutePosition(), 5);
  rs->AbsolutePosition(3);
  EXPECT_EQ(rs->Value(0).ToInt32(), 3);
  EXPECT_EQ(testing::Raised([&] { rs->AbsolutePosition(6); }).Number(), errc::kInvalidArgument);
  EXPECT_EQ(testing::Raised([&] { rs->ValueAt(5, 0); }).Number(), errc::kInvalidArgument);

  rs->Close();
  EXPECT_EQ(rs->State(), adStateClosed);
  EXPECT_EQ(rs->RecordCount(), 0);
  EXPECT_EQ(testing::Raised([&] { rs->MoveFirst(); }).Number(), errc::kObjectClosed);
  EXPECT_EQ(testing::Raised([&] { rs->Close(); }).Number(), errc::kObjectClosed);
  rs->OpenFabricated();  // the appended fields stay for the next opening
  EXPECT_EQ(rs->FieldCount(), 6);
  EXPECT_EQ(rs->RecordCount(), 0);
}

TEST(Recordset, ClonesShareRowsButNotPositionFilterOrSort) {
  auto rs = Fabricated();
  for (int i = 1; i <= 4; ++i) AddRow(*rs, i, i % 2 ? "odd" : "even");
  auto clone = rs->Clone();
  clone->Filter("Name = 'even'");
  clone->Sort("Nr DESC");
  EXPECT_EQ(Numbers(*clone), (std::vector<int32_t>{4, 2}));
  EXPECT_EQ(Numbers(*rs), (std::vector<int32_t>{1, 2, 3, 4}));
  rs->MoveLast();
  clone->MoveFirst();
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 4);
  EXPECT_EQ(clone->Value("Nr").ToInt32(), 4);

  // A change, a new row and a deletion through one cursor are seen by the other.
  rs->SetValue("Name", Variant("geändert"));
  rs->Update();
  EXPECT_EQ(clone->Value("Name").ToText(), "geändert");
  AddRow(*rs, 6, "even");
  EXPECT_EQ(Numbers(*clone), (std::vector<int32_t>{4, 2, 6}));  // passes the clone's filter
  AddRow(*rs, 7, "odd");
  EXPECT_EQ(clone->RecordCount(), 3);
  rs->MoveFirst();
  rs->MoveNext();  // Nr 2
  rs->Delete();
  EXPECT_EQ(Numbers(*clone), (std::vector<int32_t>{4, 6}));
  EXPECT_EQ(testing::Raised([&] { rs->Value("Nr"); }).Number(),
            errc::kNoCurrentRecord);  // deleted row
  rs->MoveNext();
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 3);  // the row after the deleted one
  // The clone's current row is deleted through the other cursor.
  clone->MoveFirst();
  rs->MoveLast();
  rs->Move(-2);  // Nr 4
  rs->Delete();
  EXPECT_FALSE(clone->IsEOF());
  clone->MoveNext();
  EXPECT_EQ(clone->Value("Nr").ToInt32(), 6);
  clone->Close();
  EXPECT_EQ(rs->RecordCount(), 4);  // closing a clone leaves the rows
  // The current row stays current through a sort; an unknown bookmark is refused.
  rs->MoveFirst();
  rs->Sort("Nr DESC");
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 1);
  EXPECT_EQ(testing::Raised([&] { rs->Bookmark(Variant(int32_t{999})); }).Number(),
            errc::kBadBookmark);
}

TEST(Recordset, CellsOfAnotherTypeThanTheColumnAreKept) {
  // Dynamically typed sources deliver what is stored: a fraction or a word in an
  // integer column must neither be lost nor break filter and sort.
  testing::Table t{{{"Nr", adInteger, 4}, {"Tag", adDate, 8}, {"Ok", adBoolean, 2}},
                   {{Cell::I(1), Cell::T("2003-02-01"), Cell::I(1)},
                    {Cell::D(2.5), Cell::T("gestern"), Cell::I(0)},
                    {Cell::T("drei"), Cell::N(), Cell::T("ja")},
                    {Cell::I(int64_t{1} << 40), Cell::D(37653.0), Cell::N()}}};
  auto rs = Provided("SELECT * FROM [Mix]", t);
  EXPECT_EQ(rs->ValueAt(0, 0).ToInt32(), 1);
  EXPECT_EQ(rs->ValueAt(1, 0).ToDouble(), 2.5);
  EXPECT_EQ(rs->ValueAt(2, 0).ToText(), "drei");
  EXPECT_EQ(rs->ValueAt(3, 0).ToInt64(), int64_t{1} << 40);
  EXPECT_TRUE(rs->ValueAt(0, 1).IsDate());
  EXPECT_EQ(rs->ValueAt(1, 1).ToText(), "gestern");
  EXPECT_EQ(rs->ValueAt(3, 1).ToDate().serial, 37653.0);
  EXPECT_EQ(rs->ValueAt(2, 2).ToText(), "ja");
  rs->Filter("Nr > 1");
  EXPECT_EQ(rs->RecordCount(), 2);
  rs->Filter("");
  rs->Sort("Nr DESC, Tag");
  EXPECT_EQ(rs->RecordCount(), 4);
  // Requery reads the rows again and applies the filter anew; detached from its
  // connection it raises and the rows stay.
  rs->Filter("Nr > 1");
  t.rows.pop_back();
  testing::ResetTestDatabase().results["SELECT * FROM [Mix]"] = t;
  rs->Requery();
  EXPECT_EQ(rs->RecordCount(), 1);
  rs->ActiveConnection(nullptr);
  EXPECT_EQ(testing::Raised([&] { rs->Requery(); }).Number(), errc::kObjectClosed);
  EXPECT_EQ(rs->RecordCount(), 1);
}

TEST(Recordset, ExactNumbersAreHeldFilteredSortedAndTotalledExactly) {
  // Decimal and currency cells as providers deliver them: REAL (SQLite keeps a
  // DECIMAL so), text, whole numbers; a bigint beyond 2^53.
  const testing::Table t{
      {{"Nr", adInteger, 4},
       {"Betrag", adNumeric, 12, 12, 2},
       {"Geld", adCurrency, 8, 19, 4},
       {"Gross", adBigInt, 8}},
      {{Cell::I(1), Cell::D(1500.5), Cell::T("12.34"), Cell::I(9007199254740993)},
       {Cell::I(2), Cell::T("0.10"), Cell::D(0.1), Cell::I(9007199254740993)},
       {Cell::I(3), Cell::T("0,20"), Cell::I(-3), Cell::I(INT64_MIN)},
       {Cell::I(4), Cell::I(-3), Cell::N(), Cell::I(INT64_MAX)},
       {Cell::I(5), Cell::N(), Cell::T("keine Zahl"), Cell::N()}}};
  auto rs = Provided("SELECT * FROM [Exakt]", t, adOpenStatic, adLockOptimistic);
  EXPECT_EQ(rs->FieldPrecision(1), 12);
  EXPECT_EQ(rs->FieldNumericScale(1), 2);
  // The declared scale is kept: 1500.5 is 1500.50, -3 is -3.00.
  EXPECT_EQ(rs->ValueAt(0, 1).Type(), VarType::Decimal);
  EXPECT_EQ(rs->ValueAt(1, 2).Type(), VarType::Currency);
  // What is stored is never dropped, not even a word in a currency column.
  for (auto [row, col, text] : {std::tuple{0, 1, "1500.50"},
                                {2, 1, "0.20"},
                                {3, 1, "-3.00"},
                                {1, 2, "0.1"},
                                {4, 2, "keine Zahl"}})
    EXPECT_EQ(rs->ValueAt(row, col).ToText(), text) << row << "," << col;

  EXPECT_EQ(rs->Total(1).ToText(), "1497.80");
  EXPECT_EQ(rs->Total(2).ToText(), "9.44") << "0,1 + 12,34 - 3, the word adds nothing";
  EXPECT_EQ(rs->Total(3).ToText(), "18014398509481985");

  auto numbers = [&rs](const std::string& filter) {
    rs->Filter(filter);
    return Numbers(*rs);
  };
  using V = std::vector<int32_t>;
  EXPECT_EQ(numbers("Betrag = 0.1"), V({2}));
  EXPECT_EQ(numbers("Betrag = '0,20'"), V({3}));
  EXPECT_EQ(numbers("Betrag >= 0.2 AND Betrag < 1500.51"), V({1, 3}));
  EXPECT_EQ(numbers("Betrag < -2.999"), V({4}));
  EXPECT_EQ(numbers("Geld > 0.09999"), V({1, 2}));
  EXPECT_EQ(numbers("Gross = 9007199254740993"), V({1, 2})) << "not 9007199254740992";
  EXPECT_EQ(numbers("Gross > 9007199254740992.5"), V({1, 2, 4}));
  rs->Filter("");
  rs->Sort("Betrag DESC");
  EXPECT_EQ(numbers(""), V({1, 3, 2, 4, 5}));
  rs->Sort("");

  // Edits are exact, keep the declared scale and respect the precision.
  rs->MoveFirst();
  rs->SetValue("Betrag", Variant("1234567890,5"));
  rs->Update();
  EXPECT_EQ(rs->Value("Betrag").ToText(), "1234567890.50");
  EXPECT_EQ(testing::Raised([&] { rs->SetValue("Betrag", Variant("12345678901")); }).Number(),
            errc::kFieldValueDoesNotFit)
      << "eleven digits before the point do not fit DECIMAL(12,2)";
  EXPECT_EQ(testing::Raised([&] { rs->SetValue("Betrag", Variant("Meier")); }).Number(),
            errc::kFieldValueDoesNotFit);
  EXPECT_EQ(rs->Value("Betrag").ToText(), "1234567890.50");
}

// An observer that drops a clone while the rows are being changed.
struct DroppingObserver : RecordsetObserver {
  explicit DroppingObserver(std::shared_ptr<Recordset>& held) : held_(held) {}
  void RowsChanged() override { held_.reset(); }
  std::shared_ptr<Recordset>& held_;
};

TEST(Recordset, ACloneDroppedByAnObserverDuringADeleteIsNotTouched) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger, 4);
  rs->OpenFabricated();
  for (int32_t i = 0; i < 3; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(i));
  }
  rs->MoveFirst();
  std::shared_ptr<Recordset> clone = rs->Clone();
  std::shared_ptr<Recordset> other = rs->Clone();
  DroppingObserver drop(clone);
  rs->AddObserver(&drop);
  rs->Delete();  // the sanitizer run catches a touch of the dropped clone
  EXPECT_EQ(clone, nullptr);
  EXPECT_EQ(other->RecordCount(), 2);
}

}  // namespace
}  // namespace vmbgrid
