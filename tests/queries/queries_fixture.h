// Saved-query tests: the menu fixture with the filter menu on the query form, the
// filter dialog and the parameter dialog played on headless forms.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "queries/query_store.h"
#include "tests/menus/menus_fixture.h"

namespace vmbgrid::testing {

using Strings = std::vector<std::string>;

class QueriesTest : public MenuTest {
 protected:
  HeadlessMenuControl& FilterMenu() {
    return platform_->dialogs.View("frmQueries")->HeadlessMenu();
  }

  // Opens the filter menu the way Ctrl+Shift+F does and picks an entry ("" closes it).
  // The entries shown, by caption.
  Strings PickFromFilterMenu(const std::string& choose = "") {
    if (!choose.empty()) FilterMenu().QueueClick(choose);
    const size_t before = FilterMenu().Popups().size();
    vm_->ShowQueryMenu();
    Settle();
    Strings shown;
    if (FilterMenu().Popups().size() > before)
      for (const auto& t : FilterMenu().Popups()[before].tools)
        shown.push_back((t.beginGroup ? "|" : "") + t.caption);
    return shown;
  }
  // The filter dialog, opened from the menu; the script plays the user.
  void QueryDialog(std::function<void(HeadlessDialogView&)> play) {
    Scripted("frmQueries", std::move(play));
    PickFromFilterMenu("mnuFilterSave");
  }
  // Types a name into the filter dialog's list and presses `button`.
  static bool NameAndPress(HeadlessDialogView& v, const std::string& name,
                           const std::string& button) {
    v.Type("cboQueries", name);
    return v.Press(button);
  }
  void SaveAs(const std::string& name) {
    QueryDialog([&](HeadlessDialogView& v) {
      NameAndPress(v, name, "btnSave");
      v.Press("btnCancel");
    });
  }
  Strings Listed() {
    Strings names;
    QueryDialog([&](HeadlessDialogView& v) { names = v.ControlItems("cboQueries"); });
    return names;
  }
  // The stored rows of one owner: name=filter text.
  Strings Stored(const std::string& owner) {
    Strings out;
    for (const auto& r : settings_.ReadSettingsSection(vm_->Queries().Section(), owner))
      out.push_back(r.Schluessel + "=" + r.wert);
    return out;
  }
  void Store(const std::string& name, const std::string& text, const std::string& owner) {
    settings_.WriteSetting(vm_->Queries().Section(), name, text, owner);
  }
  // A dialog script that types each text into its control, then presses `button`.
  static std::function<bool(HeadlessDialogView&)> Typing(
      std::vector<std::pair<std::string, std::string>> typed, std::string button = "btnOK") {
    return [typed, button](HeadlessDialogView& v) {
      for (const auto& [control, text] : typed) v.Type(control, text);
      return v.Press(button);
    };
  }
  // The parameter dialog's script for the next parameter query.
  void Answer(std::function<bool(HeadlessDialogView&)> play) {
    platform_->dialogs.Script("frmSimpleQuery", std::move(play));
  }
};

}  // namespace vmbgrid::testing
