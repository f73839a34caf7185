// Per-user options in the settings store: read when user, connection and grid are
// all there, written only when changed, with "Standard" as the fallback owner.
#include <gtest/gtest.h>

#include <memory>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "core/settings_store.h"
#include "data/provider.h"
#include "grid/vmgrid.h"

namespace vmbgrid::testing {
namespace {

constexpr const char* kSection = "Faktura\\frmKunden\\grdKunden";

class Options : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    InstallHeadlessPlatform(&data::DefaultDataAccess());
    conn_ = data::DefaultDataAccess().CreateConnection();
    conn_->ConnectionString("Provider=SQLite;Data Source=:memory:");
    conn_->Open();
    store_.SetConnection(conn_);
  }
  void TearDown() override {
    conn_->Close();
    ResetHeadlessPlatform();
  }
  std::unique_ptr<VMGrid> Make(const std::string& user = "meier") {
    auto g = std::make_unique<VMGrid>();
    g->Init(0, "Faktura", "frmKunden");
    g->Connection(conn_);
    g->user(user);
    g->grid(&grid_);  // the last of the three: the options are read now
    return g;
  }
  std::string Stored(const std::string& key, const std::string& user = "meier") {
    return store_.ReadSetting(kSection, key, user, "", "<nichts>");
  }

  std::shared_ptr<Connection> conn_;
  core::SettingsStore store_;
  HeadlessGrid grid_{"grdKunden"};
};

TEST_F(Options, NothingStoredKeepsTheSwitchesAndLimitsTo1000) {
  auto g = Make();
  EXPECT_TRUE(g->RefreshOnLeaveColumn());
  EXPECT_FALSE(g->ShowEmptyGrid());
  EXPECT_EQ(g->MaxRecords(), 1000);
  EXPECT_FALSE(g->SettingsChanged());
}

TEST_F(Options, TheUsersOwnValuesWinOverTheSharedDefaults) {
  store_.WriteSetting(kSection, "ShowEmptyGrid", "-1", "Standard");
  store_.WriteSetting(kSection, "MaxRecords", "250", "Standard");
  store_.WriteSetting(kSection, "RefreshOnLeaveColumn", "0", "meier");
  store_.WriteSetting(kSection, "MaxRecords", "40", "meier");
  auto g = Make();
  EXPECT_FALSE(g->RefreshOnLeaveColumn());
  EXPECT_TRUE(g->ShowEmptyGrid());  // from "Standard"
  EXPECT_EQ(g->MaxRecords(), 40);
  EXPECT_FALSE(g->SettingsChanged()) << "reading is no change";
  auto other = Make("schulz");
  EXPECT_TRUE(other->RefreshOnLeaveColumn());
  EXPECT_EQ(other->MaxRecords(), 250);
}

TEST_F(Options, ChangesAreWrittenOnceAllThreeAndReadBackByTheNextController) {
  {
    auto g = Make();
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
  auto again = Make();
  EXPECT_FALSE(again->RefreshOnLeaveColumn());
  EXPECT_EQ(again->MaxRecords(), 75);
}

TEST_F(Options, TheLimitSetAsAPropertyAloneIsNotWritten) {
  auto g = Make();
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
  g.grid(&grid_);
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
    auto g = Make(user);
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
    auto g = Make(user);
    EXPECT_FALSE(g->ShowEmptyGrid()) << "keeps its value";
    EXPECT_FALSE(g->RefreshOnLeaveColumn());
    EXPECT_EQ(g->MaxRecords(), 40);
  }
  // A limit of 0 stored on purpose still means every row.
  store_.WriteSetting(kSection, "MaxRecords", "0", "alle");
  EXPECT_EQ(Make("alle")->MaxRecords(), 0);
}

}  // namespace
}  // namespace vmbgrid::testing
