// Faults from the environment, each through the controller on the headless grid:
// a database another process holds locked, a full disk, a layout folder that is
// missing or not writable, a file that is no database, a read-only database, memory
// running short. Each gives a German message, leaves what was stored or shown as it
// was, and the grid works again once the fault is gone. The allocator of this test
// program refuses large allocations on request (short_memory.cpp), so the failure
// comes where the library really allocates, on any build, also under the sanitizers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "adapters/common/layout_file.h"
#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "host/xarray.h"
#include "layout/layout_store.h"
#include "output/output.h"
#include "tests/raised.h"
#include "tests/reliability/short_memory.h"
#include "tests/reliability/stored_state.h"
#include "tests/support/child_process.h"

namespace vmbgrid::reliability {

using vmbgrid::testing::ChildProcess;
using vmbgrid::testing::MemoryShort;
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool AnyContains(const Strings& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// The file size limit of this process, lowered for one scope; writes beyond it
// fail with EFBIG as on a full disk instead of raising SIGXFSZ.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    old_signal_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_signal_);
  }
  rlimit old_{};
  sighandler_t old_signal_;
};

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = PreparedFolder(std::string("fault_") + info->name());
  }
  void TearDown() override {
    vm_.reset();
    if (conn_) conn_->Close();
    ResetHeadlessPlatform();
    std::error_code ec;
    fs::permissions(folder_ / "ro", fs::perms::owner_all, ec);
    fs::remove_all(folder_);
  }

  // A controller as the user "meier" on the folder's database (or the given
  // connection string), layouts in the folder's layout file.
  VMGrid& Open(const std::string& extra = "", const std::string& database = "app.db") {
    vm_.reset();
    if (conn_) conn_->Close();
    conn_ = Platform::Data().CreateConnection();
    conn_->ConnectionString("Provider=SQLite;Data Source=" + (folder_ / database).string() + extra);
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmKunden");
    vm_->grid(&grid_);
    vm_->RecordSource("Kunden");
    vm_->AddField("Name", "", false, false, adVarChar);
    vm_->AddField("Ort", "", false, false, adVarChar);
    vm_->AddField("Nr", "", false, false, adInteger);
    vm_->user(kUser);
    vm_->LayoutFile((folder_ / "Kunden").string());
    try {
      conn_->Open();
      vm_->Connection(conn_);
    } catch (const VMError&) {
      vm_->ConnectionString(conn_->ConnectionString());  // the controller reports it
    }
    return *vm_;
  }
  // The two customers shown, and no message left over from loading them.
  void ShowTwo(VMGrid& g) {
    g.Requery();
    ASSERT_EQ(Rows(), 2);
    TakeMessages();
  }
  int Rows() const {
    auto rs = grid_.DataSource();
    return rs && rs->State() != adStateClosed ? rs->RecordCount() : -1;
  }
  Strings TakeMessages() {
    Strings out = platform_->messages.texts();
    platform_->messages.clear();
    return out;
  }
  void Save(VMGrid& g, int32_t mode, const std::string& name) {
    g.SaveMode(mode);
    g.Layouts().SaveLayout(name);
  }

  HeadlessPlatform* platform_ = nullptr;
  fs::path folder_;
  std::shared_ptr<Connection> conn_;
  HeadlessGrid grid_{"grdKunden"};
  std::unique_ptr<VMGrid> vm_;
};

TEST_F(FaultTest, DatabaseLockedByAnotherProcessWaitsThenSaysSoAndRecovers) {
  VMGrid& g = Open(";Busy Timeout=300");
  ASSERT_NO_FATAL_FAILURE(ShowTwo(g));

  ChildProcess locker(VMBGRID_CRASH_SAVER, {folder_.string(), "lock", "4000"});
  ASSERT_EQ(locker.ReadLine().value_or(""), "gesperrt");
  g.Requery();
  Strings m = TakeMessages();
  EXPECT_TRUE(AnyContains(m, "gesperrt")) << ::testing::PrintToString(m);
  Save(g, velmDB, "Neu");
  EXPECT_TRUE(AnyContains(TakeMessages(), "Fehler beim Speichern des Layouts Neu."));
  g.MaxRecordsFromDialog(WidthOf(5, 0));
  const std::string locked = testing::Raised([&] { g.SaveSettings(); }).Description();
  EXPECT_NE(locked.find("gesperrt"), std::string::npos) << locked;

  locker.Kill();  // the other program ends; its lock goes with it
  locker.Wait();
  g.Requery();
  EXPECT_EQ(Rows(), 2);
  EXPECT_TRUE(TakeMessages().empty());
  g.SaveSettings();  // the change is still pending and goes in now
  ASSERT_TRUE(StoredMaxRecords(folder_).version);
  EXPECT_EQ(StoredMaxRecords(folder_).version->round, 5);
  Save(g, velmDB, "Neu");
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(UntouchedProblem(folder_), "");
}

