// VMGrid: the controller a host form creates once per data grid. It builds the
// statement from the column fields, restrictions and sort columns, loads and binds
// the rows, and keeps the search line and sum line in step. VMGrid is a facade:
// the search line, sum line, grid interaction, layouts and options live in their
// own subsystems, which the members below delegate to.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/vmgrid_events.h"
#include "host/data_access.h"
#include "host/error.h"
#include "host/grid_control.h"
#include "host/platform.h"
#include "host/variant.h"
#include "host/xarray.h"
#include "model/enums.h"
#include "model/fields.h"
#include "model/grid_controller.h"
#include "model/sort_columns.h"

namespace vmbgrid {

namespace core {
class ErrorCollection;
class SettingsStore;
class DatabaseService;
}  // namespace core
namespace search {
class SearchRow;
class SumRow;
class GridInteraction;
}  // namespace search
namespace layout {
class LayoutStore;
class OptionStore;
class LayoutDialog;
}  // namespace layout
namespace queries {
class QueryStore;
class QueryDialog;
}  // namespace queries
namespace menus {
class MenuController;
}  // namespace menus
namespace output {
class Output;
}  // namespace output

// Arguments of AddField, for designated initializers:
//   grid.AddField({.name = "Umsatz", .caption = "Umsatz", .FormatString = "#,##0.00"});
struct AddFieldOptions {
  std::string name = {};
  std::string caption = {};
  bool combosearch = false;
  bool comboInput = false;
  int32_t datatype = kTypeUndetermined;
  bool HiddenField = false;
  std::string FormatString = {};
  int32_t size = 0;
  int32_t sumDatatype = vmValue;
  std::string sumvalue = {};
  int32_t sumalignment = -1;
  std::string sumformatstring = {};
};

class VMGrid : public GridController {
 public:
  VMGrid();
  ~VMGrid();
  VMGrid(const VMGrid&) = delete;
  VMGrid& operator=(const VMGrid&) = delete;

  // ---- Controls (owned by the host) ----
  GridControl* grid() const override { return grid_; }
  void grid(GridControl* control);
  GridControl* SearchGrid() const override { return searchGrid_; }
  void SearchGrid(GridControl* control);
  GridControl* SumGrid() const override { return sumGrid_; }
  void SumGrid(GridControl* control);
  DropDownControl* DropDown() const override { return dropDown_; }
  void DropDown(DropDownControl* control);
  DropDownControl* DropdownInput() const { return dropdownInput_; }
  void DropdownInput(DropDownControl* control);
  HostForm* Form() const { return form_; }
  void Form(HostForm* form) { form_ = form; }

  // ---- Data source ----
  std::shared_ptr<vmbgrid::Connection> Connection() const override { return connection_; }
  void Connection(std::shared_ptr<vmbgrid::Connection> connection);
  const std::string& ConnectionString() const override { return connectionString_; }
  void ConnectionString(const std::string& text) { connectionString_ = text; }
  const std::string& RecordSource() const override { return recordSource_; }
  void RecordSource(const std::string& table) { recordSource_ = table; }
  void filter(const std::string& condition) { filter_ = condition; }
  const std::string& SQLWherePart() const { return sqlWherePart_; }

