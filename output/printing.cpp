#include "output/printing.h"

#include <exception>
#include <stdexcept>
#include <vector>

#include "core/strings.h"
#include "host/error.h"
#include "output/grid_rows.h"

namespace vmbgrid::output {

void Printing::PrintGrid(int orientation) {
  if (!HasComponent()) return BuiltIn(orientation, false);
  PrintRequest r;
  r.print = true;
  RunPrintComponent(r);
}

void Printing::PrintGridDlg(int orientation) {
  if (!HasComponent()) return BuiltIn(orientation, false);
  PrintRequest r;
  r.dialog = true;
  RunPrintComponent(r);
}

void Printing::PreviewGrid(int orientation) {
  if (!HasComponent()) return BuiltIn(orientation, true);
  PrintRequest r;
  r.preview = true;
  RunPrintComponent(r);
}

void Printing::BuiltIn(int orientation, bool preview) {
  try {
    GridControl* grid = host_.DataGrid();
    if (grid == nullptr) throw std::runtime_error("no grid");
    int index = 0;
    for (const char* text : kPreviewCaptions) grid->PreviewCaption(index++, text);
    grid->PrintOrientation(orientation);
    grid->PrintFooter(SumLineTexts(*grid, host_.SumLine()));
    if (preview)
      grid->PrintPreview();
    else
      grid->PrintData();
  } catch (const VMError& e) {
    // A print into a file (PDF) that cannot be written is no printer's fault: the
    // message names the file and the cause, as the text export does.
    if (e.Number() == errc::kPathFileAccess)
      host_.ShowMessage("Die Tabelle konnte nicht gespeichert werden.\n" + e.Description());
    else
      host_.ShowMessage(kPrintFailed);
  } catch (const std::exception&) {
    host_.ShowMessage(kPrintFailed);
  }
}

std::string Printing::Title() const {
  std::string title = host_.Print().defaultTitle;
  if (core::Trim(title).empty()) title = host_.Table();
  if (title.empty()) title = host_.LayoutFilePath();
  return title;
}

std::string Printing::Name() const {
  const std::string file = host_.LayoutFilePath();
  // Either separator: the layout file may name a folder of either kind.
  const size_t slash = file.find_last_of("\\/");
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  return name.empty() ? Title() : name;
}

void Printing::RunPrintComponent(PrintRequest& request) {
  try {
    std::shared_ptr<Component> component = Platform::Components().Create(kPrintComponent);
    if (!component) return;
    const PrintSetup setup = host_.Print();
    std::vector<ComponentArg> init = {
        ComponentArg::Ref(host_.User()),
        ComponentArg::Ref(setup.appExeDir),
        ComponentArg::Ref(setup.reportTemplateDir),
        ComponentArg::Obj(ComponentObject::Of(setup.reportObject)),
        ComponentArg::Ref(host_.ConnectionText()),
        ComponentArg::Obj(ComponentObject::Of(host_.HostConnection())),
    };
    component->Call("Init", init);
    // A component that hands back no connection leaves the grid its own.
    if (auto replaced = init[5].object.As<Connection>();
        replaced && replaced != host_.HostConnection())
      host_.AdoptConnection(replaced);

    const std::string title = Title();
    const std::string name = Name();
    std::vector<ComponentArg> args = {
        ComponentArg::Obj(ComponentObject::Borrowed(host_.DataGrid())),
        ComponentArg::Obj(ComponentObject::Borrowed(host_.SumLine())),
        ComponentArg::Ref(name),
        ComponentArg::Val(false),
        ComponentArg::Val(""),
        ComponentArg::Val(false),
        ComponentArg::Val(int16_t{0}),
        ComponentArg::Ref(title),
    };
    if (request.manage) {
      args.push_back(ComponentArg::Val(false));
      component->Call("Verwalten_Spalten", args);
      return;
    }
    args.push_back(ComponentArg::Ref(request.preview));
    args.push_back(ComponentArg::Ref(request.dialog));
    // Rows the host filled and the user sorted by header: the component sorts them.
    const bool headerClick = host_.HeaderClickSorted();
    if (host_.Table().empty() && headerClick && !host_.SortField().empty()) {
      args.push_back(ComponentArg::Val(false));
      args.push_back(ComponentArg::Val(true));
      args.push_back(ComponentArg::Ref(headerClick));
      args.push_back(ComponentArg::Val(host_.SortField()));
      args.push_back(ComponentArg::Val(host_.SortAscending()));
    }
    component->Call("Druck_VmGrid", args);
    request.preview = args[8].value.ToBool();
    request.dialog = args[9].value.ToBool();
  } catch (const std::exception&) {
    // The component reports its own failures; the controller shows nothing.
  }
}

}  // namespace vmbgrid::output
