// The table menu: its entries per configuration (print component or not,
// customization flags) and what each entry does.
#include <gtest/gtest.h>

#include "search/grid_interaction.h"
#include "tests/menus/menus_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;
using namespace menus;

class NoPrinter : public Component {
 public:
  Variant Invoke(const std::string&, std::vector<Variant>&) override { return {}; }
  void SetProperty(const std::string&, const Variant&) override {}
};

class TableMenu : public MenuTest {};

TEST_F(TableMenu, APrintComponentReplacesTheOrientationMenus) {
  VMGrid& g = Open("meier");
  g.Init(0, "Test", "frmKunden", std::make_shared<NoPrinter>());
  g.Requery();
  const auto* popup = RightClick();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(Names(popup->tools),
            (Strings{"mnuSaveTable", "Spalten verwalten", "mnuVerwaltPrintLL80", "mnuPreviewLL80",
                     "mnuPrintLL80", "mnuPrintLL80Dlg", "mnuExportTable", "mnuSerienDruck",
                     "mnuSerienEMail", "mnuSammelEMail", "mnuOptions"}));
  EXPECT_EQ(popup->tools[3].caption, "Druckvorschau Tablelle");
}

TEST_F(TableMenu, DisableCustomizationTakesEffectAtTheNextRequeryAndStays) {
  VMGrid& g = OpenGrid("meier");
  g.DisableCustomization(1 | 2 | 4 | 8 | 16 | 32 | 64 | 128 | 256 | 512);
  RightClick();
  EXPECT_TRUE(InBand(kPopTable, "mnuSaveTable").enabled) << "not before the next Requery";
  g.Requery();
  g.DisableCustomization(0);
  g.Requery();
  RightClick("mnuSaveTable");
  EXPECT_FALSE(InBand(kPopTable, "mnuSaveTable").enabled);
  EXPECT_FALSE(InBand(kPopTable, "mnuExportTable").enabled);
  EXPECT_TRUE(InBand(kPopTable, "mnuSerienDruck").enabled);
  // clang-format off
  for (auto [band, tool] : {std::pair{kPopOptions, kMnuEmptyTable}, {kPopOptions, kMnuQueryOnLeaveRow},
           {kPopPrintOrientation, kMnuPrintPortrait}, {kPopPrintOrientation, kMnuPrintLandscape},
           {kPopPreviewOrientation, kMnuPreviewPortrait}, {kPopPreviewOrientation, kMnuPreviewLandscape},
           {kPopTableFilter, kMnuFilterSelected}, {kPopTableFilter, kMnuFilterNotSelected}})
    EXPECT_FALSE(InBand(band, tool).enabled) << tool;
  // clang-format on
  EXPECT_TRUE(InBand(kPopTableFilter, kMnuCut).enabled);
  Settle();
  EXPECT_TRUE(platform_->dialogs.Shown().empty()) << "the disabled entry opened the dialog";
}

TEST_F(TableMenu, OptionEntriesToggleAndMarkTheOptionsChanged) {
  VMGrid& g = OpenGrid("meier");
  g.SettingsChanged(false);
  RightClick("mnuEmptyTable");
  EXPECT_TRUE(g.ShowEmptyGrid());
  EXPECT_TRUE(g.SettingsChanged());
  RightClick("mnuQueryOnLeaveRow");
  EXPECT_FALSE(g.RefreshOnLeaveColumn());
  RightClick("mnuQueryOnLeaveRow");
  EXPECT_TRUE(g.RefreshOnLeaveColumn());
  EXPECT_FALSE(InBand(kPopOptions, "mnuQueryOnLeaveRow").checked);
}

TEST_F(TableMenu, EveryCommandReachesItsSeam) {
  VMGrid& g = OpenGrid("meier");
  Strings calls;
  auto& c = g.Menus().commands;
  c.exportText = [&] { calls.push_back("export"); };
  c.seriendruck = [&](bool serien, bool sammel) {
    calls.push_back(std::string("serien ") + (serien ? "1" : "0") + (sammel ? "1" : "0"));
  };
  for (const char* tool : {"mnuExportTable", "mnuSerienDruck", "mnuSerienEMail", "mnuSammelEMail"})
    RightClick(tool);
  EXPECT_EQ(calls, (Strings{"export", "serien 00", "serien 10", "serien 11"}));

  // Without the output commands, printing and preview use the grid's own.
  RightClick("mnuPrintLandscape");
  RightClick("mnuPreviewPortrait");
  ASSERT_EQ(main_.PrintJobs().size(), 2u);
  EXPECT_FALSE(main_.PrintJobs()[0].preview);
  EXPECT_TRUE(main_.PrintJobs()[1].preview);
  EXPECT_EQ(main_.PrintOrientation(), vmPortrait);

  // The record-limit entry: a number is taken, other text is ignored.
  MenuTool limit = *Menu().Tool("mnuMaxRecords");
  for (auto [text, records] : {std::pair{"abc", 1000}, {"0", 0}}) {
    limit.text = text;
    g.Menus().ToolTextChanged(Menu(), limit);
    EXPECT_EQ(g.MaxRecords(), records) << text;
  }

  // A column entry hides and shows its column and tells the host.
  MenuTool column;
  column.name = "Ort";
  column.checked = true;
  g.Menus().ToolClick(Menu(), column);
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
  EXPECT_FALSE(search_.ColumnByField("Ort")->Visible());
  EXPECT_TRUE(g.IsTempLayout());
  EXPECT_EQ(menuEvents_.columns, (Strings{"Ort:aus"}));
}

TEST_F(TableMenu, ALayoutEntryLoadsThatLayoutEvenWhenItCarriesACommandsName) {
  VMGrid& g = OpenGrid("meier", velmDB);
  main_.ColumnByField("Ort")->Visible(false);
  g.Layouts().SaveLayout("mnuExportTable");
  main_.ColumnByField("Ort")->Visible(true);
  g.Layouts().SaveLayout("Alle");
  bool exported = false;
  g.Menus().commands.exportText = [&] { exported = true; };
  TakeLog();
  menuEvents_.Take();
  RightClick(std::string(kPopSettings) + "/mnuExportTable");
  EXPECT_FALSE(exported);
  EXPECT_EQ(g.layout(), "mnuExportTable");
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
  EXPECT_EQ(menuEvents_.Take(), (Strings{"BeforeLoad:mnuExportTable", "AfterLoad:mnuExportTable"}));
  EXPECT_EQ(TakeLog().size(), 1u) << "one requery after loading";
}

}  // namespace
}  // namespace vmbgrid::testing
