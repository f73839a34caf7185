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

// An input the library adds to a form at run time (the parameter dialog builds one
// row per parameter). Positions and sizes are in twips on the form's client area;
// the view places the control there. Values are read back with ControlValue by the
// input's name: the text of date, text and number inputs and of lists, a Boolean for
// check boxes.
struct DialogInput {
  enum class Kind { Label, Date, Text, Number, List, Check };
  Kind kind = Kind::Text;
  std::string name;     // "lbl(0)", "txtDate(0)", "txtText(0)", "txtNumber(0)", ...
  std::string caption;  // a label's text, a check box's caption
  std::string tag;      // the parameter number the input answers
  // Date inputs: the edit mask ("__.__.____"); number inputs: the display format
  // ("#####,00", "###.###.###.###").
  std::string format;
  std::string initial;             // initial text (a date input: today's date)
  std::vector<std::string> items;  // the entries of a list
  int left = 0, top = 0, width = 0, height = 0;
  int tabIndex = 0;
};

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
  // Adds an input built at run time; FocusControl names the one that gets the focus
  // when the form shows.
  virtual void AddInput(const DialogInput& input) = 0;
  virtual void FocusControl(const std::string& control) = 0;
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
  // dialog, carries the filter menu), "frmCols" (column chooser), "frmSimpleQuery"
  // (parameter dialog: inputs added at run time, buttons "btnOK" and "btnCancel",
  // the client height in twips as the value of "ClientHeight").
  virtual std::unique_ptr<DialogView> Create(const std::string& formName) = 0;
};

}  // namespace vmbgrid
