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
  // The named properties have their own members; ids are kept as given, so that
  // flags of another grid component cannot change them by accident.
  if (id == kAutoSizeProperty) {
    AutoSize();
    return;
  }
  properties_[id] = value;
}

Variant HeadlessColumn::GetProperty(int id) const {
  auto it = properties_.find(id);
  return it == properties_.end() ? Variant() : it->second;
}

void HeadlessColumn::AutoSize() { owner_->AutoSizeColumn(*this); }

}  // namespace vmbgrid
