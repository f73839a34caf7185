#include "layout/layout_dialog.h"

#include <charconv>
#include <exception>

#include "core/strings.h"
#include "host/dialogs.h"
#include "host/platform.h"
#include "host/variant.h"
#include "layout/layout_store.h"
#include "model/enums.h"
#include "model/grid_controller.h"

namespace vmbgrid::layout {

namespace {

constexpr const char* kCombo = "cboLayouts";
constexpr const char* kMaxRecordsBox = "txtMaxRecords";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<int32_t> ParseRecordLimit(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  if (b == e) return std::nullopt;
  const char* first = text.data() + b;
  if (*first == '+') ++first;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(first, text.data() + e, value);
  if (ec != std::errc() || end != text.data() + e) return std::nullopt;
  return value;
}

std::string LayoutNameProblem(const std::string& name) {
  switch (core::CheckStoredName(name, kMaxLayoutNameLength)) {
    case core::NameFault::kNone:
      return "";
    case core::NameFault::kInvalidUtf8:
      return "Der Name der Spalteneinstellung enthält ungültige Zeichen.";
    case core::NameFault::kControlCharacter:
      return "Der Name der Spalteneinstellung darf keine Steuerzeichen (Zeilenumbruch, "
             "Tabulator) enthalten.";
    case core::NameFault::kBlank:
      return "Bitte geben Sie einen Namen für die Spalteneinstellung ein.";
    case core::NameFault::kTooLong:
      break;
  }
  return "Der Name der Spalteneinstellung darf höchstens " + std::to_string(kMaxLayoutNameLength) +
         " Zeichen lang sein.";
}

std::vector<std::string> SavedLayoutNames(GridController& owner) {
  if (owner.SaveMode() != velmDB) return owner.Layouts().FileLayoutNames();
  std::vector<std::string> names;
  try {
    auto rs = owner.Layouts().Database().ListLayouts(true);
    if (!rs || rs->State() == adStateClosed) return names;
    const int col = rs->FieldIndex("sublayout");
    if (col < 0) return names;
    for (int32_t i = 0; i < rs->RecordCount(); ++i)
      names.push_back(rs->ValueAt(i, col).ToTextOrEmpty());
  } catch (const std::exception&) {
    names.clear();
  }
  return names;
}

// ---------------------------------------------------------------- the form

void LayoutDialog::FillCombo(DialogView& form) {
  const std::string current = owner_.layout();
  const std::vector<std::string> names = SavedLayoutNames(owner_);
  bool found = false;
  for (const auto& n : names) {
    // The file store compares exactly, the database store ignoring case.
    if (owner_.SaveMode() == velmDB ? core::EqualsNoCase(n, current) : n == current) found = true;
  }
  form.SetControlItems(kCombo, names);
  if (found) form.SetControlValue(kCombo, Variant(current));
}

void LayoutDialog::Open(DialogView& form) {
  form.Caption("Tabelleneinstellungen");
  form.SetControlValue("xxx", Variant("Tabellenlayout"));
  form.SetControlValue("btnSave", Variant("&Speichern"));
  form.SetControlValue("btnDelete", Variant("&Löschen"));
  form.SetControlValue("Label1", Variant("&maximale Anzahl angezeigter Datensätze (0 = alle)"));
  form.SetControlValue("btnCancel", Variant("Schließen"));
  form.SetControlValue(kMaxRecordsBox, Variant(std::to_string(owner_.MaxRecords())));
  FillCombo(form);
  // Rows the host supplied have no record limit.
  form.EnableControl(kMaxRecordsBox, !owner_.ClientData());
  form.SetCommandHandler([this, &form](const std::string& control) { OnCommand(form, control); });
  try {
    form.ShowModal();
  } catch (const std::exception&) {
    // A view that fails to show leaves the layouts as they were.
  }
  form.SetCommandHandler(nullptr);
}

void LayoutDialog::OnCommand(DialogView& form, const std::string& control) {
  if (control == "btnSave") {
    SaveLayout(form, form.ControlValue(kCombo).ToTextOrEmpty());
  } else if (control == "btnDelete") {
    DeleteLayout(form, form.ControlValue(kCombo).ToTextOrEmpty());
  } else if (control == kMaxRecordsBox) {
    if (auto v = ParseRecordLimit(form.ControlValue(kMaxRecordsBox).ToTextOrEmpty()))
      MaxRecordsChanged(*v);
  } else if (control == "btnCancel") {
    form.EndModal(false);
  }
}

void LayoutDialog::SaveLayout(DialogView& form, const std::string& name) {
  const std::string problem = LayoutNameProblem(name);
  if (!problem.empty()) {
    owner_.ShowMessage(problem);
    return;
  }
  if (owner_.Layouts().SaveLayout(name))
    Platform::Messages().StatusText("Layout „" + name + "“ gespeichert.");
  FillCombo(form);
}

// Asks first: a deleted layout cannot be brought back.
void LayoutDialog::DeleteLayout(DialogView& form, const std::string& name) {
  if (name.empty()) return;
  if (!Platform::Messages().Confirm("Soll das Layout „" + name + "“ gelöscht werden?")) return;
  if (owner_.Layouts().DeleteLayout(name))
    Platform::Messages().StatusText("Layout „" + name + "“ gelöscht.");
  FillCombo(form);
}

void LayoutDialog::MaxRecordsChanged(int32_t newvalue) { owner_.MaxRecordsFromDialog(newvalue); }

}  // namespace vmbgrid::layout
