// Popup-menu control contract: named tools (commands, sub-menus, entry fields)
// and named bands (popup lists of tool entries), shown at a screen position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vmbgrid {

class MenuControl;

struct MenuTool {
  std::string name;     // command key
  std::string caption;  // "&" marks the access key
  std::string tipText;
  bool checked = false;
  bool checkable = false;  // an on/off entry: shows its check box also when off
  bool enabled = true;
  bool visible = true;
  std::string text;    // content of an entry-field tool
  int32_t marker = 0;  // 1000 marks an entry that stands for a saved layout
  bool beginGroup = false;
  int32_t id = 0;
  bool entryField = false;
  std::string subBand;  // band opened by a sub-menu tool; "" for a command
};

class MenuListener {
 public:
  virtual ~MenuListener() = default;
  virtual void ToolClick(MenuControl&, const MenuTool& /*tool*/) {}
  // An entry field's text was changed and confirmed.
  virtual void ToolTextChanged(MenuControl&, const MenuTool& /*tool*/) {}
};

class MenuControl {
 public:
  virtual ~MenuControl() = default;
  virtual void SetListener(MenuListener* listener) = 0;

  // Master tools.
  virtual MenuTool& AddTool(const MenuTool& tool) = 0;  // replaces a tool of that name
  virtual MenuTool* Tool(const std::string& name) = 0;  // nullptr when absent

  // Bands hold copies of master tools, in order.
  virtual void AddBand(const std::string& band, const std::string& caption) = 0;
  virtual bool HasBand(const std::string& band) const = 0;
  virtual void ClearBand(const std::string& band) = 0;
  virtual MenuTool& AddToBand(const std::string& band, const MenuTool& tool) = 0;
  virtual std::vector<MenuTool>& BandTools(const std::string& band) = 0;

  // Shows a band as popup at screen pixel coordinates; returns when it closes.
  virtual void PopupMenu(const std::string& band, int screenX, int screenY) = 0;
};

}  // namespace vmbgrid
