// The Qt Widgets grid: a QTableView over the bound recordset or array. The view's
// model is a window of the rows that fit into the viewport (rows are read through
// ValueAt/BookmarkAt when painted); the view's vertical scroll bar spans all rows and
// moves the window. A QTableView keeps a header section for every model row, so a
// model of all rows would cost about 11 bytes per row; the window costs nothing per
// row. Positions and widths of the contract are twips and converted with the
// screen's twips per pixel.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/grid_control.h"

class QKeyEvent;
class QPagedPaintDevice;
class QPrinter;
class QPrintPreviewDialog;
class QMouseEvent;
class QString;
class QTimer;
class QTableView;
class QWidget;

namespace vmbgrid {

struct GridLayout;
class QtGrid;

namespace qt {
class GridView;
class GridModel;
class GridDelegate;
}  // namespace qt

class QtGridColumn : public GridColumn {
 public:
  static constexpr double kDefaultWidth = 1215;  // twips
  // Column property ids that map onto the column's own properties; 79 fits the
  // width to the content.
  static constexpr int kAutoSizeProperty = 79;

  explicit QtGridColumn(QtGrid& owner) : owner_(&owner) {}

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
  void Presentation(int presentation) override { presentation_ = presentation; }

  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // The display value of a stored value when translation is on; the value otherwise.
  Variant Translated(const Variant& stored) const;
  // The stored value whose display text is `text` (translation on); false when none.
  bool StoredValueFor(const std::string& text, Variant& stored) const;

  // Width set by the user's drag, without notifying the grid again.
  void WidthFromView(double twips) { width_ = twips; }

 private:
  QtGrid* owner_;
  int alignment_ = dbgGeneral;
  std::string caption_, dataField_, numberFormat_, dropDown_;
  Variant defaultValue_;
  bool visible_ = true;
  double width_ = kDefaultWidth;
  std::vector<ValueItem> valueItems_;
  bool translate_ = false;
  int presentation_ = dbgNormal;
  std::map<int, Variant> properties_;
};

class QtGrid : public GridControl {
 public:
  static constexpr double kLineHeight = 240;  // twips of one header line
  static constexpr double kRecordSelectorWidth = 285;

  // The grid's widget is created with the given parent (or none; the host may put
  // it into a layout). The grid deletes its widget when it goes away first.
  explicit QtGrid(std::string name = "TDBGrid1", QWidget* parent = nullptr);
  ~QtGrid() override;
  QtGrid(const QtGrid&) = delete;
  QtGrid& operator=(const QtGrid&) = delete;

  QTableView* View() const;
  // The grid a widget belongs to (the view, its viewport, headers or cell editor).
  static QtGrid* FromWidget(const QWidget* widget);
  // Moves the current cell to the previous (-1) or next (+1) visible column.
  void StepColumn(int direction);
  // Opens the drop-down named by the current column (F4 or Alt+Down); false when
  // the column has none.
  bool OpenDropDown();
  // A value chosen in the drop-down becomes the pending text of the current cell.
  void PutChosenValue(const Variant& value);

  // --- Container.
  std::string Name() const override { return name_; }
  double Left() const override;
  void Left(double twips) override;
  double Top() const override;
  void Top(double twips) override;
  double Width() const override;
  void Width(double twips) override;
  double Height() const override;
  void Height(double twips) override;
  bool Visible() const override;
  void Visible(bool visible) override;
  void SetFocus() override;
  bool HasFocus() const override;
  intptr_t WindowHandle() const override { return handle_; }
  void SetListener(GridListener* listener) override { listener_ = listener; }

  // --- Columns.
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  QtGridColumn& Column(int index) override;
  QtGridColumn* ColumnByField(const std::string& dataField) override;
  QtGridColumn& AddColumn(int index) override;
  void RemoveColumn(int index) override;

  // --- Binding.
  void DataSource(std::shared_ptr<Recordset> recordset) override;
  // Progressive loading (qt_grid_fetch.cpp): a bound recordset that is still
  // fetching gets its further rows in portions on the event loop, each within a few
  // milliseconds, so the first rows show at once and the grid stays responsive; the
  // row count and the scroll bar grow with every portion. Esc in the grid, or
  // CancelLoading, stops the load and keeps the rows fetched so far.
  bool FetchesProgressively() const override { return true; }
  bool Loading() const;
  // False when no load was running.
  bool CancelLoading();
  // Called when a load starts, after each portion and when it ends.
  void OnLoadProgress(std::function<void()> callback) { loadProgress_ = std::move(callback); }
  // Rows of one FetchMore call and the time one event-loop turn may spend fetching,
  // for every Qt grid of the process (defaults 2000 rows, 12 ms).
  static void LoadPortion(int32_t rows, int milliseconds);
  std::shared_ptr<Recordset> DataSource() const override { return recordset_; }
  void BindArray(std::shared_ptr<XArray> array) override;
  std::shared_ptr<XArray> BoundArray() const override { return array_; }
  void Rebind() override;
  void HoldFields() override { autoColumns_ = false; }
  void ClearFields() override;
  void Refresh() override;
  void RefreshColumnLayout() override;

