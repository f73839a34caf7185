#include "adapters/headless/headless_dialogs.h"

#include <algorithm>

namespace vmbgrid {

HeadlessDialogView::HeadlessDialogView(HeadlessDialogFactory& factory, std::string formName)
    : factory_(&factory), formName_(std::move(formName)) {}

HeadlessDialogView::~HeadlessDialogView() {
  if (factory_ != nullptr) factory_->Forget(this);
}

Variant HeadlessDialogView::ControlValue(const std::string& control) const {
  auto it = values_.find(control);
  return it == values_.end() ? Variant() : it->second;
}

std::vector<std::string> HeadlessDialogView::ControlItems(const std::string& control) const {
  auto it = items_.find(control);
  return it == items_.end() ? std::vector<std::string>{} : it->second;
}

void HeadlessDialogView::AddInput(const DialogInput& input) {
  inputs_.push_back(input);
  if (input.kind == DialogInput::Kind::Check)
    values_[input.name] = Variant(false);
  else if (input.kind != DialogInput::Kind::Label)
    values_[input.name] = Variant(input.initial);
  if (input.kind == DialogInput::Kind::List) items_[input.name] = input.items;
}

const DialogInput* HeadlessDialogView::Input(const std::string& name) const {
  for (const auto& i : inputs_)
    if (i.name == name) return &i;
  return nullptr;
}

bool HeadlessDialogView::ShowModal() {
  hidden_ = false;
  open_ = true;
  ended_ = false;
  ++shown_;
  bool ok = factory_ != nullptr && factory_->Run(*this);
  if (ended_) ok = endResult_;
  open_ = false;
  hidden_ = true;
  return ok;
}

void HeadlessDialogView::EndModal(bool ok) {
  if (!open_ || ended_) return;
  ended_ = true;
  endResult_ = ok;
}

bool HeadlessDialogView::Enabled(const std::string& control) const {
  auto it = disabled_.find(control);
  return it == disabled_.end() || !it->second;
}

bool HeadlessDialogView::Press(const std::string& control) {
  // An ended form takes no more input, as a closed window would not.
  if (!Enabled(control) || ended_) return false;
  if (handler_) {
    CommandHandler h = handler_;  // the handler may replace itself
    h(control);
  }
  return true;
}

bool HeadlessDialogView::Type(const std::string& control, const std::string& text) {
  if (!Enabled(control) || ended_) return false;
  values_[control] = Variant(text);
  return Press(control);
}

bool HeadlessDialogView::Toggle(const std::string& control) {
  if (!Enabled(control) || ended_) return false;
  const Variant v = ControlValue(control);
  values_[control] = Variant(!(v.IsBoolean() && v.ToBool()));
  return Press(control);
}

HeadlessDialogFactory::~HeadlessDialogFactory() {
  // Views may outlive the factory (the library owns them); they must not call back.
  for (HeadlessDialogView* v : live_) v->factory_ = nullptr;
}

std::unique_ptr<DialogView> HeadlessDialogFactory::Create(const std::string& formName) {
  auto view = std::make_unique<HeadlessDialogView>(*this, formName);
  live_.push_back(view.get());
  return view;
}

HeadlessDialogView* HeadlessDialogFactory::View(const std::string& formName) const {
  for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
    if ((*it)->FormName() == formName) return *it;
  }
  return nullptr;
}

bool HeadlessDialogFactory::Run(HeadlessDialogView& view) {
  shown_.emplace_back(view.FormName(), view.Caption());
  auto it = scripts_.find(view.FormName());
  if (it == scripts_.end() || !it->second) return false;
  ScriptFn script = it->second;  // the script may register another one while it runs
  return script(view);
}

void HeadlessDialogFactory::Forget(HeadlessDialogView* view) {
  live_.erase(std::remove(live_.begin(), live_.end(), view), live_.end());
}

}  // namespace vmbgrid
