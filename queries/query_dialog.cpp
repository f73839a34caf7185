#include "queries/query_dialog.h"

#include <exception>

#include "core/strings.h"
#include "host/dialogs.h"
#include "host/platform.h"
#include "layout/layout_names.h"
#include "model/grid_controller.h"
#include "queries/query_store.h"

namespace vmbgrid::queries {

namespace {
constexpr const char* kCombo = "cboQueries";
}

void QueryDialog::FillQueryCombo(DialogView& form, const VMGridFields& queries) {
  std::vector<std::string> names;
  for (const auto& q : queries) names.push_back(q->caption);
  form.SetControlItems(kCombo, names);
}

void QueryDialog::Refill(DialogView& form) {
  try {
    store_.LoadQueries();
  } catch (const std::exception&) {
    // A mode without a query store lists nothing.
  }
  if (auto q = owner_.queries()) FillQueryCombo(form, *q);
}

void QueryDialog::Open(DialogView& form) {
  form.Caption("Filter");
  form.SetControlValue("btnSave", Variant("&Speichern"));
  form.SetControlValue("btnDelete", Variant("&Löschen"));
  form.SetControlValue("btnCancel", Variant("Schließen"));
  if (auto q = owner_.queries())
    FillQueryCombo(form, *q);
  else
    Refill(form);
  form.SetCommandHandler([this, &form](const std::string& control) { OnCommand(form, control); });
  try {
    form.ShowModal();
  } catch (const std::exception&) {
    // A view that fails to show leaves the stored queries as they were.
  }
  form.SetCommandHandler(nullptr);
}

void QueryDialog::OnCommand(DialogView& form, const std::string& control) {
  const std::string name = form.ControlValue(kCombo).ToTextOrEmpty();
  if (control == "btnSave") {
    if (!name.empty()) SaveRequest(form, name);
  } else if (control == "btnDelete") {
    if (!name.empty()) DeleteRequest(form, name);
  } else if (control == "btnCancel") {
    form.EndModal(false);
  }
}

void QueryDialog::SaveRequest(DialogView& form, const std::string& name) {
  const std::string problem = QueryNameProblem(name);
  if (!problem.empty()) {
    owner_.ShowMessage(problem);
    return;
  }
  // A search the stored form cannot carry says why; the store's own failures get
  // the general message. Either closes the form.
  if (const std::string refused = store_.SearchProblem(); !refused.empty()) {
    form.EndModal(false);
    Platform::Messages().ShowMessage(refused, kMessageError);
    return;
  }
  try {
    store_.SaveQuery(name);
  } catch (const std::exception& e) {
    form.EndModal(false);
    Platform::Messages().ShowMessage("Fehler beim Speichern des Filters." + layout::RefusalLine(e),
                                     kMessageError);
    return;
  }
  Platform::Messages().StatusText("Filter „" + name + "“ gespeichert.");
  Refill(form);
}

// Asks first: a deleted filter cannot be brought back.
void QueryDialog::DeleteRequest(DialogView& form, const std::string& name) {
  if (!Platform::Messages().Confirm("Soll der Filter „" + name + "“ gelöscht werden?")) return;
  try {
    store_.DeleteQuery(name);
  } catch (const std::exception& e) {
    Platform::Messages().ShowMessage("Fehler beim Löschen des Filters." + layout::RefusalLine(e),
                                     kMessageError);
    Refill(form);
    return;
  }
  Refill(form);
  // A shared query stays listed: only the user "Standard" deletes it.
  auto q = owner_.queries();
  if (q && q->Contains(name) && !core::EqualsNoCase(owner_.user(), "Standard"))
    owner_.ShowMessage("Der Filter „" + name +
                       "“ gehört allen Benutzern (Standard) und kann hier nicht gelöscht werden.");
  else if (!q || !q->Contains(name))
    Platform::Messages().StatusText("Filter „" + name + "“ gelöscht.");
}

}  // namespace vmbgrid::queries
