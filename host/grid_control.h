// Grid-control and drop-down contract. The host owns these controls; the library
// drives them through this interface and receives their notifications through one
// listener per control. Positions and widths are twips.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/data_access.h"
#include "host/variant.h"
#include "host/xarray.h"

namespace vmbgrid {

class GridControl;
class DropDownControl;

// Alignment codes of grid columns.
enum GridAlignment : int { dbgLeft = 0, dbgRight = 1, dbgCenter = 2, dbgGeneral = 3 };
// Value-item presentation of a column.
enum ValueItemPresentation : int {
  dbgNormal = 0,
  dbgRadioButton = 1,
  dbgComboBox = 2,
  dbgSortedComboBox = 3,
  dbgCheckBox = 4
};
// Mouse buttons and shift states as the notifications report them.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// One value translation: a stored value shown as a display value.
struct ValueItem {
  Variant value;
  Variant display;
};

class GridColumn {
 public:
  virtual ~GridColumn() = default;

  virtual int Index() const = 0;      // position in the columns collection
  virtual Variant Value() const = 0;  // current row
  virtual int Alignment() const = 0;
  virtual void Alignment(int alignment) = 0;
  virtual std::string Caption() const = 0;
  virtual void Caption(const std::string& caption) = 0;
  virtual std::string DataField() const = 0;
  virtual void DataField(const std::string& field) = 0;
  // "Standard", "General Date", "#,##0.00", "dd.mm.yyyy", "FormatText Event", ...
  virtual std::string NumberFormat() const = 0;
  virtual void NumberFormat(const std::string& format) = 0;
  virtual Variant DefaultValue() const = 0;  // for new rows
  virtual void DefaultValue(const Variant& value) = 0;
  virtual bool Visible() const = 0;
  virtual void Visible(bool visible) = 0;
  virtual double Width() const = 0;
  virtual void Width(double twips) = 0;
  virtual int Order() const = 0;  // display position, 0-based
  virtual void Order(int position) = 0;
  virtual std::string DropDown() const = 0;  // name of the drop-down control
  virtual void DropDown(const std::string& controlName) = 0;

  // Value-item list.
  virtual void AddValueItem(const ValueItem& item) = 0;
  virtual void ClearValueItems() = 0;
  virtual std::vector<ValueItem> ValueItems() const = 0;
  virtual bool Translate() const = 0;
  virtual void Translate(bool on) = 0;
  virtual int Presentation() const = 0;
  virtual void Presentation(int presentation) = 0;