  void PostMsg(int messageId) override;

  // --- Navigation and state.
  int Col() const override;
  void Col(int index) override;
  int LeftCol() const override;
  void LeftCol(int index) override;
  int Row() const override;
  int VisibleRows() const override;
  float HeaderLines() const override { return headerLines_; }
  void HeaderLines(float lines) override;
  double RowHeight() const override;
  void RowHeight(double twips) override;
  bool AllowAddNew() const override { return allowAddNew_; }
  void AllowAddNew(bool allow) override;
  bool AllowUpdate() const override { return allowUpdate_; }
  void AllowUpdate(bool allow) override { allowUpdate_ = allow; }
  int TabAction() const override { return tabAction_; }
  void TabAction(int mode) override { tabAction_ = mode; }
  bool EditActive() const override;
  // Ending the edit keeps a pending change by committing it.
  void EditActive(bool active) override;
  void CommitEdit() override;
  bool DataChanged() const override;
  // False drops the pending change of the cell.
  void DataChanged(bool changed) override;
  void DeleteCurrentRow() override;
  bool RecordSelectors() const override { return recordSelectors_; }
  void RecordSelectors(bool on) override;
  int ScrollBars() const override { return scrollBars_; }
  void ScrollBars(int setting) override;
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
  void PreviewCaption(int index, const std::string& text) override {
    previewCaptions_[index] = text;
  }
  void PrintFooter(const std::vector<std::string>& cells) override { printFooter_ = cells; }
  // Prints on the default printer; without one raises VMError (errc::kPrinterError).
  // After PrintToPdf the next print writes that PDF file instead.
  void PrintData() override;
  // The preview window; PreviewRunner decides how it is shown (modal by default).
  void PrintPreview() override;
  void Export(const std::string& path, bool allRows, const std::string& separator,
              const std::string& prefix, const std::string& suffix) override;
  void PrintToPdf(const std::string& path) { pdfTarget_ = path; }
  int LastPrintPages() const { return lastPrintPages_; }
  // Renders the pages of a print onto a printer, a preview's printer or a PDF
  // writer; returns the number of pages.
  int RenderPages(QPagedPaintDevice& printer, int resolution);
  using PreviewRunner = std::function<void(QPrintPreviewDialog&)>;
  static void SetPreviewRunner(PreviewRunner runner);

  // Ids mapped onto the grid's state: 2 add-new, 4 update, 5 bookmark, 6 current
  // column, 12 header lines, 16 row height, 23 first visible column, 33 visible
  // rows, 50 tab mode, 63 editing, 64 pending change, 67 text of the current cell,
  // 73 record selectors. Others are stored.
  void SetProperty(int id, const Variant& value) override;
  Variant GetProperty(int id) const override;

  // --- Inspection for hosts and tests.
  int RowCount() const { return rows_; }
  int CurrentOrdinal() const;  // -1 when there is no current row
  int TopRow() const;          // ordinal of the first row shown
  // Rows the view's model holds: those from TopRow() that fit into the viewport.
  int WindowRows() const { return windowRows_; }
  // Height of the column header in twips (0 when hidden).
  double HeaderHeight() const;
  double TwipsPerPixelX() const;
  double TwipsPerPixelY() const;

 private:
  friend class QtGridColumn;
  friend class qt::GridView;
  friend class qt::GridModel;
  friend class qt::GridDelegate;
  class SourceObserver;

  // Cells.
  Variant RawValue(int ordinal, int colIndex) const;
  Variant BookmarkAt(int ordinal) const;
  int OrdinalOf(const Variant& bookmark) const;
  std::string DisplayText(int ordinal, int colIndex) const;
  std::string EditText(int ordinal, int colIndex) const;
  bool Editable(int ordinal, int colIndex) const;
  bool IsSelectedRow(int ordinal) const;
  bool IsAddNewRow(int ordinal) const;
  // Writes a committed cell edit into the source and raises the notifications.
  bool WriteCell(int ordinal, int colIndex, const std::string& text);
  bool ConvertText(const QtGridColumn& column, const std::string& text, Variant& out) const;
  bool InsertRow(int colIndex, const Variant& value);
  void ReportError(const std::string& text) const;

  // Binding and view state.
  void Bind();
  void ClearSelection();
  void GenerateColumns();
  bool FieldsMatchColumns() const;
  void ResetRows();
  // More rows of a growing source: the scroll bar follows, the window only when it
  // shows the end of the rows.
  void GrowRows();
  void StartFetching();
  void FetchPortion();
  void ApplyHeader();
  void ApplyOrder();
  void ApplyFrame();
  void ApplyColumn(int index);
  // index: the one column whose texts changed; -1 for all.
  void ColumnTextChanged(int index = -1);
  void MoveToOrdinal(int ordinal);
  void SyncCurrentFromSource();
  // Makes `ordinal` the view's current row (it may be the add-new row) and scrolls
  // it into view; -1 leaves the view without a current row.
  void ShowCurrent(int ordinal);

