// Out of memory while loading or sorting: the German message, the rows shown before
// stay, and the grid works again once memory is there. The allocator of this test
// program refuses large allocations on request (short_memory.cpp), so the failure
// comes where the library really allocates, on any build, also under the sanitizers.
#include <gtest/gtest.h>

#include <filesystem>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/xarray.h"
#include "tests/reliability/short_memory.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::testing {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr size_t kRefuseFrom = 64 * 1024;
constexpr int kRows = 20000;
// Few enough that the filter's list of rows still fits, enough that sorting by a
// text does not.
constexpr int kArrayRows = 10000;

class OutOfMemory : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db_ = fs::temp_directory_path() / ("vmbgrid_memory_" + std::to_string(::getpid()) + ".db");
    ASSERT_EQ(sampledb::Generate(db_.string(), {.rows = kRows, .seed = 3}), "");
  }
  static void TearDownTestSuite() { fs::remove(db_); }
  void SetUp() override {
    sqlite::Register();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
  }
  void TearDown() override {
    vm_.reset();
    ResetHeadlessPlatform();
  }
  VMGrid& Make() {
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmKunden");
    vm_->grid(&grid_);
    vm_->ConnectionString(sqlite::ConnectionStringForFile(db_.string()));
    vm_->RecordSource("Kunden");
    vm_->AddField("Name", "", false, false, adVarChar);
    vm_->AddField("Ort", "", false, false, adVarChar);
    vm_->AddField("Nr", "", false, false, adInteger);
    return *vm_;
  }
  Strings TakeMessages() {
    Strings out = platform_->messages.texts();
    platform_->messages.clear();
    return out;
  }
  std::string FirstName() { return grid_.CellText(0, 0); }

  static fs::path db_;
  HeadlessPlatform* platform_ = nullptr;
  HeadlessGrid grid_{"grdKunden"};
  std::unique_ptr<VMGrid> vm_;
};

fs::path OutOfMemory::db_;

TEST_F(OutOfMemory, LoadingKeepsTheRowsShownBeforeAndSaysSo) {
  VMGrid& g = Make();
  g.MaxRecords(10);
  g.Requery();
  ASSERT_EQ(g.RecordCount(), 10);
  const std::string first = FirstName();
  g.MaxRecords(0);
  {
    MemoryShort shortOfMemory(kRefuseFrom);
    g.Requery();
  }
  EXPECT_EQ(TakeMessages(), Strings{"Nicht genug Arbeitsspeicher, um die Datensätze zu laden. Die "
                                    "Tabelle zeigt weiter die bisherigen Zeilen; bitte die Suche "
                                    "enger fassen oder die Zahl der Datensätze begrenzen."});
  EXPECT_EQ(g.RecordCount(), 10);
  EXPECT_EQ(grid_.RowCount(), 10);
  EXPECT_EQ(FirstName(), first);
  // With memory again the same request loads every row.
  g.Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(g.RecordCount(), kRows);
}

TEST_F(OutOfMemory, SortingRowsInMemoryKeepsTheirOrderAndSaysSo) {
  VMGrid& g = Make();
  auto xarr = std::make_shared<XArray>(0, kArrayRows - 1, 0, 2);
  for (int32_t r = 0; r < kArrayRows; ++r) {
    xarr->Value(r, 0, Variant("Name " + std::to_string(kArrayRows - 1 - r)));
    xarr->Value(r, 1, Variant("Ort"));
    xarr->Value(r, 2, Variant(r));
  }
  g.SetArray(xarr);
  g.SortAscending(true);
  g.SortBy("Nr");
  g.Requery();  // the sort column before the one that fails
  ASSERT_EQ(g.RecordCount(), kArrayRows);
  ASSERT_TRUE(TakeMessages().empty());
  const std::string first = FirstName();
  ASSERT_EQ(first, "Name " + std::to_string(kArrayRows - 1));
  g.SortBy("Name");
  {
    MemoryShort shortOfMemory(kRefuseFrom);
    g.Requery();
  }
  EXPECT_EQ(TakeMessages(), Strings{"Nicht genug Arbeitsspeicher, um die Datensätze zu sortieren. "
                                    "Die Zeilen bleiben in der bisherigen Reihenfolge."});
  EXPECT_EQ(g.SortBy(), "Nr");
  EXPECT_EQ(g.RecordCount(), kArrayRows);
  EXPECT_EQ(FirstName(), first);
  g.SortBy("Name");
  g.Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(FirstName(), "Name 0");
}

}  // namespace
}  // namespace vmbgrid::testing
