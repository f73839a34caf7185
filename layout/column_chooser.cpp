#include "layout/column_chooser.h"

#include <cmath>
#include <exception>
#include <memory>

#include "host/dialogs.h"
#include "host/platform.h"

namespace vmbgrid::layout {

namespace {

constexpr const char* kForm = "frmCols";

std::string Box(size_t i) { return "chkSpalte(" + std::to_string(i) + ")"; }

}  // namespace

int RowsPerColumn(int upperBound) {
  const int parts = upperBound < 31 ? 2 : (upperBound < 46 ? 3 : 4);
  // Halves go to the even neighbour, like an automation conversion.
  return static_cast<int>(std::nearbyint(static_cast<double>(upperBound) / parts)) + 1;
}

bool RunColumnChooser(std::vector<ColumnListRow>& list) {
  DialogFactory* factory = Platform::Dialogs();
  if (!factory || list.empty()) return false;
  std::unique_ptr<DialogView> view;
  try {
    view = factory->Create(kForm);
  } catch (const std::exception&) {
    return false;
  }
  if (!view) return false;
  bool filled = false;
  bool changed = false;
  bool ok = false;
  try {
    view->Caption("Verwalten der Spalten");
    view->SetControlValue("Label1", Variant("Folgende Spalten werden angezeigt"));
    view->SetControlValue("btnok(0)", Variant("Setzen"));
    view->SetControlValue("btnok(1)", Variant("Abbrechen"));
    std::vector<std::string> captions;
    for (const auto& row : list) captions.push_back(row.caption);
    view->SetControlValue(
        "RowsPerColumn",
        Variant(static_cast<int32_t>(RowsPerColumn(static_cast<int>(list.size()) - 1))));
    view->SetControlItems("chkSpalte", captions);
    for (size_t i = 0; i < list.size(); ++i) {
      view->SetControlValue(Box(i), Variant(list[i].visible));
      // A column without caption gets no visible box and is never changed.
      view->EnableControl(Box(i), !list[i].caption.empty());
    }
    filled = true;
    view->SetCommandHandler([&](const std::string& control) {
      if (control.rfind("chkSpalte(", 0) == 0) {
        if (filled) changed = true;
      } else if (control == "btnok(0)") {
        ok = changed;
        view->EndModal(ok);
      } else if (control == "btnok(1)") {
        ok = false;
        view->EndModal(false);
      }
    });
    view->ShowModal();
    view->SetCommandHandler(nullptr);
  } catch (const std::exception&) {
    // The chooser shows what it could build; a failure applies nothing.
    return false;
  }
  if (!ok) return false;
  for (size_t i = 0; i < list.size(); ++i) {
    ColumnListRow& row = list[i];
    row.changed = false;
    if (row.caption.empty()) continue;
    const Variant value = view->ControlValue(Box(i));
    const bool now = value.IsBoolean() ? value.ToBool() : row.visible;
    if (now != row.visible) {
      row.visible = now;
      row.changed = true;
    }
  }
  return true;
}

}  // namespace vmbgrid::layout
