// The grid control without a toolkit: what a grid is, apart from how it is shown.
// It holds the columns and their properties, the display order, the bound source
// and its rows, the current cell, the selected rows, the edit buffer and its commit
// rules, the named layouts and the page plan of a print. Both front ends derive
// from it: the headless grid adds recorded output and a simulated user, the Qt grid
// paints the core and turns Qt events into its operations. What a front end must
// show follows from the change hooks at the end of the class; geometry, focus and
// the posted-message queue are the front end's own.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "adapters/common/print_layout.h"
#include "host/grid_control.h"

namespace vmbgrid {

class GridCore;
struct GridLayout;

class CoreColumn : public GridColumn {
 public:
  static constexpr double kDefaultWidth = 1215;  // twips
  // Setting the property 79 (the auto-size method) fits the width to the content;
  // other ids are stored as given, so that the flags of another grid component
  // cannot change a named property by accident.
  static constexpr int kAutoSizeProperty = 79;

  explicit CoreColumn(GridCore& owner) : owner_(&owner) {}

  int Index() const override;
  Variant Value() const override;
  int Alignment() const override { return alignment_; }
  void Alignment(int alignment) override;
  std::string Caption() const override { return caption_; }
  void Caption(const std::string& caption) override;
  std::string DataField() const override { return dataField_; }
  void DataField(const std::string& field) override;
  std::string NumberFormat() const override { return numberFormat_; }
  void NumberFormat(const std::string& format) override;
  Variant DefaultValue() const override { return defaultValue_; }
  void DefaultValue(const Variant& value) override { defaultValue_ = value; }
  bool Visible() const override { return visible_; }
  void Visible(bool visible) override;
  double Width() const override { return width_; }
  // Not-a-number, negative and absurd widths are ignored: they would break the
  // geometry of the whole grid.
  void Width(double twips) override;
  int Order() const override;
  void Order(int position) override;
  std::string DropDown() const override { return dropDown_; }
  void DropDown(const std::string& controlName) override { dropDown_ = controlName; }

  // An item whose stored value is already listed replaces its display value, so
  // that repeated set-ups do not pile up duplicates.
  void AddValueItem(const ValueItem& item) override;
  void ClearValueItems() override;
  std::vector<ValueItem> ValueItems() const override { return valueItems_; }
  bool Translate() const override { return translate_; }
  void Translate(bool on) override;
  int Presentation() const override { return presentation_; }
  void Presentation(int presentation) override;

  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // The display value of a stored value when translation is on; the value otherwise.
  Variant Translated(const Variant& stored) const;
  // The stored value whose display text is `text` (translation on); false when none.
  bool StoredValueFor(const std::string& text, Variant& stored) const;
  // The caption as the header shows it, with the sort mark: " ▲" ascending, " ▼"
  // descending, and with several sort columns the rank ("Ort ▼1").
  std::string HeaderText() const;

 private:
  friend class GridCore;
  void TextChanged();
  void GeometryChanged();

  GridCore* owner_;
  int alignment_ = dbgGeneral;
  std::string caption_, dataField_, numberFormat_, dropDown_;
  Variant defaultValue_;
  bool visible_ = true;
  double width_ = kDefaultWidth;
  std::vector<ValueItem> valueItems_;
  bool translate_ = false;
  int presentation_ = dbgNormal;
  int sortDirection_ = 0, sortRank_ = 0;  // 0 none, 1 ascending, 2 descending; 1-based
  std::map<int, Variant> properties_;
};

// One printed page as texts: what both front ends put on paper.
struct PrintedPage {
  std::vector<int> columns;  // column indexes in display order
  std::vector<std::string> captions;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> footer;  // the sum line, on the last page of the rows
  std::string pageNumber;           // "Seite 1 von 3"
};

class GridCore : public GridControl {
 public:
  // A cell shows and is measured with at most this many characters and "…"; the
  // whole value stays in the source, the export and the clipboard. A text of
  // megabytes would otherwise be laid out on every paint.
  static constexpr size_t kMaxShownCharacters = 10000;

  explicit GridCore(std::string name) : name_(std::move(name)) {}
  ~GridCore() override;
  GridCore(const GridCore&) = delete;
  GridCore& operator=(const GridCore&) = delete;

  std::string Name() const override { return name_; }
  void SetListener(GridListener* listener) override { listener_ = listener; }
  GridListener* Listener() const { return listener_; }

  // --- Columns.
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  CoreColumn& Column(int index) override;  // out of range raises
  const CoreColumn& Column(int index) const;
  CoreColumn* ColumnByField(const std::string& dataField) override;
  CoreColumn& AddColumn(int index) override;
  void RemoveColumn(int index) override;
  // Column indexes in display order, the hidden ones too unless visibleOnly.
  std::vector<int> DisplayOrder(bool visibleOnly = true) const;
  int IndexOf(const CoreColumn& column) const;
  int OrderOf(const CoreColumn& column) const;
  // The sort marks of the headers, by data field: (field, 1 ascending or 2
  // descending); several fields are ranked in the order given.
  void SortMarks(const std::vector<std::pair<std::string, int>>& marks) override;

