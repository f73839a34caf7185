// Layouts in the database store: the owner rules of "Standard", what the two
// procedures refuse to store, and stored records that do not fit.
#include <gtest/gtest.h>

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
