// Popup menus from named tools and bands, shown as QMenu.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/menu_control.h"

class QMenu;

namespace vmbgrid {

class QtMenuControl : public MenuControl {
 public:
  void SetListener(MenuListener* listener) override { listener_ = listener; }
  MenuTool& AddTool(const MenuTool& tool) override;
  MenuTool* Tool(const std::string& name) override;
  void AddBand(const std::string& band, const std::string& caption) override;
  bool HasBand(const std::string& band) const override { return bands_.count(band) > 0; }
  void ClearBand(const std::string& band) override;
  MenuTool& AddToBand(const std::string& band, const MenuTool& tool) override;
  std::vector<MenuTool>& BandTools(const std::string& band) override;
  // The chosen command is reported after the menu has closed, so that its handler
  // may open dialogs of its own.
  void PopupMenu(const std::string& band, int screenX, int screenY) override;

  // Replaces the modal display, for tests: receives the built menu and may trigger
  // one of its actions.
  void ShowWith(std::function<void(QMenu&)> show) { show_ = std::move(show); }
  // Fills a menu of the host (a menu bar's) with a band; the entry chosen there is
  // handed to `choose`, which reports it to the listener when the menu has closed.
  using Choose = std::function<void(const MenuTool&)>;
  void FillMenu(QMenu& menu, const std::string& band, const Choose& choose) {
    Fill(menu, band, 0, choose);
  }

 private:
  struct Band {
    std::string caption;
    std::vector<MenuTool> tools;
  };
  void Fill(QMenu& menu, const std::string& band, int depth, const Choose& choose);

  MenuListener* listener_ = nullptr;
  std::map<std::string, MenuTool> tools_;
  std::map<std::string, Band> bands_;
  std::function<void(QMenu&)> show_;
  std::vector<std::pair<std::string, std::string>> edited_;  // band tool, new text
};

}  // namespace vmbgrid