  // ---- Behaviour ----
  int32_t MaxRecords() const override { return maxRecords_; }
  void MaxRecords(int32_t limit) override;
  const std::string& SortBy() const override { return sortBy_; }
  void SortBy(const std::string& column) override;
  const std::string& PreviousSortBy() const { return previousSortBy_; }
  bool SortAscending() const override { return sortAscending_; }
  void SortAscending(bool on) override { sortAscending_ = on; }
  bool AllowUserSort() const override { return allowUserSort_; }
  void AllowUserSort(bool on) { allowUserSort_ = on; }
  bool ReadOnly() const { return readOnly_; }
  void ReadOnly(bool on) { readOnly_ = on; }
  bool AllowAddNew() const { return allowAddNew_; }
  void AllowAddNew(bool on) { allowAddNew_ = on; }
  bool ReturnNavigatesInGrid() const override { return returnNavigatesInGrid_; }
  void ReturnNavigatesInGrid(bool on) { returnNavigatesInGrid_ = on; }
  bool RefreshOnLeaveColumn() const override { return refreshOnLeaveColumn_; }
  void RefreshOnLeaveColumn(bool on) override;
  bool ShowEmptyGrid() const override { return showEmptyGrid_; }
  void ShowEmptyGrid(bool on) override;
  const std::string& user() const override { return user_; }
  void user(const std::string& name);
  int32_t SaveMode() const override { return saveMode_; }
  void SaveMode(int32_t mode) override { saveMode_ = mode; }
  void DisableCustomization(int32_t flags) { disableCustomization_ = flags; }
  int32_t RecordCount() const { return recordCount_; }
  void RecordCount(int32_t count) { recordCount_ = count; }
  int EditMode() const;
  int32_t DebugLevel() const { return 0; }
  void DebugLevel(int32_t) {}
  core::ErrorCollection& Errors() const;
  bool IsStandardLayout() const { return layoutName_ == "Standard"; }
  bool IsTempLayout() const override { return isTempLayout_; }
  bool LastClickOverData() const override { return lastClickOverData_; }

  // ---- Layout identity ----
  const std::string& layout() const override { return layoutName_; }
  const std::string& mainlayout() const override { return mainLayout_; }
  void mainlayout(const std::string& name) override { mainLayout_ = name; }
  const std::string& LayoutFile() const { return layoutFile_; }
  void LayoutFile(const std::string& pathWithoutExtension);
  std::string LayoutFileBaseName() const override;

  // ---- Collections ----
  VMGridFields& GridFields() override { return *gridFields_; }
  void GridFields(std::shared_ptr<VMGridFields> fields);
  std::shared_ptr<VMGridFields> queries() const override { return queries_; }
  void queries(std::shared_ptr<VMGridFields> q) override { queries_ = std::move(q); }
  VMGridFields& Restrictions() override { return *restrictions_; }
  VMGridFields& PrimaryKeyRestrictions() override { return *primaryKeyRestrictions_; }
  VMGridSortColumns& SortColumns() override { return *sortColumns_; }
  std::shared_ptr<Recordset> CurrentRecordset() const override { return currentRecordset_; }

  void Events(VMGridEvents* sink) { events_ = sink; }
  VMGridEvents& Events() override { return events_ ? *events_ : nullEvents_; }

  // ---- Life cycle ----
  void Init(int32_t pDmy, const std::string& appname, const std::string& formname,
            std::shared_ptr<Component> pDrLL80 = nullptr, const std::string& pAppExeDir = "",
            const std::string& pReportDBTemplateDir = "", const std::string& pDefaultUeb = "");
  void ReInit();
  void SaveSettings();

  // ---- Fields, restrictions, sort ----
  // A template, so that a braced options list picks the options overload below.
  template <class Name>
  requires std::convertible_to<const Name&, std::string>
  void AddField(const Name& name, const std::string& caption = "",
                const Variant& combosearch = false, const Variant& comboInput = false,
                int32_t datatype = kTypeUndetermined, bool HiddenField = false,
                const std::string& FormatString = "", int32_t size = 0,
                int32_t sumDatatype = vmValue, const std::string& sumvalue = "",
                int32_t sumalignment = -1, const std::string& sumformatstring = "") {
    AddFieldImpl(std::string(name), caption, combosearch, comboInput, datatype, HiddenField,
                 FormatString, size, sumDatatype, sumvalue, sumalignment, sumformatstring);
  }
  void AddField(const AddFieldOptions& o);
  void AddRestriction(const std::string& fieldname, const Variant& value, bool useOr = false,
                      int32_t datatype = kTypeUndetermined, bool fixedRestriction = false,
                      bool boolSearchGrid = false) override;
  void AddPrimaryKeyRestriction(const std::string& fieldname, const Variant& value,
                                bool useOr = false, int32_t datatype = kTypeUndetermined,
                                bool fixedRestriction = false);
  void AddSortColumn(const std::string& sortcolumn, int SortOrder = ascending) override;
  void DeleteAllSortColumns() override;

