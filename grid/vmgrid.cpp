#include "grid/vmgrid.h"

#include <cmath>

#include "core/database_service.h"
#include "core/services.h"
#include "core/settings_store.h"
#include "core/strings.h"
#include "layout/layout_dialog.h"
#include "layout/layout_store.h"
#include "layout/option_store.h"
#include "menus/menu_controller.h"
#include "menus/menu_tree.h"
#include "output/output.h"
#include "queries/parameter_dialog.h"
#include "queries/query_dialog.h"
#include "queries/query_store.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid {

namespace {
constexpr int kPropEnabledStyle = 51;
constexpr int kPropHighlightStyle = 75;
constexpr double kTwipsPerHeaderLine = 239.811;
constexpr const char* kSource = "VMBGrid";
}  // namespace

VMGrid::VMGrid() {
  // Same order as the controller has always set itself up; the two hidden forms
  // that carry the menus come last.
  saveMode_ = VelmGRX;
  returnNavigatesInGrid_ = true;
  gridFields_ = std::make_shared<VMGridFields>();
  restrictions_ = std::make_shared<VMGridFields>();
  primaryKeyRestrictions_ = std::make_shared<VMGridFields>();
  sortColumns_ = std::make_shared<VMGridSortColumns>();
  allowUserSort_ = true;
  firstLoad_ = true;
  settingsChanged_ = false;
  settings_ = std::make_unique<core::SettingsStore>();
  readOnly_ = true;
  allowAddNew_ = true;
  refreshOnLeaveColumn_ = true;
  isTempLayout_ = false;
  database_ = std::make_unique<core::DatabaseService>();
  searchRow_ = std::make_unique<search::SearchRow>(*this);
  sumRow_ = std::make_unique<search::SumRow>(*this);
  interaction_ = std::make_unique<search::GridInteraction>(*this);
  layoutStore_ = std::make_unique<layout::LayoutStore>(*this);
  optionStore_ = std::make_unique<layout::OptionStore>(*this);
  layoutDialog_ = std::make_unique<layout::LayoutDialog>(*this);
  queryStore_ = std::make_unique<queries::QueryStore>(*this);
  queryDialog_ = std::make_unique<queries::QueryDialog>(*this, *queryStore_);
  menus_ = std::make_unique<menus::MenuController>(*this);
  search::InteractionHooks& hooks = interaction_->hooks;
  hooks.showColumnMenu = [this](double x, double) { menus_->ShowTableMenu(x); };
  hooks.showQueryMenu = [this] { menus_->ShowFilterMenu(); };
  hooks.layoutDialog = [this] {
    if (DialogView* form = menus_->LayoutForm()) layoutDialog_->Open(*form);
  };
  hooks.queryDialog = [this] {
    if (DialogView* form = menus_->QueryForm()) queryDialog_->Open(*form);
  };
  hooks.parameterDialog = [this](VMGridFields& parameters, const std::string& caption) {
    DialogFactory* factory = Platform::Dialogs();
    std::unique_ptr<DialogView> form = factory ? factory->Create("frmSimpleQuery") : nullptr;
    if (!form) return false;
    queries::ParameterDialog dialog(*form, parameters);
    try {
      dialog.Connection(OpenConnection());
    } catch (const VMError&) {
      // Lists stay empty without a connection; the other inputs still work.
    }
    dialog.tablename(RecordSource());
    return dialog.Run(caption);
  };
  // The menu's commands run the controller's own output and editing commands.
  menus::MenuCommands& commands = menus_->commands;
  commands.previewGrid = [this](int orientation) { PreviewGrid(orientation); };
  commands.printGrid = [this](int orientation) { PrintGrid(orientation); };
  commands.exportText = [this] { ExportText(); };
  commands.seriendruck = [this](bool serienMail, bool sammelMail) {
    seriendruck(serienMail, sammelMail);
  };
  commands.printComponent = [this](const std::string& command) {
    bool preview = command == "preview", print = command == "print",
         dialog = command == "printDialog", manage = command == "manage";
    RunPrintComponent(preview, print, dialog, manage);
  };
  commands.loadQueries = [this] { queryStore_->LoadQueries(); };
  commands.tableFilter = [this](const std::string& tool) {
    if (tool == menus::kMnuCut) Cut();
    else if (tool == menus::kMnuCopy) Copy();
    else if (tool == menus::kMnuPaste) Paste();
    // The two selection filters have no command of their own.
  };
  // Without a dialog factory yet (installed later by the host) they come on first use.
  menus_->LayoutForm();
}

