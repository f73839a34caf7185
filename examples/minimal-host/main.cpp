// The smallest host: columns of one table of a SQLite database file or a
// PostgreSQL server (postgresql://...) in a window, with search line and header sort. With --once
// it shows the window, prints the record count and ends (for unattended checks).
//   minimal-host kunden.db Kunden Name Ort Umsatz [--once]
#include <QApplication>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_platform.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "Aufruf: minimal-host DATENBANK TABELLE SPALTE... [--once]\n");
    return 2;
  }
  std::vector<std::string> args(argv + 1, argv + argc);  // before Qt takes its options
  const bool once = args.back() == "--once";
  if (once) args.pop_back();
  QApplication app(argc, argv);
  vmbgrid::sqlite::Register();
  vmbgrid::postgres::Register();

  QWidget window;
  window.resize(900, 500);
  auto* layout = new QVBoxLayout(&window);
  vmbgrid::InstallQtPlatform(&window, &vmbgrid::data::DefaultDataAccess());
  int rc = 0;
  {
    vmbgrid::QtGrid search("grdSuche", &window);
    vmbgrid::QtGrid data("grdDaten", &window);
    layout->addWidget(search.View());
    layout->addWidget(data.View(), 1);

    vmbgrid::VMGrid grid;
    grid.Init(0, "MinimalHost", "frmTabelle");
    grid.grid(&data);
    grid.SearchGrid(&search);
    // A server's connection string or URI, else a database file.
    std::string connection = vmbgrid::postgres::ConnectionStringFor(args[0]);
    if (connection.empty()) connection = vmbgrid::sqlite::ConnectionStringForFile(args[0]);
    grid.ConnectionString(connection);
    grid.RecordSource(args[1]);
    for (size_t i = 2; i < args.size(); ++i) grid.AddField(args[i]);
    grid.Requery();

    window.show();
    if (once) {
      QTimer::singleShot(0, &app, &QApplication::quit);
      app.exec();
      const int count = grid.RecordCount();
      std::printf("%d Datensätze\n", count);
      rc = count > 0 ? 0 : 1;
    } else {
      rc = app.exec();
    }
  }
  vmbgrid::ResetQtPlatform();
  return rc;
}
