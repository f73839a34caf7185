// Dialog views of the library (layout dialog, query dialog, column chooser,
// parameter dialog). The library owns the dialog logic; a view shows it modally
// on the platform. Each view is created through the DialogFactory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/variant.h"

namespace vmbgrid {

class MenuControl;

// One modal form: a caption, named controls with values, and a result.
class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void Caption(const std::string& caption) = 0;
  // Named controls: text boxes, check boxes, lists ("items" as newline-joined text).
  virtual void SetControlValue(const std::string& control, const Variant& value) = 0;
  virtual Variant ControlValue(const std::string& control) const = 0;
  virtual void SetControlItems(const std::string& control,
                               const std::vector<std::string>& items) = 0;
  virtual std::vector<std::string> ControlItems(const std::string& control) const = 0;
  // Shows the form modally; true when it ended with OK.
  virtual bool ShowModal() = 0;
  virtual void Hide() = 0;
  // The form's popup-menu control (the hidden forms that carry the menus).
  virtual MenuControl* Menu() = 0;
};

class DialogFactory {
 public:
  virtual ~DialogFactory() = default;
  // "frmGridLayout", "frmQueries", "frmColumnChooser", "frmParameter".
  virtual std::unique_ptr<DialogView> Create(const std::string& formName) = 0;
};

}  // namespace vmbgrid
