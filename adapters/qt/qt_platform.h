// Platform services of the Qt front end: message boxes, screen, keystrokes, host
// form, clipboard, file dialog and the event loop, installed together by
// InstallQtPlatform().
#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "adapters/qt/qt_dialogs.h"
#include "adapters/qt/qt_statement_wait.h"
#include "host/platform.h"

class QWidget;

namespace vmbgrid {

// Modal message boxes; with Record(true) the messages are kept instead of shown,
// for tests and unattended runs.
class QtMessages : public MessageService {
 public:
  struct Entry {
    std::string text;
    int kind = 0;  // 0 for MessageBox
  };
  void ShowMessage(const std::string& text, int kind) override;
  void MessageBox(const std::string& text) override;
  // In the status bar of the active main window, for ten seconds.
  void StatusText(const std::string& text) override;
  // A box with Ja and Nein, Nein the default.
  bool Confirm(const std::string& question) override;
  // Recording: nothing is shown, questions are answered with `answer`.
  void Record(bool on) { record_ = on; }
  const std::vector<Entry>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }
  std::vector<std::string> statuses, questions;
  bool answer = true;

 private:
  bool record_ = false;
  std::vector<Entry> entries_;
};

// The hourglass is the application's override cursor; twips per pixel follow the
// primary screen's logical resolution (1440 / dpi).
class QtScreen : public Screen {
 public:
  ~QtScreen() override;
  int MousePointer() const override { return pointer_; }
  void MousePointer(int pointer) override;
  double TwipsPerPixelX() const override;
  double TwipsPerPixelY() const override;
  void ClientToScreen(intptr_t window, int& x, int& y) const override;

 private:
  int pointer_ = kPointerDefault;
  bool overridden_ = false;
};

// Acts on the sequences the library sends, after the current event has returned
// (like keys in the input queue): Shift+Tab and Tab move the focus along the
// window's focus chain, Left and Right move the focused grid's current column.
// Other keys are delivered to the focused widget as key events.
class QtKeySender : public KeySender {
 public:
  struct KeyCodes {
    int16_t first = 0, second = 0, third = 0;
  };
  void SendKeys(const std::string& keys, bool wait) override;
  void SendKey(int16_t first, int16_t second, int16_t third) override;
  const std::vector<KeyCodes>& SentCodes() const { return codes_; }
  // The virtual-key code of one token ("{TAB}", "+", "a"); 0 when unknown.
  static int KeyCodeOf(const std::string& token);

 private:
  std::vector<KeyCodes> codes_;
};

class QtHostForm : public HostForm {
 public:
  explicit QtHostForm(QWidget* form) : form_(form) {}
  std::string Name() const override;
  // The focused control's name; a grid's inner widgets count as the grid.
  std::string ActiveControlName() const override;

 private:
  QPointer<QWidget> form_;
};

class QtClipboard : public Clipboard {
 public:
  std::string GetText() const override;
  void SetText(const std::string& text) override;
};

class QtFileDialog : public FileDialog {
 public:
  std::optional<std::string> Show(const FileDialogRequest& request) override;
  // "Textdateien (*.txt)|*.txt" and "Textdateien:*.txt" as a Qt name filter.
  static std::string QtFilter(const std::string& filter);
};

class QtEventLoop : public EventLoop {
 public:
  void ProcessPendingEvents() override;
};

struct QtPlatform {
  QtDialogFactory dialogs;
  QtMessages messages;
  QtScreen screen;
  QtKeySender keys;
  QtClipboard clipboard;
  QtFileDialog files;
  QtEventLoop events;
  QtStatementWait wait;
  std::unique_ptr<QtHostForm> form;
  DataAccess* data = nullptr;
};

// Installs the Qt services into Platform (replacing earlier ones) and returns them;
// the host form and a data-access layer are installed when given, the latter told
// to let the window work while a statement waits (QtStatementWait). Needs a
// QApplication. Qt's own texts (standard dialogs, key names such as "Strg") are
// German from then on, as far as the distribution's Qt translations are installed.
QtPlatform& InstallQtPlatform(QWidget* form = nullptr, DataAccess* data = nullptr);
// Loads Qt's German translations into the application once; false when they are
// not installed (Qt's texts then stay English).
bool InstallGermanQtTexts();
// Back to the silent fallbacks; the Qt services are released.
void ResetQtPlatform();
// The services InstallQtPlatform installed last; null after ResetQtPlatform.
QtPlatform* InstalledQtPlatform();

}  // namespace vmbgrid
