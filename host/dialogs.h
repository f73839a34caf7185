// Dialog views of the library (layout dialog, query dialog, column chooser,
// parameter dialog). The library owns the dialog logic; a view shows it modally
// on the platform. Each view is created through the DialogFactory.
#pragma once

#include <functional>
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
  virtual void EnableControl(const std::string& control, bool enabled) = 0;
  // Buttons pressed and texts or check boxes changed while the form is open report
  // to this handler with the control's name ("btnSave", "txtMaxRecords",
  // "chkSpalte(3)"); the handler reads and sets values and may end the form.
  using CommandHandler = std::function<void(const std::string& control)>;
  virtual void SetCommandHandler(CommandHandler handler) = 0;
  // Shows the form modally; true when it ended with OK. Closing the window is Cancel.
  virtual bool ShowModal() = 0;
  // Ends ShowModal from within a handler with that result.
  virtual void EndModal(bool ok) = 0;
  virtual void Hide() = 0;
  // The form's popup-menu control (the hidden forms that carry the menus).
  virtual MenuControl* Menu() = 0;
};

class DialogFactory {
 public:
  virtual ~DialogFactory() = default;
  // "frmGridLayout" (layout dialog, carries the table menu), "frmQueries" (query
  // dialog, carries the filter menu), "frmCols" (column chooser), "frmParameter".
  virtual std::unique_ptr<DialogView> Create(const std::string& formName) = 0;
};

}  // namespace vmbgrid
