#include "adapters/headless/headless_dropdown.h"

#include "host/error.h"

namespace vmbgrid {

Variant HeadlessDropDown::Value() const {
  HeadlessGrid& list = const_cast<HeadlessGrid&>(list_);
  if (list.ColumnCount() == 0 || list.CurrentOrdinal() < 0) return Variant::Null();
  GridColumn* column = valueField_.empty() ? &list.Column(0) : list.ColumnByField(valueField_);
  return column == nullptr ? Variant::Null() : column->Value();
}

void HeadlessDropDown::Open() {
  if (listener_ != nullptr) listener_->DropDownOpen(*this);
}

void HeadlessDropDown::Choose(int ordinal) {
  std::shared_ptr<Recordset> rs = list_.DataSource();
  if (rs == nullptr || ordinal < 0 || ordinal >= list_.RowCount()) return;
  rs->AbsolutePosition(ordinal + 1);
  if (listener_ != nullptr) listener_->ValueChosen(*this);
}

void HeadlessDropDown::Type(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // one per character
    if (listener_ != nullptr) listener_->Change(*this);
  }
}

void HeadlessDropDown::PressKey(int keyCode, int shift) {
  int code = keyCode, state = shift;
  if (listener_ != nullptr) listener_->KeyDown(*this, code, state);
  std::shared_ptr<Recordset> rs = list_.DataSource();
  int rows = list_.RowCount();
  int current = list_.CurrentOrdinal();
  if (code == kKeyReturn) {
    if (current >= 0 && listener_ != nullptr) listener_->ValueChosen(*this);
  } else if ((code == kKeyDown || code == kKeyUp) && rs != nullptr && rows > 0) {
    int next = current < 0 ? 0 : current + (code == kKeyDown ? 1 : -1);
    if (next >= 0 && next < rows) rs->AbsolutePosition(next + 1);
  }
}

}  // namespace vmbgrid
