// Headless grid: display texts, named layouts, printing and delimited export.
#include <algorithm>
#include <numeric>

#include "adapters/common/delimited_export.h"
#include "adapters/common/display_format.h"
#include "adapters/common/file_util.h"
#include "adapters/common/layout_file.h"
#include "adapters/common/print_layout.h"
#include "adapters/common/text_util.h"
#include "adapters/headless/headless_grid.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
constexpr double kCharWidth = 120;  // twips of an average character
constexpr double kCellPadding = 120;
constexpr int kAutoSizeRows = 1000;  // rows looked at when fitting a width

size_t CharacterCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}
}  // namespace

std::string HeadlessGrid::CellText(int ordinal, int colIndex) const {
  const HeadlessColumn& column = Column(colIndex);
  if (ordinal < 0 || ordinal >= RowCount()) return "";
  Variant value = column.Translated(ValueAt(ordinal, column));
  if (AsciiLower(column.NumberFormat()) == "formattext event") {
    if (listener_ != nullptr) {
      listener_->FormatText(const_cast<HeadlessGrid&>(*this), colIndex, value, BookmarkAt(ordinal));
    }
    return PlainText(value);
  }
  return FormatCell(value, column.NumberFormat());
}

std::string HeadlessGrid::CellValueText(int ordinal, int colIndex) const {
  if (ordinal < 0 || ordinal >= RowCount()) return "";
  return PlainText(ValueAt(ordinal, Column(colIndex)));
}

void HeadlessGrid::AutoSizeColumn(HeadlessColumn& column) {
  int index = IndexOf(column);
  size_t widest = CharacterCount(column.Caption());
  int rows = std::min(RowCount(), kAutoSizeRows);
  for (int r = 0; r < rows; ++r) widest = std::max(widest, CharacterCount(CellText(r, index)));
  column.Width(static_cast<double>(widest) * kCharWidth + kCellPadding);
}

// --- Layouts.

namespace {
LayoutFile OpenLayoutFile(const std::string& path) {
  if (path.empty()) {
    throw VMError(errc::kFileNotFound, "HeadlessGrid", "Es ist keine Layoutdatei eingestellt.");
  }
  return LayoutFile(path);
}
}  // namespace

GridLayout HeadlessGrid::CaptureLayout(const std::string& name) const {
  GridLayout layout;
  layout.name = name;
  layout.headerLines = headerLines_;
  layout.rowHeight = rowHeight_;
  layout.recordSelectors = recordSelectors_;
  for (int i = 0; i < ColumnCount(); ++i) {
    layout.columns.push_back(DescribeColumn(Column(i), i));
  }
  return layout;
}

void HeadlessGrid::ApplyLayout(const GridLayout& layout) {
  // Built aside and swapped in, so that the grid is never left half changed.
  std::vector<std::unique_ptr<HeadlessColumn>> columns;
  for (const ColumnLayout& l : layout.columns) {
    auto c = std::make_unique<HeadlessColumn>(*this);
    ApplyColumnLayout(*c, l);
    columns.push_back(std::move(c));
  }
  // Display positions as stored; duplicates or gaps are resolved by index.
  std::vector<size_t> byOrder(columns.size());
  std::iota(byOrder.begin(), byOrder.end(), 0);
  std::stable_sort(byOrder.begin(), byOrder.end(), [&layout](size_t a, size_t b) {
    return layout.columns[a].order < layout.columns[b].order;
  });
  std::vector<HeadlessColumn*> order;
  for (size_t i : byOrder) order.push_back(columns[i].get());

  editing_ = dataChanged_ = false;
  columns_ = std::move(columns);
  order_ = std::move(order);
  autoColumns_ = false;
  headerLines_ = static_cast<float>(layout.headerLines);
  rowHeight_ = layout.rowHeight > 0 ? layout.rowHeight : kLineHeight;
  recordSelectors_ = layout.recordSelectors;
  leftCol_ = 0;
  col_ = columns_.empty() ? -1 : std::clamp(col_, 0, ColumnCount() - 1);
}