  // ---- Loading ----
  void Requery(const std::string& Key2KeepCurrent = "") override;
  void RefreshGrid(const std::string& Key2KeepCurrent = "");
  void BuildNewResult() { Requery(""); }
  void SetRS(std::shared_ptr<Recordset> rs);
  void SetArray(std::shared_ptr<XArray> xarr);

  // ---- Selection and values ----
  bool SelectValue(const std::string& field, const Variant& value);
  void SelectNone();
  void SelectAll();
  void SelectRow(int32_t yPos, bool addToSelection = false);
  bool IsRowSelected(int32_t yPos);
  bool IsInRecordSelectorArea(int32_t xPos) const override { return xPos <= 285.1654; }
  bool IsInDataArea(int32_t yPos) const override { return yPos > headerHeight_; }
  Variant GetValue(const std::string& key);
  // Value arrays a(i, 0) = field name, a(i, 1) = value, i over the list's positions.
  std::vector<XArray> GetValues(const std::vector<Variant>& FieldList);
  std::vector<XArray> GetValuesDragDrop(const Variant& bookmark,
                                        const std::vector<Variant>& FieldList);

  // ---- Value maps and editing ----
  // Translations of a column field's stored values, shown from the next Requery.
  void AddMap(const std::string& fieldname, const std::string& MapClassName);
  void AddValue(const std::string& fieldname, const Variant& key, const Variant& value);
  void AutoSizeColumns();
  // Clipboard and undo on the current cell of the focused grid (main, search or sum
  // line); nothing when the focus is elsewhere.
  void Cut();
  void Copy();
  void Paste();
  void Undo();
  // Fits one column of the main grid (-1: the current column).
  void AutoSizeColumn(int colIndex = -1);
  // The main grid's selected rows (or the current row) to the clipboard as
  // tab-separated lines, as a spreadsheet pastes them into columns.
  void CopyRows();

  // ---- Search line ----
  void ClearSearch(bool Requery = false);
  void ClearRestriction(const std::string& fieldname) override;
  void setze_search(const std::string& pField, const std::string& pValue);
  // The filter menu (saved queries) at the data grid.
  void ShowQueryMenu();

  // ---- Output: printing, text export, mail merge ----
  void PrintGrid(int32_t PrintOrientation = vmPortrait);
  void PrintGridDlg(int32_t PrintOrientation = vmPortrait);
  void PreviewGrid(int32_t PrintOrientation = vmPortrait);
  void ExportText();
  void seriendruck(bool& SerienMail, bool& SammelMail);
  void seriendruck();  // both flags False
  void SerienDruckVB6(bool& SerienMail, bool& SammelMail);
  void SerienDruckNET(bool& SerienMail, bool& SammelMail);
  void SpeichernSammelKorbAdressen(std::shared_ptr<Component>& pKorbManObj, bool& pAlleDaten);

