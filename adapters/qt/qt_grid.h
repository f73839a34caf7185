// The Qt Widgets grid: the grid core shown in a QTableView, with Qt's events turned
// into the core's operations and the contract's notifications. The view's
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
#include <vector>

#include "adapters/common/grid_core.h"

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

class QtGrid;

namespace qt {
class GridView;
class GridModel;
class GridDelegate;
}  // namespace qt

// Columns of the Qt grid are the core's.
using QtGridColumn = CoreColumn;

class QtGrid : public GridCore {
 public:
  static constexpr double kLineHeight = 240;  // twips of one header line
  static constexpr double kRecordSelectorWidth = 285;

  // The grid's widget is created with the given parent (or none; the host may put
  // it into a layout). The grid deletes its widget when it goes away first.
  explicit QtGrid(std::string name = "TDBGrid1", QWidget* parent = nullptr);
  ~QtGrid() override;

  QTableView* View() const;
  // The grid a widget belongs to (the view, its viewport, headers or cell editor).
  static QtGrid* FromWidget(const QWidget* widget);
  // Opens the drop-down named by the current column (F4 or Alt+Down); false when
  // the column has none.
  bool OpenDropDown();
  // A value chosen in the drop-down becomes the pending text of the current cell.
  void PutChosenValue(const Variant& value);

  // --- Container.
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

  // --- Binding.
  void DataSource(std::shared_ptr<Recordset> recordset) override;
  using GridCore::DataSource;
  void BindArray(std::shared_ptr<XArray> array) override;
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
  void Refresh() override;
  void RefreshColumnLayout() override;

  void PostMsg(int messageId) override;

  // --- Navigation and geometry.
  int LeftCol() const override;
  void LeftCol(int index) override;
  int Row() const override;
  int VisibleRows() const override;
  double RowHeight() const override;
  using GridCore::RowHeight;
  // Opens the cell editor on the current cell of the view (the add-new row too).
  void EditActive(bool active) override;
  using GridCore::EditActive;
  int ColContaining(double x) const override;
  int RowContaining(double y) const override;
  Variant RowBookmark(int row) const override;
  bool PointBeyondLastRow(double y) const override;

  // --- Output.
  // Prints on the default printer; without one raises VMError (errc::kPrinterError).
  // After PrintToPdf the next print writes that PDF file instead.
  void PrintData() override;
  // The preview window; PreviewRunner decides how it is shown (modal by default).
  void PrintPreview() override;
  void PrintToPdf(const std::string& path) { pdfTarget_ = path; }
  int LastPrintPages() const { return lastPrintPages_; }
  // Renders the pages of a print onto a printer, a preview's printer or a PDF
  // writer; returns the number of pages.
  int RenderPages(QPagedPaintDevice& printer, int resolution);
  using PreviewRunner = std::function<void(QPrintPreviewDialog&)>;
  static void SetPreviewRunner(PreviewRunner runner);

  // --- Inspection for hosts and tests.
  int TopRow() const { return offset_; }  // ordinal of the first row shown
  // Rows the view's model holds: those from TopRow() that fit into the viewport.
  int WindowRows() const { return windowRows_; }
  // Height of the column header in twips (0 when hidden).
  double HeaderHeight() const;
  double TwipsPerPixelX() const;
  double TwipsPerPixelY() const;

 protected:
  // The core's changes, shown.
  void ChangeColumns(ColumnsChange kind, int index, const std::function<void()>& change) override;
  void ColumnTextsChanged(int index) override;
  void ColumnGeometryChanged(int index) override { ApplyColumn(index); }
  void ColumnMoved(int index, int from, int to) override;
  void RowsReset() override { ResetRows(); }
  void FrameChanged() override;
  void CurrentMoved() override { SyncCurrentFromSource(); }
  void EditChanged() override;
  void RowWritten(int ordinal) override;
  void SelectionChanged() override;
  void AutoSize(CoreColumn& column) override;

 private:
  friend class qt::GridView;
  friend class qt::GridModel;
  friend class qt::GridDelegate;
  class SourceObserver;

  bool IsAddNewRow(int ordinal) const { return addRow_ && ordinal == rows_; }
  void MoveSource(int ordinal);

  // Binding and view state.
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
  int PixelsX(double twips) const;
  int PixelsY(double twips) const;

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
  // Text typed into the cell editor.
  void EditorTextChanged(const std::string& text);
  void ViewGone();
  void CurrentChangedInView(int ordinal, int col);

  intptr_t handle_ = 0;
  QPointer<qt::GridView> view_;
  std::unique_ptr<qt::GridModel> model_;
  std::unique_ptr<qt::GridDelegate> delegate_;
  QMetaObject::Connection focusConnection_;
  std::unique_ptr<SourceObserver> observer_;
  QPointer<QTimer> fetchTimer_;
  bool inPortion_ = false;  // rows arrive from our own FetchMore
  std::function<void()> loadProgress_;

  int rows_ = 0;         // data rows as of the last reset
  int offset_ = 0;       // ordinal of the window's first row
  int windowRows_ = 0;   // rows of the window, as the model announced them
  int viewRow_ = -1;     // ordinal of the view's current row (the add-new row too)
  bool addRow_ = false;  // the add-new row is shown below the data rows

  std::string pdfTarget_;
  int lastPrintPages_ = 0;

  int applying_ = 0;            // programmatic header changes in progress
  bool rebuilding_ = false;     // columns replaced inside a model reset: no header signals
  bool syncing_ = false;        // the grid moves the source or the view's current itself
  bool placing_ = false;        // the window moves: the view must not scroll on its own
  bool barSetting_ = false;     // the vertical scroll bar is set, not moved by the user
  bool editorOpening_ = false;  // the view opens or closes the editor itself
  std::string searchText_;      // typed so far by the keyboard search
  int64_t searchTime_ = 0;      // when its last character came (ms)
  bool focused_ = false;
  int lastLeftCol_ = -1;
};

}  // namespace vmbgrid