  // --- Binding.
  void DataSource(std::shared_ptr<Recordset> recordset) override;
  std::shared_ptr<Recordset> DataSource() const override { return recordset_; }
  void BindArray(std::shared_ptr<XArray> array) override;
  std::shared_ptr<XArray> BoundArray() const override { return array_; }
  void Rebind() override;
  void HoldFields() override { autoColumns_ = false; }
  void ClearFields() override;
  int RebindCount() const { return rebindCount_; }

  // --- Rows.
  int RowCount() const;        // rows of the source as it is now
  int CurrentOrdinal() const;  // -1 when there is no current row
  Variant ValueAt(int ordinal, int colIndex) const;
  Variant BookmarkAt(int ordinal) const;
  int OrdinalOf(const Variant& bookmark) const;
  // The text a cell shows, whole (export, clipboard, print footers).
  std::string CellText(int ordinal, int colIndex) const override;
  std::string CellValueText(int ordinal, int colIndex) const override;
  // The text a cell shows on screen and is measured with: at most
  // kMaxShownCharacters characters.
  std::string ShownText(int ordinal, int colIndex) const;
  // The value as the editor starts with it (translated, unformatted).
  std::string EditTextAt(int ordinal, int colIndex) const;
  // The user may change the cell (the add-new row is RowCount()).
  bool Editable(int ordinal, int colIndex) const;
  // The add-new row is offered below the data rows.
  bool OffersNewRow() const;

  // --- Current cell and selected rows.
  int Col() const override;
  void Col(int index) override;  // a pending edit is committed first
  // Moves the current cell to the previous (-1) or next (+1) visible column.
  void StepColumn(int direction);
  Variant Bookmark() const override;
  void Bookmark(const Variant& bookmark) override;  // a pending edit is committed first
  int SelectedCount() const override { return static_cast<int>(selected_.size()); }
  Variant SelectedAt(int index) const override;
  void AddSelected(const Variant& bookmark) override;
  void RemoveSelectedAt(int index) override;
  bool IsSelected(int ordinal) const;
  // Ctrl+click on a record selector: the row joins or leaves the selection.
  void ToggleSelected(const Variant& bookmark);
  void ClearSelection();

  // --- Edit buffer. One cell is edited at a time; its text is kept here until it
  // is committed (written into the source, converted to the field's type) or
  // dropped. A text that does not fit is reported in German and stays in the buffer.
  bool EditActive() const override { return editing_; }
  // Starting needs an editable current cell; ending keeps a pending change by
  // committing it.
  void EditActive(bool active) override;
  void CommitEdit() override;
  bool DataChanged() const override { return dataChanged_; }
  // False drops the pending change of the cell.
  void DataChanged(bool changed) override;
  // Starts editing the cell (ordinal RowCount() is the add-new row); replace starts
  // with an empty text. False when the cell cannot be edited.
  bool BeginEdit(int ordinal, int colIndex, bool replace);
  // The edited text as typed so far; setting it marks a change and raises Change.
  const std::string& EditText() const { return editText_; }
  void EditText(const std::string& text);
  // Ends editing without writing.
  void CancelEdit();
  int EditOrdinal() const;  // -1 when not editing
  int EditColumn() const { return editing_ ? editCol_ : -1; }
  // Writes a text into a cell (the add-new row inserts a row) and raises the
  // notifications; false when it was refused, with the reason shown.
  bool WriteText(int ordinal, int colIndex, const std::string& text);
  // A new row from typed texts by data field; defaults fill the other columns.
  bool AddNewRow(const std::vector<std::pair<std::string, std::string>>& texts);
  void DeleteCurrentRow() override;

  // --- Settings of the grid.
  float HeaderLines() const override { return headerLines_; }
  void HeaderLines(float lines) override;
  // 0 stands for the height of one text line, which the front end knows.
  double RowHeightSetting() const { return rowHeight_; }
  void RowHeight(double twips) override;
  using GridControl::RowHeight;  // the height in twips is the front end's
  bool AllowAddNew() const override { return allowAddNew_; }
  void AllowAddNew(bool allow) override;
  bool AllowUpdate() const override { return allowUpdate_; }
  void AllowUpdate(bool allow) override { allowUpdate_ = allow; }
  int TabAction() const override { return tabAction_; }
  void TabAction(int mode) override { tabAction_ = mode; }
  bool RecordSelectors() const override { return recordSelectors_; }
  void RecordSelectors(bool on) override;
  int ScrollBars() const override { return scrollBars_; }
  void ScrollBars(int setting) override;
  // Property 1 set to False forbids the user to delete rows.
  static constexpr int kAllowDeleteProperty = 1;
  // Ids that map onto the grid's state: 2 add-new, 4 update, 5 bookmark, 6 current
  // column, 12 header lines, 16 row height, 23 first visible column, 33 visible
  // rows, 50 tab mode, 63 editing, 64 pending change, 67 text of the current cell,
  // 73 record selectors. Others are stored.
  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // --- Named layouts in the layout file.
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
  const std::map<int, std::string>& PreviewCaptions() const { return previewCaptions_; }
  void PrintFooter(const std::vector<std::string>& cells) override { printFooter_ = cells; }
  const std::vector<std::string>& Footer() const { return printFooter_; }
  // The pages of a print of the visible columns in display order; a row of
  // `lineHeight` twips. Page texts are made one page at a time.
  PrintPlan PlanPages(double lineHeight) const;
  std::vector<int> PrintedColumns() const { return DisplayOrder(true); }
  PrintedPage PageTexts(const PrintPlan& plan, int page) const;
  void Export(const std::string& path, bool allRows, const std::string& separator,
              const std::string& prefix, const std::string& suffix) override;

