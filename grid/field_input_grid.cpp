#include "grid/field_input_grid.h"

#include <cmath>

#include "core/strings.h"
#include "grid/editing.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {

enum class InputKind { Text, Whole, Real, Date, Boolean };

InputKind KindOf(int32_t datatype) {
  switch (datatype) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case 18:  // unsigned small
    case 19:  // unsigned
    case adBigInt:
    case 21:  // unsigned big
    case 45:  // long number
      return InputKind::Whole;
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
    case 139:  // variable numeric
      return InputKind::Real;
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case 46:  // date and time
      return InputKind::Date;
    case adBoolean:
      return InputKind::Boolean;
    default:
      return InputKind::Text;
  }
}

// Whole-number range of a type; the value must lie inside.
bool InRange(int32_t datatype, double v) {
  switch (datatype) {
    case adSmallInt:
      return v >= -32768 && v <= 32767;
    case adTinyInt:
      return v >= -128 && v <= 127;
    case adUnsignedTinyInt:
      return v >= 0 && v <= 255;
    case 18:
      return v >= 0 && v <= 65535;
    case 19:
      return v >= 0 && v <= 4294967295.0;
    case adInteger:
      return v >= -2147483648.0 && v <= 2147483647.0;
    case 21:
      return v >= 0 && v < 9.2e18;
    default:
      return v > -9.2e18 && v < 9.2e18;
  }
}

Variant WholeValue(int32_t datatype, double v) {
  switch (datatype) {
    case adSmallInt:
      return Variant(static_cast<int16_t>(v));
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case 18:
      return Variant(static_cast<int32_t>(v));
    default:
      return Variant(static_cast<int64_t>(v));
  }
}

// The typed value of one input cell, or the German reason why it has none.
bool ConvertInput(const VMGridField& field, const Variant& cell, Variant& out,
                  std::string& problem) {
  const std::string label = field.caption.empty() ? field.fieldname : field.caption;
  const InputKind kind = KindOf(field.datatype);
  if (!cell.IsString()) {  // not typed over: the host's own value
    out = cell;
    return true;
  }
  const std::string& text = cell.StringRef();
  if (kind == InputKind::Text) {
    if (field.size > 0 && core::CharacterCount(text) > static_cast<size_t>(field.size)) {
      problem =
          "Der Text für " + label + " ist länger als " + std::to_string(field.size) + " Zeichen.";
      return false;
    }
    out = cell;
    return true;
  }
  const std::string trimmed = core::Trim(text);
  if (trimmed.empty()) {
    out = Variant::Null();
    return true;
  }
  const std::string shown = "Der Wert '" + trimmed + "' für " + label;
  switch (kind) {
    case InputKind::Whole:
    case InputKind::Real: {
      double v = 0;
      if (!ParseNumber(trimmed, v) || !std::isfinite(v)) {
        problem = shown + " ist keine gültige Zahl.";
        return false;
      }
      // Decimals and whole numbers are taken exactly: "0,10" stays 0.10, and a
      // bigint beyond 2^53 keeps its last digit.
      Decimal exact;
      const bool isExact = Decimal::Parse(trimmed, exact);
      const bool exactType = field.datatype == adCurrency || field.datatype == adDecimal ||
                             field.datatype == adNumeric;
      if (kind == InputKind::Real && exactType && isExact) {
        out = field.datatype == adCurrency ? Variant::Currency(exact) : Variant(exact);
        return true;
      }
      if (kind == InputKind::Real) {
        out = field.datatype == adSingle ? Variant(static_cast<float>(v)) : Variant(v);
        return true;
      }
      if (v != std::floor(v)) {
        problem = shown + " ist keine ganze Zahl.";
        return false;
      }
      if (!InRange(field.datatype, v)) {
        problem = shown + " ist zu groß oder zu klein.";
        return false;
      }
      int64_t whole = 0;
      if (isExact && exact.ToInteger(whole) && WholeValue(field.datatype, v).Type() == VarType::Int64)
        out = Variant(whole);
      else
        out = WholeValue(field.datatype, v);
      return true;
    }
    case InputKind::Date: {
      DateValue d;
      if (!ParseDate(trimmed, d)) {
        problem = shown + " ist kein gültiges Datum.";
        return false;
      }
      out = Variant(d);
      return true;
    }
    case InputKind::Boolean: {
      for (const char* yes : {"ja", "wahr", "true", "-1", "1"})
        if (core::EqualsNoCase(trimmed, yes)) {
          out = Variant(true);
          return true;
        }
      for (const char* no : {"nein", "falsch", "false", "0"})
        if (core::EqualsNoCase(trimmed, no)) {
          out = Variant(false);
          return true;
        }
      problem = shown + " ist weder Ja noch Nein.";
      return false;
    }
    case InputKind::Text:
      break;
  }
  out = cell;
  return true;
}

}  // namespace

