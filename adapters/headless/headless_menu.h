// The headless popup-menu control: master tools, bands of tool copies, and popups
// that are recorded. A click can be scripted before the popup opens; the popup then
// raises ToolClick for that tool, as a user choosing it would.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "host/menu_control.h"

namespace vmbgrid {

class HeadlessMenuControl : public MenuControl {
 public:
  struct Popup {
    std::string band;
    int x = 0, y = 0;
    std::vector<MenuTool> tools;  // the band as it was shown
  };

  void SetListener(MenuListener* listener) override { listener_ = listener; }
  MenuTool& AddTool(const MenuTool& tool) override;
  MenuTool* Tool(const std::string& name) override;
  void AddBand(const std::string& band, const std::string& caption) override;
  bool HasBand(const std::string& band) const override;
  void ClearBand(const std::string& band) override;
  MenuTool& AddToBand(const std::string& band, const MenuTool& tool) override;
  std::vector<MenuTool>& BandTools(const std::string& band) override;
  void PopupMenu(const std::string& band, int screenX, int screenY) override;

  // The next popup clicks the tool of that name (searched in the band shown and in
  // the bands its sub-menus open). An entry-field tool can be given a text.
  // The next popup chooses this entry; "band/name" names one of a sub-menu.
  void QueueClick(const std::string& toolName);
  void QueueText(const std::string& toolName, const std::string& text);
  const std::vector<Popup>& Popups() const { return popups_; }
  std::string BandCaption(const std::string& band) const;
  // A tool of a band by name, nullptr when absent.
  const MenuTool* FindInBand(const std::string& band, const std::string& name, int depth = 0) const;

 private:
  struct Band {
    std::string caption;
    std::vector<MenuTool> tools;
  };
  struct Scripted {
    std::string tool;
    bool text = false;
    std::string value;
  };
  MenuListener* listener_ = nullptr;
  std::vector<MenuTool> tools_;
  std::map<std::string, Band> bands_;
  std::deque<Scripted> script_;
  std::vector<Popup> popups_;
};

}  // namespace vmbgrid
