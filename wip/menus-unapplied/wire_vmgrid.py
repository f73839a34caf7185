import re
root='/work/wt-menus/'
p=root+'grid/vmgrid.h'
s=open(p).read()
s=s.replace('''namespace layout {
class LayoutStore;
class OptionStore;
}  // namespace layout
''','''namespace layout {
class LayoutStore;
class OptionStore;
class LayoutDialog;
}  // namespace layout
namespace menus {
class MenuController;
}  // namespace menus
''',1)
s=s.replace('''  void setze_search(const std::string& pField, const std::string& pValue);
''','''  void setze_search(const std::string& pField, const std::string& pValue);
  // The filter menu (saved queries) at the data grid.
  void ShowQueryMenu();
''',1)
s=s.replace('''  layout::OptionStore& Options() override { return *optionStore_; }
''','''  layout::OptionStore& Options() override { return *optionStore_; }
  menus::MenuController& Menus() { return *menus_; }
  layout::LayoutDialog& LayoutDialogState() { return *layoutDialog_; }
''',1)
s=s.replace('''  std::unique_ptr<layout::OptionStore> optionStore_;
''','''  std::unique_ptr<layout::OptionStore> optionStore_;
  std::unique_ptr<layout::LayoutDialog> layoutDialog_;
  std::unique_ptr<menus::MenuController> menus_;
''',1)
open(p,'w').write(s)

p=root+'grid/vmgrid.cpp'
s=open(p).read()
s=s.replace('''#include "layout/layout_store.h"
#include "layout/option_store.h"
''','''#include "layout/layout_dialog.h"
#include "layout/layout_store.h"
#include "layout/option_store.h"
#include "menus/menu_controller.h"
''',1)
s=s.replace('''  // Same order as the controller has always set itself up; the dialogs and their
  // menus join when the menu subsystem does.
''','''  // Same order as the controller has always set itself up; the two hidden forms
  // that carry the menus come last.
''',1)
s=s.replace('''  optionStore_ = std::make_unique<layout::OptionStore>(*this);
}
''','''  optionStore_ = std::make_unique<layout::OptionStore>(*this);
  layoutDialog_ = std::make_unique<layout::LayoutDialog>(*this);
  menus_ = std::make_unique<menus::MenuController>(*this);
  search::InteractionHooks& hooks = interaction_->hooks;
  hooks.showColumnMenu = [this](double x, double) { menus_->ShowTableMenu(x); };
  hooks.showQueryMenu = [this] { menus_->ShowFilterMenu(); };
  hooks.layoutDialog = [this] {
    if (DialogView* form = menus_->LayoutForm()) layoutDialog_->Open(*form);
  };
  // Without a dialog factory yet (installed later by the host) they come on first use.
  menus_->LayoutForm();
}
''',1)
s=s.replace('''void VMGrid::OpenQueryDialog() { interaction_->OpenQueryDialog(); }
''','''void VMGrid::OpenQueryDialog() { interaction_->OpenQueryDialog(); }

void VMGrid::ShowQueryMenu() { interaction_->ShowQueryMenu(); }
''',1)
open(p,'w').write(s)

p=root+'grid/requery.cpp'
s=open(p).read()
s=s.replace('''  // Menu enabling joins here with the menu subsystem.
''','''  menus_->ApplyCustomization(disableCustomization_);
''',1)
s=s.replace('#include "grid/vmgrid.h"\n','#include "grid/vmgrid.h"\n#include "menus/menu_controller.h"\n',1)
open(p,'w').write(s)
