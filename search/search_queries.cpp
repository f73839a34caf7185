// Saved and parameter queries written into the search line, and the search
// drop-down with the distinct values of a column.
#include <charconv>
#include <string>

#include "core/strings.h"
#include "host/error.h"
#include "host/sql_text.h"
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

}  // namespace

bool IsOrParameterPlaceholder(const Variant& value) {
  if (!HasOrPrefix(value)) return false;
  std::string body = StripOrPrefix(value.ToTextOrEmpty());
  size_t colon = body.find(':');
  int number = 0;
  return body.starts_with("=") && colon != std::string::npos &&
         ParseParameterNumber(body.substr(1, colon - 1), number);
}

namespace {
// The input kinds the parameter dialog builds an input for; "Zahl" and "ZahlVonBis"
// may carry their digits in brackets ("Zahl(5,2)").
bool IsInputKind(std::string_view kind) {
  for (std::string_view k :
       {"Text", "TextVonBis", "Datum", "DatumVonBis", "Zahl", "ZahlVonBis", "Combo", "Check"}) {
    if (kind == k) return true;
  }
  for (std::string_view k : {"Zahl(", "ZahlVonBis("}) {
    if (kind.starts_with(k) && kind.ends_with(")")) return true;
  }
  return false;
}
}  // namespace

void CheckPlaceholder(const std::string& fieldname, const Variant& value) {
  if (!IsPlaceholder(value)) return;
  const std::string body = value.ToTextOrEmpty().substr(1);
  const size_t colon = body.find(':');
  int number = 0;
  if (colon != std::string::npos && ParseParameterNumber(body.substr(0, colon), number) &&
      number >= 1 && IsInputKind(body.substr(colon + 1))) {
    return;
  }
  throw CriterionRejected(fieldname, value.ToTextOrEmpty(),
                          "Mit \"=\" beginnt ein Platzhalter für Filter mit Fragen (=Nummer:Art, "
                          "etwa =1:Text); einen genauen Wert schreibt man in Anführungszeichen "
                          "(\"-5\").");
}

namespace {
// A placeholder of a saved query: a value that begins with "=" (a broken one is
// reported), or "ODER " before a well-formed one; "ODER =3" is a typed alternative.
bool IsPlaceholderValue(const Variant& value) {
  return IsPlaceholder(value) || IsOrParameterPlaceholder(value);
}
}  // namespace

// ---------------------------------------------------------------- saved queries

void SearchRow::ApplySavedQuery(const std::string& name) {
  auto queries = owner_.queries();
  if (!queries) return;
  auto entry = queries->Find(name);
  if (!entry) return;
  ApplyQueryText(name, entry->value.ToTextOrEmpty());
}

std::vector<SearchRow::QueryEntry> SearchRow::ParseQueryText(const std::string& text) {
  // "Name~Mai*!Ort~ODER Bonn!": entries end at "!", each splits at its first "~".
  std::vector<QueryEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('!', start);
    if (end == std::string::npos) end = text.size();
    std::string entry = text.substr(start, end - start);
    start = end + 1;
    size_t tilde = entry.find('~');
    if (tilde == std::string::npos || tilde == 0) continue;
    entries.push_back({entry.substr(0, tilde), entry.substr(tilde + 1)});
  }
  return entries;
}

void SearchRow::ApplyQueryText(const std::string& name, const std::string& text) {
  if (!owner_.SearchGrid() || !array_) return;
  // The text comes from the settings store. Criteria of columns the grid no longer
  // has are left out, and the user is told so.
  std::vector<QueryEntry> entries;
  std::string missing;
  for (auto& e : ParseQueryText(text)) {
    if (DataColumnOf(e.fieldname) >= 0)
      entries.push_back(std::move(e));
    else
      missing += (missing.empty() ? "" : ", ") + core::Visible(sql::Excerpt(e.fieldname));
  }
  if (!missing.empty())
    owner_.ShowMessage("Der Filter „" + name + "“ enthält Bedingungen für Spalten, die es in " +
                       "dieser Tabelle nicht gibt (" + missing +
                       "); sie bleiben unberücksichtigt.");
  bool hasPlaceholder = false;
  for (const auto& e : entries)
    if (IsPlaceholderValue(Variant(e.value))) hasPlaceholder = true;
  // A parameter query asks before it touches the search line: Cancel, or a filter
  // with a broken placeholder, leaves the line and the rows as they were.
  if (hasPlaceholder && !AskParameters(name, entries)) return;
  dirty_ = true;
  ClearArray();
  owner_.RemoveSearchRestrictions(false);
  for (const auto& e : entries) SetCell(e.fieldname, Variant(e.value));
  RefreshAfterFill();
  ApplySearchRow(true, false);
  SearchApplied();
}

bool SearchRow::AskParameters(const std::string& queryName, std::vector<QueryEntry>& entries) {
  parameters_ = std::make_shared<VMGridFields>();
  bool broken = false;
  for (const auto& e : entries) {
    const Variant value(e.value);
    if (!IsPlaceholderValue(value)) continue;
    const bool withOr = HasOrPrefix(value);
    const std::string body = (withOr ? StripOrPrefix(e.value) : e.value).substr(1);
    const size_t colon = body.find(':');
    const std::string numberText = colon == std::string::npos ? body : body.substr(0, colon);
    const std::string kind = colon == std::string::npos ? "" : body.substr(colon + 1);
    int number = 0;
    if (colon == std::string::npos || !ParseParameterNumber(numberText, number)) {
      owner_.ShowMessage("Filterfehler Parameternummer: " + numberText + " Parametertyp: " + kind);
      broken = true;
      continue;
    }
    auto column = owner_.GridFields().Find(e.fieldname);
    std::string caption = column && !column->caption.empty() ? column->caption : e.fieldname;
    // A field named twice in the text keeps its last criterion, as the line does.
    if (parameters_->Contains(e.fieldname)) parameters_->Remove(e.fieldname);
    auto p = parameters_->Add(e.fieldname, caption, std::to_string(number), Variant(kind),
                              column ? column->datatype : -1, false, false, withOr);
    if (column) p->valuelist = column->valuelist;
  }
  if (broken || parameters_->Count() == 0) {
    owner_.ShowMessage("Der Filter enthält einen Fehler und kann nicht ausgeführt werden");
    return false;
  }
  auto& dialog = owner_.Interaction().hooks.parameterDialog;
  const std::string caption = owner_.RecordSource() + " [" + queryName + "]";
  if (!dialog || !dialog(*parameters_, caption)) return false;
  for (auto& e : entries) {
    if (!IsPlaceholderValue(Variant(e.value))) continue;
    auto p = parameters_->Find(e.fieldname);
    const std::string entered = p ? p->value.ToTextOrEmpty() : "";
    // No value, no criterion: the placeholder must not reach the search either.
    e.value = entered.empty() ? "" : (p->useOr ? "ODER " + entered : entered);
  }
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
