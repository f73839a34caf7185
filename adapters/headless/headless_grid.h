// The headless grid: the grid core with its geometry computed in twips (header
// HeaderLines x 240, rows 240, record selectors 285), so that positions used by the
// library (RowContaining, ColContaining) behave as on screen, and with its output
// recorded (print jobs, refreshes). Public methods below the contract simulate the
// user and raise the notifications a real grid raises, in the same order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "adapters/common/grid_core.h"

namespace vmbgrid {

class HeadlessForm;
class HeadlessEventLoop;

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

using HeadlessPrintPage = PrintedPage;

// What PrintData or PrintPreview would have put on paper.
struct HeadlessPrintJob {
  bool preview = false;
  int orientation = 1;
  int rowsPerPage = 0;
  std::vector<std::string> pages;  // lines joined by "\n", cells by "\t"
  std::vector<HeadlessPrintPage> layout;
};

class HeadlessGrid : public GridCore {
 public:
  static constexpr double kLineHeight = 240;  // one text line, twips
  static constexpr double kRecordSelectorWidth = 285;

  explicit HeadlessGrid(std::string name = "TDBGrid1");
  ~HeadlessGrid() override;

  // --- Container.
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

  void Refresh() override { ++refreshCount_; }
  void RefreshColumnLayout() override { ++layoutRefreshCount_; }

  void PostMsg(int messageId) override;
  // Posts to this queue instead of the default one.
  void UseEventLoop(HeadlessEventLoop* loop) { loop_ = loop; }

  // --- Geometry.
  int LeftCol() const override { return leftCol_; }
  void LeftCol(int index) override;
  int Row() const override;
  int VisibleRows() const override;
  double RowHeight() const override;
  using GridCore::RowHeight;
  int ColContaining(double x) const override;
  int RowContaining(double y) const override;
  Variant RowBookmark(int row) const override;
  bool PointBeyondLastRow(double y) const override;

  // --- Output.
  void PrintData() override;
  void PrintPreview() override;
  const std::vector<HeadlessPrintJob>& PrintJobs() const { return printJobs_; }
  // Printing fails like a machine without a printer (the library's message path).
  void PrinterMissing(bool missing) { printerMissing_ = missing; }

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
  bool DeleteRow();

  // --- Inspection and geometry helpers.
  int TopRow() const;  // ordinal of the first row shown
  double HeaderHeight() const { return HeaderLines() * kLineHeight; }
  // Left edge of a column shown, negative when it is hidden or scrolled away.
  double ColumnX(int colIndex) const;
  // A point inside the cell of a shown row / inside the column's header.
  std::pair<double, double> CellPoint(int colIndex, int row) const;
  std::pair<double, double> HeaderPoint(int colIndex) const;
  int RefreshCount() const { return refreshCount_; }
  int LayoutRefreshCount() const { return layoutRefreshCount_; }

  // Used by HeadlessForm.
  void AttachForm(HeadlessForm* form) { form_ = form; }
  void FocusChanged(bool focused);
  // Used by the event loop.
  void DeliverPosted(int messageId);

 protected:
  void AutoSize(CoreColumn& column) override;
  void ChangeColumns(ColumnsChange kind, int index, const std::function<void()>& change) override;

 private:
  void MoveRow(int delta);
  void TabMove(int direction, bool leaveAtEdge);
  HeadlessPrintJob MakePrintJob(bool preview) const;
  void KeyDefault(int keyCode, int shift);
  void InsertChar(const std::string& ch);
  void BeginEditHere(bool replace) { BeginEdit(CurrentOrdinal(), Col(), replace); }
  // The columns shown from the first scrolled-to one on, each with its left edge.
  std::vector<std::pair<int, double>> ShownColumnLefts() const;

  intptr_t handle_;
  double left_ = 0, top_ = 0, width_ = 8000, height_ = 3000;
  bool visible_ = true;
  bool focused_ = false;  // without a form
  HeadlessForm* form_ = nullptr;
  HeadlessEventLoop* loop_ = nullptr;

  mutable int topRow_ = 0;
  int leftCol_ = 0;

  std::vector<HeadlessPrintJob> printJobs_;
  bool printerMissing_ = false;
  int refreshCount_ = 0, layoutRefreshCount_ = 0;
};

}  // namespace vmbgrid
