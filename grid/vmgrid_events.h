// Outgoing events of VMGrid. The host derives from this interface, overrides what
// it needs and subscribes with VMGrid::Events.
#pragma once

#include <string>

namespace vmbgrid {

class VMGridEvents {
 public:
  virtual ~VMGridEvents() = default;
  virtual void SearchChanged() {}
  virtual void DblClickOverData() {}
  virtual void FocusPrevious() {}
  virtual void FocusNext() {}
  virtual void BeforeLayoutSave(const std::string& /*layout*/) {}
  virtual void AfterLayoutSave(const std::string& /*layout*/) {}
  virtual void BeforeLayoutLoad(const std::string& /*layout*/) {}
  virtual void AfterLayoutLoad(const std::string& /*layout*/) {}
  virtual void MenuColumnClicked(const std::string& /*ColumnName*/, bool /*Checked*/) {}
};

}  // namespace vmbgrid
