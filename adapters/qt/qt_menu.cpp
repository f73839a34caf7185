#include "adapters/qt/qt_menu.h"

#include <QLineEdit>
#include <QMenu>
#include <QWidgetAction>

namespace vmbgrid {

MenuTool& QtMenuControl::AddTool(const MenuTool& tool) { return tools_[tool.name] = tool; }

MenuTool* QtMenuControl::Tool(const std::string& name) {
  auto it = tools_.find(name);
  return it == tools_.end() ? nullptr : &it->second;
}

void QtMenuControl::AddBand(const std::string& band, const std::string& caption) {
  bands_[band].caption = caption;
}

void QtMenuControl::ClearBand(const std::string& band) {
  auto it = bands_.find(band);
  if (it != bands_.end()) it->second.tools.clear();
}

MenuTool& QtMenuControl::AddToBand(const std::string& band, const MenuTool& tool) {
  auto& tools = bands_[band].tools;
  tools.push_back(tool);
  return tools.back();
}

std::vector<MenuTool>& QtMenuControl::BandTools(const std::string& band) {
  return bands_[band].tools;
}

void QtMenuControl::Fill(QMenu& menu, const std::string& band, int depth, const Choose& choose) {
  auto it = bands_.find(band);
  if (it == bands_.end()) return;
  for (const MenuTool& tool : it->second.tools) {
    if (!tool.visible) continue;
    if (tool.beginGroup && !menu.isEmpty()) menu.addSeparator();
    const QString caption = QString::fromStdString(tool.caption);
    // A band that opens itself again would recurse without end.
    if (!tool.subBand.empty() && depth < 16) {
      QMenu* sub = menu.addMenu(caption);
      sub->setEnabled(tool.enabled);
      Fill(*sub, tool.subBand, depth + 1, choose);
      continue;
    }
    if (tool.entryField) {
      auto* action = new QWidgetAction(&menu);
      auto* edit = new QLineEdit(QString::fromStdString(tool.text));
      edit->setPlaceholderText(caption);
      edit->setEnabled(tool.enabled);
      action->setDefaultWidget(edit);
      const std::string name = tool.name;
      QObject::connect(edit, &QLineEdit::editingFinished, &menu, [this, band, name, edit] {
        edited_.emplace_back(band + "\n" + name, edit->text().toStdString());
      });
      menu.addAction(action);
      continue;
    }
    QAction* action = menu.addAction(caption);
    action->setToolTip(QString::fromStdString(tool.tipText));
    action->setEnabled(tool.enabled);
    action->setCheckable(tool.checkable || tool.checked);
    action->setChecked(tool.checked);
    // A copy: the band may be rebuilt before the entry's handler runs.
    QObject::connect(action, &QAction::triggered, &menu, [choose, tool] { choose(tool); });
  }
}

void QtMenuControl::PopupMenu(const std::string& band, int screenX, int screenY) {
  if (!HasBand(band)) return;
  edited_.clear();
  MenuTool chosen;
  bool any = false;
  {
    QMenu menu;
    Fill(menu, band, 0, [&](const MenuTool& t) {
      chosen = t;
      any = true;
    });
    if (show_)
      show_(menu);
    else
      menu.exec(QPoint(screenX, screenY));
  }
  std::vector<std::pair<std::string, std::string>> edited;
  edited.swap(edited_);
  for (auto& [key, text] : edited) {
    const std::string bandName = key.substr(0, key.find('\n'));
    const std::string toolName = key.substr(key.find('\n') + 1);
    for (MenuTool& t : bands_[bandName].tools) {
      if (t.name == toolName && t.text != text) {
        t.text = text;
        if (MenuTool* master = Tool(toolName)) master->text = text;
        if (listener_) listener_->ToolTextChanged(*this, t);
        break;
      }
    }
  }
  if (any && listener_) listener_->ToolClick(*this, chosen);
}

}  // namespace vmbgrid