VMGrid::~VMGrid() {
  // A destructor must not throw: saving is best effort.
  try {
    optionStore_->SaveIfChanged();
  } catch (...) {
  }
  try {
    layoutStore_->SaveOnShutdown();
  } catch (...) {
  }
  // The controls outlive the controller in most hosts; stop their notifications.
  if (grid_) grid_->SetListener(nullptr);
  if (searchGrid_) searchGrid_->SetListener(nullptr);
  if (sumGrid_) sumGrid_->SetListener(nullptr);
  if (dropDown_) dropDown_->SetListener(nullptr);
  if (dropdownInput_) dropdownInput_->SetListener(nullptr);
}

// ---------------------------------------------------------------- controls

void VMGrid::grid(GridControl* control) {
  if (grid_ && grid_ != control) grid_->SetListener(nullptr);
  grid_ = control;
  if (!grid_) return;
  grid_->SetListener(interaction_.get());
  LayoutFile(grid_->Name());
  mainLayout_ = grid_->Name();
  // Header lines to twips, rounded half to even like an automation conversion.
  headerHeight_ = static_cast<int32_t>(std::nearbyint(grid_->HeaderLines() * kTwipsPerHeaderLine));
  ApplyGridBehaviour();
  AlignSatellites(*grid_);
  // A sum line attached first lines its columns up with the grid now.
  if (sumGrid_) sumGrid_->RecordSelectors(grid_->RecordSelectors());
  LoadOptionsIfReady();
  // Attached after the first load: show the rows and give the lines their columns.
  if (!firstLoad_ && currentRecordset_) {
    grid_->DataSource(currentRecordset_);
    grid_->Rebind();
    ApplyValueTranslation();
    searchRow_->SetUp();
    sumRow_->SetUp();
    sumRow_->ComputeSums();
    ApplyCaptions();
  }
}

void VMGrid::SearchGrid(GridControl* control) {
  if (searchGrid_ && searchGrid_ != control) searchGrid_->SetListener(nullptr);
  searchGrid_ = control;
  if (!searchGrid_) return;
  searchRow_->Attach(searchGrid_);
  AlignSatellites(*searchGrid_);
  // Attached after the first load: build its columns now, so the line is usable.
  if (!firstLoad_ && grid_) searchRow_->SetUp();
}

void VMGrid::SumGrid(GridControl* control) {
  if (sumGrid_ && sumGrid_ != control) sumGrid_->SetListener(nullptr);
  sumGrid_ = control;
  if (!sumGrid_) return;
  sumRow_->Attach(sumGrid_);
  AlignSatellites(*sumGrid_);
  if (!firstLoad_ && grid_) {
    sumRow_->SetUp();
    sumRow_->ComputeSums();
  }
}

void VMGrid::DropDown(DropDownControl* control) {
  if (dropDown_ && dropDown_ != control) dropDown_->SetListener(nullptr);
  dropDown_ = control;
  if (dropDown_) dropDown_->SetListener(&searchRow_->DropDownListener());
  // Attached or taken away after the search line was set up: its columns follow.
  if (!firstLoad_) searchRow_->AssignDropDown();
}

void VMGrid::DropdownInput(DropDownControl* control) {
  if (dropdownInput_ && dropdownInput_ != control) dropdownInput_->SetListener(nullptr);
  dropdownInput_ = control;
  if (dropdownInput_) dropdownInput_->SetListener(&interaction_->InputDropDownListener());
}

bool VMGrid::ShowColumn(const std::string& fieldname, bool visible) {
  return interaction_->ShowColumn(fieldname, visible);
}

