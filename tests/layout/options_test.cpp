// Per-user options in the settings store, read when user, connection and grid are
// all there: a stored value that does not fit falls back on its own.
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

  core::SettingsStore store_;
};

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
