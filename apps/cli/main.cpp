// vmbgrid: the command-line host. Drives the controller on the headless controls
// against a SQLite database and prints what a user would see: the statement sent,
// the rows with their display formats, the sum line, the record count and every
// message the library showed.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "adapters/headless/headless.h"
#include "adapters/postgres/postgres_provider.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "apps/cli/table_printer.h"
#include "core/services.h"
#include "core/strings.h"
#include "core/user_name.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "layout/layout_dialog.h"
#include "menus/menu_tree.h"
#include "output/output.h"
#include "queries/query_store.h"

namespace {

using namespace vmbgrid;

struct Options {
  std::string db;
  std::string table;
  std::vector<std::string> fields;
  std::vector<std::string> sums;
  std::vector<std::pair<std::string, std::string>> searches;
  std::vector<std::pair<std::string, int>> sorts;
  std::string key;
  std::string exportFile;
  int32_t max = -1;
  bool allStatements = false;
  std::string user;
  std::string layout;             // saved layout to load through the table menu
  std::string saveLayout;         // name to save under through the layout dialog
  std::vector<std::string> hide;  // columns to hide through the column chooser
  std::string query;              // saved query to apply through the filter menu
  std::string saveQuery;          // name to save the search under through the filter dialog
  std::vector<std::pair<std::string, std::string>> params;  // answers: number, value
};

const char* const kUsage =
    "Aufruf: vmbgrid --db DATEI|SERVER --table TABELLE [--field SPALTE ...] [--sum SPALTE ...]\n"
    "               [--search SPALTE=KRITERIUM ...] [--sort SPALTE[:desc] ...]\n"
    "               [--max N] [--key SPALTE] [--sql] [--export DATEI]\n"
    "               [--user NAME [--layout NAME] [--hide SPALTE ...] [--save-layout NAME]\n"
    "                [--query NAME [--param N=WERT ...]] [--save-query NAME]]\n"
    "\n"
    "  --db      SQLite-Datei, oder ein PostgreSQL-Server: postgresql://anna@db01/kunden,\n"
    "            \"host=/run/postgresql dbname=kunden\" oder \"Provider=PostgreSQL;...\"\n"
    "  --table   Tabelle oder Sicht, auch mit Schema: verkauf.auftraege\n"
    "  --field   anzuzeigende Spalte (ohne Angabe: alle Spalten der Tabelle)\n"
    "  --sum     Spalte, deren Summe in der Summenzeile steht\n"
    "  --search  Suchkriterium wie in der Suchzeile, z. B. Name=Mei* oder PLZ=10000-19999\n"
    "  --sort    Sortierung, z. B. Name oder Umsatz:desc\n"
    "  --max     höchstens N Datensätze lesen (0 = alle)\n"
    "  --key     Schlüsselspalte (unsichtbar, hält die aktuelle Zeile)\n"
    "  --sql     alle gesendeten Anweisungen ausgeben, auch die Typabfragen\n"
    "  --export  die Zeilen als Textdatei speichern (Semikolon, UTF-8, Kopfzeile)\n"
    "  --user    Benutzer: seine Optionen und Spalteneinstellungen aus der Datenbank\n"
    "            (auf einem Server ohne Angabe der Anmeldename)\n"
    "  --layout  gespeicherte Spalteneinstellung laden (wie im Kontextmenü)\n"
    "  --hide    Spalte ausblenden (wie in \"Spalten verwalten\")\n"
    "  --save-layout  die Spalten unter diesem Namen speichern (wie im Dialog)\n"
    "  --query   gespeicherten Filter anwenden (wie im Filtermenü, Strg+Umschalt+F)\n"
    "  --param   Antwort auf Frage N eines Filters mit Parametern, z. B. 1=Mei* oder\n"
    "            2=01.01.2020-31.12.2020 (Von-Bis); für ein Kontrollkästchen 1 oder 0\n"
    "  --save-query  die Suchkriterien unter diesem Namen als Filter speichern\n";

// Options that read or write the user's layouts and filters.
bool UsesStore(const Options& o) {
  return !o.layout.empty() || !o.saveLayout.empty() || !o.hide.empty() || !o.query.empty() ||
         !o.saveQuery.empty();
}

bool Parse(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = "Zu " + a + " fehlt der Wert.";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      error = "";
      return false;
    } else if (a == "--db") {
      if (!next(o.db)) return false;
    } else if (a == "--table") {
      if (!next(o.table)) return false;
    } else if (a == "--field") {
      if (!next(v)) return false;
      o.fields.push_back(v);
    } else if (a == "--sum") {
      if (!next(v)) return false;
      o.sums.push_back(v);
    } else if (a == "--search") {
      if (!next(v)) return false;
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        error = "Suchkriterium muss die Form SPALTE=KRITERIUM haben: " + v;
        return false;
      }
      o.searches.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a == "--sort") {
      if (!next(v)) return false;
      int order = ascending;
      size_t colon = v.find(':');
      if (colon != std::string::npos) {
        std::string dir = v.substr(colon + 1);
        if (dir == "desc" || dir == "DESC") order = descending;
        v = v.substr(0, colon);
      }
      o.sorts.emplace_back(v, order);
    } else if (a == "--max") {
      if (!next(v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 0 || n > 2147483647L) {
        error = "--max erwartet eine Zahl ab 0: " + v;
        return false;
      }
      o.max = static_cast<int32_t>(n);
    } else if (a == "--key") {
      if (!next(o.key)) return false;
    } else if (a == "--export") {
      if (!next(o.exportFile)) return false;
    } else if (a == "--sql") {
      o.allStatements = true;
    } else if (a == "--user") {
      if (!next(o.user)) return false;
      error = core::UserNameProblem(o.user);
      if (!error.empty()) return false;
    } else if (a == "--layout") {
      if (!next(o.layout)) return false;
    } else if (a == "--save-layout") {
      if (!next(o.saveLayout)) return false;
    } else if (a == "--hide") {
      if (!next(v)) return false;
      o.hide.push_back(v);
    } else if (a == "--query") {
      if (!next(o.query)) return false;
    } else if (a == "--save-query") {
      if (!next(o.saveQuery)) return false;
    } else if (a == "--param") {
      if (!next(v)) return false;
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        error = "Antwort muss die Form N=WERT haben: " + v;
        return false;
      }
      o.params.emplace_back(core::Trim(v.substr(0, eq)), v.substr(eq + 1));
    } else {
      error = "Unbekannte Option: " + a;
      return false;
    }
  }
  if (o.db.empty() || o.table.empty()) {
    error = "--db und --table sind anzugeben.";
    return false;
  }
  // On a server the login is the user (see Run); a file needs a name.
  if (o.user.empty() && UsesStore(o) && !postgres::IsServerConnectionString(o.db)) {
    error =
        "--layout, --hide, --save-layout, --query und --save-query gelten für einen "
        "Benutzer: --user angeben.";
    return false;
  }
  for (const auto& [column, criterion] : o.searches) {
    if (!o.key.empty() && core::EqualsNoCase(column, o.key)) {
      error = "Die Schlüsselspalte " + o.key + " kann nicht mit --search eingeschränkt werden.";
      return false;
    }
  }
  if (!o.params.empty() && o.query.empty()) {
    error = "--param beantwortet die Fragen eines Filters: --query angeben.";
    return false;
  }
  return true;
}

