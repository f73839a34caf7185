// The library's forms as Qt dialogs: the layout dialog "frmGridLayout" (which
// also carries the table menu), the saved-filter dialog "frmQueries", the column
// chooser "frmCols", the parameter dialog "frmSimpleQuery" (fixed size, its inputs
// placed at run time) and a plain OK/Cancel form for the others. Controls are
// found by the library's names.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapters/qt/qt_menu.h"
#include "host/dialogs.h"

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;

namespace vmbgrid {

class QtDialogView : public DialogView {
 public:
  explicit QtDialogView(const std::string& formName);
  ~QtDialogView() override;

  void Caption(const std::string& caption) override;
  void SetControlValue(const std::string& control, const Variant& value) override;
  Variant ControlValue(const std::string& control) const override;
  void SetControlItems(const std::string& control, const std::vector<std::string>& items) override;
  std::vector<std::string> ControlItems(const std::string& control) const override;
  void EnableControl(const std::string& control, bool enabled) override;
  void AddInput(const DialogInput& input) override;
  void FocusControl(const std::string& control) override { focus_ = control; }
  void SetCommandHandler(CommandHandler handler) override { handler_ = std::move(handler); }
  bool ShowModal() override;
  void EndModal(bool ok) override;
  void Hide() override;
  MenuControl* Menu() override { return &menu_; }

  QDialog* Dialog() const { return dialog_; }
  // The widget of a control by the library's name, nullptr when absent.
  QWidget* Control(const std::string& name) const;

 private:
  // What a button does when the form has no command handler.
  enum class Fallback { None, Accept, Reject };

  void BuildLayoutDialog();
  void BuildQueryDialog();
  void BuildColumnChooser();
  void BuildParameterDialog();
  void BuildPlain();
  // The editable name list with "Speichern" and "Löschen" beside it, shared by the
  // layout and the filter dialog.
  // The name box with its label, and Speichern and Löschen beside it.
  QHBoxLayout* BuildNameRow(const std::string& comboName, const char* label);
  // A button that reports its name to the handler, or does the fallback without one.
  void Connect(QAbstractButton* button, const std::string& name, Fallback fallback);
  void Command(const std::string& control);
  // Twips on the form to pixels, with the screen's resolution.
  static int PixelsX(double twips);
  static int PixelsY(double twips);
  void ApplyInputTabOrder();
  void FitParameterDialog();
  // Wide enough for the whole title.
  void FitTitle();
  template <class W>
  W* Add(W* widget, const std::string& name);
  void FillCheckBoxes(const std::vector<std::string>& captions);

  std::string formName_;
  QPointer<QDialog> dialog_;
  QGridLayout* boxes_ = nullptr;  // the chooser's check boxes
  std::map<std::string, QPointer<QWidget>> controls_;
  std::map<std::string, Variant> values_;  // values without a widget
  CommandHandler handler_;
  std::string focus_;
  // Inputs added at run time with their tab index (labels excluded), put in tab
  // order when the form shows.
  struct TabStop {
    int tabIndex;
    QPointer<QWidget> widget;
  };
  std::vector<TabStop> tabStops_;
  // The label waiting for the input it names.
  QPointer<QLabel> pendingLabel_;
  std::string pendingLabelTag_;
  QtMenuControl menu_;
};

class QtDialogFactory : public DialogFactory {
 public:
  std::unique_ptr<DialogView> Create(const std::string& formName) override {
    return std::make_unique<QtDialogView>(formName);
  }
};

}  // namespace vmbgrid
