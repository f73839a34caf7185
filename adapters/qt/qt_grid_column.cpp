// Columns of the Qt grid: their own state, with the header brought in line on change.
#include "adapters/common/display_format.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"

namespace vmbgrid {

int QtGridColumn::Index() const { return owner_->IndexOf(*this); }

Variant QtGridColumn::Value() const { return owner_->RawValue(owner_->CurrentOrdinal(), Index()); }

void QtGridColumn::Alignment(int alignment) {
  alignment_ = alignment;
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::Caption(const std::string& caption) {
  caption_ = caption;
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::DataField(const std::string& field) {
  dataField_ = field;
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::NumberFormat(const std::string& format) {
  numberFormat_ = format;
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::Visible(bool visible) {
  visible_ = visible;
  owner_->ApplyColumn(Index());
}

void QtGridColumn::Width(double twips) {
  if (!(twips >= 0) || twips > 1e7) return;  // NaN and absurd widths are ignored
  width_ = twips;
  owner_->ApplyColumn(Index());
}

int QtGridColumn::Order() const { return owner_->OrderOf(*this); }

void QtGridColumn::Order(int position) { owner_->MoveToOrder(*this, position); }

void QtGridColumn::AddValueItem(const ValueItem& item) {
  for (ValueItem& existing : valueItems_) {
    if (existing.value == item.value) {
      existing.display = item.display;
      owner_->ColumnTextChanged(Index());
      return;
    }
  }
  valueItems_.push_back(item);
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::ClearValueItems() {
  valueItems_.clear();
  owner_->ColumnTextChanged(Index());
}

void QtGridColumn::Translate(bool on) {
  translate_ = on;
  owner_->ColumnTextChanged(Index());
}

Variant QtGridColumn::Translated(const Variant& stored) const {
  if (!translate_) return stored;
  for (const ValueItem& item : valueItems_) {
    if (item.value == stored) return item.display;
  }
  // Stored texts such as "1" still find the item of the number 1.
  if (!stored.IsNull() && !stored.IsEmpty()) {
    const std::string text = PlainText(stored);
    for (const ValueItem& item : valueItems_) {
      if (!item.value.IsNull() && PlainText(item.value) == text) return item.display;
    }
  }
  return stored;
}

bool QtGridColumn::StoredValueFor(const std::string& text, Variant& stored) const {
  if (!translate_) return false;
  for (const ValueItem& item : valueItems_) {
    if (PlainText(item.display) == text) {
      stored = item.value;
      return true;
    }
  }
  return false;
}

void QtGridColumn::SetProperty(int id, const Variant& value) {
  switch (id) {
    case 1:
      return Alignment(value.ToInt32());
    case 5:
      return Caption(value.ToTextOrEmpty());
    case 8:
      return DataField(value.ToTextOrEmpty());
    case 17:
      return NumberFormat(value.ToTextOrEmpty());
    case 21:
      return DefaultValue(value);
    case 22:
      return Visible(value.ToBool());
    case 23:
      return Width(value.ToDouble());
    case 43:
      return Order(value.ToInt32());
    case 47:
      return DropDown(value.ToTextOrEmpty());
    case kAutoSizeProperty:
      return owner_->AutoSizeColumn(*this);
    default:
      properties_[id] = value;
  }
}

Variant QtGridColumn::GetProperty(int id) const {
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

}  // namespace vmbgrid
