// The headless grid: a complete in-memory implementation of the grid contract.
// Rows come from a bound recordset or array; the geometry is computed in twips
// (header HeaderLines x 240, rows 240, record selectors 285), so that positions
// used by the library (RowContaining, ColContaining) behave as on screen. Public
// methods below the contract simulate the user and raise the notifications a real
// grid raises, in the same order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "adapters/headless/headless_column.h"
#include "host/grid_control.h"

namespace vmbgrid {

class HeadlessForm;
class HeadlessEventLoop;
struct GridLayout;

// Virtual-key codes of the simulated keyboard.
enum HeadlessKey : int {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyShift = 16,
  kKeyControl = 17,
  kKeyMenu = 18,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46,
  kKeyF2 = 113,
};

// One printed page: the columns that fit beside each other, their rows, the sum
// line (on the last page of the rows) and the page number.
struct HeadlessPrintPage {
  std::vector<int> columns;  // column indexes in display order
  std::vector<std::string> captions;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> footer;
  std::string pageNumber;  // "Seite 1 von 3"
};

// What PrintData or PrintPreview would have put on paper.
struct HeadlessPrintJob {
  bool preview = false;
  int orientation = 1;
  int rowsPerPage = 0;
  std::vector<std::string> pages;  // lines joined by "\n", cells by "\t"
  std::vector<HeadlessPrintPage> layout;
};

class HeadlessGrid : public GridControl {
 public:
  static constexpr double kLineHeight = 240;  // one text line, twips
  static constexpr double kRecordSelectorWidth = 285;

  explicit HeadlessGrid(std::string name = "TDBGrid1");
  ~HeadlessGrid() override;
  HeadlessGrid(const HeadlessGrid&) = delete;
  HeadlessGrid& operator=(const HeadlessGrid&) = delete;

  // --- Container.
  std::string Name() const override { return name_; }
  double Left() const override { return left_; }
  void Left(double twips) override { left_ = twips; }
  double Top() const override { return top_; }
  void Top(double twips) override { top_ = twips; }
  double Width() const override { return width_; }
  void Width(double twips) override { width_ = twips; }
  double Height() const override { return height_; }
  void Height(double twips) override { height_ = twips; }
  bool Visible() const override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  void SetFocus() override;
  bool HasFocus() const override;
  intptr_t WindowHandle() const override { return handle_; }
  void SetListener(GridListener* listener) override { listener_ = listener; }
  GridListener* Listener() const { return listener_; }

  // --- Columns.
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  HeadlessColumn& Column(int index) override;
  const HeadlessColumn& Column(int index) const;
  HeadlessColumn* ColumnByField(const std::string& dataField) override;
  HeadlessColumn& AddColumn(int index) override;
  void RemoveColumn(int index) override;

  // --- Binding.
  void DataSource(std::shared_ptr<Recordset> recordset) override;
  std::shared_ptr<Recordset> DataSource() const override { return recordset_; }
  void BindArray(std::shared_ptr<XArray> array) override;
  std::shared_ptr<XArray> BoundArray() const override { return array_; }
  void Rebind() override;
  void HoldFields() override;
  void ClearFields() override;
  void Refresh() override { ++refreshCount_; }
  void RefreshColumnLayout() override { ++layoutRefreshCount_; }

  void PostMsg(int messageId) override;
  // Posts to this queue instead of the default one.
  void UseEventLoop(HeadlessEventLoop* loop) { loop_ = loop; }

