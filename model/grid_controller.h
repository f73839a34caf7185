// What the library's subsystems (search line, sum line, grid interaction, layouts,
// options, menus, dialogs, output) need of the controller. VMGrid implements it;
// the subsystems hold a GridController&, so none of them includes grid/vmgrid.h and
// the facade can include all of them without a cycle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/data_access.h"
#include "host/grid_control.h"
#include "host/variant.h"
#include "model/enums.h"
#include "model/fields.h"
#include "model/sort_columns.h"

namespace vmbgrid {

class VMGridEvents;
namespace core {
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
}  // namespace layout

class GridController {
 public:
  virtual ~GridController() = default;

  // ---- Controls ----
  virtual GridControl* grid() const = 0;
  virtual GridControl* SearchGrid() const = 0;
  virtual GridControl* SumGrid() const = 0;
  virtual DropDownControl* DropDown() const = 0;

  // ---- Data source ----
  virtual const std::string& ConnectionString() const = 0;
  virtual const std::string& RecordSource() const = 0;
  virtual std::shared_ptr<vmbgrid::Connection> OpenConnection() = 0;
  // The controller's connection as it stands (none or closed before the first load).
  virtual std::shared_ptr<vmbgrid::Connection> Connection() const = 0;
  // The fields' value maps and formats onto the grid's columns, as after a Requery.
  virtual void ApplyValueTranslation() = 0;
  virtual std::shared_ptr<Recordset> CurrentRecordset() const = 0;
  virtual bool ClientData() const = 0;
  virtual bool FirstLoad() const = 0;

  // ---- Behaviour and options ----
  virtual int32_t MaxRecords() const = 0;
  virtual void MaxRecords(int32_t limit) = 0;
  virtual const std::string& SortBy() const = 0;
  virtual void SortBy(const std::string& column) = 0;
  virtual bool SortAscending() const = 0;
  virtual void SortAscending(bool on) = 0;
  virtual bool AllowUserSort() const = 0;
  virtual bool ReturnNavigatesInGrid() const = 0;
  virtual bool RefreshOnLeaveColumn() const = 0;
  virtual void RefreshOnLeaveColumn(bool on) = 0;
  virtual bool ShowEmptyGrid() const = 0;
  virtual void ShowEmptyGrid(bool on) = 0;
  virtual bool SettingsChanged() const = 0;
  virtual void SettingsChanged(bool on) = 0;
  // Options read back from the settings store: set without marking them changed.
  virtual void ApplyStoredRefreshOnLeaveColumn(bool on) = 0;
  virtual void ApplyStoredShowEmptyGrid(bool on) = 0;
  // Sets MaxRecords through the layout dialog's path: a change marks the options changed.
  virtual void MaxRecordsFromDialog(int32_t limit) = 0;
  virtual int32_t DisableCustomization() const = 0;
  virtual bool PrintAvailable() const = 0;

  // ---- Identity and layout names ----
  virtual const std::string& user() const = 0;
  virtual const std::string& AppName() const = 0;
  virtual const std::string& FormName() const = 0;
  virtual int32_t SaveMode() const = 0;
  virtual void SaveMode(int32_t mode) = 0;
  virtual const std::string& layout() const = 0;
  virtual void SetLayoutName(const std::string& name) = 0;
  virtual const std::string& mainlayout() const = 0;
  virtual void mainlayout(const std::string& name) = 0;
  virtual std::string LayoutFileBaseName() const = 0;
  virtual bool IsTempLayout() const = 0;
  virtual void IsTempLayout(bool on) = 0;

  // ---- Collections ----
  virtual VMGridFields& GridFields() = 0;
  virtual std::shared_ptr<VMGridFields> queries() const = 0;
  virtual void queries(std::shared_ptr<VMGridFields> loaded) = 0;
  virtual VMGridFields& Restrictions() = 0;
  virtual VMGridFields& PrimaryKeyRestrictions() = 0;
  virtual VMGridSortColumns& SortColumns() = 0;
  virtual VMGridEvents& Events() = 0;

  // ---- Operations ----
  virtual void Requery(const std::string& Key2KeepCurrent = "") = 0;
  virtual void AddRestriction(const std::string& fieldname, const Variant& value,
                              bool useOr = false, int32_t datatype = kTypeUndetermined,
                              bool fixedRestriction = false, bool boolSearchGrid = false) = 0;
  virtual void ClearRestriction(const std::string& fieldname) = 0;
  virtual void RemoveSearchRestrictions(bool resetFixed) = 0;
  virtual void AddSortColumn(const std::string& sortcolumn, int SortOrder = ascending) = 0;
  virtual void DeleteAllSortColumns() = 0;
  virtual void RememberSortedField(const std::string& name) = 0;
  virtual const std::string& LastHeaderSortField() const = 0;
  virtual void LastHeaderSortField(const std::string& name) = 0;
  virtual bool LastClickOverData() const = 0;
  virtual void LastClickOverData(bool on) = 0;
  virtual bool IsInRecordSelectorArea(int32_t xPos) const = 0;
  virtual bool IsInDataArea(int32_t yPos) const = 0;
  // Shows or hides one field's column in all grids; hiding the last visible column
  // is refused (false).
  virtual bool ShowColumn(const std::string& fieldname, bool visible) = 0;
  // Shows an error of a user-triggered operation.
  virtual void ShowMessage(const std::string& text) const = 0;
  // A progressive load of the current result ended (posted by the controller):
  // count, sums and, when it stopped early, the message.
  virtual void LoadEnded() {}

  // ---- The other subsystems ----
  virtual core::SettingsStore& Settings() = 0;
  virtual core::DatabaseService& Database() = 0;
  virtual search::SearchRow& SearchRowState() = 0;
  virtual search::SumRow& SumRowState() = 0;
  virtual search::GridInteraction& Interaction() = 0;
  virtual layout::LayoutStore& Layouts() = 0;
  virtual layout::OptionStore& Options() = 0;
};

}  // namespace vmbgrid