  // The row window (qt_grid_window.cpp). Ordinals are offset_ + the view's row.
  enum ScrollHint { kNearest = 0, kAtTop = 1, kAtBottom = 2, kAtCenter = 3 };  // as Qt's
  int TotalRows() const { return rows_ + (addRow_ ? 1 : 0); }
  int RowPixels() const;
  int FullRows() const;        // rows the viewport shows in full, at least 1
  int WindowCapacity() const;  // rows the viewport shows in full or in part
  int MaxOffset() const;
  int OrdinalAt(int viewRow) const { return offset_ + viewRow; }
  int ViewRowOf(int ordinal) const;  // -1 outside the window
  void SetWindow(int offset);
  void FitWindow() { SetWindow(offset_); }
  void Reveal(int ordinal, int hint);
  void RevealCurrent();
  void PlaceCurrent();
  void SyncScrollBar();
  void ScrollToViewRow(int viewRow, int column, int hint);
  bool NavigateRows(QKeyEvent* event);
  void KeyboardSearch(const QString& text);
  int EdgeColumn(bool last) const;
  int IndexOf(const QtGridColumn& column) const;
  int OrderOf(const QtGridColumn& column) const;
  void MoveToOrder(QtGridColumn& column, int position);
  void AutoSizeColumn(QtGridColumn& column);
  int PixelsX(double twips) const;
  int PixelsY(double twips) const;
  GridLayout CaptureLayout(const std::string& name) const;
  void ApplyLayout(const GridLayout& layout);

  // Notifications from the view.
  bool HandleKeyPress(QKeyEvent* event, bool inEditor);
  void HandleKeyRelease(QKeyEvent* event);
  void PerformKey(int keyCode, int shift);
  bool Navigate(int keyCode, int shift);
  void HandleMouse(QWidget* source, QMouseEvent* event);
  // The context-menu key: a right click at the top of the current column (the
  // record selector of a line without header).
  void KeyboardContextMenu();
  // A Boolean value in a column presented as check boxes.
  bool IsCheckBoxCell(int ordinal, int col) const;
  void HandleFocusChange(QWidget* old, QWidget* now);
  void HandleSectionResized(int logical, int oldSize, int newSize);
  void HandleSectionMoved(int logical, int oldVisual, int newVisual);
  void HandleScrolled();
  void HandleRecordSelectorClick(int row);
  void DeliverPosted(int messageId);
  void EditorTextChanged();
  void SetEditText(const std::string& text);
  void ViewGone();
  void CurrentChangedInView(int ordinal, int col);

  std::string name_;
  intptr_t handle_ = 0;
  GridListener* listener_ = nullptr;
  QPointer<qt::GridView> view_;
  std::unique_ptr<qt::GridModel> model_;
  std::unique_ptr<qt::GridDelegate> delegate_;
  QMetaObject::Connection focusConnection_;
  std::unique_ptr<SourceObserver> observer_;
  QPointer<QTimer> fetchTimer_;
  bool inPortion_ = false;  // rows arrive from our own FetchMore
  std::function<void()> loadProgress_;

  std::vector<std::unique_ptr<QtGridColumn>> columns_;
  std::vector<QtGridColumn*> order_;  // display order
  bool autoColumns_ = true;           // columns follow the source's fields

  std::shared_ptr<Recordset> recordset_;
  std::shared_ptr<XArray> array_;
  int rows_ = 0;         // data rows as of the last reset
  int offset_ = 0;       // ordinal of the window's first row
  int windowRows_ = 0;   // rows of the window, as the model announced them
  int viewRow_ = -1;     // ordinal of the view's current row (the add-new row too)
  int col_ = -1;         // current column
  int arrayRow_ = -1;    // current row of a bound array
  bool addRow_ = false;  // the add-new row is shown below the data rows

  float headerLines_ = 1;
  double rowHeight_ = 0;  // 0 = one text line
  bool allowAddNew_ = false, allowUpdate_ = true;
  int tabAction_ = 0;
  bool recordSelectors_ = true;
  int scrollBars_ = 3;

  std::vector<Variant> selected_;
  std::unordered_set<int64_t> selectedKeys_;
  std::string layoutFile_, layoutName_;
  int orientation_ = 1;
  std::map<int, std::string> previewCaptions_;
  std::vector<std::string> printFooter_;
  std::string pdfTarget_;
  int lastPrintPages_ = 0;
  std::map<int, Variant> properties_;

  int applying_ = 0;         // programmatic header changes in progress
  bool rebuilding_ = false;  // columns replaced inside a model reset: no header signals
  bool syncing_ = false;     // the grid moves the source or the view's current itself
  bool placing_ = false;     // the window moves: the view must not scroll on its own
  bool barSetting_ = false;  // the vertical scroll bar is set, not moved by the user
  std::string searchText_;   // typed so far by the keyboard search
  int64_t searchTime_ = 0;   // when its last character came (ms)
  bool focused_ = false;
  int lastLeftCol_ = -1;
};

}  // namespace vmbgrid