  // --- Navigation and state.
  int Col() const override;
  void Col(int index) override;
  int LeftCol() const override { return leftCol_; }
  void LeftCol(int index) override;
  int Row() const override;
  int VisibleRows() const override;
  float HeaderLines() const override { return headerLines_; }
  void HeaderLines(float lines) override { headerLines_ = lines < 0 ? 0 : lines; }
  double RowHeight() const override { return rowHeight_; }
  void RowHeight(double twips) override { rowHeight_ = twips > 0 ? twips : kLineHeight; }
  bool AllowAddNew() const override { return allowAddNew_; }
  void AllowAddNew(bool allow) override { allowAddNew_ = allow; }
  bool AllowUpdate() const override { return allowUpdate_; }
  void AllowUpdate(bool allow) override { allowUpdate_ = allow; }
  int TabAction() const override { return tabAction_; }
  void TabAction(int mode) override { tabAction_ = mode; }
  bool EditActive() const override { return editing_; }
  // Starting needs a current cell and AllowUpdate; ending keeps a pending change by
  // committing it.
  void EditActive(bool active) override;
  // Writes the edited text, converted to the field's type, into the current row.
  // A text that does not fit is reported in German and stays in the editor.
  void CommitEdit() override;
  bool DataChanged() const override { return dataChanged_; }
  // False drops the pending change of the cell.
  void DataChanged(bool changed) override;
  void DeleteCurrentRow() override;
  bool RecordSelectors() const override { return recordSelectors_; }
  void RecordSelectors(bool on) override { recordSelectors_ = on; }
  int ScrollBars() const override { return scrollBars_; }
  void ScrollBars(int setting) override { scrollBars_ = setting; }
  int ColContaining(double x) const override;
  int RowContaining(double y) const override;
  Variant RowBookmark(int row) const override;
  bool PointBeyondLastRow(double y) const override;

  Variant Bookmark() const override;
  void Bookmark(const Variant& bookmark) override;
  int SelectedCount() const override { return static_cast<int>(selected_.size()); }
  Variant SelectedAt(int index) const override;
  void AddSelected(const Variant& bookmark) override;
  void RemoveSelectedAt(int index) override;

  std::string CellText(int ordinal, int colIndex) const override;
  std::string CellValueText(int ordinal, int colIndex) const override;

  // --- Layouts.
  std::string LayoutFileName() const override { return layoutFile_; }
  void LayoutFileName(const std::string& path) override { layoutFile_ = path; }
  std::string LayoutName() const override { return layoutName_; }
  void LayoutName(const std::string& name) override { layoutName_ = name; }
  void LoadLayout() override;
  void AddLayout(const std::string& name) override;
  void RemoveLayout(const std::string& name) override;
  std::vector<std::string> LayoutNames() const override;

  // --- Output.
  void PrintOrientation(int orientation) override { orientation_ = orientation; }
  int PrintOrientation() const { return orientation_; }
  void PreviewCaption(int index, const std::string& text) override {
    previewCaptions_[index] = text;
  }
  std::string PreviewCaption(int index) const;
  void PrintFooter(const std::vector<std::string>& cells) override { printFooter_ = cells; }
  void PrintData() override;
  void PrintPreview() override;
  const std::vector<HeadlessPrintJob>& PrintJobs() const { return printJobs_; }
  // Printing fails like a machine without a printer (the library's message path).
  void PrinterMissing(bool missing) { printerMissing_ = missing; }
  void Export(const std::string& path, bool allRows, const std::string& separator,
              const std::string& prefix, const std::string& suffix) override;

  // Property 1 set to False forbids the user to delete rows (DeleteRow).
  static constexpr int kAllowDeleteProperty = 1;
  // Grid property ids that map onto the grid's own state: 2 add-new, 4 update, 5 bookmark, 6
  // current column, 12 header lines, 16 row height, 23 first visible column, 33 visible rows, 50
  // tab mode, 63 editing, 64 pending change, 67 text of the current cell, 73 record selectors.
  // Others are stored.
  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // --- Simulated user actions.
  void Focus() { SetFocus(); }
  // Focus leaves a grid that belongs to no form.
  void Blur();
  void PressKey(int keyCode, int shift = 0);
  void Type(const std::string& text);
  void MouseDown(int button, int shift, double x, double y);
  void MouseUp(int button, int shift, double x, double y);
  void Click(int button, int shift, double x, double y);
  void DoubleClick(double x, double y);
  // Drags the right edge of the column's header; false when a handler cancelled.
  bool ResizeColumn(int colIndex, double width);
  // Drags the column's header to a display position; false when cancelled.
  bool MoveColumn(int colIndex, int position);
  void ScrollTo(int leftCol);
  // Types the text into the column of the current row and commits; false when the
  // edit was refused or did not fit.
  bool EditCell(int colIndex, const std::string& text);
  // A new row with the typed texts by data field; defaults fill the other columns.
  bool AddNewRow(const std::vector<std::pair<std::string, std::string>>& texts);
  bool DeleteRow();

