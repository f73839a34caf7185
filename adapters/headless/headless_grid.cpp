// Headless grid: container, focus, posted messages and the geometry in twips.
#include "adapters/headless/headless_grid.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "adapters/headless/headless_event_loop.h"
#include "adapters/headless/headless_form.h"

namespace vmbgrid {

namespace {
std::atomic<intptr_t> nextHandle{0x1000};
}  // namespace

HeadlessGrid::HeadlessGrid(std::string name)
    : GridCore(std::move(name)), handle_(nextHandle.fetch_add(0x10)) {
  GridCore::RowHeight(kLineHeight);
}

HeadlessGrid::~HeadlessGrid() {
  (loop_ != nullptr ? *loop_ : HeadlessEventLoop::Default()).Discard(this);
  if (form_ != nullptr) form_->ForgetGrid(*this);
}

// --- Focus.

void HeadlessGrid::SetFocus() {
  if (form_ != nullptr) {
    form_->FocusControl(Name());
    return;
  }
  if (!focused_) FocusChanged(true);
}

bool HeadlessGrid::HasFocus() const {
  if (form_ != nullptr) return form_->ActiveControlName() == Name();
  return focused_;
}

void HeadlessGrid::Blur() {
  if (form_ != nullptr) {
    if (HasFocus()) form_->FocusControl("");
    return;
  }
  if (focused_) FocusChanged(false);
}

void HeadlessGrid::FocusChanged(bool focused) {
  focused_ = focused;
  if (Listener() == nullptr) return;
  if (focused) {
    Listener()->GotFocus(*this);
  } else {
    Listener()->LostFocus(*this);
  }
}

// --- Columns.

void HeadlessGrid::ChangeColumns(ColumnsChange kind, int index,
                                 const std::function<void()>& change) {
  change();
  if (kind == ColumnsChange::kReset) leftCol_ = 0;
  if (kind == ColumnsChange::kRemove && leftCol_ >= index)
    leftCol_ = std::clamp(leftCol_, 0, std::max(0, ColumnCount() - 1));
}

// --- Posted messages.

void HeadlessGrid::PostMsg(int messageId) {
  (loop_ != nullptr ? *loop_ : HeadlessEventLoop::Default()).Post(this, messageId);
}

void HeadlessGrid::DeliverPosted(int messageId) {
  if (Listener() != nullptr) Listener()->PostEvent(*this, messageId);
}

// --- Geometry.

double HeadlessGrid::RowHeight() const {
  return RowHeightSetting() > 0 ? RowHeightSetting() : kLineHeight;
}

int HeadlessGrid::VisibleRows() const {
  const double area = height_ - HeaderHeight();
  if (area <= 0) return 0;
  return static_cast<int>(std::floor(area / RowHeight()));
}

int HeadlessGrid::TopRow() const {
  // The current row may have been moved by the recordset itself: scroll so that it
  // is shown, as a real grid does.
  const int rows = RowCount();
  const int visible = std::max(1, VisibleRows());
  const int current = CurrentOrdinal();
  if (current >= 0) {
    if (current < topRow_) topRow_ = current;
    if (current >= topRow_ + visible) topRow_ = current - visible + 1;
  }
  topRow_ = std::clamp(topRow_, 0, std::max(0, rows - 1));
  return topRow_;
}

int HeadlessGrid::Row() const {
  const int current = CurrentOrdinal();
  return current < 0 ? -1 : current - TopRow();
}

void HeadlessGrid::LeftCol(int index) {
  leftCol_ = std::clamp(index, 0, std::max(0, ColumnCount() - 1));
}

std::vector<std::pair<int, double>> HeadlessGrid::ShownColumnLefts() const {
  std::vector<std::pair<int, double>> shown;
  double x = RecordSelectors() ? kRecordSelectorWidth : 0;
  const std::vector<int> order = DisplayOrder(false);
  auto start =
      leftCol_ < ColumnCount() ? std::find(order.begin(), order.end(), leftCol_) : order.begin();
  for (auto it = start; it != order.end(); ++it) {
    const CoreColumn& c = Column(*it);
    if (!c.Visible()) continue;
    shown.emplace_back(*it, x);
    x += c.Width();
  }
  return shown;
}

double HeadlessGrid::ColumnX(int colIndex) const {
  for (const auto& [index, left] : ShownColumnLefts())
    if (index == colIndex) return left;
  return -1;
}

int HeadlessGrid::ColContaining(double x) const {
  if (!(x >= 0) || x >= width_) return -1;
  for (const auto& [index, left] : ShownColumnLefts())
    if (x >= left && x < left + Column(index).Width()) return index;
  return -1;
}

int HeadlessGrid::RowContaining(double y) const {
  const double header = HeaderHeight();
  if (!(y >= header) || y >= height_) return -1;
  const int row = static_cast<int>(std::floor((y - header) / RowHeight()));
  if (row >= VisibleRows() || TopRow() + row >= RowCount()) return -1;
  return row;
}

Variant HeadlessGrid::RowBookmark(int row) const {
  if (row < 0) return Variant::Null();
  return BookmarkAt(TopRow() + row);
}

bool HeadlessGrid::PointBeyondLastRow(double y) const {
  const int shown = std::clamp(RowCount() - TopRow(), 0, VisibleRows());
  return y >= HeaderHeight() + shown * RowHeight();
}

std::pair<double, double> HeadlessGrid::CellPoint(int colIndex, int row) const {
  const double x = ColumnX(colIndex);
  if (x < 0) return {-1, -1};
  return {x + Column(colIndex).Width() / 2, HeaderHeight() + row * RowHeight() + RowHeight() / 2};
}

std::pair<double, double> HeadlessGrid::HeaderPoint(int colIndex) const {
  const double x = ColumnX(colIndex);
  if (x < 0) return {-1, -1};
  return {x + Column(colIndex).Width() / 2, HeaderHeight() / 2};
}

}  // namespace vmbgrid
