#include <QApplication>
#include <QTableView>

#include "adapters/qt/qt_grid.h"
#include "gtest/gtest.h"
#include "tests/contract/grid_kinds.h"

namespace vmbgrid::contract {

namespace {
// The application lives for the whole test run, inside main.
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "contract";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

const RegisterKind kQt{GridKind{
    "Qt",
    [] {
      auto grid = std::make_unique<QtGrid>("TDBGrid1");
      grid->Width(8000);
      grid->Height(3000);
      grid->View()->show();
      return std::unique_ptr<GridControl>(std::move(grid));
    },
}};
}  // namespace

}  // namespace vmbgrid::contract