void VMGrid::OpenLayoutDialog() { interaction_->OpenLayoutDialog(); }

void VMGrid::OpenQueryDialog() { interaction_->OpenQueryDialog(); }

void VMGrid::ShowQueryMenu() { interaction_->ShowQueryMenu(); }

bool VMGrid::SaveQuery(const std::string& name) {
  if (const std::string problem = queries::QueryNameProblem(name); !problem.empty())
    throw VMError(errc::kInvalidProcedureCall, kSource, problem);
  return !name.empty() && queryStore_->SaveQuery(name);
}

void VMGrid::ApplySavedQuery(const std::string& name) {
  queryStore_->LoadQueries();
  if (!queries_ || !queries_->Contains(name)) {
    ShowMessage("Einen Filter „" + name + "“ gibt es nicht.");
    return;
  }
  searchRow_->ApplySavedQuery(name);
}

void VMGrid::AlignSatellites(GridControl& source) {
  double left = source.Left();
  double width = source.Width();
  for (GridControl* g : {searchGrid_, sumGrid_, grid_}) {
    if (!g) continue;
    g->Left(left);
    g->Width(width);
  }
}

void VMGrid::ApplyGridBehaviour() {
  if (!grid_) return;
  grid_->AllowAddNew(allowAddNew_);
  grid_->SetProperty(kPropEnabledStyle, true);
  if (!readOnly_) {
    grid_->SetProperty(kPropHighlightStyle, 6);
    grid_->AllowUpdate(true);
  } else {
    // Rows opened read-only cannot be edited; the grid says so instead of failing on commit.
    grid_->AllowUpdate(false);
  }
  grid_->TabAction(returnNavigatesInGrid_ ? 0 : 2);
}

// ---------------------------------------------------------------- properties

void VMGrid::Connection(std::shared_ptr<vmbgrid::Connection> connection) {
  connection_ = std::move(connection);
  connectionString_ = connection_ ? connection_->ConnectionString() : "";
  settings_->SetConnection(connection_);
  LoadOptionsIfReady();
}

void VMGrid::user(const std::string& name) {
  user_ = name;
  LoadOptionsIfReady();
}

void VMGrid::LoadOptionsIfReady() {
  if (user_.empty() || !connection_ || !grid_) return;
  ++optionLoads_;
  optionStore_->Load();
}

void VMGrid::MaxRecords(int32_t limit) {
  if (limit >= 0) maxRecords_ = limit;
}

void VMGrid::MaxRecordsFromDialog(int32_t limit) {
  if (limit < 0 || limit == maxRecords_) return;
  maxRecords_ = limit;
  settingsChanged_ = true;
}

void VMGrid::SortBy(const std::string& column) {
  previousSortBy_ = sortBy_;
  sortBy_ = column;
}

void VMGrid::RefreshOnLeaveColumn(bool on) {
  refreshOnLeaveColumn_ = on;
  settingsChanged_ = true;
}

void VMGrid::ShowEmptyGrid(bool on) {
  showEmptyGrid_ = on;
  settingsChanged_ = true;
}

int VMGrid::EditMode() const {
  if (!currentRecordset_ || currentRecordset_->State() == adStateClosed) return adEditNone;
  return currentRecordset_->EditMode();
}

core::ErrorCollection& VMGrid::Errors() const { return core::ErrorCollection::Instance(); }

void VMGrid::LayoutFile(const std::string& pathWithoutExtension) {
  layoutFile_ = pathWithoutExtension;
  if (grid_) grid_->LayoutFileName(pathWithoutExtension + ".grx");
}

std::string VMGrid::LayoutFileBaseName() const {
  std::string name = layoutFile_;
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  return name;
}

void VMGrid::GridFields(std::shared_ptr<VMGridFields> fields) {
  gridFields_ = fields ? std::move(fields) : std::make_shared<VMGridFields>();
}

// ---------------------------------------------------------------- life cycle