  // ================= For the library's subsystems =================
  std::string BuildWhere();
  std::string BuildSelect();
  void ResolveFieldTypes();
  void AddKeyFieldsToColumns();
  void MarkOrRestrictions();
  std::string BuildSearchCondition(const std::string& fieldname, const Variant& value,
                                   int32_t datatype);
  std::string UntranslateValue(const std::string& fieldname, const std::string& text);
  std::shared_ptr<vmbgrid::Connection> OpenConnection() override;
  void RemoveSearchRestrictions(bool resetFixed) override;
  void RemovePrimaryKeyRestrictions();
  void ApplyGridBehaviour();
  // The main grid's columns get what their fields own: the value maps (translation
  // on) and the formats of the field types. A layout replaces the columns and
  // carries neither the maps nor the fields' formats, so it is applied again after
  // every layout load.
  void ApplyValueTranslation() override;
  void AlignSatellites(GridControl& source);
  void RememberSortedField(const std::string& name) override;
  const std::vector<std::string>& SortedFieldNames() const { return sortedFieldNames_; }
  const std::string& LastHeaderSortField() const override { return lastHeaderSortField_; }
  void LastHeaderSortField(const std::string& name) override { lastHeaderSortField_ = name; }
  int32_t HeaderHeight() const { return headerHeight_; }
  bool FirstLoad() const override { return firstLoad_; }
  bool ClientData() const override { return clientData_; }
  bool SettingsChanged() const override { return settingsChanged_; }
  void SettingsChanged(bool on) override { settingsChanged_ = on; }
  // Options read back from the settings store: set without marking them changed.
  void ApplyStoredRefreshOnLeaveColumn(bool on) override { refreshOnLeaveColumn_ = on; }
  void ApplyStoredShowEmptyGrid(bool on) override { showEmptyGrid_ = on; }
  void IsTempLayout(bool on) override { isTempLayout_ = on; }
  void LastClickOverData(bool on) override { lastClickOverData_ = on; }
  void SetLayoutName(const std::string& name) override { layoutName_ = name; }
  const std::string& AppName() const override { return appName_; }
  const std::string& FormName() const override { return formName_; }
  const std::string& DefaultTitle() const { return defaultTitle_; }
  int32_t DisableCustomization() const override { return disableCustomization_; }
  std::shared_ptr<Component> PrintComponent() const { return printComponent_; }
  const std::string& AppExeDir() const { return appExeDir_; }
  const std::string& ReportTemplateDir() const { return reportTemplateDir_; }
  // The print component with the four request flags (the component menu entries).
  void RunPrintComponent(bool& preview, bool& print, bool& dialog, bool& manage);
  output::Output& OutputCommands();
  bool PrintAvailable() const override { return printAvailable_; }
  // Sets MaxRecords through the layout dialog's path: a change marks the options changed.
  void MaxRecordsFromDialog(int32_t limit) override;
  // How often the persisted options were read (the trigger waits for user,
  // Connection and grid).
  int32_t OptionLoadCount() const { return optionLoads_; }
  core::SettingsStore& Settings() override { return *settings_; }
  core::DatabaseService& Database() override { return *database_; }
  search::SearchRow& SearchRowState() override { return *searchRow_; }
  search::SumRow& SumRowState() override { return *sumRow_; }
  search::GridInteraction& Interaction() override { return *interaction_; }
  // Shows or hides one field's column in all grids; hiding the last visible column
  // is refused (false). Used by the column menu entries and the column chooser.
  bool ShowColumn(const std::string& fieldname, bool visible) override;
  // Deferred through the data grid (messages 2 and 4).
  void OpenLayoutDialog();
  void OpenQueryDialog();
  layout::LayoutStore& Layouts() override { return *layoutStore_; }
  layout::OptionStore& Options() override { return *optionStore_; }
  menus::MenuController& Menus() { return *menus_; }
  layout::LayoutDialog& LayoutDialogState() { return *layoutDialog_; }
  // Saved queries: the store under "Queries/" and the filter dialog.
  queries::QueryStore& Queries() { return *queryStore_; }
  queries::QueryDialog& QueryDialogState() { return *queryDialog_; }
  // Stores the current search as a saved query of the user ("" or an empty search
  // stores nothing: false; a name that cannot be stored raises with the reason).
  // Applies a saved one, asking its parameters first; an unknown name is told.
  bool SaveQuery(const std::string& name);
  void ApplySavedQuery(const std::string& name);
  // Shows an error of a user-triggered operation and of the Requery handlers.
  void ShowMessage(const std::string& text) const override;
  void LoadEnded() override;
  // Report through the error collection (kind 4, source "VMBGrid").
  void ReportError(int32_t number, const std::string& description);

