// VMGrid's value maps and editing commands: delegations to grid/editing.
#include "grid/editing.h"
#include "grid/vmgrid.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid {

void VMGrid::AddMap(const std::string& fieldname, const std::string& MapClassName) {
  if (MapClassName.empty()) return;
  std::shared_ptr<Component> map = Platform::Components().Create(MapClassName);
  if (!map) {
    throw VMError(errc::kCannotCreateObject, "VMBGrid",
                  "Objekterstellung durch ActiveX-Komponente nicht möglich: " + MapClassName);
  }
  const auto pairs = editing::ReadMap(*map);
  if (pairs.empty()) return;
  const auto& field = GridFields().Item(fieldname);
  for (const auto& [key, value] : pairs) field->AddValue(Variant(key), Variant(value));
}

void VMGrid::AddValue(const std::string& fieldname, const Variant& key, const Variant& value) {
  GridFields().Item(fieldname)->AddValue(key, value);
}

void VMGrid::AutoSizeColumns() {
  if (!grid_) return;
  editing::AutoSizeColumns(*grid_);
  interaction_->FollowColumns();
}

void VMGrid::AutoSizeColumn(int colIndex) {
  if (!grid_) return;
  if (colIndex < 0) colIndex = grid_->Col();
  if (colIndex < 0 || colIndex >= grid_->ColumnCount()) return;
  editing::AutoSizeColumn(*grid_, colIndex);
  interaction_->FollowColumns();
}

GridControl* VMGrid::FocusedGrid() const {
  const HostForm* form = form_ ? form_ : Platform::Form();
  if (!form) {
    throw VMError(errc::kObjectVariableNotSet, "VMBGrid",
                  "Objektvariable oder With-Blockvariable nicht festgelegt");
  }
  return editing::FocusedGrid(*form, {grid_, searchGrid_, sumGrid_});
}

void VMGrid::Cut() {
  if (GridControl* g = FocusedGrid()) editing::Cut(*g, Platform::ClipboardService());
}

void VMGrid::Copy() {
  if (GridControl* g = FocusedGrid()) editing::Copy(*g, Platform::ClipboardService());
}

void VMGrid::Paste() {
  if (GridControl* g = FocusedGrid()) editing::Paste(*g, Platform::ClipboardService());
}

void VMGrid::Undo() {
  if (GridControl* g = FocusedGrid()) editing::Undo(*g);
}

void VMGrid::CopyRows() {
  if (!grid_) return;
  std::string text = editing::SelectedRowsAsText(*grid_);
  if (!text.empty()) Platform::ClipboardService().SetText(text);
}

}  // namespace vmbgrid
