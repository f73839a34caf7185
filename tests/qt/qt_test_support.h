// Shared pieces of the Qt front-end tests: a shown form holding grids, a recording
// listener and fabricated recordsets.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>
#include <vector>

#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_platform.h"
#include "data/provider.h"

namespace vmbgrid::qttest {

struct Events : GridListener {
  struct Key {
    int code, shift;
  };
  std::vector<Key> keys;
  std::vector<std::string> order;  // names of the notifications, as raised
  int consumeKey = -1;             // a key code to set to 0

  void KeyDown(GridControl&, int& code, int& shift) override {
    keys.push_back({code, shift});
    if (code == consumeKey) code = 0;
  }
  void AfterColUpdate(GridControl&, int) override { order.push_back("AfterColUpdate"); }
  void AfterUpdate(GridControl&) override { order.push_back("AfterUpdate"); }
};

// A shown, active window with a line edit, a grid and a second line edit in
// focus order.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = &InstallQtPlatform();
    platform_->messages.Record(true);
    form_ = std::make_unique<QWidget>();
    form_->setObjectName("frmTest");
    auto* layout = new QVBoxLayout(form_.get());
    before_ = new QLineEdit(form_.get());
    before_->setObjectName("txtVorher");
    layout->addWidget(before_);
    grid_ = std::make_unique<QtGrid>("TDBGrid1", form_.get());
    layout->addWidget(grid_->View());
    after_ = new QLineEdit(form_.get());
    after_->setObjectName("txtNachher");
    layout->addWidget(after_);
    form_->resize(640, 400);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    grid_->SetListener(&events_);
    QApplication::processEvents();
  }
  void TearDown() override {
    grid_.reset();
    form_.reset();
    QApplication::processEvents();
    ResetQtPlatform();
  }
  QTableView* View() const { return grid_->View(); }
  // The widget that has the keyboard focus (the cell editor while editing).
  static QWidget* Focused() { return QApplication::focusWidget(); }

  QtPlatform* platform_ = nullptr;
  std::unique_ptr<QWidget> form_;
  QLineEdit* before_ = nullptr;
  QLineEdit* after_ = nullptr;
  std::unique_ptr<QtGrid> grid_;
  Events events_;
};

// Nr (integer) and Name over the given number of rows; editable.
inline std::shared_ptr<Recordset> Numbers(int rows) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->AppendField("Name", adVarWChar, 40);
  rs->OpenFabricated();
  for (int i = 0; i < rows; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(int32_t(i + 1)));
    rs->SetValue(1, Variant("Zeile " + std::to_string(i + 1)));
    rs->Update();
  }
  if (rows > 0) rs->MoveFirst();
  return rs;
}

}  // namespace vmbgrid::qttest
