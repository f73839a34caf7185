// The SELECT statement of a load: column fields, restrictions, the host's filter,
// the row limit, the sort and the empty first load.
#include <string>

#include "core/database_service.h"
#include "core/strings.h"
#include "grid/vmgrid.h"
#include "search/criteria.h"
#include "search/search_row.h"

namespace vmbgrid {

namespace {
const char* const kEmptyWhere = " WHERE 0 = 1";

bool IsUpsizeTimestamp(const std::string& name) { return core::EqualsNoCase(name, "upsize_ts"); }
}  // namespace

void VMGrid::AddFieldImpl(const std::string& name, const std::string& caption,
                          const Variant& combosearch, const Variant& comboInput, int32_t datatype,
                          bool HiddenField, const std::string& FormatString, int32_t size,
                          int32_t sumDatatype, const std::string& sumvalue, int32_t sumalignment,
                          const std::string& sumformatstring) {
  try {
    bool combo = combosearch.IsMissing() ? false : combosearch.ToBool();
    bool input = comboInput.IsMissing() ? false : comboInput.ToBool();
    gridFields_->Add(name, caption, "", Variant::Missing(), datatype, combo, input, false,
                     HiddenField, false, Variant::Missing(), FormatString, size, sumDatatype,
                     Variant(sumvalue), sumalignment, sumformatstring);
  } catch (const VMError&) {
    // A second AddField for a name already present changes nothing.
  }
}

void VMGrid::AddField(const AddFieldOptions& o) {
  AddFieldImpl(o.name, o.caption, o.combosearch, o.comboInput, o.datatype, o.HiddenField,
               o.FormatString, o.size, o.sumDatatype, o.sumvalue, o.sumalignment,
               o.sumformatstring);
}

void VMGrid::AddRestriction(const std::string& fieldname, const Variant& value, bool useOr,
                            int32_t datatype, bool fixedRestriction, bool boolSearchGrid) {
  try {
    if (primaryKeyRestrictions_->Find(fieldname)) return;
    auto existing = restrictions_->Find(fieldname);
    if (!existing) {
      restrictions_->Add(fieldname, "", "", value, datatype, false, false, useOr, false,
                         fixedRestriction, fixedRestriction ? value : Variant::Missing());
    } else if (!existing->fixedRestriction) {
      existing->value = value;
      existing->useOr = useOr;
      existing->fixedRestriction = fixedRestriction;
    } else if (boolSearchGrid) {
      existing->value = value;
    }
  } catch (const VMError&) {
  }
}

void VMGrid::AddPrimaryKeyRestriction(const std::string& fieldname, const Variant& value,
                                      bool useOr, int32_t datatype, bool fixedRestriction) {
  auto pk = primaryKeyRestrictions_->Find(fieldname);
  if (!pk) {
    pk = primaryKeyRestrictions_->Add(fieldname, "", "", value, datatype, false, false, useOr,
                                      false, fixedRestriction,
                                      fixedRestriction ? value : Variant::Missing());
  } else {
    pk->value = value;
    pk->useOr = useOr;
    pk->fixedRestriction = fixedRestriction;
    pk->fixedRestrictionValue = fixedRestriction ? value : Variant();
  }
  // The same descriptor serves as restriction, always at the end of the collection.
  if (restrictions_->Find(fieldname)) restrictions_->Remove(fieldname);
  restrictions_->AddField(pk);
}

void VMGrid::AddKeyFieldsToColumns() {
  for (const auto& pk : *primaryKeyRestrictions_) {
    if (gridFields_->Find(pk->fieldname)) gridFields_->Remove(pk->fieldname);
    gridFields_->Add(pk->fieldname, "", "", Variant::Missing(), kTypeUndetermined, false, false,
                     false, true);
  }
}

void VMGrid::ResolveFieldTypes() {
  std::string list;
  auto collect = [&list](VMGridFields& fields) {
    for (const auto& f : fields) {
      if (f->datatype != kTypeUndetermined) continue;
      if (!list.empty()) list += ",";
      list += core::QuoteFieldName(f->fieldname);
    }
  };
  collect(*restrictions_);
  collect(*gridFields_);
  if (list.empty()) return;

  auto probe = Platform::Data().CreateRecordset();
  probe->MaxRecords(1);
  probeStatement_ = "SELECT " + list + " FROM " + core::QuoteFieldName(recordSource_) + kEmptyWhere;
  probe->Open(probeStatement_, connectionString_, adOpenUnspecified, adLockReadOnly, adCmdText);
  auto assign = [&probe](VMGridFields& fields) {
    for (const auto& f : fields) {
      if (f->datatype != kTypeUndetermined) continue;
      int idx = probe->FieldIndex(f->fieldname);
      if (idx < 0) continue;
      f->TakeType(*probe, idx);
    }
  };
  assign(*gridFields_);
  assign(*restrictions_);
  probe->Close();
}

void VMGrid::MarkOrRestrictions() {
  for (const auto& r : *restrictions_) r->useOr = search::HasOrPrefix(r->value);
}

std::string VMGrid::UntranslateValue(const std::string& fieldname, const std::string& text) {
  auto field = gridFields_->Find(fieldname);
  if (!field || !field->valuelist) return text;
  for (const auto& item : *field->valuelist)
    if (item.display.ToTextOrEmpty() == text) return item.value.ToTextOrEmpty();
  return text;
}

std::string VMGrid::BuildSearchCondition(const std::string& fieldname, const Variant& value,
                                         int32_t datatype) {
  search::CriteriaContext ctx;
  ctx.databaseKind = database_->DatabaseKind(connection_.get());
  ctx.untranslate = [this](const std::string& f, const std::string& t) {
    return UntranslateValue(f, t);
  };
  return search::BuildSearchCondition(fieldname, value, datatype, ctx);
}

std::string VMGrid::BuildWhere() {
  MarkOrRestrictions();
  auto conditionOf = [this](const VMGridField& r) -> std::string {
    if (r.fixedRestriction) {
      std::string fixedText = r.fixedRestrictionValue.ToTextOrEmpty();
      if (!fixedText.empty() && !core::EqualsNoCase(r.value.ToTextOrEmpty(), fixedText)) {
        // Both apply; a part without condition (a cleared cell) adds no dangling AND.
        std::string f = BuildSearchCondition(r.fieldname, r.fixedRestrictionValue, r.datatype);
        std::string v = BuildSearchCondition(r.fieldname, r.value, r.datatype);
        return f.empty() ? v : (v.empty() ? f : f + " AND " + v);
      }
    }
    return BuildSearchCondition(r.fieldname, r.value, r.datatype);
  };

  // A typed "=" that is no placeholder a query can ask for would silently drop out.
  for (const auto& r : *restrictions_)
    if (!r->fixedRestriction) search::CheckPlaceholder(r->fieldname, r->value);

  std::string where;
  for (const auto& r : *restrictions_) {
    if (r->useOr || search::IsPlaceholder(r->value)) continue;
    std::string c = conditionOf(*r);
    if (c.empty()) continue;
    if (!where.empty()) where += " AND ";
    where += c;
  }
  bool groupOpen = false;
  bool firstInGroup = true;
  for (const auto& r : *restrictions_) {
    if (!r->useOr || search::IsPlaceholder(r->value) || search::IsOrParameterPlaceholder(r->value))
      continue;
    std::string c = conditionOf(*r);
    if (c.empty()) continue;
    if (firstInGroup) {
      if (!where.empty()) {
        where += " AND(";
        groupOpen = true;
      }
      firstInGroup = false;
    } else {
      where += " OR ";
    }
    where += c;
  }
  if (groupOpen) where += ")";
  return where;
}

std::string VMGrid::BuildSelect() {
  sqlWherePart_ = BuildWhere();
  std::string w = sqlWherePart_.empty() ? "" : " WHERE " + sqlWherePart_;
  std::string head =
      maxRecords_ != 0 ? "SELECT TOP " + std::to_string(maxRecords_) + " " : "SELECT ";

  if (gridFields_->Count() == 0) {
    auto probe = Platform::Data().CreateRecordset();
    probe->MaxRecords(1);
    probeStatement_ = "SELECT * FROM " + core::QuoteFieldName(recordSource_) + kEmptyWhere;
    probe->Open(probeStatement_, connectionString_, adOpenUnspecified, adLockReadOnly, adCmdText);
    for (int i = 0; i < probe->FieldCount(); ++i) {
      std::string name = probe->FieldName(i);
      if (IsUpsizeTimestamp(name)) continue;
      gridFields_->Add(name, "", "", Variant::Missing(), probe->FieldType(i))->TakeType(*probe, i);
    }
    probe->Close();
  }

  std::string list;
  for (const auto& f : *gridFields_) {
    if (!list.empty()) list += ",";
    list += core::QuoteFieldName(f->fieldname);
  }
  if (!filter_.empty()) w = w.empty() ? " WHERE (" + filter_ + ")" : w + " AND (" + filter_ + ")";

  std::string from = " FROM " + core::QuoteFieldName(recordSource_);
  if (showEmptyGrid_ && firstLoad_) return head + list + from + kEmptyWhere;
  return head + list + from + w + SortText();
}

// " ORDER BY ..." of the sort state, or "" when there is no order.
std::string VMGrid::SortText() const {
  if (!sortBy_.empty())
    return " ORDER BY " + core::QuoteFieldName(sortBy_) + (sortAscending_ ? " ASC" : " DESC");
  if (sortColumns_->Count() == 0) return "";
  std::string order = " ORDER BY ";
  bool first = true;
  for (const auto& sc : *sortColumns_) {
    if (!first) order += ", ";
    order += core::QuoteFieldName(sc->sortcolumn) + " " + sc->SortOrder;
    first = false;
  }
  return order;
}

// The headers' marks of the same sort, so that the user sees what ORDER BY says.
std::vector<std::pair<std::string, int>> VMGrid::SortMarks() const {
  if (!sortBy_.empty()) return {{sortBy_, sortAscending_ ? ascending : descending}};
  std::vector<std::pair<std::string, int>> marks;
  for (const auto& sc : *sortColumns_)
    marks.emplace_back(sc->sortcolumn, sc->SortOrder == "DESC" ? descending : ascending);
  return marks;
}

}  // namespace vmbgrid