TEST_F(FaultTest, FullDiskKeepsTheStoredVersionsAndTheGridUsable) {
  VMGrid& g = Open();
  ASSERT_NO_FATAL_FAILURE(ShowTwo(g));
  const std::string file = Bytes(folder_ / "Kunden.grx");
  const std::string database = Bytes(folder_ / "app.db");
  grid_.Column(0).Width(4321);
  {
    FileSizeLimit full(256);
    Save(g, VelmGRX, "Voll");
    EXPECT_EQ(TakeMessages(), Strings{"Fehler beim Speichern des Layouts Voll."});
    Save(g, velmDB, "Voll");
    EXPECT_EQ(TakeMessages(), Strings{"Fehler beim Speichern des Layouts Voll."});
    g.MaxRecordsFromDialog(77);
    EXPECT_THROW(g.SaveSettings(), VMError);
    g.Requery();  // reading needs no space
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(TakeMessages().empty());
  }
  {
    // An export whose rows do not fit: the message names the chosen file and the
    // cause, not the rows file written on the way.
    FileSizeLimit full(16);
    const std::string target = (folder_ / "export.txt").string();
    EXPECT_FALSE(g.OutputCommands().Export().ExportTo(target));
    EXPECT_EQ(TakeMessages(),
              Strings{"Die Tabelle konnte nicht exportiert werden.\nDie Datei \"" + target +
                      "\" konnte nicht geschrieben werden: Der Datenträger ist "
                      "voll. Die bisherige Fassung ist erhalten."});
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_EQ(Bytes(folder_ / "Kunden.grx"), file);
  EXPECT_EQ(Bytes(folder_ / "app.db"), database);
  for (const auto& f : fs::directory_iterator(folder_))
    EXPECT_EQ(f.path().filename().string().find(".tmp"), std::string::npos) << f.path();

  // With space again, the same saves go through.
  Save(g, VelmGRX, "Voll");
  Save(g, velmDB, "Voll");
  g.SaveSettings();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(LayoutFile((folder_ / "Kunden.grx").string()).Load("Voll").columns[0].width, 4321);
  EXPECT_EQ(UntouchedProblem(folder_), "");
}

TEST_F(FaultTest, MissingLayoutFolderGivesAMessageAndCreatesNothing) {
  VMGrid& g = Open();
  g.LayoutFile((folder_ / "fehlt" / "Kunden").string());
  ASSERT_NO_FATAL_FAILURE(ShowTwo(g));
  Save(g, VelmGRX, "Neu");
  EXPECT_EQ(TakeMessages(), Strings{"Fehler beim Speichern des Layouts Neu."});
  EXPECT_FALSE(fs::exists(folder_ / "fehlt"));
  EXPECT_TRUE(grid_.LayoutNames().empty());
  g.Requery();
  EXPECT_EQ(Rows(), 2);
}

TEST_F(FaultTest, LayoutFolderWithoutWriteRightsKeepsItsFile) {
  // Root writes anywhere: the save runs in a child that gives up root first.
  // nobody must reach the folder whatever the umask; only the write right is missing.
  const fs::perms othersRead = fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(folder_, fs::perms::owner_all | othersRead);
  fs::create_directories(folder_ / "ro");
  fs::copy_file(folder_ / "Kunden.grx", folder_ / "ro" / "Kunden.grx");
  const std::string before = Bytes(folder_ / "ro" / "Kunden.grx");
  fs::permissions(folder_ / "ro", fs::perms::owner_read | fs::perms::owner_exec | othersRead);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(8);
    ResetHeadlessPlatform();
    HeadlessPlatform& p = InstallHeadlessPlatform(&data::DefaultDataAccess());
    HeadlessGrid grid("grdKunden");
    int code = 0;
    {
      VMGrid g;
      g.Init(0, "Test", "frmKunden");
      g.grid(&grid);
      g.LayoutFile((folder_ / "ro" / "Kunden").string());
      g.user(kUser);
      g.SaveMode(VelmGRX);
      g.Layouts().SaveLayout("Neu");
      if (!AnyContains(p.messages.texts(), "Fehler beim Speichern des Layouts Neu.")) code |= 1;
      Strings names = grid.LayoutNames();
      if (std::find(names.begin(), names.end(), kUntouched) == names.end()) code |= 2;
      if (std::find(names.begin(), names.end(), "Neu") != names.end()) code |= 4;
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: keine Meldung, 2: Layout verloren, 4: trotzdem "
                                       "gespeichert, 8: Rechte nicht abgegeben";
  EXPECT_EQ(Bytes(folder_ / "ro" / "Kunden.grx"), before);
}

TEST_F(FaultTest, FileThatIsNoDatabaseIsReportedAndLeftAlone) {
  const std::string text(4096, 'x');
  std::ofstream(folder_ / "kaputt.db", std::ios::binary) << text;
  VMGrid& g = Open("", "kaputt.db");
  g.Requery();
  Strings m = TakeMessages();
  EXPECT_TRUE(AnyContains(m, "keine gültige SQLite-Datenbank")) << ::testing::PrintToString(m);
  EXPECT_LE(Rows(), 0);
  EXPECT_EQ(Bytes(folder_ / "kaputt.db"), text);

  VMGrid& good = Open();
  good.Requery();
  EXPECT_EQ(Rows(), 2);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(FaultTest, ReadOnlyDatabaseRefusesSavesAndKeepsItsLayouts) {
  const std::string database = Bytes(folder_ / "app.db");
  VMGrid& g = Open(";Mode=ReadOnly");
  ASSERT_NO_FATAL_FAILURE(ShowTwo(g));
  Save(g, velmDB, "Neu");
  // A refused write says why on a second line.
  EXPECT_EQ(TakeMessages(),
            Strings{"Fehler beim Speichern des Layouts Neu.\r\nDie Datenbank \"" +
                    (folder_ / "app.db").string() +
                    "\" ist schreibgeschützt; die Änderung wurde nicht gespeichert."});
  g.MaxRecordsFromDialog(60);
  const std::string readOnly = testing::Raised([&] { g.SaveSettings(); }).Description();
  EXPECT_NE(readOnly.find("schreibgeschützt"), std::string::npos) << readOnly;
  g.Requery();
  EXPECT_EQ(Rows(), 2);
  vm_.reset();  // shutdown saves what it can and stays quiet about the rest
  EXPECT_EQ(Bytes(folder_ / "app.db"), database);
  EXPECT_EQ(UntouchedProblem(folder_), "");
}

constexpr size_t kRefuseFrom = 64 * 1024;

TEST_F(FaultTest, OutOfMemoryWhileLoadingKeepsTheRowsShownBeforeAndSaysSo) {
  constexpr int kRows = 20000;
  VMGrid& g = Open();
  conn_->Execute(
      "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
      "INSERT INTO Kunden SELECT i, 'Kunde ' || i, 'Ort ' || (i % 97) FROM n");
  g.MaxRecords(10);
  g.Requery();
  ASSERT_EQ(g.RecordCount(), 10);
  const std::string first = grid_.CellText(0, 0);
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
  EXPECT_EQ(grid_.CellText(0, 0), first);
  // With memory again the same request loads every row.
  g.Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(g.RecordCount(), kRows);
}

TEST_F(FaultTest, OutOfMemoryWhileSortingRowsInMemoryKeepsTheirOrderAndSaysSo) {
  // Few enough that the filter's list of rows still fits, enough that sorting by a
  // text does not.
  constexpr int kArrayRows = 10000;
  VMGrid& g = Open();
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
  TakeMessages();
  const std::string first = grid_.CellText(0, 0);
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
  EXPECT_EQ(grid_.CellText(0, 0), first);
  g.SortBy("Name");
  g.Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(grid_.CellText(0, 0), "Name 0");
}

// A value copied while memory runs short raises std::bad_alloc and leaves both values
// as they were (the copy of a text once crashed the command-line host instead).
TEST(OutOfMemoryValues, ACopyThatDoesNotFitRaisesAndChangesNothing) {
  const Variant big(std::string(2 * kRefuseFrom, 'x'));
  Variant target("alt");
  volatile size_t seen = 0;
  {
    MemoryShort shortOfMemory(kRefuseFrom);
    EXPECT_THROW(seen = Variant(big).StringRef().size(), std::bad_alloc);
    EXPECT_THROW(target = big, std::bad_alloc);
  }
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(target.StringRef(), "alt");
  target = big;
  EXPECT_EQ(target.StringRef().size(), 2 * kRefuseFrom);
}

}  // namespace
}  // namespace vmbgrid::reliability
