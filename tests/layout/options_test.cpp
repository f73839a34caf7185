// Per-user options in the settings store: read when user, connection and grid are
// all there, written only when changed, with "Standard" as the fallback owner.
#include "core/settings_store.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

constexpr const char* kSection = "Faktura\\frmKunden\\grdKunden";

class Options : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    store_.SetConnection(conn_);
  }
  std::unique_ptr<VMGrid> Controller(const std::string& user = "meier") {
    auto g = std::make_unique<VMGrid>();
    g->Init(0, "Faktura", "frmKunden");
    g->Connection(conn_);
    g->user(user);
    g->grid(&main_);  // the last of the three: the options are read now
    return g;
  }
  std::string Stored(const std::string& key, const std::string& user = "meier") {
    return store_.ReadSetting(kSection, key, user, "", "<nichts>");
  }

  core::SettingsStore store_;
};

TEST_F(Options, TheUsersOwnValuesWinOverTheSharedDefaults) {
  auto none = Controller();  // nothing stored: the switches as they are, 1000 rows
  EXPECT_TRUE(none->RefreshOnLeaveColumn());
  EXPECT_FALSE(none->ShowEmptyGrid());
  EXPECT_EQ(none->MaxRecords(), 1000);
  EXPECT_FALSE(none->SettingsChanged());
  none.reset();
  store_.WriteSetting(kSection, "ShowEmptyGrid", "-1", "Standard");
  store_.WriteSetting(kSection, "MaxRecords", "250", "Standard");
  store_.WriteSetting(kSection, "RefreshOnLeaveColumn", "0", "meier");
  store_.WriteSetting(kSection, "MaxRecords", "40", "meier");
  auto g = Controller();
  EXPECT_FALSE(g->RefreshOnLeaveColumn());
  EXPECT_TRUE(g->ShowEmptyGrid());  // from "Standard"
  EXPECT_EQ(g->MaxRecords(), 40);
  EXPECT_FALSE(g->SettingsChanged()) << "reading is no change";
  auto other = Controller("schulz");
  EXPECT_TRUE(other->RefreshOnLeaveColumn());
  EXPECT_EQ(other->MaxRecords(), 250);
}

TEST_F(Options, ChangesAreWrittenOnceAllThreeAndReadBackByTheNextController) {
  {
    auto g = Controller();
    g->ShowEmptyGrid(false);  // the same value still marks the options changed
    EXPECT_TRUE(g->SettingsChanged());
    g->SaveSettings();
    EXPECT_FALSE(g->SettingsChanged());
    EXPECT_EQ(Stored("RefreshOnLeaveColumn"), "-1");
    EXPECT_EQ(Stored("ShowEmptyGrid"), "0");
    EXPECT_EQ(Stored("MaxRecords"), "1000");
    g->RefreshOnLeaveColumn(false);
    g->MaxRecordsFromDialog(75);
  }  // destruction saves what changed
  EXPECT_EQ(Stored("RefreshOnLeaveColumn"), "0");
  EXPECT_EQ(Stored("MaxRecords"), "75");
  auto again = Controller();
  EXPECT_FALSE(again->RefreshOnLeaveColumn());
  EXPECT_EQ(again->MaxRecords(), 75);
}

TEST_F(Options, TheLimitSetAsAPropertyAloneIsNotWritten) {
  auto g = Controller();
  g->MaxRecords(10);
  g->SaveSettings();
  EXPECT_EQ(Stored("MaxRecords"), "<nichts>");
  g->MaxRecordsFromDialog(10);  // no difference: no change
  EXPECT_FALSE(g->SettingsChanged());
  g->MaxRecordsFromDialog(20);
  g->SaveSettings();
  EXPECT_EQ(Stored("MaxRecords"), "20");
}

TEST_F(Options, WithoutAGridNothingIsWrittenAndTheChangeIsKept) {
  VMGrid g;
  g.Init(0, "Faktura", "frmKunden");
  g.Connection(conn_);
  g.user("meier");
  g.ShowEmptyGrid(true);
  g.SaveSettings();
  EXPECT_TRUE(g.SettingsChanged());
  EXPECT_EQ(Stored("ShowEmptyGrid"), "<nichts>");
  g.grid(&main_);
  g.SaveSettings();
  EXPECT_EQ(Stored("ShowEmptyGrid"), "-1");
}

// Each stored option is checked on its own: a corrupt record limit falls back to 1000
// (it once lifted the limit: 0 loads every row), a corrupt switch keeps its value,
// and the options beside a corrupt one still apply.
TEST_F(Options, ACorruptOptionFallsBackAloneAndTheOthersApply) {
  int n = 0;
  for (const char* limit : {"viele", "-5", "1e12", "", "1,5", "2147483648", " 7x"}) {
    SCOPED_TRACE(std::string("MaxRecords = \"") + limit + "\"");
    const std::string user = "u" + std::to_string(n++);
    store_.WriteSetting(kSection, "RefreshOnLeaveColumn", "0", user);
    store_.WriteSetting(kSection, "ShowEmptyGrid", "-1", user);
    store_.WriteSetting(kSection, "MaxRecords", limit, user);
    auto g = Controller(user);
    EXPECT_EQ(g->MaxRecords(), 1000);
    EXPECT_FALSE(g->RefreshOnLeaveColumn());
    EXPECT_TRUE(g->ShowEmptyGrid());
  }
  for (const char* flag : {"ja", "1e99", "-"}) {
    SCOPED_TRACE(std::string("ShowEmptyGrid = \"") + flag + "\"");
    const std::string user = "u" + std::to_string(n++);
    store_.WriteSetting(kSection, "ShowEmptyGrid", flag, user);
    store_.WriteSetting(kSection, "RefreshOnLeaveColumn", "0", user);
    store_.WriteSetting(kSection, "MaxRecords", " 40 ", user);
    auto g = Controller(user);
    EXPECT_FALSE(g->ShowEmptyGrid()) << "keeps its value";
    EXPECT_FALSE(g->RefreshOnLeaveColumn());
    EXPECT_EQ(g->MaxRecords(), 40);
  }
  // A limit of 0 stored on purpose still means every row.
  store_.WriteSetting(kSection, "MaxRecords", "0", "alle");
  EXPECT_EQ(Controller("alle")->MaxRecords(), 0);
}

}  // namespace
}  // namespace vmbgrid::testing
