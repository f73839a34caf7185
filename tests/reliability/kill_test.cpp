// Crash safety: the saver is killed with SIGKILL at random moments while it saves
// layouts and options; afterwards every entry must be one complete version, the
// last one the saver reported as saved or the one it was busy with. Two savers
// writing the same layout name at once must leave one complete version and lose
// none of each other's other layouts.
// VMBGRID_KILLS and VMBGRID_CONCURRENT_ROUNDS raise the bounded counts of this run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "adapters/headless/headless.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "tests/reliability/stored_state.h"
#include "tests/support/child_process.h"

namespace vmbgrid::reliability {

using vmbgrid::testing::ChildProcess;
namespace {

namespace fs = std::filesystem;

int FromEnvironment(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    InstallHeadlessPlatform(&data::DefaultDataAccess());
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = PreparedFolder(std::string("kill_") + info->name());
  }
  void TearDown() override {
    ResetHeadlessPlatform();
    fs::remove_all(folder_);
  }

  // Entry must hold round `acked` or `acked + 1` (written, not yet reported).
  static void ExpectRound(const Entry& e, int acked, const std::string& what, int kill) {
    ASSERT_TRUE(e.problem.empty()) << what << " nach Abbruch " << kill << ": " << e.problem;
    if (acked < 0 && !e.version) return;  // nothing saved so far
    ASSERT_TRUE(e.version) << what << " fehlt nach Abbruch " << kill;
    EXPECT_GE(e.version->round, acked) << what << ": gespeicherte Fassung verloren";
    EXPECT_LE(e.version->round, acked + 1) << what;
  }

  fs::path folder_;
};

TEST_F(KillTest, EveryEntryIsOneCompleteVersionAfterSigkill) {
  const int kills = FromEnvironment("VMBGRID_KILLS", 200);
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  // A round takes some tens of milliseconds (every save is flushed to disk): the
  // kills land anywhere in the first few rounds, the very first saves (file and
  // tables created) included.
  std::uniform_int_distribution<int> delayUs(0, 250000);
  // mixed: kills that left the stores at different rounds, cut mid-round.
  int acked = -1, rounds = 0, mixed = 0;
  for (int k = 0; k < kills; ++k) {
    ChildProcess saver(VMBGRID_CRASH_SAVER,
                       {folder_.string(), "save", "0", std::to_string(acked + 1), "0"});
    std::optional<std::string> ready = saver.ReadLine();
    ASSERT_TRUE(ready && *ready == "bereit") << (ready ? *ready : "keine Ausgabe");
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    saver.Kill();
    for (const std::string& line : saver.ReadRest()) {
      ASSERT_EQ(line.rfind("FEHLER", 0), std::string::npos) << line;
      acked = std::stoi(line);
      ++rounds;
    }
    saver.Wait();

    std::vector<Entry> entries = {FileLayout(folder_, kShared), FileLayout(folder_, OwnName(0)),
                                  DatabaseLayout(folder_, kShared),
                                  DatabaseLayout(folder_, OwnName(0)), StoredMaxRecords(folder_)};
    const char* what[] = {"Datei/Gemeinsam", "Datei/Eigen", "DB/Gemeinsam", "DB/Eigen",
                          "MaxRecords"};
    bool differ = false;
    for (size_t i = 0; i < entries.size(); ++i) {
      ExpectRound(entries[i], acked, what[i], k);
      if (entries[i].version && entries[0].version &&
          entries[i].version->round != entries[0].version->round)
        differ = true;
      if (HasFatalFailure()) return;
    }
    mixed += differ ? 1 : 0;
    ASSERT_EQ(UntouchedProblem(folder_), "") << "nach Abbruch " << k;
    ASSERT_FALSE(HasFailure()) << "Startwert " << seed;
  }
  // No temporary files pile up beside the layout file.
  int leftovers = 0;
  for (const auto& f : fs::directory_iterator(folder_))
    if (f.path().filename().string().find(".tmp") != std::string::npos) ++leftovers;
  EXPECT_LE(leftovers, 1);
  std::printf("%d Abbrüche, %d vollständige Runden, %d mitten in einer Runde\n", kills, rounds,
              mixed);
  RecordProperty("kills", kills);
  RecordProperty("rounds", rounds);
  RecordProperty("cut_mid_round", mixed);
}

TEST_F(KillTest, TwoProcessesSavingTheSameLayoutLoseNothing) {
  const int rounds = FromEnvironment("VMBGRID_CONCURRENT_ROUNDS", 60);
  ChildProcess a(VMBGRID_CRASH_SAVER, {folder_.string(), "save", "1", "0", std::to_string(rounds)});
  ChildProcess b(VMBGRID_CRASH_SAVER, {folder_.string(), "save", "2", "0", std::to_string(rounds)});
  for (ChildProcess* p : {&a, &b}) {
    std::vector<std::string> lines = p->ReadRest();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), std::to_string(rounds - 1)) << "letzte Zeile: " << lines.back();
    const int status = p->Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // The shared entries (tag 0) hold the last round of either process. Each process's
  // own layout is its last save: no save of the other one wrote an older copy of the
  // file over it.
  for (int tag : {0, 1, 2}) {
    const std::string name = tag ? OwnName(tag) : kShared;
    std::vector<Entry> entries = {FileLayout(folder_, name), DatabaseLayout(folder_, name)};
    if (tag == 0) entries.push_back(StoredMaxRecords(folder_));
    for (const Entry& e : entries) {
      ASSERT_TRUE(e.problem.empty()) << name << ": " << e.problem;
      ASSERT_TRUE(e.version) << name << " fehlt";
      EXPECT_EQ(e.version->round, rounds - 1);
      EXPECT_TRUE(tag ? e.version->tag == tag : e.version->tag == 1 || e.version->tag == 2)
          << name << ": " << e.version->tag;
    }
  }
  EXPECT_EQ(UntouchedProblem(folder_), "");
}

}  // namespace
}  // namespace vmbgrid::reliability
