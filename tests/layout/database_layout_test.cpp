// Layouts in the database store: the records the two procedures keep, the owner
// rules of "Standard", loading with the key columns in front and the stored sort,
// and stored records that do not fit.
#include <gtest/gtest.h>

#include <cmath>

#include "core/database_service.h"
#include "tests/layout/layout_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

class DatabaseLayouts : public LayoutTest {
 protected:
  // Name, Ort, Plz with the key field Nr.
  VMGrid& OpenKeyed(const std::string& user) {
    VMGrid& g = Open(user, velmDB);
    g.AddField("Plz", "", false, false, adVarChar);
    g.GridFields().Remove("Nr");
    g.AddPrimaryKeyRestriction("Nr", "1-99", false, adInteger);
    return g;
  }
  std::vector<std::string> SortColumns(VMGrid& g) {
    Strings out;
    for (const auto& sc : g.SortColumns()) out.push_back(sc->sortcolumn + " " + sc->SortOrder);
    return out;
  }
  Strings Listed(VMGrid& g) {
    Strings out;
    auto rs = g.Layouts().Database().ListLayouts(true);
    for (; !rs->IsEOF(); rs->MoveNext()) out.push_back(rs->Value("sublayout").ToTextOrEmpty());
    return out;
  }
};

TEST_F(DatabaseLayouts, RoundTripPutsTheKeyColumnsInFrontAndRestoresTheSort) {
  VMGrid& g = OpenKeyed("meier");
  g.SortBy("Name");
  g.SortAscending(true);
  g.Requery();
  main_.ColumnByField("Plz")->Order(0);
  main_.ColumnByField("Ort")->Visible(false);
  main_.ColumnByField("Ort")->Width(1234.6);
  g.Layouts().SaveLayout("Meins");
  EXPECT_EQ(g.layout(), "Meins");
  // The key column is never stored.
  EXPECT_EQ(Fields("Meins", "meier").size(), 3u);
  EXPECT_EQ(Rows("SELECT fieldname, sortdirection, sortorder, width FROM aa_gridlayout_feld "
                 "WHERE fieldname = 'Name' OR fieldname = 'Ort' ORDER BY nr"),
            (Strings{"Name|1|1|" + std::to_string(static_cast<int>(
                                       std::lround(main_.ColumnByField("Name")->Width()))),
                     "Ort|0|0|1235"}));

  main_.ClearFields();
  VMGrid& h = OpenKeyed("meier");
  h.AddSortColumn("Ort", descending);
  h.Requery();
  events_.Take();
  ASSERT_TRUE(h.Layouts().LoadAndApply("Meins"));
  EXPECT_EQ(events_.Take(), (Strings{"BeforeLoad:Meins", "AfterLoad:Meins"}));
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Plz", "Name", "(Ort)"}));
  EXPECT_EQ(main_.Column(0).DataField(), "Nr");
  EXPECT_EQ(SortColumns(h), Strings{"Name ASC"});
  EXPECT_FALSE(h.GridFields().Item("Ort")->visible());
  EXPECT_EQ(main_.ColumnByField("Ort")->Width(), 1235);
}

TEST_F(DatabaseLayouts, TheStartLayoutIsResortedAndAMismatchedOneIsRejected) {
  VMGrid& g = OpenKeyed("meier");
  g.Requery();
  g.SortBy("Ort");
  g.SortAscending(false);
  g.Layouts().SaveLayout("Meins");
  Close();
  ASSERT_EQ(Entry("grdKunden", "meier"), "Meins");

  VMGrid& h = OpenKeyed("meier");
  h.Requery();
  EXPECT_EQ(h.layout(), "Meins");
  EXPECT_EQ(SortColumns(h), Strings{"Ort DESC"});
  EXPECT_EQ(Column("Ort").front(), "München");  // the rows re-read in the stored order
  Close();

  // One field more than the stored layout has columns: rejected on the first load.
  VMGrid& k = OpenKeyed("meier");
  k.AddField("Umsatz", "", false, false, adDouble);
  events_.Take();
  k.Requery();
  EXPECT_EQ(k.layout(), "Standard");
  EXPECT_EQ(events_.Take(), (Strings{"BeforeLoad:Meins", "BeforeLoad:Standard"}));
  EXPECT_EQ(main_.ColumnCount(), 5);
  // Later loads do not count: the layout fits what it names.
  ASSERT_TRUE(k.Layouts().LoadAndApply("Meins"));
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Name", "Ort", "Plz"}));
}

