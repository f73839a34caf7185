// The headless drop-down list: a small grid over a recordset whose chosen row gives
// the value. Its columns are those of an inner headless grid.
#pragma once

#include <memory>
#include <string>

#include "adapters/headless/headless_grid.h"
#include "host/grid_control.h"

namespace vmbgrid {

class HeadlessDropDown : public DropDownControl {
 public:
  explicit HeadlessDropDown(std::string name = "TDBDropDown1")
      : name_(name), list_(std::move(name)) {}

  std::string Name() const override { return name_; }
  void SetListener(DropDownListener* listener) override { listener_ = listener; }
  void DataSource(std::shared_ptr<Recordset> recordset) override {
    list_.DataSource(std::move(recordset));
  }
  std::shared_ptr<Recordset> DataSource() const override { return list_.DataSource(); }
  void Rebind() override { list_.Rebind(); }
  // The value of the value column (the first column unless set) in the chosen row.
  Variant Value() const override;
  int ColumnCount() const override { return list_.ColumnCount(); }
  GridColumn& Column(int index) override { return list_.Column(index); }
  GridColumn* ColumnByField(const std::string& dataField) override {
    return list_.ColumnByField(dataField);
  }

  void ValueField(const std::string& field) { valueField_ = field; }
  HeadlessGrid& List() { return list_; }
  int RebindCount() const { return list_.RebindCount(); }

  // --- Simulated user actions.
  void Open();
  // Highlights the row and accepts it.
  void Choose(int ordinal);
  void Type(const std::string& text);
  // Enter accepts the highlighted row; Up and Down move the highlight.
  void PressKey(int keyCode, int shift = 0);

 private:
  std::string name_;
  HeadlessGrid list_;
  DropDownListener* listener_ = nullptr;
  std::string valueField_;
};

}  // namespace vmbgrid
