#include "queries/query_store.h"

#include "core/services.h"
#include "core/settings_store.h"
#include "core/strings.h"
#include "host/error.h"
#include "host/platform.h"
#include "model/enums.h"
#include "model/grid_controller.h"

namespace vmbgrid::queries {

namespace {

constexpr const char* kSectionPrefix = "Queries/";
constexpr const char* kSharedOwner = "Standard";
constexpr int32_t kLongText = 201;

bool ContainsNoCase(const std::string& text, std::string_view part) {
  return core::FoldCase(text).find(core::FoldCase(part)) != std::string::npos;
}

// A criterion only counts when it holds text: an empty value is no criterion.
bool Counts(const VMGridField& r) {
  return !r.fixedRestriction && !r.value.ToTextOrEmpty().empty();
}

}  // namespace

bool IsParameterQuery(const std::string& filterText) {
  return filterText.find("~=") != std::string::npos;
}

std::string QueryNameProblem(const std::string& name) {
  switch (core::CheckStoredName(name, kMaxQueryNameLength)) {
    case core::NameFault::kNone:
      return "";
    case core::NameFault::kInvalidUtf8:
      return "Der Name des Filters enthält ungültige Zeichen.";
    case core::NameFault::kControlCharacter:
      return "Der Name des Filters darf keine Steuerzeichen (Zeilenumbruch, Tabulator) "
             "enthalten.";
    case core::NameFault::kBlank:
      return "Bitte geben Sie einen Namen für den Filter ein.";
    case core::NameFault::kTooLong:
      break;
  }
  return "Der Name des Filters darf höchstens " + std::to_string(kMaxQueryNameLength) +
         " Zeichen lang sein.";
}

std::string QueryStore::Section() const {
  switch (owner_.SaveMode()) {
    case VelmGRX:
      return kSectionPrefix + owner_.LayoutFileBaseName();
    case velmDB:
      return kSectionPrefix + owner_.mainlayout();
    default:
      return "";
  }
}

void QueryStore::LoadQueries() {
  auto fresh = std::make_shared<VMGridFields>();
  owner_.queries(fresh);
  const std::string section = Section();
  if (section.empty())
    throw VMError(errc::kInvalidProcedureCall, "VMBGrid",
                  "Gespeicherte Filter gibt es nur, wenn die Spalteneinstellungen in einer Datei "
                  "oder in der Datenbank gespeichert werden.");
  auto addOwner = [&](const std::string& owner) {
    for (const auto& row : owner_.Settings().ReadSettingsSection(section, owner)) {
      // The collection ignores letter case; of two names that differ only in it,
      // and of a name the user and "Standard" both hold, the first one listed stays.
      if (row.Schluessel.empty() || fresh->Contains(row.Schluessel)) continue;
      fresh->Add(VMGridFields::AddOptions{.fieldname = row.Schluessel,
                                          .caption = row.Schluessel,
                                          .value = Variant(row.wert),
                                          .datatype = -1});
    }
  };
  addOwner(owner_.user());
  if (!core::EqualsNoCase(owner_.user(), kSharedOwner)) addOwner(kSharedOwner);
}

std::string QueryStore::SearchProblem() const {
  for (const auto& r : owner_.Restrictions()) {
    if (!Counts(*r)) continue;
    // The stored form ends every criterion at "!" and its field name at the first
    // "~": a criterion holding "!" would come back cut off, a different search.
    if (r->value.ToTextOrEmpty().find('!') != std::string::npos ||
        r->fieldname.find_first_of("~!") != std::string::npos)
      return "Der Filter kann nicht gespeichert werden: Die Suchbedingung in der Spalte " +
             r->fieldname + " enthält das Zeichen „!“, das ein gespeicherter Filter nicht "
             "aufnehmen kann.";
  }
  return "";
}

bool QueryStore::SaveQuery(const std::string& name) {
  if (GridControl* sg = owner_.SearchGrid()) sg->CommitEdit();
  if (const std::string problem = SearchProblem(); !problem.empty())
    throw VMError(errc::kInvalidProcedureCall, "VMBGrid", problem);
  std::string text;
  for (const auto& r : owner_.Restrictions()) {
    if (!Counts(*r)) continue;
    const std::string value = r->value.ToTextOrEmpty();
    if (r->datatype == kLongText && ContainsNoCase(value, "Combo"))
      core::ErrorCollection::Instance().AddAndReport(
          kMessageError, vmGridErrorWrongDatatype, "VMBGrid",
          "Der Typ 'Combo' ist in Textfeldern nicht möglich.");
    text += r->fieldname + "~" + value + "!";
  }
  if (text.empty()) return false;
  const std::string section = Section();
  if (section.empty()) return false;
  owner_.Settings().WriteSetting(section, name, text, owner_.user());
  return true;
}

void QueryStore::DeleteQuery(const std::string& name) {
  const std::string section = Section();
  if (section.empty()) return;
  owner_.Settings().DeleteSetting(section, name, owner_.user());
}

}  // namespace vmbgrid::queries