void HeadlessGrid::LoadLayout() {
  if (layoutName_.empty()) {
    throw VMError(errc::kInvalidProcedureCall, "HeadlessGrid", "Es ist kein Layoutname angegeben.");
  }
  ApplyLayout(OpenLayoutFile(layoutFile_).Load(layoutName_));
}

void HeadlessGrid::AddLayout(const std::string& name) {
  OpenLayoutFile(layoutFile_).Save(CaptureLayout(name));
}

void HeadlessGrid::RemoveLayout(const std::string& name) {
  OpenLayoutFile(layoutFile_).Remove(name);
}

std::vector<std::string> HeadlessGrid::LayoutNames() const {
  if (layoutFile_.empty()) return {};
  return LayoutFile(layoutFile_).Names();
}

// --- Output.

std::string HeadlessGrid::PreviewCaption(int index) const {
  auto it = previewCaptions_.find(index);
  return it == previewCaptions_.end() ? std::string() : it->second;
}

std::vector<std::string> HeadlessGrid::RowTexts(int ordinal, const std::vector<int>& cols) const {
  std::vector<std::string> texts;
  for (int c : cols) texts.push_back(CellText(ordinal, c));
  return texts;
}

HeadlessPrintJob HeadlessGrid::MakePrintJob(bool preview) const {
  HeadlessPrintJob job;
  job.preview = preview;
  job.orientation = orientation_;
  const std::vector<int> cols = DisplayOrder(true);
  std::vector<double> widths;
  for (int c : cols) widths.push_back(Column(c).Width());
  const PrintPlan plan = PlanPrint(widths, RowCount(), orientation_, rowHeight_);
  job.rowsPerPage = plan.rowsPerPage;
  auto join = [](const std::vector<std::string>& parts) {
    std::string line;
    for (size_t i = 0; i < parts.size(); ++i) line += (i ? "\t" : "") + parts[i];
    return line;
  };
  for (int p = 0; p < plan.PageCount(); ++p) {
    HeadlessPrintPage page;
    for (int i : plan.BandOf(p)) {
      const int c = cols[static_cast<size_t>(i)];
      page.columns.push_back(c);
      page.captions.push_back(Column(c).Caption());
    }
    const int first = plan.FirstRowOf(p);
    for (int r = first; r < first + plan.RowsOn(p); ++r)
      page.rows.push_back(RowTexts(r, page.columns));
    if (plan.HasFooterOn(p) && !printFooter_.empty()) {
      for (int c : page.columns)
        page.footer.push_back(static_cast<size_t>(c) < printFooter_.size() ? printFooter_[c] : "");
    }
    page.pageNumber = PageNumberText(p + 1, plan.PageCount());
    std::string text = join(page.captions);
    for (const auto& row : page.rows) text += "\n" + join(row);
    if (!page.footer.empty()) text += "\n" + join(page.footer);
    text += "\n" + page.pageNumber;
    job.pages.push_back(std::move(text));
    job.layout.push_back(std::move(page));
  }
  return job;
}

void HeadlessGrid::PrintData() {
  if (printerMissing_)
    throw VMError(errc::kPrinterError, "HeadlessGrid", "Kein Drucker vorhanden.");
  printJobs_.push_back(MakePrintJob(false));
}
void HeadlessGrid::PrintPreview() {
  if (printerMissing_)
    throw VMError(errc::kPrinterError, "HeadlessGrid", "Kein Drucker vorhanden.");
  printJobs_.push_back(MakePrintJob(true));
}

void HeadlessGrid::Export(const std::string& path, bool allRows, const std::string& separator,
                          const std::string& prefix, const std::string& suffix) {
  if (editing_ || dataChanged_) CommitEdit();
  std::vector<int> ordinals;
  if (allRows) {
    ordinals = AllOrdinals(RowCount());
  } else if (CurrentOrdinal() >= 0) {
    ordinals.push_back(CurrentOrdinal());
  }
  ExportDelimited(path, ordinals, DisplayOrder(true),
                  [this](int r, int c) { return CellText(r, c); }, {separator, prefix, suffix});
}

}  // namespace vmbgrid
