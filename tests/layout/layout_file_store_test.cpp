// Layout identity, the file store and the start-up and shutdown sequence of the
// layouts, through the headless grid's layout file and the SQLite layout tables.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "adapters/common/layout_file.h"
#include "tests/layout/layout_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

TEST_F(LayoutTest, OnlyAdminSavesStandardInTheLayoutFile) {
  VMGrid& g = Open("maier");
  g.Requery();
  g.SetLayoutName("Meins");
  g.Layouts().SaveLayout("Standard");
  EXPECT_EQ(g.layout(), "Meins");
  EXPECT_TRUE(main_.LayoutNames().empty());
  EXPECT_EQ(events_.Take(), Strings{"BeforeLoad:Standard"});
  EXPECT_EQ(TakeMessages(), Strings{layout::StandardRefusal(false)});
  // The comparison is exact: "standard" is an ordinary name.
  g.Layouts().SaveLayout("standard");
  EXPECT_EQ(main_.LayoutNames(), Strings{"standard"});

  VMGrid& a = Open("admin");
  a.Requery();
  main_.Column(1).Visible(false);
  a.IsTempLayout(true);
  events_.Take();
  a.Layouts().SaveLayout("Standard");
  EXPECT_EQ(a.layout(), "Standard");
  EXPECT_FALSE(a.IsTempLayout());
  EXPECT_EQ(events_.Take(), (Strings{"BeforeSave:Standard", "AfterSave:Standard"}));

  // The next user starts with it, and the fields follow the hidden column.
  VMGrid& m = Open("schulz");
  m.Requery();
  EXPECT_EQ(m.layout(), "Standard");
  EXPECT_EQ(events_.Take(), (Strings{"BeforeLoad:Standard", "AfterLoad:Standard"}));
  EXPECT_EQ(Shown(), (Strings{"Name", "(Ort)", "Nr"}));
  EXPECT_FALSE(m.GridFields().Item("Ort")->visible());
  EXPECT_TRUE(m.GridFields().Item("Name")->visible());
}

TEST_F(LayoutTest, DeletingTheCurrentLayoutLeavesNoLastLayoutEntry) {
  VMGrid& g = Open("meier");
  g.Requery();
  g.Layouts().SaveLayout("Meins");
  g.Layouts().SaveLayout("Zweites");
  g.Layouts().DeleteLayout("Zweites");
  EXPECT_EQ(g.layout(), "");
  EXPECT_EQ(main_.LayoutNames(), Strings{"Meins"});
  // Another user than ADMIN cannot delete the shared layout, and is told so.
  g.Layouts().DeleteLayout("standard");
  EXPECT_EQ(TakeMessages(), Strings{layout::StandardRefusal(true)});
  Close();
  EXPECT_EQ(Entry("Kunden", "meier"), "<keiner>");

  VMGrid& h = Open("meier");
  h.Requery();
  h.Layouts().SaveLayout("Meins");
  Close();
  EXPECT_EQ(Entry("Kunden", "meier"), "Meins");
}

TEST_F(LayoutTest, DeleteFailureNamesTheLayout) {
  VMGrid& g = Open("meier", velmDB);
  g.Requery();
  g.ConnectionString("Provider=SQLite;Data Source=" + (dir_ / "fehlt.db").string());
  g.Layouts().DeleteLayout("Meins");
  EXPECT_EQ(TakeMessages(), Strings{"Fehler beim Löschen des Layout Meins."});
  EXPECT_EQ(g.user(), "meier");
}

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

// A stored layout wider than any table is refused: the grid keeps its columns and
// the search and sum lines stay in step with it. One of the widest allowed size
// loads, with the satellites mirrored.
TEST_F(LayoutTest, AWideStoredLayoutIsRefusedBeyondTheLimitAndLoadsWithin) {
  VMGrid& g = Open("meier");
  g.SearchGrid(&search_);
  g.Requery();
  auto wide = [](int count) {
    GridLayout l;
    l.name = "Breit";
    for (int i = 0; i < count; ++i) {
      ColumnLayout c;
      c.index = i;
      c.dataField = i == 0 ? "Ort" : i == 1 ? "Name" : i == 2 ? "Nr" : "Feld" + std::to_string(i);
      c.caption = c.dataField;
      c.width = 1000;
      c.order = count - i;
      l.columns.push_back(c);
    }
    return l;
  };
  const std::string file = (dir_ / "Kunden.grx").string();
  LayoutFile(file).Save(wide(2000));
  ASSERT_TRUE(g.Layouts().LoadAndApply("Breit"));
  EXPECT_EQ(main_.ColumnCount(), 2000);
  EXPECT_EQ(main_.Column(0).Order(), 1999);
  g.Requery();
  EXPECT_EQ(search_.ColumnCount(), 2000);
  EXPECT_EQ(search_.Column(0).Order(), 1999);

  // Forged beyond the limit: the file store refuses to write it, so the test edits
  // the count the reader checks first.
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  const size_t columns = text.find("\"columns\": [");
  ASSERT_NE(columns, std::string::npos);
  const size_t firstEnd = text.find('}', columns);
  const size_t firstStart = text.find('{', columns);
  const std::string entry = text.substr(firstStart, firstEnd - firstStart + 1) + ",";
  std::string more;
  for (int i = 0; i < 8000; ++i) more += entry;
  text.insert(firstStart, more);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
  }
  TakeMessages();
  EXPECT_FALSE(g.Layouts().LoadAndApply("Breit"));
  EXPECT_EQ(main_.ColumnCount(), 2000);
  g.Requery();
  EXPECT_EQ(search_.ColumnCount(), main_.ColumnCount());
}

}  // namespace
}  // namespace vmbgrid::testing
