// Menu tests: the layout fixture with a search and a sum line, the table menu
// opened by a right click in the header, and the forms the controller created.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "menus/menu_controller.h"
#include "menus/menu_tree.h"
#include "tests/layout/layout_fixture.h"

namespace vmbgrid::testing {

class MenuEvents : public LayoutEvents {
 public:
  std::vector<std::string> columns;
  void MenuColumnClicked(const std::string& name, bool checked) override {
    columns.push_back(name + (checked ? ":an" : ":aus"));
  }
};

class MenuTest : public LayoutTest {
 protected:
  VMGrid& OpenGrid(const std::string& user, int32_t saveMode = VelmGRX, bool lines = true) {
    VMGrid& g = Open(user, saveMode);
    g.Events(&menuEvents_);
    if (lines) {
      g.SearchGrid(&search_);
      g.SumGrid(&sum_);
    }
    g.Requery();
    Settle();
    return g;
  }
  void Settle() { platform_->events.ProcessPendingEvents(); }
  // The script for the next showing of `form`: it plays the user, then the form ends.
  void Scripted(const std::string& form, std::function<void(HeadlessDialogView&)> play) {
    platform_->dialogs.Script(form, [play](HeadlessDialogView& v) {
      play(v);
      return false;
    });
  }

  HeadlessDialogView& LayoutForm() { return *platform_->dialogs.View("frmGridLayout"); }
  HeadlessMenuControl& Menu() { return LayoutForm().HeadlessMenu(); }

  // Right click in the header of the first column; the popup shown, or nullptr.
  const HeadlessMenuControl::Popup* RightClick(const std::string& choose = "") {
    if (!choose.empty()) Menu().QueueClick(choose);
    const size_t before = Menu().Popups().size();
    auto [x, y] = main_.HeaderPoint(0);
    main_.Click(kRightButton, 0, x, y);
    Settle();
    return Menu().Popups().size() > before ? &Menu().Popups()[before] : nullptr;
  }
  std::vector<std::string> Names(const std::vector<MenuTool>& tools) {
    std::vector<std::string> out;
    for (const auto& t : tools) out.push_back(t.name);
    return out;
  }
  const MenuTool& InBand(const std::string& band, const std::string& name) {
    const MenuTool* t = Menu().FindInBand(band, name);
    EXPECT_NE(t, nullptr) << name;
    static const MenuTool none;
    return t ? *t : none;
  }

  MenuEvents menuEvents_;
};

}  // namespace vmbgrid::testing
