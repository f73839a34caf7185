// Printing: the grid's own pages on the headless front end (captions, rows, sum
// line, page number) and the print component's calls argument by argument.
#include "output/printing.h"
#include "tests/output/output_fixture.h"

namespace vmbgrid::testing {
namespace {

using output::kPrintComponent;
using output::kPrintFailed;

class PrintTest : public OutputTest {
 protected:
  VMGrid& WithSums() {
    VMGrid& g = Make();
    g.SumGrid(&sum_);
    g.AddField({.name = "Name", .caption = "Name", .datatype = adVarChar, .sumvalue = "Summe"});
    // clang-format off
    g.AddField({.name = "Umsatz", .caption = "Umsatz", .datatype = adDouble,
                .FormatString = "#,##0.00", .sumDatatype = vmSUM});
    // clang-format on
    g.AddSortColumn("Name");
    g.Requery();
    return g;
  }
};

TEST_F(PrintTest, WithoutPrinterTheGermanMessageShowsAndNothingPrints) {
  VMGrid& g = WithSums();
  main_.PrinterMissing(true);
  g.PrintGrid();
  g.PreviewGrid();
  ASSERT_EQ(MessageEntries().size(), 2u);
  EXPECT_EQ(MessageEntries()[0].text, kPrintFailed);
  EXPECT_EQ(MessageEntries()[0].kind, kMessageInfo);
  EXPECT_TRUE(main_.PrintJobs().empty());
  // With a printer the page holds the captions, the rows as shown and the sum line.
  main_.PrinterMissing(false);
  g.PreviewGrid(vmLandscape);
  ASSERT_EQ(main_.PrintJobs().size(), 1u);
  const HeadlessPrintPage& page = main_.PrintJobs()[0].layout.at(0);
  EXPECT_EQ(page.captions, (std::vector<std::string>{"Name", "Umsatz"}));
  EXPECT_EQ(page.rows.at(0), (std::vector<std::string>{"Adler", "1.200,00"}));
  EXPECT_EQ(page.footer, (std::vector<std::string>{"Summe", sum_.CellText(0, 1)}));
  EXPECT_EQ(page.pageNumber, "Seite 1 von 1");
}

class PrintComponentTest : public PrintTest {
 protected:
  void SetUp() override {
    PrintTest::SetUp();
    report_ = std::make_shared<RecordingComponent>(std::make_shared<RecordingComponent::Log>());
    log_ = Record(kPrintComponent);
  }
  std::shared_ptr<Component> report_;
  std::shared_ptr<RecordingComponent::Log> log_;
};

TEST_F(PrintComponentTest, InitThenDruckVmGridWithTheArgumentsAsListed) {
  VMGrid& g = WithSums();
  g.user("meier");
  g.Init(0, "App", "frmKunden", report_, "/opt/app", "/opt/vorlagen", "   ");
  g.LayoutFile("");
  g.PreviewGrid(vmLandscape);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_TRUE(main_.PrintJobs().empty()) << "the built-in print is not used";
  ASSERT_EQ(log_->Members(), (std::vector<std::string>{"Init", "Druck_VmGrid"}));

  const auto& init = log_->calls[0].args;
  ASSERT_EQ(init.size(), 6u);
  for (size_t i = 0; const char* text : {"meier", "/opt/app", "/opt/vorlagen"})
    EXPECT_EQ(init[i++].value.ToText(), text);
  EXPECT_EQ(init[3].object.As<Component>(), report_);
  EXPECT_EQ(init[4].value.ToText(), g.ConnectionString());
  EXPECT_EQ(init[5].object.As<Connection>(), conn_);
  for (const auto& a : init) EXPECT_TRUE(a.byRef);

  const auto& args = log_->calls[1].args;
  ASSERT_EQ(args.size(), 10u);
  EXPECT_EQ(args[0].object.As<GridControl>().get(), &main_);
  EXPECT_EQ(args[1].object.As<GridControl>().get(), &sum_);
  // Blank default title: the table names both title and name.
  EXPECT_EQ(args[2].value.ToText(), "Kunden");
  EXPECT_TRUE(args[2].byRef);
  for (auto [i, value] : {std::pair{3, Variant(false)},
                          {4, Variant("")},
                          {5, Variant(false)},
                          {8, Variant(true)},
                          {9, Variant(false)}})
    EXPECT_EQ(args[i].value, value) << i;
  EXPECT_EQ(args[6].value.Type(), VarType::Int16);
  EXPECT_FALSE(args[6].byRef);
  EXPECT_EQ(args[7].value.ToText(), "Kunden");
  EXPECT_TRUE(args[8].byRef && args[9].byRef);

  g.PrintGridDlg();
  EXPECT_EQ(log_->calls.back().args[8].value, Variant(false));
  EXPECT_EQ(log_->calls.back().args[9].value, Variant(true));
}

TEST_F(PrintComponentTest, TitleNameManageRequestAndAReplacedConnection) {
  VMGrid& g = WithSums();
  g.Init(0, "App", "frmKunden", report_, "", "", "Kundenliste");
  g.LayoutFile("/layouts/kunden");
  auto other = data::DefaultDataAccess().CreateConnection();
  log_->effects["Init"] = [other](std::vector<ComponentArg>& a) {
    a[5].object = ComponentObject::Of(other);
  };
  bool preview = false, print = false, dialog = false, manage = true;
  g.RunPrintComponent(preview, print, dialog, manage);
  ASSERT_EQ(log_->Members(), (std::vector<std::string>{"Init", "Verwalten_Spalten"}));
  const auto& args = log_->calls[1].args;
  ASSERT_EQ(args.size(), 9u);
  EXPECT_EQ(args[2].value.ToText(), "kunden");
  EXPECT_EQ(args[7].value.ToText(), "Kundenliste");
  EXPECT_EQ(args[8].value, Variant(false));
  EXPECT_EQ(g.Connection(), other) << "the component's connection is taken over";
}

TEST_F(PrintComponentTest, HostRowsSortedByHeaderClickGoWithTheSort) {
  VMGrid& g = HostRows({{"Becker", "Bonn"}, {"Adler", "Köln"}});
  g.Init(0, "App", "frmKunden", report_);
  g.PrintGrid();
  ASSERT_EQ(log_->calls.back().args.size(), 10u) << "no header click yet";

  auto [x, y] = main_.HeaderPoint(ColumnOf("Name"));
  main_.Click(kLeftButton, 0, x, y);
  platform_->events.ProcessPendingEvents();
  ASSERT_EQ(g.SortBy(), "Name");
  g.PrintGrid();
  const auto& args = log_->calls.back().args;
  ASSERT_EQ(args.size(), 15u);
  for (auto [i, value] : {std::pair{10, false}, {11, true}, {12, true}})
    EXPECT_EQ(args[i].value, Variant(value)) << i;
  EXPECT_TRUE(args[12].byRef);
  EXPECT_EQ(args[13].value.ToText(), "Name");
  EXPECT_EQ(args[14].value, Variant(g.SortAscending()));
}

TEST_F(PrintComponentTest, FailuresAreSilent) {
  VMGrid& g = WithSums();
  g.Init(0, "App", "frmKunden", report_);
  log_->failOn = "Init";
  g.PrintGrid();
  EXPECT_EQ(log_->Members(), std::vector<std::string>{"Init"});
  platform_->components.Unregister(kPrintComponent);
  g.PreviewGrid();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_TRUE(main_.PrintJobs().empty());
}

}  // namespace
}  // namespace vmbgrid::testing