void VMGrid::Init(int32_t /*pDmy*/, const std::string& appname, const std::string& formname,
                  std::shared_ptr<Component> pDrLL80, const std::string& pAppExeDir,
                  const std::string& pReportDBTemplateDir, const std::string& pDefaultUeb) {
  appName_ = appname;
  formName_ = formname;
  printComponent_ = std::move(pDrLL80);
  appExeDir_ = pAppExeDir;
  reportTemplateDir_ = pReportDBTemplateDir;
  defaultTitle_ = pDefaultUeb;
  printAvailable_ = printComponent_ != nullptr;
  searchRow_->Active(false);
}

void VMGrid::ReInit() {
  firstLoad_ = true;
  searchRow_->ClearArray();
  RemoveSearchRestrictions(false);
  RemovePrimaryKeyRestrictions();
}

void VMGrid::SaveSettings() { optionStore_->Save(); }

void VMGrid::RemoveSearchRestrictions(bool resetFixed) {
  int32_t pos = 1;
  while (pos <= restrictions_->Count()) {
    auto r = restrictions_->Item(pos);
    if (!r->fixedRestriction) {
      restrictions_->Remove(pos);
      continue;
    }
    if (resetFixed) r->value = r->fixedRestrictionValue;
    ++pos;
  }
}

void VMGrid::RemovePrimaryKeyRestrictions() {
  int32_t pos = 1;
  while (pos <= primaryKeyRestrictions_->Count()) {
    if (!primaryKeyRestrictions_->Item(pos)->fixedRestriction)
      primaryKeyRestrictions_->Remove(pos);
    else
      ++pos;
  }
}

// ---------------------------------------------------------------- connection, errors

std::shared_ptr<vmbgrid::Connection> VMGrid::OpenConnection() {
  if (connection_) {
    if (connectionString_.empty()) connectionString_ = connection_->ConnectionString();
    return connection_;
  }
  std::shared_ptr<vmbgrid::Connection> conn;
  try {
    conn = Platform::Data().CreateConnection();
    conn->ConnectionString(connectionString_);
    conn->CursorLocation(adUseClient);
    conn->Open();
    return conn;
  } catch (const VMError&) {
    // Report with the failed connection's own error list; opening yet another
    // connection to fetch it would only fail again.
    auto& errors = Errors();
    if (conn) errors.TakeOver(*conn);
    size_t i = errors.Add(kMessageError, vmGridErrorOpenConnection, kSource,
                          "Verbindung mit Datenbank konnte nicht hergestellt werden.");
    errors.Report(i);
    return nullptr;
  }
}

void VMGrid::ReportError(int32_t number, const std::string& description) {
  auto& errors = Errors();
  if (connection_) errors.TakeOver(*connection_);
  size_t i = errors.Add(kMessageError, number, kSource, description);
  errors.Report(i);
}

void VMGrid::ShowMessage(const std::string& text) const {
  Platform::Messages().ShowMessage(text, kMessageInfo);
}

// ---------------------------------------------------------------- sort columns

void VMGrid::AddSortColumn(const std::string& sortcolumn, int SortOrder) {
  if (sortColumns_->Find(sortcolumn)) sortColumns_->Remove(sortcolumn);
  sortColumns_->Add(sortcolumn, SortOrderText(SortOrder), sortcolumn);
  SortBy("");
}

void VMGrid::DeleteAllSortColumns() {
  sortedFieldNames_.clear();
  sortColumns_ = std::make_shared<VMGridSortColumns>();
  lastHeaderSortField_.clear();
}

void VMGrid::RememberSortedField(const std::string& name) {
  for (const auto& n : sortedFieldNames_)
    if (core::EqualsNoCase(n, name)) return;
  sortedFieldNames_.push_back(name);
}

// ---------------------------------------------------------------- search line

void VMGrid::ClearSearch(bool requery) { searchRow_->ClearSearch(requery); }

void VMGrid::ClearRestriction(const std::string& fieldname) {
  if (restrictions_->Find(fieldname)) restrictions_->Remove(fieldname);
}

void VMGrid::setze_search(const std::string& pField, const std::string& pValue) {
  searchRow_->SetSearch(pField, pValue);
}

}  // namespace vmbgrid
