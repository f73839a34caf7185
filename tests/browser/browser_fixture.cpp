#include "tests/browser/browser_fixture.h"

#include <unistd.h>

#include "adapters/qt/qt_platform.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::browser::testing {

namespace {

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QApplication::instance()) app_ = std::make_unique<BrowserApplication>(argc_, argv_);
    sqlite::Register();
  }
  void TearDown() override {
    ResetQtPlatform();
    app_.reset();
    std::error_code ec;
    std::filesystem::remove_all(TempDir(), ec);
  }

 private:
  int argc_ = 1;
  char name_[16] = "browser_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<BrowserApplication> app_;
};

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

const std::filesystem::path& TempDir() {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("vmbgrid_browser_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

const std::filesystem::path& SampleDb() {
  static const std::filesystem::path db = [] {
    auto p = TempDir() / "kunden.db";
    sampledb::Options o;
    o.rows = kSampleRows;
    const std::string err = sampledb::Generate(p.string(), o);
    if (!err.empty()) ADD_FAILURE() << err;
    return p;
  }();
  return db;
}

BrowserWindow& BrowserTest::OpenWindow(Options options) {
  if (options.db == Options{}.db) options.db = SampleDb().string();
  // The user's record limit (1000 unless stored) would cut the sample; tests that
  // are about the limit say so with a user of their own.
  if (options.user.empty() && !options.max) options.max = 0;
  window_ = std::make_unique<BrowserWindow>(options, true);
  InstallQtPlatform(window_.get(), &data::DefaultDataAccess());
  window_->InstallMessages();
  window_->InstallComponents();
  window_->show();
  BrowserWindow::Settle();
  window_->Open();
  window_->ApplySearches(options.searches);
  return *window_;
}

void BrowserTest::TearDown() {
  window_.reset();
  ResetQtPlatform();
}

}  // namespace vmbgrid::browser::testing
