// Columns of the grid core: their own state; every change is announced to the grid.
#include <cmath>

#include "adapters/common/display_format.h"
#include "adapters/common/grid_core.h"
#include "adapters/common/text_util.h"

namespace vmbgrid {

namespace {
// Stored values arrive as numbers or as text ("1" for 1); the text form decides.
bool SameValue(const Variant& a, const Variant& b) {
  if (a == b) return true;
  return !a.IsNull() && !b.IsNull() && !a.IsEmpty() && !b.IsEmpty() && PlainText(a) == PlainText(b);
}
constexpr double kMaxWidth = 1e7;  // twips; far beyond any screen
}  // namespace

int CoreColumn::Index() const { return owner_->IndexOf(*this); }
Variant CoreColumn::Value() const { return owner_->ValueAt(owner_->CurrentOrdinal(), Index()); }
int CoreColumn::Order() const { return owner_->OrderOf(*this); }
void CoreColumn::Order(int position) { owner_->MoveInOrder(*this, position); }

// A column not yet in the grid (a layout being built) announces nothing.
void CoreColumn::TextChanged() {
  const int index = Index();
  if (index >= 0) owner_->ColumnTextsChanged(index);
}

void CoreColumn::GeometryChanged() {
  const int index = Index();
  if (index >= 0) owner_->ColumnGeometryChanged(index);
}

void CoreColumn::Alignment(int alignment) {
  alignment_ = alignment;
  TextChanged();
}

void CoreColumn::Caption(const std::string& caption) {
  caption_ = caption;
  TextChanged();
}

void CoreColumn::DataField(const std::string& field) {
  dataField_ = field;
  TextChanged();
}

void CoreColumn::NumberFormat(const std::string& format) {
  numberFormat_ = format;
  TextChanged();
}

void CoreColumn::Presentation(int presentation) {
  presentation_ = presentation;
  TextChanged();
}

void CoreColumn::Visible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  GeometryChanged();
}

void CoreColumn::Width(double twips) {
  if (!(twips >= 0) || twips > kMaxWidth || twips == width_) return;
  width_ = twips;
  GeometryChanged();
}

void CoreColumn::AddValueItem(const ValueItem& item) {
  for (ValueItem& existing : valueItems_) {
    if (SameValue(existing.value, item.value)) {
      existing.display = item.display;
      TextChanged();
      return;
    }
  }
  valueItems_.push_back(item);
  TextChanged();
}

void CoreColumn::ClearValueItems() {
  valueItems_.clear();
  TextChanged();
}

void CoreColumn::Translate(bool on) {
  translate_ = on;
  TextChanged();
}

Variant CoreColumn::Translated(const Variant& stored) const {
  if (!translate_) return stored;
  for (const ValueItem& item : valueItems_) {
    if (item.value == stored) return item.display;
  }
  for (const ValueItem& item : valueItems_) {
    if (SameValue(item.value, stored)) return item.display;
  }
  return stored;
}

bool CoreColumn::StoredValueFor(const std::string& text, Variant& stored) const {
  if (!translate_) return false;
  for (const ValueItem& item : valueItems_) {
    if (EqualsIgnoreCase(PlainText(item.display), text)) {
      stored = item.value;
      return true;
    }
  }
  return false;
}

std::string CoreColumn::HeaderText() const {
  if (sortDirection_ == 0) return caption_;
  std::string text = caption_ + (sortDirection_ == 1 ? " \u25B2" : " \u25BC");
  if (sortRank_ > 0) text += std::to_string(sortRank_);
  return text;
}

void CoreColumn::SetProperty(int id, const Variant& value) {
  if (id == kAutoSizeProperty) {
    owner_->AutoSize(*this);
    return;
  }
  properties_[id] = value;
}

Variant CoreColumn::GetProperty(int id) const {
  auto it = properties_.find(id);
  return it == properties_.end() ? Variant() : it->second;
}

}  // namespace vmbgrid
