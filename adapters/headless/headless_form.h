// The host form of the headless front end: named controls in focus order (grids and
// plain placeholders such as text boxes) and the one that has the focus. Moving the
// focus raises the grids' LostFocus and GotFocus.
#pragma once

#include <string>
#include <vector>

#include "host/platform.h"

namespace vmbgrid {

class HeadlessGrid;

class HeadlessForm : public HostForm {
 public:
  explicit HeadlessForm(std::string name = "frmMain") : name_(std::move(name)) {}
  ~HeadlessForm() override;
  HeadlessForm(const HeadlessForm&) = delete;
  HeadlessForm& operator=(const HeadlessForm&) = delete;

  std::string Name() const override { return name_; }
  std::string ActiveControlName() const override { return active_; }

  // Appends to the focus order; the grid's SetFocus then goes through the form.
  void AddGrid(HeadlessGrid& grid);
  void AddControl(const std::string& name);
  std::vector<std::string> FocusOrder() const;

  // Gives the named control the focus ("" = no control). Unknown names are ignored.
  void FocusControl(const std::string& name);
  // Shift+Tab and Tab: previous and next control in focus order, wrapping around.
  void FocusPrevious();
  void FocusNext();
  // The grid that has the focus, nullptr when none.
  HeadlessGrid* FocusedGrid() const;

  // Used by a grid that goes away.
  void ForgetGrid(const HeadlessGrid& grid);

 private:
  struct Entry {
    std::string name;
    HeadlessGrid* grid = nullptr;
  };
  int IndexOf(const std::string& name) const;
  void Step(int direction);

  std::string name_;
  std::vector<Entry> controls_;
  std::string active_;
};

}  // namespace vmbgrid
