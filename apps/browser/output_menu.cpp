// The browser's Datei entries for output: text export, printing, preview, PDF and
// mail merge, all through the controller's own output commands.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <filesystem>

#include "adapters/common/component_registry.h"
#include "adapters/qt/qt_grid.h"
#include "apps/browser/browser_window.h"
#include "apps/browser/office_link.h"
#include "grid/vmgrid.h"
#include "output/output.h"

namespace vmbgrid::browser {

void BrowserWindow::BuildOutputMenu(QMenu* file) {
  auto add = [&](const char* text, QKeySequence key, auto slot) {
    QAction* a = file->addAction(QString::fromUtf8(text));
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  add("&Exportieren…", QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
    if (VMGrid* g = Controller()) GuardedCall([g] { g->ExportText(); });
  });
  add("&Drucken…", QKeySequence::Print, [this] {
    if (VMGrid* g = Controller()) GuardedCall([this, g] { g->PrintGrid(orientation_); });
  });
  add("Druck&vorschau…", QKeySequence(), [this] {
    if (VMGrid* g = Controller()) GuardedCall([this, g] { g->PreviewGrid(orientation_); });
  });
  add("Als &PDF speichern…", QKeySequence(), [this] { AskPdf(); });
  landscape_ = file->addAction(QStringLiteral("&Querformat"));
  landscape_->setCheckable(true);
  landscape_->setChecked(orientation_ == 2);
  connect(landscape_, &QAction::toggled, this, [this](bool on) { orientation_ = on ? 2 : 1; });
  file->addSeparator();
  add("&Seriendruck-Datei erstellen…", QKeySequence(), [this] {
    if (VMGrid* g = Controller()) GuardedCall([g] { g->seriendruck(); });
  });
}

void BrowserWindow::OfficeFolder(const std::string& folder) { officeFolder_ = folder; }

void BrowserWindow::InstallComponents() {
  components_ = std::make_unique<ComponentRegistry>();
  components_->Register(kOfficeLinkId, [this] {
    return std::make_shared<OfficeLink>(officeFolder_.empty() ? OfficeRoot() : officeFolder_);
  });
  Platform::Install(static_cast<ComponentFactory*>(components_.get()));
}

bool BrowserWindow::ExportTo(const std::string& path) {
  VMGrid* g = Controller();
  if (!g) return false;
  bool ok = false;
  // The library confirms a written file in the status line itself.
  GuardedCall([&] { ok = g->OutputCommands().Export().ExportTo(path); });
  return ok;
}

bool BrowserWindow::SavePdf(const std::string& path) {
  VMGrid* g = Controller();
  QtGrid* data = DataGrid();
  if (!g || !data) return false;
  data->PrintToPdf(path);
  GuardedCall([&] { g->PrintGrid(orientation_); });
  data->PrintToPdf({});
  // Pages count only once the file is in place; a failure has shown its reason.
  std::error_code ec;
  const bool ok = data->LastPrintPages() > 0 && std::filesystem::is_regular_file(path, ec);
  if (ok) {
    const int pages = data->LastPrintPages();
    ShowMessage("Gespeichert: " + path + " (" + std::to_string(pages) +
                    (pages == 1 ? " Seite)" : " Seiten)"),
                false);
  }
  return ok;
}

void BrowserWindow::AskPdf() {
  if (!Controller()) return;
  FileDialogRequest request;
  request.title = "Als PDF speichern";
  request.filter = "PDF-Dateien:*.pdf";
  request.fileName = table_ + ".pdf";
  request.save = true;
  std::optional<std::string> path = Platform::Files().Show(request);
  if (path && !path->empty()) SavePdf(*path);
}

}  // namespace vmbgrid::browser
