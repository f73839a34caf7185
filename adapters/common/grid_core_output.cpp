// Grid core: display texts, named layouts, the pages of a print and the export.
#include <algorithm>
#include <numeric>

#include "adapters/common/delimited_export.h"
#include "adapters/common/display_format.h"
#include "adapters/common/grid_core.h"
#include "adapters/common/layout_file.h"
#include "adapters/common/text_util.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

bool FormattedByEvent(const CoreColumn& column) {
  return AsciiLower(column.NumberFormat()) == "formattext event";
}
}  // namespace

// --- Texts.

std::string GridCore::CellText(int ordinal, int colIndex) const {
  const CoreColumn& column = Column(colIndex);  // raises for a column that does not exist
  if (ordinal < 0 || ordinal >= RowCount()) return "";
  Variant value = column.Translated(ValueAt(ordinal, colIndex));
  if (FormattedByEvent(column)) {
    if (listener_ != nullptr)
      listener_->FormatText(const_cast<GridCore&>(*this), colIndex, value, BookmarkAt(ordinal));
    return PlainText(value);
  }
  return FormatCell(value, column.NumberFormat());
}

std::string GridCore::CellValueText(int ordinal, int colIndex) const {
  Column(colIndex);  // raises for a column that does not exist
  return PlainText(ValueAt(ordinal, colIndex));
}

std::string GridCore::ShownText(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount() || ordinal < 0 || ordinal >= RowCount()) return "";
  const CoreColumn& column = Column(colIndex);
  Variant value = column.Translated(ValueAt(ordinal, colIndex));
  // A long text is cut before it is formatted, so that its display costs the
  // characters shown, not the whole value.
  if (value.IsString() && value.StringRef().size() > kMaxShownCharacters)
    value = Variant(CutText(value.StringRef(), kMaxShownCharacters));
  if (FormattedByEvent(column)) {
    if (listener_ != nullptr)
      listener_->FormatText(const_cast<GridCore&>(*this), colIndex, value, BookmarkAt(ordinal));
    return CutText(PlainText(value), kMaxShownCharacters);
  }
  return CutText(FormatCell(value, column.NumberFormat()), kMaxShownCharacters);
}

std::string GridCore::EditTextAt(int ordinal, int colIndex) const {
  if (colIndex < 0 || colIndex >= ColumnCount()) return "";
  return PlainText(Column(colIndex).Translated(ValueAt(ordinal, colIndex)));
}

// --- Layouts.

GridLayout GridCore::CaptureLayout(const std::string& name) const {
  GridLayout layout;
  layout.name = name;
  layout.headerLines = headerLines_;
  layout.rowHeight = rowHeight_;
  layout.recordSelectors = recordSelectors_;
  for (int i = 0; i < ColumnCount(); ++i) layout.columns.push_back(DescribeColumn(Column(i), i));
  return layout;
}

// Replaces the columns by those of the layout; the arrangement then stays across
// re-binds, as with HoldFields. Built aside and swapped in, so that the grid is
// never left half changed.
void GridCore::ApplyLayout(const GridLayout& layout) {
  std::vector<ColumnLayout> stored = layout.columns;
  std::stable_sort(stored.begin(), stored.end(),
                   [](const ColumnLayout& a, const ColumnLayout& b) { return a.index < b.index; });
  std::vector<std::unique_ptr<CoreColumn>> columns;
  for (const ColumnLayout& l : stored) {
    auto c = std::make_unique<CoreColumn>(*this);
    ApplyColumnLayout(*c, l);  // the new column is not the grid's yet: nothing is announced
    columns.push_back(std::move(c));
  }
  // Display positions as stored; duplicates and gaps are resolved by index.
  std::vector<size_t> byOrder(columns.size());
  std::iota(byOrder.begin(), byOrder.end(), 0);
  std::stable_sort(byOrder.begin(), byOrder.end(),
                   [&stored](size_t a, size_t b) { return stored[a].order < stored[b].order; });
  std::vector<CoreColumn*> order;
  for (size_t i : byOrder) order.push_back(columns[i].get());

  CancelEdit();
  ChangeColumns(ColumnsChange::kReset, -1, [&] {
    columns_ = std::move(columns);
    order_ = std::move(order);
  });
  autoColumns_ = false;
  const double lines = layout.headerLines;
  headerLines_ = lines > 0 && lines <= 100 ? static_cast<float>(lines) : (lines > 100 ? 100 : 0);
  rowHeight_ = layout.rowHeight > 0 ? std::min(layout.rowHeight, 100000.0) : 0;
  recordSelectors_ = layout.recordSelectors;
  col_ = columns_.empty() ? -1 : std::clamp(col_, 0, ColumnCount() - 1);
  FrameChanged();
  RowsReset();
}

namespace {
LayoutFile FileOf(const std::string& path) {
  if (path.empty())
    throw VMError(errc::kFileNotFound, kSource, "Für das Raster ist keine Layoutdatei festgelegt.");
  return LayoutFile(path);
}
}  // namespace

void GridCore::LoadLayout() {
  if (layoutName_.empty())
    throw VMError(errc::kInvalidProcedureCall, kSource, "Es ist kein Layoutname angegeben.");
  ApplyLayout(FileOf(layoutFile_).Load(layoutName_));
}

void GridCore::AddLayout(const std::string& name) {
  LayoutFile file = FileOf(layoutFile_);
  if (name.empty())
    throw VMError(errc::kInvalidProcedureCall, kSource, "Ein Layout braucht einen Namen.");
  file.Save(CaptureLayout(name));
}

void GridCore::RemoveLayout(const std::string& name) { FileOf(layoutFile_).Remove(name); }

std::vector<std::string> GridCore::LayoutNames() const {
  if (layoutFile_.empty()) return {};
  return LayoutFile(layoutFile_).Names();
}

// --- Output.

std::string GridCore::PreviewCaption(int index) const {
  auto it = previewCaptions_.find(index);
  return it == previewCaptions_.end() ? std::string() : it->second;
}

PrintPlan GridCore::PlanPages(double lineHeight) const {
  std::vector<double> widths;
  for (int c : PrintedColumns()) widths.push_back(Column(c).Width());
  return PlanPrint(widths, RowCount(), orientation_, lineHeight);
}

PrintedPage GridCore::PageTexts(const PrintPlan& plan, int page) const {
  const std::vector<int> cols = PrintedColumns();
  PrintedPage out;
  for (int i : plan.BandOf(page)) {
    const int c = cols[static_cast<size_t>(i)];
    out.columns.push_back(c);
    out.captions.push_back(Column(c).Caption());
  }
  const int first = plan.FirstRowOf(page);
  for (int r = first; r < first + plan.RowsOn(page); ++r) {
    std::vector<std::string> row;
    for (int c : out.columns) row.push_back(ShownText(r, c));
    out.rows.push_back(std::move(row));
  }
  if (plan.HasFooterOn(page) && !printFooter_.empty()) {
    for (int c : out.columns)
      out.footer.push_back(static_cast<size_t>(c) < printFooter_.size() ? printFooter_[size_t(c)]
                                                                        : "");
  }
  out.pageNumber = PageNumberText(page + 1, plan.PageCount());
  return out;
}

void GridCore::Export(const std::string& path, bool allRows, const std::string& separator,
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
