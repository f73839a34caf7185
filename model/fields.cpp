#include "model/fields.h"

#include "host/error.h"

namespace vmbgrid {

std::shared_ptr<VMGridField> VMGridFields::AddField(std::shared_ptr<VMGridField> field) {
  if (!field) throw VMError(errc::kObjectRequired, "VMBGrid", "Objekt erforderlich.");
  const std::string key = field->fieldname;
  list_.Add(field, std::string_view(key));
  return field;
}

std::shared_ptr<VMGridField> VMGridFields::Add(
    const std::string& fieldname, const std::string& caption, const std::string& parametername,
    const Variant& value, int32_t datatype, bool cbo, bool cboInput, bool OrUse, bool Hidden,
    bool Fixed, const Variant& FixedValue, const std::string& FormatString, int32_t size,
    int32_t sumDatatype, const Variant& sumvalue, int32_t sumalignment,
    const std::string& sumformatstring) {
  auto f = std::make_shared<VMGridField>();
  f->caption = caption.empty() ? fieldname : caption;
  f->parametername = parametername;
  f->value = value;
  f->datatype = datatype;
  f->size = size;
  f->fieldname = fieldname;
  f->visible(true);
  f->combo = cbo;
  f->comboInput = cboInput;
  f->useOr = OrUse;
  f->Hidden(Hidden);
  f->fixedRestriction = Fixed;
  f->fixedRestrictionValue = FixedValue;
  f->FormatString = FormatString;
  f->sumDatatype = sumDatatype;
  // The sum value is text for the sum row; a missing one is the empty text.
  f->sumvalue = sumvalue.IsMissing() ? Variant(std::string()) : sumvalue;
  f->sumalignment = sumalignment;
  f->sumformatstring = sumformatstring;
  list_.Add(f, std::string_view(fieldname));
  return f;
}

std::shared_ptr<VMGridField> VMGridFields::Add(const AddOptions& o) {
  return Add(o.fieldname, o.caption, o.parametername, o.value, o.datatype, o.cbo, o.cboInput,
             o.OrUse, o.Hidden, o.Fixed, o.FixedValue, o.FormatString, o.size, o.sumDatatype,
             o.sumvalue, o.sumalignment, o.sumformatstring);
}

}  // namespace vmbgrid
