#include "adapters/qt/qt_dropdown.h"

#include <QHeaderView>
#include <QRect>
#include <algorithm>
#include <vector>

namespace vmbgrid {

namespace {
std::vector<QtDropDown*>& Registry() {
  static std::vector<QtDropDown*> r;
  return r;
}
constexpr int kReturn = 13, kEscape = 27;
}  // namespace

// The list grid's notifications become the drop-down's.
class QtDropDown::ListListener : public GridListener {
 public:
  explicit ListListener(QtDropDown& dropDown) : dd_(&dropDown) {}
  void KeyDown(GridControl&, int& keyCode, int& shift) override {
    if (dd_->listener_) dd_->listener_->KeyDown(*dd_, keyCode, shift);
    if (keyCode == kReturn) {
      keyCode = 0;
      dd_->Accept();
    } else if (keyCode == kEscape) {
      keyCode = 0;
      dd_->Close();
    }
  }
  void KeyPress(GridControl&, int& keyAscii) override {
    if (dd_->listener_) dd_->listener_->Change(*dd_);
    keyAscii = 0;  // the list is not edited
  }
  void DblClick(GridControl&) override { dd_->Accept(); }

 private:
  QtDropDown* dd_;
};

QtDropDown::QtDropDown(std::string name, QWidget* parent)
    : name_(std::move(name)),
      list_(std::make_unique<QtGrid>(name_, parent)),
      listListener_(std::make_unique<ListListener>(*this)) {
  list_->AllowUpdate(false);
  list_->RecordSelectors(false);
  list_->SetListener(listListener_.get());
  if (QTableView* view = list_->View()) {
    view->setWindowFlags(Qt::Popup);
    view->hide();
  }
  Registry().push_back(this);
}

QtDropDown::~QtDropDown() {
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

QtDropDown* QtDropDown::Find(const std::string& name) {
  for (QtDropDown* d : Registry()) {
    if (d->Name() == name) return d;
  }
  return nullptr;
}

void QtDropDown::DataSource(std::shared_ptr<Recordset> recordset) {
  list_->DataSource(std::move(recordset));
}

Variant QtDropDown::Value() const {
  if (list_->ColumnCount() == 0 || list_->CurrentOrdinal() < 0) return Variant::Null();
  GridColumn* column = valueField_.empty() ? &list_->Column(0) : list_->ColumnByField(valueField_);
  return column == nullptr ? Variant::Null() : column->Value();
}

void QtDropDown::Open(QtGrid* owner, const QRect& cell) {
  owner_ = owner ? owner->View() : nullptr;
  if (listener_) listener_->DropDownOpen(*this);
  QTableView* view = list_->View();
  if (!view) return;
  int width = std::max(cell.width(), view->horizontalHeader()->length() + 4);
  view->setGeometry(
      cell.left(), cell.bottom() + 1, width,
      10 * view->verticalHeader()->defaultSectionSize() + view->horizontalHeader()->height() + 4);
  view->show();
  view->setFocus(Qt::PopupFocusReason);
}

bool QtDropDown::IsOpen() const { return list_->View() && list_->View()->isVisible(); }

void QtDropDown::Accept() {
  if (list_->CurrentOrdinal() < 0) return;
  if (listener_) listener_->ValueChosen(*this);
  Variant value = Value();
  Close();
  if (owner_) {
    if (QtGrid* grid = QtGrid::FromWidget(owner_)) grid->PutChosenValue(value);
  }
}

void QtDropDown::Close() {
  if (QTableView* view = list_->View()) view->hide();
}

}  // namespace vmbgrid