  // --- Changes made by the user, each through one path: the core takes the new
  // state first and then tells the listener, which may cancel; a cancelled change
  // is taken back. So a listener always reads the state the user sees.
  bool UserResizedColumn(int colIndex, double twips);
  bool UserMovedColumn(int colIndex, int position);

 protected:
  // --- Hooks for the front end. Defaults do nothing.
  enum class ColumnsChange { kReset, kInsert, kRemove };
  // Runs the change of the column set; a view wraps it into its own notifications.
  virtual void ChangeColumns(ColumnsChange, int /*index*/, const std::function<void()>& change) {
    change();
  }
  // The captions or texts of one column changed (-1: of all).
  virtual void ColumnTextsChanged(int /*index*/) {}
  // Width or visibility of one column changed.
  virtual void ColumnGeometryChanged(int /*index*/) {}
  // A column moved in the display order.
  virtual void ColumnMoved(int /*index*/, int /*from*/, int /*to*/) {}
  // The source was bound again: rows and current row may be others.
  virtual void RowsReset() {}
  // Header lines, row height, record selectors, scroll bars or add-new row changed.
  virtual void FrameChanged() {}
  // The current cell moved (row or column).
  virtual void CurrentMoved() {}
  // Editing started, ended or its text was set from outside the view.
  virtual void EditChanged() {}
  // One row's cells changed (after a write); -1 for all.
  virtual void RowWritten(int /*ordinal*/) {}
  virtual void SelectionChanged() {}
  // The auto-size method of a column.
  virtual void AutoSize(CoreColumn& column) = 0;
  // Moves the source's current row (clamped to the rows).
  void MoveToOrdinal(int ordinal);
  // The current column as the view placed it, without commit or notification.
  void TakeColumn(int index) {
    if (index >= 0 && index < ColumnCount()) col_ = index;
  }
  // Shows a German message about a refused edit.
  void ReportError(const std::string& text) const;
  // Layout content, for front ends that keep more than the core.
  GridLayout CaptureLayout(const std::string& name) const;
  void ApplyLayout(const GridLayout& layout);

 private:
  friend class CoreColumn;
  void Bind();
  void GenerateColumns();
  bool FieldsMatchColumns() const;
  void FixCurrent();
  void MoveInOrder(CoreColumn& column, int position);
  bool ConvertText(const CoreColumn& column, const std::string& text, Variant& out) const;
  // Converts and writes one cell of a data row, without notifications; false when
  // refused, with the reason shown.
  bool Store(int ordinal, int colIndex, const std::string& text);
  bool InsertRow(const std::vector<std::pair<int, Variant>>& values);
  void RaiseColumnUpdated(int colIndex);

  std::string name_;
  GridListener* listener_ = nullptr;

  std::vector<std::unique_ptr<CoreColumn>> columns_;
  std::vector<CoreColumn*> order_;  // display order
  bool autoColumns_ = true;         // columns follow the source's fields

  std::shared_ptr<Recordset> recordset_;
  std::shared_ptr<XArray> array_;
  int arrayRow_ = -1;
  int rebindCount_ = 0;

  int col_ = -1;
  std::vector<Variant> selected_;
  std::unordered_set<int64_t> selectedKeys_;  // numeric bookmarks, for painting

  bool editing_ = false, dataChanged_ = false;
  std::string editText_, editOriginal_;
  int editCol_ = -1;
  bool editNewRow_ = false;
  Variant editBookmark_;

  float headerLines_ = 1;
  double rowHeight_ = 0;
  bool allowAddNew_ = false, allowUpdate_ = true;
  int tabAction_ = 0;
  bool recordSelectors_ = true;
  int scrollBars_ = 3;
  std::map<int, Variant> properties_;

  std::string layoutFile_, layoutName_;
  int orientation_ = 1;
  std::map<int, std::string> previewCaptions_;
  std::vector<std::string> printFooter_;
};

}  // namespace vmbgrid
