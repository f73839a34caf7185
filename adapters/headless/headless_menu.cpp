#include "adapters/headless/headless_menu.h"

namespace vmbgrid {

MenuTool& HeadlessMenuControl::AddTool(const MenuTool& tool) {
  for (MenuTool& t : tools_) {
    if (t.name == tool.name) {
      t = tool;
      return t;
    }
  }
  tools_.push_back(tool);
  return tools_.back();
}

MenuTool* HeadlessMenuControl::Tool(const std::string& name) {
  for (MenuTool& t : tools_) {
    if (t.name == name) return &t;
  }
  return nullptr;
}

void HeadlessMenuControl::AddBand(const std::string& band, const std::string& caption) {
  bands_[band].caption = caption;
}

bool HeadlessMenuControl::HasBand(const std::string& band) const { return bands_.count(band) > 0; }

void HeadlessMenuControl::ClearBand(const std::string& band) {
  auto it = bands_.find(band);
  if (it != bands_.end()) it->second.tools.clear();
}

MenuTool& HeadlessMenuControl::AddToBand(const std::string& band, const MenuTool& tool) {
  std::vector<MenuTool>& tools = bands_[band].tools;
  tools.push_back(tool);
  return tools.back();
}

std::vector<MenuTool>& HeadlessMenuControl::BandTools(const std::string& band) {
  return bands_[band].tools;
}

std::string HeadlessMenuControl::BandCaption(const std::string& band) const {
  auto it = bands_.find(band);
  return it == bands_.end() ? std::string() : it->second.caption;
}

const MenuTool* HeadlessMenuControl::FindInBand(const std::string& band, const std::string& name,
                                                int depth) const {
  auto it = bands_.find(band);
  if (it == bands_.end() || depth > 8) return nullptr;  // sub-menus may refer to each other
  for (const MenuTool& t : it->second.tools) {
    if (t.name == name) return &t;
  }
  for (const MenuTool& t : it->second.tools) {
    if (t.subBand.empty()) continue;
    if (const MenuTool* found = FindInBand(t.subBand, name, depth + 1)) return found;
  }
  return nullptr;
}

void HeadlessMenuControl::QueueClick(const std::string& toolName) {
  script_.push_back({toolName, false, ""});
}

void HeadlessMenuControl::QueueText(const std::string& toolName, const std::string& text) {
  script_.push_back({toolName, true, text});
}

void HeadlessMenuControl::PopupMenu(const std::string& band, int screenX, int screenY) {
  auto it = bands_.find(band);
  popups_.push_back(
      {band, screenX, screenY, it == bands_.end() ? std::vector<MenuTool>{} : it->second.tools});
  if (script_.empty()) return;  // closed without a choice
  Scripted step = script_.front();
  script_.pop_front();
  // "band/name" picks the entry of that sub-menu, for names found in two places; a
  // name that holds "/" itself (a saved layout or filter) is found as it stands first.
  const MenuTool* found = FindInBand(band, step.tool);
  const size_t slash = step.tool.find('/');
  if (found == nullptr && slash != std::string::npos)
    found = FindInBand(step.tool.substr(0, slash), step.tool.substr(slash + 1));
  if (found == nullptr || !found->enabled || !found->visible) return;
  MenuTool tool = *found;  // the handler may rebuild the band
  if (listener_ == nullptr) return;
  if (step.text) {
    tool.text = step.value;
    listener_->ToolTextChanged(*this, tool);
  } else {
    listener_->ToolClick(*this, tool);
  }
}

}  // namespace vmbgrid
