// The controller's output members: text export, printing and mail merge, each a
// delegation to output/, which sees the controller only through OutputHost.
#include "core/settings_store.h"
#include "grid/vmgrid.h"
#include "layout/option_store.h"
#include "output/output.h"
#include "search/grid_interaction.h"
#include "search/header_sort.h"

namespace vmbgrid {

namespace {

class ControllerOutputHost final : public output::OutputHost {
 public:
  explicit ControllerOutputHost(VMGrid& g) : g_(g) {}
  GridControl* DataGrid() const override { return g_.grid(); }
  GridControl* SumLine() const override { return g_.SumGrid(); }
  std::string User() const override { return g_.user(); }
  std::string Table() const override { return g_.RecordSource(); }
  std::string ConnectionText() const override { return g_.ConnectionString(); }
  std::shared_ptr<Connection> HostConnection() const override { return g_.Connection(); }
  void AdoptConnection(std::shared_ptr<Connection> c) override { g_.Connection(std::move(c)); }
  std::string LayoutFilePath() const override { return g_.LayoutFile(); }
  std::string SortField() const override { return g_.SortBy(); }
  bool SortAscending() const override { return g_.SortAscending(); }
  bool HeaderClickSorted() const override { return g_.Interaction().Sort().HeaderClick(); }
  output::PrintSetup Print() const override {
    return {g_.PrintComponent(), g_.AppExeDir(), g_.ReportTemplateDir(), g_.DefaultTitle()};
  }
  core::SettingsStore& Settings() override { return g_.Settings(); }
  std::string SettingsSection() const override { return g_.Options().Section(); }
  void ShowMessage(const std::string& text) const override { g_.ShowMessage(text); }

 private:
  VMGrid& g_;
};

}  // namespace

std::unique_ptr<output::Output> VMGrid::MakeOutput() {
  return std::make_unique<output::Output>(std::make_unique<ControllerOutputHost>(*this));
}

output::Output& VMGrid::OutputCommands() {
  if (!output_) output_ = MakeOutput();
  return *output_;
}

void VMGrid::ExportText() { OutputCommands().Export().Run(); }
void VMGrid::PrintGrid(int32_t PrintOrientation) {
  OutputCommands().Print().PrintGrid(PrintOrientation);
}
void VMGrid::PrintGridDlg(int32_t PrintOrientation) {
  OutputCommands().Print().PrintGridDlg(PrintOrientation);
}
void VMGrid::PreviewGrid(int32_t PrintOrientation) {
  OutputCommands().Print().PreviewGrid(PrintOrientation);
}
void VMGrid::RunPrintComponent(bool& preview, bool& print, bool& dialog, bool& manage) {
  output::PrintRequest r{preview, print, dialog, manage};
  OutputCommands().Print().RunPrintComponent(r);
  preview = r.preview;
  print = r.print;
  dialog = r.dialog;
  manage = r.manage;
}
void VMGrid::seriendruck(bool& SerienMail, bool& SammelMail) {
  OutputCommands().Mail().seriendruck(SerienMail, SammelMail);
}
void VMGrid::seriendruck() {
  bool serien = false, sammel = false;
  seriendruck(serien, sammel);
}
void VMGrid::SerienDruckVB6(bool& SerienMail, bool& SammelMail) {
  OutputCommands().Mail().SerienDruckVB6(SerienMail, SammelMail);
}
void VMGrid::SerienDruckNET(bool& SerienMail, bool& SammelMail) {
  OutputCommands().Mail().SerienDruckNET(SerienMail, SammelMail);
}
void VMGrid::SpeichernSammelKorbAdressen(std::shared_ptr<Component>& pKorbManObj,
                                         bool& pAlleDaten) {
  OutputCommands().Mail().SpeichernSammelKorbAdressen(pKorbManObj, pAlleDaten);
}

}  // namespace vmbgrid
