// vmbgrid-browser: the database browser on the Qt Widgets front end. Shows one
// table of a SQLite database with search line, sum line and header-click sorting;
// with --screenshot it renders the window once and saves it as PNG; --export and
// --pdf write the rows to a text or PDF file and end, without a display.
//
// Exit status: 0 after the window was closed, or when a run without a window did
// all it was asked; 1 after any error or refusal in such a run; 2 for a command
// line that cannot be read.
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "adapters/qt/qt_platform.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "apps/browser/browser_options.h"
#include "apps/browser/browser_window.h"
#include "apps/browser/screenshot.h"
#include "data/provider.h"

int main(int argc, char** argv) {
  using namespace vmbgrid;
  using namespace vmbgrid::browser;

  std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  const std::string error = ParseOptions(args, options);
  if (!error.empty() || options.help) {
    if (!error.empty()) std::fprintf(stderr, "%s\n\n", error.c_str());
    std::fputs(Usage(), stderr);
    return error.empty() ? 0 : 2;
  }
  const bool unattended = Unattended(options);
  // Unattended output needs no screen: without a display Qt renders offscreen.
  if (unattended && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

  BrowserApplication app(argc, argv);
  sqlite::Register();
  postgres::Register();
  int rc = 0;
  {
    BrowserWindow window(options, unattended);
    InstallQtPlatform(&window, &data::DefaultDataAccess());
    window.InstallMessages();
    window.InstallComponents();
    window.show();
    BrowserWindow::Settle();
    const bool opened = window.Open();
    for (const auto& column : options.sums) window.ShowSum(column, true);
    window.ApplySearches(options.searches);
    if (!unattended) {
      rc = app.exec();
    } else {
      // Output only of the whole result: a load still running is waited for, with
      // its progress on stderr; after any error or refusal nothing is written that
      // could pass for the table, and the status is 1.
      bool ok = opened;
      const bool writes = !options.exportFile.empty() || !options.pdfFile.empty();
      if (ok && writes) {
        ok = window.FinishLoading(
            [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
        if (!ok)
          window.ShowProblem(
              "Die Tabelle wurde nicht ausgegeben: Die Datensätze konnten nicht vollständig "
              "gelesen werden.",
              false);
      }
      if (ok && !options.exportFile.empty()) {
        ok = window.ExportTo(options.exportFile);
        if (ok) std::printf("%s\n", options.exportFile.c_str());
      }
      if (ok && !options.pdfFile.empty()) {
        ok = window.SavePdf(options.pdfFile);
        if (ok) std::printf("%s\n", options.pdfFile.c_str());
      }
      if (!options.screenshot.empty()) {
        const std::string err = SaveScreenshot(window, options.screenshot);
        if (!err.empty()) {
          std::fprintf(stderr, "%s\n", err.c_str());
          ok = false;
        } else {
          std::printf("%s\n", options.screenshot.c_str());
        }
      }
      // Every problem shown, a layout store the login cannot use among them, means
      // the run did not do all that was asked.
      if (!ok || window.Problems() > 0) rc = 1;
      for (const auto& m : window.Messages()) std::fprintf(stderr, "Meldung: %s\n", m.c_str());
      std::fprintf(stderr, "%s\n", window.RecordCountLabel().c_str());
    }
  }
  ResetQtPlatform();
  return rc;
}
