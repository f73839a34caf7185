// A column of a headless grid or drop-down.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid {

class HeadlessGrid;

class HeadlessColumn : public GridColumn {
 public:
  // Setting the property 79 (the auto-size method) fits the width to the content;
  // other ids are stored.
  static constexpr int kAutoSizeProperty = 79;
  static constexpr double kDefaultWidth = 1215;

  explicit HeadlessColumn(HeadlessGrid& owner) : owner_(&owner) {}

  int Index() const override;
  Variant Value() const override;
  int Alignment() const override { return alignment_; }
  void Alignment(int alignment) override { alignment_ = alignment; }
  std::string Caption() const override { return caption_; }
  void Caption(const std::string& caption) override { caption_ = caption; }
  std::string DataField() const override { return dataField_; }
  void DataField(const std::string& field) override { dataField_ = field; }
  std::string NumberFormat() const override { return numberFormat_; }
  void NumberFormat(const std::string& format) override { numberFormat_ = format; }
  Variant DefaultValue() const override { return defaultValue_; }
  void DefaultValue(const Variant& value) override { defaultValue_ = value; }
  bool Visible() const override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  double Width() const override { return width_; }
  void Width(double twips) override;
  int Order() const override;
  void Order(int position) override;
  std::string DropDown() const override { return dropDown_; }
  void DropDown(const std::string& controlName) override { dropDown_ = controlName; }

  // Adding an item whose stored value is already listed replaces its display value,
  // so that repeated set-ups do not pile up duplicates.
  void AddValueItem(const ValueItem& item) override;
  void ClearValueItems() override { valueItems_.clear(); }
  std::vector<ValueItem> ValueItems() const override { return valueItems_; }
  bool Translate() const override { return translate_; }
  void Translate(bool on) override { translate_ = on; }
  int Presentation() const override { return presentation_; }
  void Presentation(int presentation) override { presentation_ = presentation; }

  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // Fits the width to the caption and the texts of the rows.
  void AutoSize();
  // The display value of a stored value when translation is on; the value otherwise.
  Variant Translated(const Variant& stored) const;
  // The stored value whose display text is `text` (translation on); false when none.
  bool StoredValueFor(const std::string& text, Variant& stored) const;

 private:
  HeadlessGrid* owner_;
  int alignment_ = dbgGeneral;
  std::string caption_, dataField_, numberFormat_, dropDown_;
  Variant defaultValue_;
  bool visible_ = true;
  double width_ = kDefaultWidth;
  std::vector<ValueItem> valueItems_;
  bool translate_ = false;
  int presentation_ = dbgNormal;
  std::map<int, Variant> properties_;
};

}  // namespace vmbgrid
