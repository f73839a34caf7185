root='/work/wt-menus/'
def edit(p, pairs):
    s=open(root+p).read()
    for a,b in pairs:
        assert a in s, (p, a[:70])
        s=s.replace(a,b,1)
    open(root+p,'w').write(s)

edit('apps/browser/browser_window.h', [
('''  void BuildMenus();
  void FillTableMenu();''','''  void BuildMenus();
  void FillTableMenu();
  // The menu bar's copy of the table's context menu, built afresh on opening.
  void FillPropertiesMenu();'''),
('''  QMenu* tableMenu_ = nullptr;''','''  QMenu* tableMenu_ = nullptr;
  QMenu* propertiesMenu_ = nullptr;'''),
])
edit('apps/browser/browser_window.cpp', [
('''#include "adapters/qt/qt_grid.h"
''','''#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_menu.h"
'''),
('''#include "host/error.h"
''','''#include "host/error.h"
#include "menus/menu_controller.h"
#include "menus/menu_tree.h"
'''),
('''  tableMenu_ = menuBar()->addMenu(QStringLiteral("&Tabelle"));
  tableGroup_ = new QActionGroup(this);
  tableGroup_->setExclusive(true);
''','''  tableMenu_ = menuBar()->addMenu(QStringLiteral("&Tabelle"));
  tableGroup_ = new QActionGroup(this);
  tableGroup_->setExclusive(true);

  propertiesMenu_ = menuBar()->addMenu(QStringLiteral("Tabellen&eigenschaften"));
  connect(propertiesMenu_, &QMenu::aboutToShow, this, &BrowserWindow::FillPropertiesMenu);
'''),
('''void BrowserWindow::UpdateTitle() {''','''void BrowserWindow::FillPropertiesMenu() {
  propertiesMenu_->clear();
  VMGrid* g = Controller();
  auto* menu = g ? dynamic_cast<QtMenuControl*>(g->Menus().LayoutMenu()) : nullptr;
  if (!menu) {
    propertiesMenu_->addAction(QStringLiteral("(keine Tabelle)"))->setEnabled(false);
    return;
  }
  Guarded([&] { g->Menus().PrepareTableMenu(); });
  menu->FillMenu(*propertiesMenu_, menus::kPopTable, [this](const MenuTool& tool) {
    // After the menu has closed, on the controller shown then, like a popup's choice.
    QTimer::singleShot(0, this, [this, tool] {
      VMGrid* g = Controller();
      MenuControl* m = g ? g->Menus().LayoutMenu() : nullptr;
      if (m) Guarded([&] { g->Menus().ToolClick(*m, tool); });
    });
  });
}

void BrowserWindow::UpdateTitle() {'''),
('''    if (!options_.user.empty()) g.user(options_.user);''','''    // Layouts live in the database, per user; "Standard" is shared.
    g.SaveMode(velmDB);
    g.user(options_.user.empty() ? DefaultUser() : options_.user);'''),
])
edit('apps/browser/browser_options.h', [
('''std::string SqliteConnectionString(const std::string& path);''','''std::string SqliteConnectionString(const std::string& path);
// The user whose layouts and options the browser shows without --user: the login
// name, else "Benutzer".
std::string DefaultUser();'''),
])
edit('apps/browser/browser_options.cpp', [
('''std::string RecordCountText(''','''std::string DefaultUser() {
  for (const char* var : {"USER", "USERNAME", "LOGNAME"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "Benutzer";
}

std::string RecordCountText('''),
])
edit('apps/browser/browser_options.cpp', [
('''         "  --user        Benutzer für Layouts und Einstellungen\\n"''','''         "  --user        Benutzer für Layouts und Einstellungen (Vorgabe: Anmeldename)\\n"'''),
])
