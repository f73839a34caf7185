#include "tests/browser/browser_fixture.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "adapters/qt/qt_grid.h"
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

int FindColumn(QtGrid& g, const std::string& field) {
  for (int i = 0; i < g.ColumnCount(); ++i)
    if (g.Column(i).DataField() == field) return i;
  return -1;
}

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Options BrowserTest::Private(const std::string& file, const std::string& user) {
  const auto db = TempDir() / file;
  if (!std::filesystem::exists(db)) std::filesystem::copy_file(SampleDb(), db);
  Options o;
  o.db = db.string();
  o.user = user;
  return o;
}

void BrowserTest::RemovePrivate(const std::string& file) {
  std::filesystem::remove(TempDir() / file);
}

void BrowserTest::InDialog(std::function<void(QDialog&)> play, int triesLeft) {
  QTimer::singleShot(10, [play, triesLeft] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!d) {
      if (triesLeft > 0) return InDialog(play, triesLeft - 1);
      return ADD_FAILURE() << "no dialog opened";
    }
    play(*d);
    if (d->isVisible()) d->reject();
  });
}

void BrowserTest::Trigger(const std::string& text) {
  for (QAction* menu : window_->menuBar()->actions()) {
    if (!menu->menu()) continue;
    for (QAction* a : menu->menu()->actions()) {
      if (a->text().toStdString() == text) {
        a->trigger();
        BrowserWindow::Settle();
        return;
      }
    }
  }
  ADD_FAILURE() << text;
}

Strings BrowserTest::Column(const std::string& field) {
  Strings out;
  QtGrid& data = *window_->DataGrid();
  const int col = FindColumn(data, field);
  for (int r = 0; col >= 0 && r < data.RowCount(); ++r) out.push_back(data.CellText(r, col));
  return out;
}

void BrowserTest::TearDown() {
  window_.reset();
  ResetQtPlatform();
}

}  // namespace vmbgrid::browser::testing
