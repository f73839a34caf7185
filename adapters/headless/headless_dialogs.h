// Scripted dialogs: a test registers, per form name, a callback that plays the user
// (reads what the library put into the controls, types, ticks and presses buttons)
// and answers OK or Cancel. A button that ends the form decides the answer; forms
// without a script are cancelled.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapters/headless/headless_menu.h"
#include "host/dialogs.h"

namespace vmbgrid {

class HeadlessDialogFactory;

class HeadlessDialogView : public DialogView {
 public:
  HeadlessDialogView(HeadlessDialogFactory& factory, std::string formName);
  ~HeadlessDialogView() override;

  void Caption(const std::string& caption) override { caption_ = caption; }
  const std::string& Caption() const { return caption_; }
  void SetControlValue(const std::string& control, const Variant& value) override {
    values_[control] = value;
  }
  Variant ControlValue(const std::string& control) const override;
  void SetControlItems(const std::string& control, const std::vector<std::string>& items) override {
    items_[control] = items;
  }
  std::vector<std::string> ControlItems(const std::string& control) const override;
  void EnableControl(const std::string& control, bool enabled) override {
    disabled_[control] = !enabled;
  }
  void AddInput(const DialogInput& input) override;
  void FocusControl(const std::string& control) override { focus_ = control; }
  void SetCommandHandler(CommandHandler handler) override { handler_ = std::move(handler); }
  bool ShowModal() override;
  void EndModal(bool ok) override;
  void Hide() override { hidden_ = true; }

  // The user's actions. A disabled control takes none (false).
  bool Press(const std::string& control);
  bool Type(const std::string& control, const std::string& text);
  bool Toggle(const std::string& control);
  bool Enabled(const std::string& control) const;
  bool Open() const { return open_; }
  MenuControl* Menu() override { return &menu_; }

  HeadlessMenuControl& HeadlessMenu() { return menu_; }
  const std::string& FormName() const { return formName_; }
  bool Hidden() const { return hidden_; }
  int ShowCount() const { return shown_; }
  // The inputs added at run time, in order, and the one given the focus.
  const std::vector<DialogInput>& Inputs() const { return inputs_; }
  const DialogInput* Input(const std::string& name) const;
  const std::string& Focused() const { return focus_; }

 private:
  friend class HeadlessDialogFactory;
  HeadlessDialogFactory* factory_;
  std::string formName_, caption_;
  std::map<std::string, Variant> values_;
  std::map<std::string, std::vector<std::string>> items_;
  HeadlessMenuControl menu_;
  std::map<std::string, bool> disabled_;
  std::vector<DialogInput> inputs_;
  std::string focus_;
  CommandHandler handler_;
  bool hidden_ = false;
  bool open_ = false;
  bool ended_ = false;
  bool endResult_ = false;
  int shown_ = 0;
};

class HeadlessDialogFactory : public DialogFactory {
 public:
  using ScriptFn = std::function<bool(HeadlessDialogView&)>;
  ~HeadlessDialogFactory() override;

  std::unique_ptr<DialogView> Create(const std::string& formName) override;
  void Script(const std::string& formName, ScriptFn script) {
    scripts_[formName] = std::move(script);
  }
  void ClearScripts() { scripts_.clear(); }

  // The newest live view of that form, nullptr when none exists.
  HeadlessDialogView* View(const std::string& formName) const;
  // Every form shown, in order, with its caption at that moment.
  const std::vector<std::pair<std::string, std::string>>& Shown() const { return shown_; }

 private:
  friend class HeadlessDialogView;
  bool Run(HeadlessDialogView& view);
  void Forget(HeadlessDialogView* view);

  std::map<std::string, ScriptFn> scripts_;
  std::vector<HeadlessDialogView*> live_;
  std::vector<std::pair<std::string, std::string>> shown_;
};

}  // namespace vmbgrid
