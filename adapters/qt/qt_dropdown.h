// The drop-down list: a popup window with a grid over a recordset; the chosen row
// gives the value. Grid columns name it by control name.
#pragma once

#include <QPointer>
#include <QTableView>
#include <memory>
#include <string>

#include "adapters/qt/qt_grid.h"
#include "host/grid_control.h"

class QRect;

namespace vmbgrid {

class QtDropDown : public DropDownControl {
 public:
  explicit QtDropDown(std::string name = "TDBDropDown1", QWidget* parent = nullptr);
  ~QtDropDown() override;
  QtDropDown(const QtDropDown&) = delete;
  QtDropDown& operator=(const QtDropDown&) = delete;

  // The drop-down of that control name; nullptr when none exists.
  static QtDropDown* Find(const std::string& name);

  std::string Name() const override { return name_; }
  void SetListener(DropDownListener* listener) override { listener_ = listener; }
  void DataSource(std::shared_ptr<Recordset> recordset) override;
  std::shared_ptr<Recordset> DataSource() const override { return list_->DataSource(); }
  void Rebind() override { list_->Rebind(); }
  // The value of the value column (the first column unless set) in the chosen row.
  Variant Value() const override;
  int ColumnCount() const override { return list_->ColumnCount(); }
  GridColumn& Column(int index) override { return list_->Column(index); }
  GridColumn* ColumnByField(const std::string& dataField) override {
    return list_->ColumnByField(dataField);
  }
  void ValueField(const std::string& field) { valueField_ = field; }
  QtGrid& List() { return *list_; }

  // Opens below the screen rectangle for the grid cell; the grid receives the
  // chosen value into its cell.
  void Open(QtGrid* owner, const QRect& cell);
  bool IsOpen() const;
  // Accepts the highlighted row: ValueChosen, then the value goes to the cell.
  void Accept();
  void Close();

 private:
  class ListListener;
  std::string name_;
  std::unique_ptr<QtGrid> list_;
  std::unique_ptr<ListListener> listListener_;
  DropDownListener* listener_ = nullptr;
  std::string valueField_;
  QPointer<QTableView> owner_;
};

}  // namespace vmbgrid