VMFieldInputGrid::~VMFieldInputGrid() {
  if (grid_) grid_->SetListener(nullptr);
}

void VMFieldInputGrid::Init(int32_t, GridControl* grid) {
  if (grid_ && grid_ != grid) grid_->SetListener(nullptr);
  grid_ = grid;
  if (grid_) grid_->SetListener(this);
  fields_ = std::make_shared<VMGridFields>();
  data_ = std::make_shared<XArray>();
  rowFields_.clear();
}

void VMFieldInputGrid::RequireInit() const {
  if (!grid_ || !fields_ || !data_) {
    throw VMError(errc::kObjectVariableNotSet, "VMBGrid",
                  "Objektvariable oder With-Blockvariable nicht festgelegt");
  }
}

VMGridFields& VMFieldInputGrid::Fields() {
  if (!fields_) RequireInit();
  return *fields_;
}

void VMFieldInputGrid::AddField(const std::string& name, const std::string& friendlyname,
                                const Variant& value, int32_t datatype, bool Hidden,
                                const std::string& FormatString) {
  try {
    Fields().Add({.fieldname = name,
                  .caption = friendlyname.empty() ? name : friendlyname,
                  .value = value,
                  .datatype = datatype,
                  .Hidden = Hidden,
                  .FormatString = FormatString});
  } catch (const VMError&) {
    // a name already present keeps its first field
  }
}

void VMFieldInputGrid::Refresh() {
  RequireInit();
  if (fields_->Count() == 0) return;
  data_->ReDim(1, fields_->Count(), 0, 2);
  rowFields_.clear();
  int32_t n = 0;
  for (const auto& field : *fields_) {
    if (field->Hidden()) continue;
    ++n;
    data_->Value(n, 0, Variant(field->caption));
    data_->Value(n, 1, field->value.IsMissing() ? Variant() : field->value);
    data_->Value(n, 2, Variant(field->fieldname));
    rowFields_.push_back(field->fieldname);
  }
  data_->ReDim(1, n, 0, 2, true);
  grid_->BindArray(data_);
  grid_->Refresh();
  // The field names are for the table, not for the user.
  if (grid_->ColumnCount() > 2) grid_->Column(2).Visible(false);
  if (grid_->ColumnCount() > 1) {
    if (grid_->Column(0).Caption().empty()) grid_->Column(0).Caption("Feld");
    if (grid_->Column(1).Caption().empty()) grid_->Column(1).Caption("Wert");
  }
  grid_->PostMsg(kAutoSizeMessage);
}

bool VMFieldInputGrid::Update() {
  RequireInit();
  grid_->CommitEdit();
  const int32_t first = data_->LowerBound(1);
  const int32_t last = data_->UpperBound(1);
  // Everything is looked up and converted first, so a bad value writes nothing.
  std::vector<std::pair<std::shared_ptr<VMGridField>, Variant>> values;
  for (int32_t r = first; r <= last; ++r) {
    const size_t index = static_cast<size_t>(r - first);
    const std::string name =
        index < rowFields_.size() ? rowFields_[index] : data_->Value(r, 2).ToTextOrEmpty();
    const auto& field = fields_->Item(name);
    Variant value;
    std::string problem;
    if (!ConvertInput(*field, data_->Value(r, 1), value, problem)) {
      try {
        grid_->Bookmark(Variant(r));  // an array row's bookmark is its index
        grid_->Col(1);
      } catch (const std::exception&) {
        // the message alone still names the field
      }
      Platform::Messages().ShowMessage(problem, kMessageInfo);
      return false;
    }
    values.emplace_back(field, std::move(value));
  }
  for (auto& [field, value] : values) field->value = std::move(value);
  return true;
}

void VMFieldInputGrid::PostEvent(GridControl& g, int messageId) {
  if (messageId == kAutoSizeMessage && autoSize_) editing::AutoSizeColumns(g);
}

}  // namespace vmbgrid