// Plays the user on the table menu: a right click in the header that chooses the
// entry, then whatever the entry deferred.
void ChooseInTableMenu(HeadlessPlatform& platform, HeadlessGrid& dataGrid,
                       const std::string& tool) {
  HeadlessDialogView* form = platform.dialogs.View("frmGridLayout");
  const std::vector<int> shown = dataGrid.DisplayOrder(true);
  if (!form || shown.empty()) return;
  form->HeadlessMenu().QueueClick(tool);
  auto [x, y] = dataGrid.HeaderPoint(shown.front());
  dataGrid.Click(kRightButton, 0, x, y);
  platform.events.ProcessPendingEvents();
}

// The hosts's own refusals, printed at once; each makes the exit status 1.
struct Outcome {
  bool refused = false;
  void Refuse(const std::string& text) {
    std::cout << "Meldung: " << cli::VisibleLines(text) << "\n";
    refused = true;
  }
};

// Columns are named by their captions, as the column chooser lists them.
bool ColumnShown(HeadlessGrid& dataGrid, const std::string& column) {
  for (int c : dataGrid.DisplayOrder(true)) {
    GridColumn& col = dataGrid.Column(c);
    if (core::EqualsNoCase(col.Caption(), column)) return true;
  }
  return false;
}

void ApplyMenuOptions(const Options& o, VMGrid& grid, HeadlessPlatform& platform,
                      HeadlessGrid& dataGrid, Outcome& outcome) {
  if (!o.layout.empty()) {
    bool listed = false;
    for (const auto& n : layout::SavedLayoutNames(grid)) listed = listed || n == o.layout;
    if (listed)
      ChooseInTableMenu(platform, dataGrid, o.layout);
    else
      outcome.Refuse("Die Spalteneinstellung \"" + o.layout + "\" gibt es nicht.");
  }
  if (!o.hide.empty()) {
    // A column is switched off, never on: one the restored layout already hides stays
    // hidden.
    platform.dialogs.Script("frmCols", [&o](HeadlessDialogView& v) {
      const auto captions = v.ControlItems("chkSpalte");
      for (size_t i = 0; i < captions.size(); ++i) {
        const std::string box = "chkSpalte(" + std::to_string(i) + ")";
        for (const auto& h : o.hide)
          if (core::EqualsNoCase(captions[i], h) && v.ControlValue(box).ToBool()) v.Toggle(box);
      }
      v.Press("btnok(0)");
      return true;
    });
    std::vector<std::string> unknown;
    for (const auto& h : o.hide) {
      bool known = false;
      for (int i = 0; i < dataGrid.ColumnCount(); ++i)
        known = known || core::EqualsNoCase(dataGrid.Column(i).Caption(), h);
      if (!known) unknown.push_back(h);
    }
    ChooseInTableMenu(platform, dataGrid, menus::kColumnChooserTool);
    for (const auto& h : unknown) outcome.Refuse("Die Spalte \"" + h + "\" gibt es nicht.");
    for (const auto& h : o.hide)
      if (ColumnShown(dataGrid, h))
        outcome.Refuse("Die Spalte \"" + h +
                       "\" bleibt sichtbar: die letzte sichtbare Spalte kann nicht ausgeblendet "
                       "werden.");
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

// Plays the user on the filter menu (Ctrl+Shift+F): the entry, then whatever it deferred.
void ChooseInFilterMenu(HeadlessPlatform& platform, VMGrid& grid, const std::string& tool) {
  HeadlessDialogView* form = platform.dialogs.View("frmQueries");
  if (!form) return;
  form->HeadlessMenu().QueueClick(tool);
  grid.ShowQueryMenu();
  platform.events.ProcessPendingEvents();
}

// The parameter dialog answered from --param: each input of question N takes the
// answer; only a from-to question (two inputs) splits it at its first "-" after
// the first character, so "Meier-Schulz" stays whole for a plain text. An answer to
// a question the filter does not ask is refused. Without answers it is cancelled.
void AnswerParameters(const Options& o, HeadlessPlatform& platform, Outcome& outcome) {
  platform.dialogs.Script("frmSimpleQuery", [&o, &outcome](HeadlessDialogView& v) {
    if (o.params.empty()) {
      outcome.Refuse("Der Filter fragt nach Werten; sie werden mit --param N=WERT angegeben.");
      v.Press("btnCancel");
      return false;
    }
    std::vector<std::string> tags;  // one per input, labels left out
    for (const auto& input : v.Inputs())
      if (input.kind != DialogInput::Kind::Label) tags.push_back(input.tag);
    for (const auto& [number, answer] : o.params)
      if (std::find(tags.begin(), tags.end(), number) == tags.end())
        outcome.Refuse("Der Filter hat keine Frage " + number + ".");
    std::vector<std::string> seen;
    for (const auto& input : v.Inputs()) {
      if (input.kind == DialogInput::Kind::Label) continue;
      const bool range = std::count(tags.begin(), tags.end(), input.tag) > 1;
      const bool second = std::find(seen.begin(), seen.end(), input.tag) != seen.end();
      seen.push_back(input.tag);
      for (const auto& [number, answer] : o.params) {
        if (number != input.tag) continue;
        std::string value = answer;
        if (range) {
          const size_t dash = answer.find('-', 1);
          if (dash != std::string::npos)
            value = second ? answer.substr(dash + 1) : answer.substr(0, dash);
          else if (second)
            value = "";
        }
        if (input.kind == DialogInput::Kind::Check) {
          const bool on = answer == "1" || core::EqualsNoCase(answer, "ja");
          if (on != v.ControlValue(input.name).ToBool()) v.Toggle(input.name);
        } else {
          v.Type(input.name, value);
        }
      }
    }
    return v.Press("btnOK");
  });
}

void ApplyQueryOptions(const Options& o, VMGrid& grid, HeadlessPlatform& platform,
                       Outcome& outcome) {
  if (!o.query.empty()) {
    bool listed = false;
    try {
      grid.Queries().LoadQueries();
      listed = grid.queries() && grid.queries()->Contains(o.query);
    } catch (const VMError&) {
      listed = false;
    }
    if (listed) {
      AnswerParameters(o, platform, outcome);
      ChooseInFilterMenu(platform, grid, o.query);
    } else {
      outcome.Refuse("Den Filter \"" + o.query + "\" gibt es nicht.");
    }
  }
  if (!o.saveQuery.empty()) {
    platform.dialogs.Script("frmQueries", [&o](HeadlessDialogView& v) {
      v.Type("cboQueries", o.saveQuery);
      v.Press("btnSave");
      v.Press("btnCancel");
      return false;
    });
    ChooseInFilterMenu(platform, grid, menus::kMnuFilterSave);
  }
}

// True when the rows the grid holds are the whole result: the statement ran and
// every row arrived. A failed open, a criterion refused before any statement, a load
// cut short or still running are not, and nothing is exported from them.
bool LoadComplete(VMGrid& grid) {
  auto rs = grid.CurrentRecordset();
  return rs && rs->State() != adStateClosed && !rs->IsFetching() && !rs->FetchCancelled() &&
         rs->FetchError().empty();
}

int Run(Options& o) {
  sqlite::Register();
  postgres::Register();
  HeadlessPlatform& platform = InstallHeadlessPlatform(&data::DefaultDataAccess());

  std::vector<std::string> statements;
  auto conn = Platform::Data().CreateConnection();
  // A server is named by its connection string (postgresql://..., host=... dbname=...),
  // a file by its path.
  std::string connectionString = postgres::ConnectionStringFor(o.db);
  if (connectionString.empty()) connectionString = sqlite::ConnectionStringForFile(o.db);
  conn->ConnectionString(connectionString);
  conn->SetStatementLog([&statements](const std::string& s) { statements.push_back(s); });
  try {
    conn->Open();
  } catch (const VMError& e) {
    std::cerr << "Verbindung mit Datenbank konnte nicht hergestellt werden.\n"
              << cli::VisibleLines(e.Description()) << "\n";
    return 1;
  }
  // The table as the database names it ("verkauf.auftraege", "Pgbench_Accounts" for
  // pgbench_accounts), by the rules every statement follows.
  try {
    o.table = conn->TableName(o.table);
  } catch (const VMError& e) {
    std::cerr << cli::VisibleLines(e.Description()) << "\n";
    return 1;
  }
  // Layouts, options and filters: on a server they belong to the login unless
  // --user names another it may act for; the server decides, and says when its
  // store cannot be used.
  Outcome outcome;
  if (StoreRules* rules = conn->Store(); rules && (!o.user.empty() || UsesStore(o))) {
    if (o.user.empty()) o.user = rules->Login();
    if (const std::string problem = rules->Problem(); !problem.empty()) outcome.Refuse(problem);
  }

  // The grid is named after its table: layouts, options and filters are kept per table.
  HeadlessGrid dataGrid(o.table);
  HeadlessGrid searchGrid("grdSuche");
  HeadlessGrid sumGrid("grdSumme");
  dataGrid.Height(240 * 30);
  {
    VMGrid grid;
    grid.Init(0, "vmbgrid", "Kommandozeile");
    grid.grid(&dataGrid);
    grid.SearchGrid(&searchGrid);
    if (!o.sums.empty()) grid.SumGrid(&sumGrid);
    if (!o.user.empty()) {
      grid.SaveMode(velmDB);
      grid.user(o.user);
    }
    grid.Connection(conn);
    grid.RecordSource(o.table);
    if (o.fields.empty()) {
      // All columns of the table, in table order; the key column joins hidden, last.
      try {
        auto probe = Platform::Data().CreateRecordset();
        probe->Open("SELECT * FROM " + core::QuoteFieldName(o.table) + " WHERE 0 = 1", conn,
                    adOpenStatic, adLockReadOnly, adCmdText);
        for (int i = 0; i < probe->FieldCount(); ++i)
          if (!core::EqualsNoCase(probe->FieldName(i), o.key))
            o.fields.push_back(probe->FieldName(i));
      } catch (const VMError& e) {
        std::cerr << "Die Tabelle \"" << cli::Visible(o.table) << "\" kann nicht gelesen werden.\n"
                  << cli::VisibleLines(e.Description()) << "\n";
        return 1;
      }
    }
    for (const auto& f : o.fields) grid.AddField(f);
    for (const auto& s : o.sums) {
      if (auto existing = grid.GridFields().Find(s))
        existing->sumDatatype = vmSUM;
      else
        grid.AddField({.name = s, .sumDatatype = vmSUM});
    }
    if (!o.key.empty()) grid.AddPrimaryKeyRestriction(o.key, "");
    for (const auto& [col, order] : o.sorts) grid.AddSortColumn(col, order);
    if (o.max >= 0) grid.MaxRecords(o.max);
    for (const auto& [col, crit] : o.searches) grid.AddRestriction(col, crit);

    grid.Requery(o.key);
    platform.events.ProcessPendingEvents();
    ApplyMenuOptions(o, grid, platform, dataGrid, outcome);
    ApplyQueryOptions(o, grid, platform, outcome);
    std::string select;
    // The load of the table: not a type probe, not a settings or layout lookup.
    const std::string from = "FROM " + core::QuoteFieldName(o.table);
    for (const auto& s : statements)
      if (s.find(from) != std::string::npos && s.find(" WHERE 0 = 1") == std::string::npos)
        select = s;
    if (o.allStatements) {
      for (const auto& s : statements) std::cout << cli::Visible(s) << "\n";
    } else if (!select.empty()) {
      std::cout << cli::Visible(select) << "\n";
    }
    std::cout << "\n";

    // What a cell holds is shown, not obeyed: control characters become escapes.
    cli::TextTable table;
    std::vector<int> columns = dataGrid.DisplayOrder(true);
    for (int c : columns) {
      GridColumn& col = dataGrid.Column(c);
      table.header.push_back(cli::Visible(dataGrid.Column(c).HeaderText()));
      auto f = grid.GridFields().Find(col.DataField());
      table.rightAligned.push_back(f && core::IsNumberType(f->datatype));
    }
    for (int r = 0; r < dataGrid.RowCount(); ++r) {
      std::vector<std::string> cells;
      for (int c : columns) cells.push_back(cli::Visible(dataGrid.CellText(r, c)));
      table.rows.push_back(std::move(cells));
    }
    if (!o.sums.empty() && sumGrid.RowCount() > 0) {
      for (int c : columns)
        table.footer.push_back(
            cli::Visible(c < sumGrid.ColumnCount() ? sumGrid.CellText(0, c) : ""));
    }
    cli::PrintTable(std::cout, table);
    std::cout << "\n" << grid.RecordCount() << " Datensätze";
    // The statement asked for at most this many rows: there may be more.
    if (grid.MaxRecords() > 0 && grid.RecordCount() >= grid.MaxRecords())
      std::cout << " – Höchstzahl erreicht, weitere möglich";
    std::cout << "\n";
    if (!o.exportFile.empty()) {
      if (!LoadComplete(grid)) {
        outcome.Refuse(
            "Die Tabelle wurde nicht exportiert: Die Datensätze konnten nicht "
            "vollständig gelesen werden.");
      } else if (grid.OutputCommands().Export().ExportTo(o.exportFile)) {
        std::cout << "Exportiert: " << cli::Visible(o.exportFile) << "\n";
      } else {
        outcome.refused = true;  // the library showed why
      }
    }
  }
  // Every message the library showed is an error or a refusal.
  for (const auto& m : platform.messages.entries())
    std::cout << "Meldung: " << cli::VisibleLines(m.text) << "\n";
  return outcome.refused || !platform.messages.entries().empty() ? 1 : 0;
}

}  // namespace

// Exit status: 0 when everything asked was done, 1 after any error or refusal (also
// one the library only showed as a message), 2 for a command line that cannot be
// read.
int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!Parse(argc, argv, o, error)) {
    if (!error.empty()) std::cerr << cli::VisibleLines(error) << "\n\n";
    std::cerr << kUsage;
    return error.empty() ? 0 : 2;
  }
  try {
    return Run(o);
  } catch (const std::bad_alloc&) {
    std::cerr << "Nicht genug Arbeitsspeicher; das Programm wird beendet.\n";
  } catch (const std::exception& e) {
    std::cerr << "Unerwarteter Fehler: " << cli::VisibleLines(e.what()) << "\n";
  }
  return 1;
}
