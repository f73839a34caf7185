root='/work/wt-menus/'
def edit(p, pairs):
    s=open(root+p).read()
    for a,b in pairs:
        assert a in s, (p, a[:70])
        s=s.replace(a,b,1)
    open(root+p,'w').write(s)
edit('apps/cli/main.cpp', [
('''#include "grid/vmgrid.h"
#include "host/error.h"
''','''#include "grid/vmgrid.h"
#include "host/error.h"
#include "layout/layout_dialog.h"
#include "menus/menu_tree.h"
'''),
('''  int32_t max = -1;
  bool allStatements = false;
};''','''  int32_t max = -1;
  bool allStatements = false;
  std::string user;
  std::string layout;      // saved layout to load through the table menu
  std::string saveLayout;  // name to save under through the layout dialog
  std::vector<std::string> hide;  // columns to hide through the column chooser
};'''),
('''    "               [--max N] [--key SPALTE] [--sql]\\n"''','''    "               [--max N] [--key SPALTE] [--sql]\\n"
    "               [--user NAME [--layout NAME] [--hide SPALTE ...] [--save-layout NAME]]\\n"'''),
('''    "  --sql     alle gesendeten Anweisungen ausgeben, auch die Typabfragen\\n";''','''    "  --sql     alle gesendeten Anweisungen ausgeben, auch die Typabfragen\\n"
    "  --user    Benutzer: seine Optionen und Spalteneinstellungen aus der Datenbank\\n"
    "  --layout  gespeicherte Spalteneinstellung laden (wie im Kontextmenü)\\n"
    "  --hide    Spalte ausblenden (wie in \\"Spalten verwalten\\")\\n"
    "  --save-layout  die Spalten unter diesem Namen speichern (wie im Dialog)\\n";'''),
('''    } else if (a == "--sql") {
      o.allStatements = true;''','''    } else if (a == "--sql") {
      o.allStatements = true;
    } else if (a == "--user") {
      if (!next(o.user)) return false;
    } else if (a == "--layout") {
      if (!next(o.layout)) return false;
    } else if (a == "--save-layout") {
      if (!next(o.saveLayout)) return false;
    } else if (a == "--hide") {
      std::string v;
      if (!next(v)) return false;
      o.hide.push_back(v);'''),
('''  if (o.db.empty() || o.table.empty()) {
    error = "--db und --table sind anzugeben.";
    return false;
  }''','''  if (o.db.empty() || o.table.empty()) {
    error = "--db und --table sind anzugeben.";
    return false;
  }
  if (o.user.empty() && (!o.layout.empty() || !o.saveLayout.empty() || !o.hide.empty())) {
    error = "--layout, --hide und --save-layout gelten für einen Benutzer: --user angeben.";
    return false;
  }'''),
('''}  // namespace

int main(''','''// Plays the user on the table menu: a right click in the header that chooses the
// entry, then whatever the entry deferred.
void ChooseInTableMenu(HeadlessPlatform& platform, HeadlessGrid& dataGrid, const std::string& tool) {
  HeadlessDialogView* form = platform.dialogs.View("frmGridLayout");
  if (!form || dataGrid.ColumnCount() == 0) return;
  form->HeadlessMenu().QueueClick(tool);
  auto [x, y] = dataGrid.HeaderPoint(dataGrid.DisplayOrder(true).front());
  dataGrid.Click(kRightButton, 0, x, y);
  platform.events.ProcessPendingEvents();
}

void ApplyMenuOptions(const Options& o, VMGrid& grid, HeadlessPlatform& platform,
                      HeadlessGrid& dataGrid) {
  if (!o.layout.empty()) {
    bool listed = false;
    for (const auto& n : layout::SavedLayoutNames(grid)) listed = listed || n == o.layout;
    if (listed)
      ChooseInTableMenu(platform, dataGrid, o.layout);
    else
      std::cout << "Meldung: Die Spalteneinstellung \\"" << o.layout << "\\" gibt es nicht.\\n";
  }
  if (!o.hide.empty()) {
    platform.dialogs.Script("frmCols", [&o](HeadlessDialogView& v) {
      const auto captions = v.ControlItems("chkSpalte");
      for (size_t i = 0; i < captions.size(); ++i)
        for (const auto& h : o.hide)
          if (core::EqualsNoCase(captions[i], h)) v.Toggle("chkSpalte(" + std::to_string(i) + ")");
      v.Press("btnok(0)");
      return true;
    });
    ChooseInTableMenu(platform, dataGrid, menus::kColumnChooserTool);
  }
  if (!o.saveLayout.empty()) {
    platform.dialogs.Script("frmGridLayout", [&o](HeadlessDialogView& v) {
      v.Type("cboLayouts", o.saveLayout);
      v.Press("btnSave");
      v.Press("btnCancel");
      return false;
    });
    ChooseInTableMenu(platform, dataGrid, menus::kMnuSaveTable);
  }
}

}  // namespace

int main('''),
('''    grid.Connection(conn);
    grid.RecordSource(o.table);''','''    if (!o.user.empty()) {
      grid.SaveMode(velmDB);
      grid.user(o.user);
    }
    grid.Connection(conn);
    grid.RecordSource(o.table);'''),
('''    grid.Requery(o.key);
    platform.events.ProcessPendingEvents();''','''    grid.Requery(o.key);
    platform.events.ProcessPendingEvents();
    ApplyMenuOptions(o, grid, platform, dataGrid);'''),
])