  // --- Inspection and geometry helpers.
  int RowCount() const;
  int CurrentOrdinal() const;  // -1 when there is no current row
  int TopRow() const;          // ordinal of the first row shown
  double HeaderHeight() const { return headerLines_ * kLineHeight; }
  // Left edge of a column shown, negative when it is hidden or scrolled away.
  double ColumnX(int colIndex) const;
  // A point inside the cell of a shown row / inside the column's header.
  std::pair<double, double> CellPoint(int colIndex, int row) const;
  std::pair<double, double> HeaderPoint(int colIndex) const;
  const std::string& EditText() const { return editText_; }
  int RebindCount() const { return rebindCount_; }
  int RefreshCount() const { return refreshCount_; }
  int LayoutRefreshCount() const { return layoutRefreshCount_; }
  // Column indexes of the visible columns in display order.
  std::vector<int> DisplayOrder(bool visibleOnly = true) const;
  // Moves the current cell to the previous (-1) or next (+1) visible column.
  void StepColumn(int direction);

  // Used by the columns.
  int IndexOf(const HeadlessColumn& column) const;
  int OrderOf(const HeadlessColumn& column) const;
  void MoveToOrder(HeadlessColumn& column, int position);
  Variant CurrentValue(const HeadlessColumn& column) const;
  void AutoSizeColumn(HeadlessColumn& column);
  // Used by HeadlessForm.
  void AttachForm(HeadlessForm* form) { form_ = form; }
  void FocusChanged(bool focused);
  // Used by the event loop.
  void DeliverPosted(int messageId);

 private:
  Variant ValueAt(int ordinal, const HeadlessColumn& column) const;
  Variant BookmarkAt(int ordinal) const;
  int OrdinalOf(const Variant& bookmark) const;
  void MoveToOrdinal(int ordinal);
  void Bind();
  void GenerateColumns();
  bool FieldsMatchColumns() const;
  void FixCursor();
  void BeginEdit(bool replace);
  bool WriteCell(int colIndex, const std::string& text);
  bool ConvertText(const HeadlessColumn& column, const std::string& text, Variant& out);
  void MoveRow(int delta);
  void TabMove(int direction, bool leaveAtEdge);
  void ReportError(const std::string& text) const;
  GridLayout CaptureLayout(const std::string& name) const;
  void ApplyLayout(const GridLayout& layout);
  std::vector<std::string> RowTexts(int ordinal, const std::vector<int>& cols) const;
  HeadlessPrintJob MakePrintJob(bool preview) const;
  void KeyDefault(int keyCode, int shift);
  void InsertChar(const std::string& ch);

  std::string name_;
  intptr_t handle_;
  double left_ = 0, top_ = 0, width_ = 8000, height_ = 3000;
  bool visible_ = true;
  bool focused_ = false;  // without a form
  HeadlessForm* form_ = nullptr;
  HeadlessEventLoop* loop_ = nullptr;
  GridListener* listener_ = nullptr;

  std::vector<std::unique_ptr<HeadlessColumn>> columns_;
  std::vector<HeadlessColumn*> order_;  // display order
  bool autoColumns_ = true;             // columns follow the source's fields

  std::shared_ptr<Recordset> recordset_;
  std::shared_ptr<XArray> array_;
  int arrayRow_ = -1;
  mutable int topRow_ = 0;

  int col_ = -1;
  int leftCol_ = 0;
  float headerLines_ = 1;
  double rowHeight_ = kLineHeight;
  bool allowAddNew_ = false, allowUpdate_ = true;
  int tabAction_ = 0;
  bool recordSelectors_ = true;
  int scrollBars_ = 3;

  bool editing_ = false, dataChanged_ = false;
  std::string editText_, editOriginal_;
  int editCol_ = -1;
  Variant editBookmark_;

  std::vector<Variant> selected_;
  std::string layoutFile_, layoutName_;
  int orientation_ = 1;
  std::map<int, std::string> previewCaptions_;
  std::vector<HeadlessPrintJob> printJobs_;
  std::vector<std::string> printFooter_;
  bool printerMissing_ = false;
  std::map<int, Variant> properties_;
  int rebindCount_ = 0, refreshCount_ = 0, layoutRefreshCount_ = 0;
};

}  // namespace vmbgrid