// "Standard" is every user's default, so only ADMIN creates, replaces or deletes it
// (a first save by any user once fixed the default for all, out of their reach),
// and a refusal says so.
TEST_F(DatabaseLayouts, OnlyAdminCreatesReplacesOrDeletesStandardAndOthersAreTold) {
  VMGrid& g = OpenKeyed("maier");
  g.Requery();
  g.SetLayoutName("Meins");
  events_.Take();
  for (const char* name : {"Standard", "standard"}) {
    g.Layouts().SaveLayout(name);
    EXPECT_EQ(g.layout(), "Meins");
    EXPECT_TRUE(Listed(g).empty()) << "nothing was stored";
    EXPECT_TRUE(events_.Take().empty());
    EXPECT_EQ(TakeMessages(), Strings{layout::StandardRefusal(false)});
  }

  VMGrid& c = OpenKeyed("admin");
  c.Requery();
  c.Layouts().SaveLayout("Standard");
  EXPECT_EQ(Headers(), Strings{"grdKunden|Standard|Standard"});
  EXPECT_EQ(Fields("Standard", "Standard")[2], "Plz|2|0|0|True");

  VMGrid& a = OpenKeyed("Admin");
  a.Requery();
  main_.ColumnByField("Plz")->Visible(false);
  a.Layouts().SaveLayout("Standard");
  // Replaced in place: the same header, only the new field records.
  EXPECT_EQ(Headers(), Strings{"grdKunden|Standard|Standard"});
  EXPECT_EQ(Fields("Standard", "Standard"),
            (Strings{"Name|1|0|0|True", "Ort|2|0|0|True", "Plz|3|0|0|False"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM aa_gridlayout_feld"), Strings{"3"});

  // Every user reads it from the owner "Standard".
  VMGrid& m = OpenKeyed("maier");
  m.Requery();
  EXPECT_EQ(m.layout(), "Standard");
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Name", "Ort", "(Plz)"}));

  // Deleting it: refused for maier with the reason, done for ADMIN.
  TakeMessages();
  m.Layouts().DeleteLayout("Standard");
  EXPECT_EQ(Headers().size(), 1u);
  EXPECT_EQ(TakeMessages(), Strings{layout::StandardRefusal(true)});
  VMGrid& b = OpenKeyed("ADMIN");
  b.Requery();
  b.Layouts().DeleteLayout("standard");
  EXPECT_TRUE(Headers().empty());
  EXPECT_TRUE(Rows("SELECT * FROM aa_gridlayout_feld").empty());
  EXPECT_EQ(b.user(), "ADMIN");
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(DatabaseLayouts, ListsShowTheUsersLayoutsAndTheSharedOne) {
  VMGrid& a = OpenKeyed("admin");
  a.Requery();
  a.Layouts().SaveLayout("Standard");
  VMGrid& g = OpenKeyed("meier");
  g.Requery();
  g.Layouts().SaveLayout("Zweites");
  g.Layouts().SaveLayout("Erstes");
  g.Layouts().SaveLayout("Erstes");  // again: still one header
  EXPECT_EQ(Listed(g), (Strings{"Erstes", "Zweites", "Standard"}));
  EXPECT_EQ(Headers().size(), 3u);  // the listed "Standard" row is not written

  VMGrid& s = OpenKeyed("Standard");
  s.Requery();
  EXPECT_EQ(Listed(s), Strings{"Standard"});

  // Deleting the current one forgets the name; the other layouts stay.
  VMGrid& h = OpenKeyed("meier");
  h.Requery();
  h.SetLayoutName("Erstes");
  h.Layouts().DeleteLayout("Erstes");
  EXPECT_EQ(h.layout(), "");
  EXPECT_EQ(Listed(h), (Strings{"Zweites", "Standard"}));
  EXPECT_EQ(Fields("Zweites", "meier").size(), 3u);
}

TEST_F(DatabaseLayouts, TheTemporaryLayoutStoresNoSortAndKeepsTheCurrentOne) {
  VMGrid& g = OpenKeyed("meier");
  g.SortBy("Name");
  g.Requery();
  g.IsTempLayout(true);
  Close();
  EXPECT_EQ(Headers(), Strings{"grdKunden-Tmp|Temp|meier"});
  EXPECT_EQ(Fields("Temp", "meier"),
            (Strings{"Name|0|0|0|True", "Ort|1|0|0|True", "Plz|2|0|0|True"}));

  VMGrid& h = OpenKeyed("meier");
  h.AddSortColumn("Plz", descending);
  h.Requery();
  EXPECT_TRUE(h.IsTempLayout());
  EXPECT_EQ(h.mainlayout(), "grdKunden");
  EXPECT_EQ(SortColumns(h), Strings{"Plz DESC"});
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Name", "Ort", "Plz"}));
}

TEST_F(DatabaseLayouts, OddStoredRecordsNeverBreakTheGridOrReachTheStatement) {
  VMGrid& g = OpenKeyed("meier");
  g.Requery();
  g.Layouts().SaveLayout("Meins");
  g.Layouts().SaveLayout("Heil");
  const std::string id =
      Rows("SELECT layoutid FROM aa_gridlayout_kopf WHERE sublayout = 'Meins'").at(0);
  conn_->Execute("DELETE FROM aa_gridlayout_feld WHERE layoutid = " + id);
  // fieldname, caption, order, sortdirection, sortorder, visible, width
  const char* odd[] = {
      "NULL, NULL, 5, 1, 1, 1, -40",                           // no field name
      "'Ort', NULL, NULL, NULL, NULL, 1, -40",                 // Nulls, negative width
      "'Gibtsnicht', 'X', 1, 1, 1, 1, 100",                    // unknown field
      "'Name', 'Kunde', 7, 2, 2, 1, 900",                      // order far out
      "'Plz', 'PLZ', 7, 1, 3, 1, 500",                         // duplicate order
      "'Name]; DROP TABLE Kunden; --', 'Y', 0, 1, 1, 1, 100",  // a name as SQL
  };
  for (const char* r : odd) {
    conn_->Execute(
        "INSERT INTO aa_gridlayout_feld (layoutid, fieldname, caption, \"order\", "
        "sortdirection, sortorder, visible, width) VALUES (" +
        id + ", " + r + ")");
  }
  ASSERT_TRUE(g.Layouts().LoadAndApply("Meins"));
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Ort", "Name", "Plz"}));
  EXPECT_EQ(main_.ColumnByField("Ort")->Width() >= 0, true);
  EXPECT_EQ(SortColumns(g), (Strings{"Name DESC", "Plz ASC"}));
  TakeLog();
  g.Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(Column("Name").size(), 8u);
  // The other layout is untouched.
  EXPECT_EQ(Fields("Heil", "meier").size(), 3u);

  // Every record hidden: the column first in display order shows, never the key,
  // so the grid always has a column to see (and to click).
  conn_->Execute("UPDATE aa_gridlayout_feld SET visible = 0 WHERE layoutid = " + id);
  ASSERT_TRUE(g.Layouts().LoadAndApply("Meins"));
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Ort", "(Name)", "(Plz)"}));
  EXPECT_TRUE(g.GridFields().Item("Ort")->visible());

  // A layout whose records all fail is no layout: nothing changes.
  conn_->Execute("UPDATE aa_gridlayout_feld SET fieldname = NULL WHERE layoutid = " + id);
  EXPECT_FALSE(g.Layouts().LoadAndApply("Meins"));
  EXPECT_EQ(Shown(), (Strings{"(Nr)", "Ort", "(Name)", "(Plz)"}));
}

TEST_F(DatabaseLayouts, SaveFailureShowsTheMessageAndKeepsNameAndUser) {
  VMGrid& g = OpenKeyed("meier");
  g.Requery();
  g.SetLayoutName("Alt");
  g.ConnectionString("Provider=SQLite;Data Source=" + (dir_ / "fehlt.db").string());
  g.Layouts().SaveLayout("Neu");
  EXPECT_EQ(g.layout(), "Alt");
  EXPECT_EQ(g.user(), "meier");
  EXPECT_EQ(TakeMessages(), Strings{"Fehler beim Speichern des Layouts Neu."});
  // The temporary layout fails silently.
  g.Layouts().SaveLayout("Temp");
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(DatabaseLayouts, SortValuesFollowTheSortColumnsWhenNoSingleColumnIsSet) {
  VMGrid& g = OpenKeyed("meier");
  g.AddSortColumn("Plz", descending);
  g.AddSortColumn("Name", ascending);
  auto& db = g.Layouts().Database();
  EXPECT_EQ(db.SortDirectionOf("Plz"), 2);
  EXPECT_EQ(db.SortPositionOf("Plz"), 1);
  EXPECT_EQ(db.SortPositionOf("Name"), 2);
  EXPECT_EQ(db.SortDirectionOf("Ort"), 0);
  EXPECT_EQ(db.SortPositionOf("Ort"), 0);
  g.SortBy("Ort");
  EXPECT_EQ(db.SortDirectionOf("Ort"), 2);
  EXPECT_EQ(db.SortPositionOf("Ort"), 1);
  EXPECT_EQ(db.SortDirectionOf("Plz"), 0);
  EXPECT_EQ(layout::DatabaseLayouts::SortOrderCode("asc"), 0);
  EXPECT_TRUE(db.IsKeyField("nr"));
}

TEST_F(DatabaseLayouts, TheProceduresRefuseWhatTheyCannotStoreSafely) {
  core::DatabaseService db;
  auto call = [&](const char* proc, std::vector<std::pair<std::string, Variant>> params) {
    auto cmd = db.CreateProcedureCommand(proc, kMemoryDb);
    for (auto& [n, v] : params) db.SetCommandParameter(*cmd, n, v);
    cmd->Execute();
  };
  // Quotes in names are values, not statement text.
  call("aa_gridlayout", {{"SPAction", Variant(int16_t{2})},
                         {"layout", Variant("grd'Kunden")},
                         {"sublayout", Variant("O'Brien")},
                         {"user", Variant("o'brien")}});
  EXPECT_THROW(call("aa_gridlayout", {{"SPAction", Variant(int16_t{9})}}), VMError);
  EXPECT_THROW(call("aa_gridlayout", {{"layout", Variant("x")}}), VMError);
  // A field record without its header would be stored for nobody.
  EXPECT_THROW(call("aa_gridlayoutfield", {{"SPAction", Variant(int16_t{2})},
                                           {"layoutid", Variant(int32_t{77})},
                                           {"fieldname", Variant("Name")}}),
               VMError);
  EXPECT_TRUE(Rows("SELECT * FROM aa_gridlayout_feld").empty());
  EXPECT_EQ(Headers(), Strings{"grd'Kunden|O'Brien|o'brien"});
}

}  // namespace
}  // namespace vmbgrid::testing
