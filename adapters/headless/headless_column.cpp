#include "adapters/headless/headless_column.h"

#include "adapters/common/display_format.h"
#include "adapters/common/text_util.h"
#include "adapters/headless/headless_grid.h"

namespace vmbgrid {

namespace {
bool SameValue(const Variant& a, const Variant& b) {
  if (a == b) return true;
  // Stored values arrive as numbers or as text ("1" for 1); the text form decides.
  return !a.IsNull() && !b.IsNull() && PlainText(a) == PlainText(b);
}
}  // namespace

int HeadlessColumn::Index() const { return owner_->IndexOf(*this); }
Variant HeadlessColumn::Value() const { return owner_->CurrentValue(*this); }
int HeadlessColumn::Order() const { return owner_->OrderOf(*this); }
void HeadlessColumn::Order(int position) { owner_->MoveToOrder(*this, position); }

void HeadlessColumn::Width(double twips) {
  // A negative or not-a-number width would break the geometry of the whole grid.
  width_ = twips >= 0 ? twips : 0;
}

void HeadlessColumn::AddValueItem(const ValueItem& item) {
  for (ValueItem& existing : valueItems_) {
    if (SameValue(existing.value, item.value)) {
      existing.display = item.display;
      return;
    }
  }
  valueItems_.push_back(item);
}

Variant HeadlessColumn::Translated(const Variant& stored) const {
  if (!translate_) return stored;
  for (const ValueItem& item : valueItems_) {
    if (SameValue(item.value, stored)) return item.display;
  }
  return stored;
}

bool HeadlessColumn::StoredValueFor(const std::string& text, Variant& stored) const {
  if (!translate_) return false;
  for (const ValueItem& item : valueItems_) {
    if (EqualsIgnoreCase(PlainText(item.display), text)) {
      stored = item.value;
      return true;
    }
  }
  return false;
}

void HeadlessColumn::SetProperty(int id, const Variant& value) {
  switch (id) {
    case 1:
      Alignment(value.ToInt32());
      return;
    case 5:
      Caption(value.ToTextOrEmpty());
      return;
    case 8:
      DataField(value.ToTextOrEmpty());
      return;
    case 17:
      NumberFormat(value.ToTextOrEmpty());
      return;
    case 21:
      DefaultValue(value);
      return;
    case 22:
      Visible(value.ToBool());
      return;
    case 23:
      Width(value.ToDouble());
      return;
    case 43:
      Order(value.ToInt32());
      return;
    case 47:
      DropDown(value.ToTextOrEmpty());
      return;
    case kAutoSizeProperty:
      AutoSize();
      return;
    default:
      properties_[id] = value;
  }
}

Variant HeadlessColumn::GetProperty(int id) const {
  switch (id) {
    case 0:
      return Value();
    case 1:
      return Variant(static_cast<int32_t>(alignment_));
    case 5:
      return Variant(caption_);
    case 8:
      return Variant(dataField_);
    case 17:
      return Variant(numberFormat_);
    case 21:
      return defaultValue_;
    case 22:
      return Variant(visible_);
    case 23:
      return Variant(width_);
    case 43:
      return Variant(static_cast<int32_t>(Order()));
    case 47:
      return Variant(dropDown_);
    default: {
      auto it = properties_.find(id);
      return it == properties_.end() ? Variant() : it->second;
    }
  }
}

void HeadlessColumn::AutoSize() { owner_->AutoSizeColumn(*this); }

}  // namespace vmbgrid