  // Properties with fixed values and no stated role (button flags, wrap, ...).
  virtual void SetProperty(int id, const Variant& value) = 0;
  virtual Variant GetProperty(int id) const = 0;
};

// Notifications of a grid. Arguments passed by reference may be changed by the
// handler (a key code set to 0 is consumed; cancel = true cancels).
class GridListener {
 public:
  virtual ~GridListener() = default;
  virtual void GotFocus(GridControl&) {}
  virtual void LostFocus(GridControl&) {}
  virtual void DblClick(GridControl&) {}
  virtual void AfterColUpdate(GridControl&, int /*colIndex*/) {}
  virtual void AfterDelete(GridControl&) {}
  virtual void AfterInsert(GridControl&) {}
  virtual void AfterUpdate(GridControl&) {}
  virtual void OnAddNew(GridControl&) {}  // a new row starts
  virtual void ColResize(GridControl&, int /*colIndex*/, bool& /*cancel*/) {}
  virtual void BeforeRowChangeRequest(GridControl&, bool& /*cancel*/) {}  // delete or insert
  virtual void MouseDown(GridControl&, int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {}
  virtual void MouseUp(GridControl&, int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {}
  virtual void KeyDown(GridControl&, int& /*keyCode*/, int& /*shift*/) {}
  virtual void KeyPress(GridControl&, int& /*keyAscii*/) {}
  virtual void KeyUp(GridControl&, int& /*keyCode*/, int& /*shift*/) {}
  virtual void Change(GridControl&) {}
  virtual void LeftColChange(GridControl&) {}
  virtual void FormatText(GridControl&, int /*colIndex*/, Variant& /*value*/,
                          const Variant& /*bookmark*/) {}
  virtual void ColMove(GridControl&, int /*position*/, bool& /*cancel*/) {}
  virtual void PostEvent(GridControl&, int /*messageId*/) {}
};

class GridControl {
 public:
  virtual ~GridControl() = default;

  // Container.
  virtual std::string Name() const = 0;
  virtual double Left() const = 0;
  virtual void Left(double twips) = 0;
  virtual double Top() const = 0;
  virtual void Top(double twips) = 0;
  virtual double Width() const = 0;
  virtual void Width(double twips) = 0;
  virtual double Height() const = 0;
  virtual void Height(double twips) = 0;
  virtual bool Visible() const = 0;
  virtual void Visible(bool visible) = 0;
  virtual void SetFocus() = 0;
  virtual bool HasFocus() const = 0;
  virtual intptr_t WindowHandle() const = 0;

  virtual void SetListener(GridListener* listener) = 0;

  // Columns.
  virtual int ColumnCount() const = 0;
  virtual GridColumn& Column(int index) = 0;                            // out of range raises
  virtual GridColumn* ColumnByField(const std::string& dataField) = 0;  // nullptr when absent
  virtual GridColumn& AddColumn(int index) = 0;
  virtual void RemoveColumn(int index) = 0;
  // The headers' sort marks by data field: 1 ascending, 2 descending; with several
  // fields the header also shows each one's rank in the order given. None: no mark.
  virtual void SortMarks(const std::vector<std::pair<std::string, int>>& /*marks*/) {}

  // Binding.
  virtual void DataSource(std::shared_ptr<Recordset> recordset) = 0;
  virtual std::shared_ptr<Recordset> DataSource() const = 0;
  virtual void BindArray(std::shared_ptr<XArray> array) = 0;
  virtual std::shared_ptr<XArray> BoundArray() const = 0;
  virtual void Rebind() = 0;       // rows and columns reflect the source again
  virtual void HoldFields() = 0;   // keep the column arrangement across the next re-bind
  virtual void ClearFields() = 0;  // reset the columns to the source's fields
  virtual void Refresh() = 0;
  virtual void RefreshColumnLayout() = 0;  // re-read the column layout
  // True when the grid fetches the rest of a bound recordset that is still loading
  // (Recordset::IsFetching) while it shows the first rows, and lets the user
  // cancel the load. The controller loads progressively only for such grids.
  virtual bool FetchesProgressively() const { return false; }

  // Deferred work: returns at once; PostEvent delivers the id later, in posting order.
  virtual void PostMsg(int messageId) = 0;

  // Navigation and state.
  virtual int Col() const = 0;  // current column index, -1 when none
  virtual void Col(int index) = 0;
  virtual int LeftCol() const = 0;  // first visible column
  virtual void LeftCol(int index) = 0;
  virtual int Row() const = 0;  // current row's position among the visible rows
  virtual int VisibleRows() const = 0;
  virtual float HeaderLines() const = 0;
  virtual void HeaderLines(float lines) = 0;
  virtual double RowHeight() const = 0;
  virtual void RowHeight(double twips) = 0;  // 0 = the height of one text line
  virtual bool AllowAddNew() const = 0;
  virtual void AllowAddNew(bool allow) = 0;
  virtual bool AllowUpdate() const = 0;
  virtual void AllowUpdate(bool allow) = 0;
  virtual int TabAction() const = 0;  // 0: Return moves within the grid, 2: Tab does
  virtual void TabAction(int mode) = 0;
  virtual bool EditActive() const = 0;  // cell editing
  virtual void EditActive(bool active) = 0;
  virtual void CommitEdit() = 0;         // commit the pending cell edit
  virtual bool DataChanged() const = 0;  // pending change in the current row
  virtual void DataChanged(bool changed) = 0;
  virtual void DeleteCurrentRow() = 0;
  virtual bool RecordSelectors() const = 0;
  virtual void RecordSelectors(bool on) = 0;
  virtual int ScrollBars() const = 0;  // 0 none, 2 vertical
  virtual void ScrollBars(int setting) = 0;
  virtual int ColContaining(double x) const = 0;  // negative when none
  virtual int RowContaining(double y) const = 0;  // negative when no row
  virtual Variant RowBookmark(int row) const = 0;
  // True when a point at y lies below the last row shown.
  virtual bool PointBeyondLastRow(double y) const = 0;

  // Current row and selected rows.
  virtual Variant Bookmark() const = 0;
  virtual void Bookmark(const Variant& bookmark) = 0;
  virtual int SelectedCount() const = 0;
  virtual Variant SelectedAt(int index) const = 0;
  virtual void AddSelected(const Variant& bookmark) = 0;
  virtual void RemoveSelectedAt(int index) = 0;

  // The text a cell shows (formats and value translation applied).
  virtual std::string CellText(int ordinal, int colIndex) const = 0;
  // The cell's value as text, without number format or value translation: numbers
  // with a decimal comma and every digit ("1,5", "1500,50"), dates "01.02.2003",
  // binary data as a short placeholder. A grid without values of its own gives
  // what it shows.
  virtual std::string CellValueText(int ordinal, int colIndex) const {
    return CellText(ordinal, colIndex);
  }

  // Named layouts in the layout file.
  virtual std::string LayoutFileName() const = 0;
  virtual void LayoutFileName(const std::string& path) = 0;
  virtual std::string LayoutName() const = 0;
  virtual void LayoutName(const std::string& name) = 0;
  virtual void LoadLayout() = 0;  // the named layout; raises when it cannot be applied
  virtual void AddLayout(const std::string& name) = 0;  // save the current arrangement
  virtual void RemoveLayout(const std::string& name) = 0;
  virtual std::vector<std::string> LayoutNames() const = 0;

  // Output.
  virtual void PrintOrientation(int orientation) = 0;  // 1 portrait, 2 landscape
  virtual void PreviewCaption(int index, const std::string& text) = 0;
  // Texts printed under the last row (the sum line), by column index; none when empty.
  virtual void PrintFooter(const std::vector<std::string>& /*cells*/) {}
  virtual void PrintData() = 0;
  virtual void PrintPreview() = 0;
  // Delimited export of the visible columns in display order: allRows false exports
  // the current row only. A suffix inside a value is doubled, so that the field
  // reads back whole. The file is replaced in one step or not at all.
  virtual void Export(const std::string& path, bool allRows, const std::string& separator,
                      const std::string& prefix, const std::string& suffix) = 0;

  // Properties set to fixed values without a stated role.
  virtual void SetProperty(int id, const Variant& value) = 0;
  virtual Variant GetProperty(int id) const = 0;
};

class DropDownListener {
 public:
  virtual ~DropDownListener() = default;
  virtual void DropDownOpen(DropDownControl&) {}
  virtual void ValueChosen(DropDownControl&) {}
  virtual void Change(DropDownControl&) {}
  virtual void KeyDown(DropDownControl&, int& /*keyCode*/, int& /*shift*/) {}
};

class DropDownControl {
 public:
  virtual ~DropDownControl() = default;
  virtual std::string Name() const = 0;
  virtual void SetListener(DropDownListener* listener) = 0;
  virtual void DataSource(std::shared_ptr<Recordset> recordset) = 0;
  virtual std::shared_ptr<Recordset> DataSource() const = 0;
  virtual void Rebind() = 0;
  virtual Variant Value() const = 0;  // the selected value
  virtual int ColumnCount() const = 0;
  virtual GridColumn& Column(int index) = 0;
  virtual GridColumn* ColumnByField(const std::string& dataField) = 0;
};

}  // namespace vmbgrid
