// Saved and parameter queries written into the search line, and the search
// drop-down with the distinct values of a column.
#include <charconv>
#include <string>

#include "core/strings.h"
#include "host/error.h"
#include "model/grid_controller.h"
#include "search/criteria.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"

namespace vmbgrid::search {

namespace {

// The number of a placeholder: an optional sign and digits that fit.
bool ParseParameterNumber(const std::string& text, int& out) {
  std::string t = core::Trim(text);
  if (t.empty()) return false;
  const char* begin = t.data();
  if (*begin == '+') ++begin;
  auto r = std::from_chars(begin, t.data() + t.size(), out);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

// A restriction value that is a parameter placeholder, with or without "ODER ".
bool IsPlaceholderValue(const Variant& value) {
  if (IsPlaceholder(value)) return true;
  return HasOrPrefix(value) && StripOrPrefix(value.ToTextOrEmpty()).starts_with("=");
}

}  // namespace

bool IsOrParameterPlaceholder(const Variant& value) {
  if (!HasOrPrefix(value)) return false;
  std::string body = StripOrPrefix(value.ToTextOrEmpty());
  size_t colon = body.find(':');
  int number = 0;
  return body.starts_with("=") && colon != std::string::npos &&
         ParseParameterNumber(body.substr(1, colon - 1), number);
}

// ---------------------------------------------------------------- saved queries

void SearchRow::ApplySavedQuery(const std::string& name) {
  auto queries = owner_.queries();
  if (!queries) return;
  auto entry = queries->Find(name);
  if (!entry) return;
  ApplyQueryText(name, entry->value.ToTextOrEmpty());
}

void SearchRow::ApplyQueryText(const std::string& name, const std::string& text) {
  if (!owner_.SearchGrid() || !array_) return;
  dirty_ = true;
  ClearArray();
  owner_.RemoveSearchRestrictions(false);
  // "Name~Mai*!Ort~ODER Bonn!": entries at "!", each at its first "~". The text comes
  // from the settings store: names that are no column are skipped.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('!', start);
    if (end == std::string::npos) end = text.size();
    std::string entry = text.substr(start, end - start);
    start = end + 1;
    size_t tilde = entry.find('~');
    if (tilde == std::string::npos || tilde == 0) continue;
    SetCell(entry.substr(0, tilde), Variant(entry.substr(tilde + 1)));
  }
  RefreshAfterFill();
  ApplySearchRow(true, false);
  bool hasPlaceholder = false;
  for (const auto& r : owner_.Restrictions())
    if (IsPlaceholderValue(r->value)) hasPlaceholder = true;
  if (hasPlaceholder) {
    dirty_ = true;
    RunParameterQuery(name);
  }
  SearchApplied();
}

bool SearchRow::RunParameterQuery(const std::string& queryName) {
  parameters_ = std::make_shared<VMGridFields>();
  for (const auto& r : owner_.Restrictions()) {
    if (!IsPlaceholderValue(r->value)) continue;
    bool withOr = HasOrPrefix(r->value);
    std::string text = r->value.ToTextOrEmpty();
    std::string body = (withOr ? StripOrPrefix(text) : text).substr(1);
    size_t colon = body.find(':');
    std::string numberText = colon == std::string::npos ? body : body.substr(0, colon);
    std::string kind = colon == std::string::npos ? "" : body.substr(colon + 1);
    int number = 0;
    if (colon == std::string::npos || !ParseParameterNumber(numberText, number)) {
      owner_.ShowMessage("Filterfehler Parameternummer: " + numberText + " Parametertyp: " + kind);
      continue;
    }
    auto column = owner_.GridFields().Find(r->fieldname);
    std::string caption = column && !column->caption.empty() ? column->caption : r->fieldname;
    auto p = parameters_->Add(r->fieldname, caption, std::to_string(number), Variant(kind),
                              column ? column->datatype : r->datatype, false, false, withOr);
    if (column) p->valuelist = column->valuelist;
  }
  if (parameters_->Count() == 0) {
    owner_.ShowMessage("Der Filter enthält einen Fehler und kann nicht ausgeführt werden");
    return false;
  }
  auto& dialog = owner_.Interaction().hooks.parameterDialog;
  const std::string caption = owner_.RecordSource() + " [" + queryName + "]";
  if (!dialog || !dialog(*parameters_, caption)) return false;
  for (const auto& p : *parameters_) {
    std::string entered = p->value.ToTextOrEmpty();
    if (entered.empty()) {
      SetCell(p->fieldname, Variant());
      // No value, no criterion: the placeholder must not reach the statement either.
      owner_.ClearRestriction(p->fieldname);
    } else
      SetCell(p->fieldname, Variant(p->useOr ? "ODER " + entered : entered));
  }
  RefreshAfterFill();
  ApplySearchRow(true, false);
  return true;
}

// ---------------------------------------------------------------- search drop-down

void SearchDropDown::DropDownOpen(DropDownControl& dd) {
  GridControl* sg = owner_.SearchGrid();
  if (!sg) return;
  int col = sg->Col();
  if (col < 0 || col >= sg->ColumnCount()) return;
  std::string dataField = sg->Column(col).DataField();
  auto field = owner_.GridFields().Find(dataField);
  if (!field) return;
  try {
    auto conn = owner_.OpenConnection();
    if (!conn) return;
    dd.DataSource(field->Recordset(conn, owner_.RecordSource()));
    dd.Rebind();
  } catch (const VMError&) {
    // A column the database cannot list leaves the drop-down as it was.
    return;
  }
  try {
    if (field->valuelist)
      if (GridColumn* c = dd.ColumnByField(dataField)) {
        c->ClearValueItems();
        for (const auto& item : *field->valuelist) c->AddValueItem(item);
        c->Translate(true);
      }
  } catch (const VMError&) {
  }
}

void SearchDropDown::ValueChosen(DropDownControl& dd) {
  GridControl* sg = owner_.SearchGrid();
  SearchRow& row = owner_.SearchRowState();
  row.Dirty(true);
  if (!sg) return;
  // The chosen value replaces whatever the editor holds.
  if (sg->EditActive()) {
    sg->DataChanged(false);
    sg->EditActive(false);
  }
  std::string dataField = dd.ColumnCount() > 0 ? dd.Column(0).DataField() : "";
  if (!row.SetCell(dataField, dd.Value())) {
    int col = sg->Col();
    if (col < 0 || col >= sg->ColumnCount()) return;
    row.SetCell(sg->Column(col).DataField(), dd.Value());
  }
  sg->Refresh();
  row.Dirty(true);
  sg->PostMsg(kSearchApply);
}

void SearchDropDown::Change(DropDownControl&) { owner_.SearchRowState().Dirty(true); }

void SearchDropDown::KeyDown(DropDownControl&, int& keyCode, int&) {
  if (keyCode == kKeyTab) keyCode = kKeyEnter;
}

}  // namespace vmbgrid::search
