// Headless platform services: recorded messages, screen, keystrokes, clipboard,
// scripted file dialog and external components.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/common/component_registry.h"
#include "host/platform.h"

namespace vmbgrid {

class HeadlessForm;

// Records every message with its kind; MessageBox is recorded with kind 0.
class HeadlessMessages : public MessageService {
 public:
  struct Entry {
    std::string text;
    int kind = 0;
  };
  void ShowMessage(const std::string& text, int kind) override { entries_.push_back({text, kind}); }
  void MessageBox(const std::string& text) override { entries_.push_back({text, 0}); }
  // Status confirmations and questions are kept apart from the messages; a question
  // is answered with `answer` (Ja unless set).
  void StatusText(const std::string& text) override { statuses.push_back(text); }
  bool Confirm(const std::string& question) override {
    questions.push_back(question);
    return answer;
  }
  std::vector<std::string> statuses, questions;
  bool answer = true;

  const std::vector<Entry>& entries() const { return entries_; }
  std::vector<std::string> texts() const;
  void clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
};

// 15 twips per pixel; every mouse-pointer change is kept; windows have an origin
// on the screen (0, 0 unless set).
class HeadlessScreen : public Screen {
 public:
  int MousePointer() const override { return pointer_; }
  void MousePointer(int pointer) override;
  double TwipsPerPixelX() const override { return 15; }
  double TwipsPerPixelY() const override { return 15; }
  void ClientToScreen(intptr_t window, int& x, int& y) const override;

  void WindowOrigin(intptr_t window, int x, int y) { origins_[window] = {x, y}; }
  const std::vector<int>& PointerHistory() const { return history_; }
  void ClearHistory() { history_.clear(); }

 private:
  int pointer_ = kPointerDefault;
  std::vector<int> history_;
  std::map<intptr_t, std::pair<int, int>> origins_;
};

// Records what was sent and acts on the sequences the library sends: Shift+Tab and
// Tab move the focus along the form, Left and Right move the focused grid's current
// cell to the neighbouring visible column.
class HeadlessKeySender : public KeySender {
 public:
  struct KeyCodes {
    int16_t first = 0, second = 0, third = 0;
  };
  void SendKeys(const std::string& keys, bool wait) override;
  void SendKey(int16_t first, int16_t second, int16_t third) override;

  // The form acted on; without one, the platform's form when it is a HeadlessForm.
  void Form(HeadlessForm* form) { form_ = form; }
  const std::vector<std::string>& SentTexts() const { return texts_; }
  const std::vector<KeyCodes>& SentCodes() const { return codes_; }
  void clear() {
    texts_.clear();
    codes_.clear();
  }

 private:
  enum class Action { None, Previous, Next, Left, Right };
  void Act(Action action);
  HeadlessForm* TargetForm() const;

  HeadlessForm* form_ = nullptr;
  std::vector<std::string> texts_;
  std::vector<KeyCodes> codes_;
};

// Holds one text like a real clipboard and records every text put on it.
class HeadlessClipboard : public Clipboard {
 public:
  std::string GetText() const override { return text_; }
  void SetText(const std::string& text) override {
    text_ = text;
    history_.push_back(text);
  }
  const std::vector<std::string>& History() const { return history_; }

 private:
  std::string text_;
  std::vector<std::string> history_;
};

// Answers from a script, first in first out; with none left the user cancels.
class HeadlessFileDialog : public FileDialog {
 public:
  std::optional<std::string> Show(const FileDialogRequest& request) override;
  void PushAnswer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  const std::vector<FileDialogRequest>& Requests() const { return requests_; }

 private:
  std::deque<std::optional<std::string>> answers_;
  std::vector<FileDialogRequest> requests_;
};

// Components registered by tests and hosts under their program identifiers.
class HeadlessComponentFactory : public ComponentRegistry {};

}  // namespace vmbgrid
