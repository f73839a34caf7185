#include "adapters/headless/headless_form.h"

#include "adapters/headless/headless_grid.h"

namespace vmbgrid {

HeadlessForm::~HeadlessForm() {
  for (Entry& e : controls_) {
    if (e.grid != nullptr) e.grid->AttachForm(nullptr);
  }
}

void HeadlessForm::AddGrid(HeadlessGrid& grid) {
  int i = IndexOf(grid.Name());
  if (i >= 0) {
    controls_[static_cast<size_t>(i)].grid = &grid;
  } else {
    controls_.push_back({grid.Name(), &grid});
  }
  grid.AttachForm(this);
}

void HeadlessForm::AddControl(const std::string& name) {
  if (IndexOf(name) < 0) controls_.push_back({name, nullptr});
}

std::vector<std::string> HeadlessForm::FocusOrder() const {
  std::vector<std::string> names;
  for (const Entry& e : controls_) names.push_back(e.name);
  return names;
}

int HeadlessForm::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void HeadlessForm::FocusControl(const std::string& name) {
  if (name == active_) return;
  if (!name.empty() && IndexOf(name) < 0) return;
  HeadlessGrid* previous = FocusedGrid();
  active_ = name;
  // The control losing the focus hears of it first, as on a real form.
  if (previous != nullptr) previous->FocusChanged(false);
  if (HeadlessGrid* next = FocusedGrid()) next->FocusChanged(true);
}

void HeadlessForm::Step(int direction) {
  if (controls_.empty()) return;
  int n = static_cast<int>(controls_.size());
  int i = IndexOf(active_);
  int next = i < 0 ? (direction > 0 ? 0 : n - 1) : ((i + direction) % n + n) % n;
  FocusControl(controls_[static_cast<size_t>(next)].name);
}

void HeadlessForm::FocusPrevious() { Step(-1); }
void HeadlessForm::FocusNext() { Step(1); }

HeadlessGrid* HeadlessForm::FocusedGrid() const {
  int i = IndexOf(active_);
  return i < 0 ? nullptr : controls_[static_cast<size_t>(i)].grid;
}

void HeadlessForm::ForgetGrid(const HeadlessGrid& grid) {
  for (Entry& e : controls_) {
    if (e.grid == &grid) e.grid = nullptr;
  }
}

}  // namespace vmbgrid
