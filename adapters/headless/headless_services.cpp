#include "adapters/headless/headless_services.h"

#include "adapters/common/text_util.h"
#include "adapters/headless/headless_form.h"
#include "adapters/headless/headless_grid.h"

namespace vmbgrid {

std::vector<std::string> HeadlessMessages::texts() const {
  std::vector<std::string> out;
  for (const Entry& e : entries_) out.push_back(e.text);
  return out;
}

void HeadlessScreen::MousePointer(int pointer) {
  pointer_ = pointer;
  history_.push_back(pointer);
}

void HeadlessScreen::ClientToScreen(intptr_t window, int& x, int& y) const {
  auto it = origins_.find(window);
  if (it == origins_.end()) return;
  x += it->second.first;
  y += it->second.second;
}

void HeadlessKeySender::SendKeys(const std::string& keys, bool /*wait*/) {
  texts_.push_back(keys);
  std::string k = AsciiLower(keys);
  if (k == "+{tab}")
    Act(Action::Previous);
  else if (k == "{tab}")
    Act(Action::Next);
  else if (k == "{left}")
    Act(Action::Left);
  else if (k == "{right}")
    Act(Action::Right);
}

void HeadlessKeySender::SendKey(int16_t first, int16_t second, int16_t third) {
  codes_.push_back({first, second, third});
  if (first == kKeyShift && second == kKeyTab && third == 0)
    Act(Action::Previous);
  else if (first == kKeyTab && second == 0 && third == 0)
    Act(Action::Next);
  else if (first == kKeyLeft && second == 0 && third == 0)
    Act(Action::Left);
  else if (first == kKeyRight && second == 0 && third == 0)
    Act(Action::Right);
}

HeadlessForm* HeadlessKeySender::TargetForm() const {
  if (form_ != nullptr) return form_;
  return dynamic_cast<HeadlessForm*>(Platform::Form());
}

void HeadlessKeySender::Act(Action action) {
  HeadlessForm* form = TargetForm();
  if (form == nullptr) return;
  switch (action) {
    case Action::Previous:
      form->FocusPrevious();
      break;
    case Action::Next:
      form->FocusNext();
      break;
    case Action::Left:
    case Action::Right:
      if (HeadlessGrid* grid = form->FocusedGrid())
        grid->StepColumn(action == Action::Left ? -1 : 1);
      break;
    case Action::None:
      break;
  }
}

std::optional<std::string> HeadlessFileDialog::Show(const FileDialogRequest& request) {
  requests_.push_back(request);
  if (answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

}  // namespace vmbgrid
