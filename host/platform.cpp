// The platform registry and the silent services used while a host has not installed its own.
#include "host/platform.h"

#include "host/error.h"

namespace vmbgrid {

namespace {

class NullMessages final : public MessageService {
 public:
  void ShowMessage(const std::string&, int) override {}
  void MessageBox(const std::string&) override {}
};

class NullScreen final : public Screen {
 public:
  int MousePointer() const override { return pointer_; }
  void MousePointer(int pointer) override { pointer_ = pointer; }
  double TwipsPerPixelX() const override { return 15.0; }
  double TwipsPerPixelY() const override { return 15.0; }
  void ClientToScreen(intptr_t, int&, int&) const override {}

 private:
  int pointer_ = kPointerDefault;
};

class NullKeys final : public KeySender {
 public:
  void SendKeys(const std::string&, bool) override {}
  void SendKey(int16_t, int16_t, int16_t) override {}
};

class NullClipboard final : public Clipboard {
 public:
  std::string GetText() const override { return {}; }
  void SetText(const std::string&) override {}
};

class NullFiles final : public FileDialog {
 public:
  std::optional<std::string> Show(const FileDialogRequest&) override { return std::nullopt; }
};

class NullEvents final : public EventLoop {
 public:
  void ProcessPendingEvents() override {}
};

class NullComponents final : public ComponentFactory {
 public:
  std::shared_ptr<Component> Create(const std::string&) override { return nullptr; }
};

struct Registry {
  NullMessages nullMessages;
  NullScreen nullScreen;
  NullKeys nullKeys;
  NullClipboard nullClipboard;
  NullFiles nullFiles;
  NullEvents nullEvents;
  NullComponents nullComponents;

  MessageService* messages = nullptr;
  Screen* screen = nullptr;
  KeySender* keys = nullptr;
  Clipboard* clipboard = nullptr;
  FileDialog* files = nullptr;
  EventLoop* events = nullptr;
  ComponentFactory* components = nullptr;
  DataAccess* data = nullptr;
  HostForm* form = nullptr;
  DialogFactory* dialogs = nullptr;
};

Registry& Reg() {
  static Registry r;
  return r;
}

}  // namespace

Variant Component::Call(const std::string& member, std::vector<ComponentArg>& args) {
  std::vector<Variant> values;
  values.reserve(args.size());
  for (const ComponentArg& a : args) values.push_back(a.value);
  Variant result = Invoke(member, values);
  for (size_t i = 0; i < args.size() && i < values.size(); ++i)
    if (args[i].byRef) args[i].value = values[i];
  return result;
}

void Component::SetObjectProperty(const std::string&, const ComponentObject&) {}

MessageService& Platform::Messages() {
  auto& r = Reg();
  return r.messages ? *r.messages : r.nullMessages;
}
Screen& Platform::ScreenService() {
  auto& r = Reg();
  return r.screen ? *r.screen : r.nullScreen;
}
KeySender& Platform::Keys() {
  auto& r = Reg();
  return r.keys ? *r.keys : r.nullKeys;
}
Clipboard& Platform::ClipboardService() {
  auto& r = Reg();
  return r.clipboard ? *r.clipboard : r.nullClipboard;
}
FileDialog& Platform::Files() {
  auto& r = Reg();
  return r.files ? *r.files : r.nullFiles;
}
EventLoop& Platform::Events() {
  auto& r = Reg();
  return r.events ? *r.events : r.nullEvents;
}
ComponentFactory& Platform::Components() {
  auto& r = Reg();
  return r.components ? *r.components : r.nullComponents;
}
DataAccess& Platform::Data() {
  auto& r = Reg();
  if (!r.data)
    throw VMError(errc::kObjectRequired, "VMBGrid",
                  "Es ist keine Datenzugriffsschicht installiert.");
  return *r.data;
}
HostForm* Platform::Form() { return Reg().form; }
DialogFactory* Platform::Dialogs() { return Reg().dialogs; }

void Platform::Install(MessageService* s) { Reg().messages = s; }
void Platform::Install(Screen* s) { Reg().screen = s; }
void Platform::Install(KeySender* s) { Reg().keys = s; }
void Platform::Install(Clipboard* s) { Reg().clipboard = s; }
void Platform::Install(FileDialog* s) { Reg().files = s; }
void Platform::Install(EventLoop* s) { Reg().events = s; }
void Platform::Install(ComponentFactory* s) { Reg().components = s; }
void Platform::Install(DataAccess* s) { Reg().data = s; }
void Platform::Install(HostForm* s) { Reg().form = s; }
void Platform::Install(DialogFactory* s) { Reg().dialogs = s; }

void Platform::Reset() {
  auto& r = Reg();
  r.messages = nullptr;
  r.screen = nullptr;
  r.keys = nullptr;
  r.clipboard = nullptr;
  r.files = nullptr;
  r.events = nullptr;
  r.components = nullptr;
  r.data = nullptr;
  r.form = nullptr;
  r.dialogs = nullptr;
  r.nullScreen.MousePointer(kPointerDefault);
}

}  // namespace vmbgrid
