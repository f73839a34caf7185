// QtGrid: named layouts in the layout file, delimited export, printing and the
// grid properties addressed by id.
#include <QHeaderView>
#include <QLineEdit>

#include "adapters/common/file_util.h"
#include "adapters/common/layout_file.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {
const char* const kSource = "VMBGrid";

void RequireLayoutFile(const std::string& path) {
  if (path.empty())
    throw VMError(errc::kFileNotFound, kSource, "Für das Raster ist keine Layoutdatei festgelegt.");
}
}  // namespace

GridLayout QtGrid::CaptureLayout(const std::string& name) const {
  GridLayout layout;
  layout.name = name;
  layout.headerLines = headerLines_;
  layout.rowHeight = rowHeight_;
  layout.recordSelectors = recordSelectors_;
  for (int i = 0; i < ColumnCount(); ++i) {
    layout.columns.push_back(DescribeColumn(*columns_[static_cast<size_t>(i)], i));
  }
  return layout;
}

// Replaces the columns by those of the layout; the arrangement then stays across
// re-binds, as with HoldFields.
void QtGrid::ApplyLayout(const GridLayout& layout) {
  if (delegate_) delegate_->Discard();
  std::vector<ColumnLayout> cols = layout.columns;
  std::stable_sort(cols.begin(), cols.end(),
                   [](const ColumnLayout& a, const ColumnLayout& b) { return a.index < b.index; });
  model_->Reset([&] {
    rebuilding_ = true;
    columns_.clear();
    order_.clear();
    for (const ColumnLayout& l : cols) {
      auto c = std::make_unique<QtGridColumn>(*this);
      ApplyColumnLayout(*c, l);
      columns_.push_back(std::move(c));
    }
    // Display order by the stored positions; ties keep the index order.
    std::vector<size_t> byOrder(cols.size());
    for (size_t i = 0; i < byOrder.size(); ++i) byOrder[i] = i;
    std::stable_sort(byOrder.begin(), byOrder.end(),
                     [&](size_t a, size_t b) { return cols[a].order < cols[b].order; });
    for (size_t i : byOrder) order_.push_back(columns_[i].get());
    rebuilding_ = false;
  });
  autoColumns_ = false;
  // The setters check the stored values, which come from a file.
  recordSelectors_ = layout.recordSelectors;
  RowHeight(layout.rowHeight);
  HeaderLines(static_cast<float>(layout.headerLines));
  col_ = -1;
  ResetRows();
}

void QtGrid::LoadLayout() {
  RequireLayoutFile(layoutFile_);
  ApplyLayout(LayoutFile(layoutFile_).Load(layoutName_));
}

void QtGrid::AddLayout(const std::string& name) {
  RequireLayoutFile(layoutFile_);
  if (name.empty())
    throw VMError(errc::kInvalidProcedureCall, kSource, "Ein Layout braucht einen Namen.");
  LayoutFile(layoutFile_).Save(CaptureLayout(name));
}

void QtGrid::RemoveLayout(const std::string& name) {
  RequireLayoutFile(layoutFile_);
  LayoutFile(layoutFile_).Remove(name);
}

std::vector<std::string> QtGrid::LayoutNames() const {
  if (layoutFile_.empty()) return {};
  return LayoutFile(layoutFile_).Names();
}

// --- Properties by id.

void QtGrid::SetEditText(const std::string& text) {
  if (!EditActive()) EditActive(true);
  if (auto* edit = qobject_cast<QLineEdit*>(delegate_->Editor())) {
    edit->setText(QString::fromStdString(text));
    EditorTextChanged();
  }
}

void QtGrid::SetProperty(int id, const Variant& value) {
  switch (id) {
    case 2:
      return AllowAddNew(value.ToBool());
    case 4:
      return AllowUpdate(value.ToBool());
    case 5:
      return Bookmark(value);
    case 6:
      return Col(value.ToInt32());
    case 12:
      return HeaderLines(static_cast<float>(value.ToDouble()));
    case 16:
      return RowHeight(value.ToDouble());
    case 23:
      return LeftCol(value.ToInt32());
    case 50:
      return TabAction(value.ToInt32());
    case 63:
      return EditActive(value.ToBool());
    case 64:
      return DataChanged(value.ToBool());
    case 67:
      return SetEditText(value.ToTextOrEmpty());
    case 73:
      return RecordSelectors(value.ToBool());
    default:
      properties_[id] = value;
  }
}

Variant QtGrid::GetProperty(int id) const {
  switch (id) {
    case 2:
      return Variant(allowAddNew_);
    case 4:
      return Variant(allowUpdate_);
    case 5:
      return Bookmark();
    case 6:
      return Variant(static_cast<int32_t>(Col()));
    case 12:
      return Variant(headerLines_);
    case 16:
      return Variant(RowHeight());
    case 23:
      return Variant(static_cast<int32_t>(LeftCol()));
    case 33:
      return Variant(static_cast<int32_t>(VisibleRows()));
    case 50:
      return Variant(static_cast<int32_t>(tabAction_));
    case 63:
      return Variant(EditActive());
    case 64:
      return Variant(DataChanged());
    case 67: {
      if (auto* edit = qobject_cast<QLineEdit*>(delegate_->Editor()))
        return Variant(edit->text().toStdString());
      int ordinal = CurrentOrdinal();
      return Variant(ordinal >= 0 && col_ >= 0 ? DisplayText(ordinal, col_) : std::string());
    }
    case 73:
      return Variant(recordSelectors_);
    default: {
      auto it = properties_.find(id);
      return it == properties_.end() ? Variant() : it->second;
    }
  }
}

}  // namespace vmbgrid