 private:
  void AddFieldImpl(const std::string& name, const std::string& caption, const Variant& combosearch,
                    const Variant& comboInput, int32_t datatype, bool HiddenField,
                    const std::string& FormatString, int32_t size, int32_t sumDatatype,
                    const std::string& sumvalue, int32_t sumalignment,
                    const std::string& sumformatstring);
  void LoadOptionsIfReady();
  // The focused one of the three grids; raises when there is no host form.
  GridControl* FocusedGrid() const;
  void AdoptRecordset(std::shared_ptr<Recordset> rs, bool rebuildFields);
  void OpenDatabaseResult(std::string& statement);
  // Progressive loads (grid/requery.cpp): a load still running is stopped before
  // the result is replaced; the end of one brings the count and the sums up to
  // date and says when it stopped early.
  class LoadWatch;
  void StopLoading();
  void LoadEnded(Recordset& rs);
  void FilterAndSortInMemory();
  void ApplyCaptions();
  void ApplyInputDropDowns();
  void LoadInitialLayout();
  bool HandleDataError(const std::exception& e, const std::string& statement);
  bool NamesSortColumn(const std::exception& e) const;
  void AddValueArray(std::vector<XArray>& out, Recordset& rs, const std::vector<Variant>& list);
  std::string SortText() const;
  // The sort of SortText as the data grid's header marks (field, 1 ascending or 2 descending).
  std::vector<std::pair<std::string, int>> SortMarks() const;
  std::unique_ptr<output::Output> MakeOutput();

  GridControl* grid_ = nullptr;
  GridControl* searchGrid_ = nullptr;
  GridControl* sumGrid_ = nullptr;
  DropDownControl* dropDown_ = nullptr;
  DropDownControl* dropdownInput_ = nullptr;
  HostForm* form_ = nullptr;

  std::shared_ptr<vmbgrid::Connection> connection_;
  std::string connectionString_;
  std::string recordSource_;
  std::string filter_;
  std::string sqlWherePart_;
  int32_t maxRecords_ = 0;
  std::string sortBy_;
  std::string previousSortBy_;
  bool sortAscending_ = false;
  bool allowUserSort_ = true;
  bool readOnly_ = true;
  bool allowAddNew_ = true;
  bool returnNavigatesInGrid_ = true;
  bool refreshOnLeaveColumn_ = true;
  bool showEmptyGrid_ = false;
  std::string user_;
  int32_t saveMode_ = VelmGRX;
  int32_t disableCustomization_ = 0;
  int32_t recordCount_ = 0;
  bool isTempLayout_ = false;
  bool lastClickOverData_ = false;
  bool firstLoad_ = true;
  bool clientData_ = false;
  bool settingsChanged_ = false;
  int32_t headerHeight_ = 0;
  int32_t optionLoads_ = 0;
  std::string lastRejectedFilter_;
  std::string probeStatement_;  // the last type probe sent, for error messages

  std::string layoutName_;
  std::string mainLayout_;
  std::string layoutFile_;

  std::string appName_, formName_, appExeDir_, reportTemplateDir_, defaultTitle_;
  std::shared_ptr<Component> printComponent_;
  bool printAvailable_ = false;

  std::shared_ptr<VMGridFields> gridFields_;
  std::shared_ptr<VMGridFields> queries_;
  std::shared_ptr<VMGridFields> restrictions_;
  std::shared_ptr<VMGridFields> primaryKeyRestrictions_;
  std::shared_ptr<VMGridSortColumns> sortColumns_;
  std::vector<std::string> sortedFieldNames_;
  std::string lastHeaderSortField_;
  std::shared_ptr<Recordset> currentRecordset_;
  std::shared_ptr<LoadWatch> loadWatch_;
  std::weak_ptr<Recordset> loadEnded_;  // whose end the posted message reports

  VMGridEvents* events_ = nullptr;
  VMGridEvents nullEvents_;

  std::unique_ptr<core::SettingsStore> settings_;
  std::unique_ptr<core::DatabaseService> database_;
  std::unique_ptr<search::SearchRow> searchRow_;
  std::unique_ptr<search::SumRow> sumRow_;
  std::unique_ptr<search::GridInteraction> interaction_;
  std::unique_ptr<layout::LayoutStore> layoutStore_;
  std::unique_ptr<layout::OptionStore> optionStore_;
  std::unique_ptr<layout::LayoutDialog> layoutDialog_;
  std::unique_ptr<queries::QueryStore> queryStore_;
  std::unique_ptr<queries::QueryDialog> queryDialog_;
  std::unique_ptr<menus::MenuController> menus_;
  std::unique_ptr<output::Output> output_;  // made on first use
};

}  // namespace vmbgrid
