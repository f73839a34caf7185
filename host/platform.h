// Platform services the library relies on besides the grids: messages, screen,
// keystrokes, clipboard, file dialog, host form, external components, the event
// loop and the data-access factory. A front end installs its implementations in
// Platform once at start; every library call finds them there.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "host/data_access.h"
#include "host/dialogs.h"
#include "host/variant.h"

namespace vmbgrid {

class GridControl;

// Message kinds of ShowMessage.
enum MessageKind : int { kMessageInfo = 3, kMessageError = 4 };

class MessageService {
 public:
  virtual ~MessageService() = default;
  // Modal German message of the given kind (3 information, 4 error report).
  virtual void ShowMessage(const std::string& text, int kind) = 0;
  // Plain message box with an OK button only.
  virtual void MessageBox(const std::string& text) = 0;
  // A confirmation that needs no answer ("Layout „Kompakt“ gespeichert."), shown
  // where the host shows its status, never as a box; a host without a status line
  // shows nothing.
  virtual void StatusText(const std::string& /*text*/) {}
  // A question with the answers Ja and Nein, asked before something is deleted; true
  // for Ja. A host that asks nothing goes on, as before the question existed.
  virtual bool Confirm(const std::string& /*question*/) { return true; }
};

// Mouse pointers of the screen.
enum MousePointer : int { kPointerDefault = 0, kPointerHourglass = 11 };

class Screen {
 public:
  virtual ~Screen() = default;
  virtual int MousePointer() const = 0;
  virtual void MousePointer(int pointer) = 0;
  virtual double TwipsPerPixelX() const = 0;
  virtual double TwipsPerPixelY() const = 0;
  // Client pixel position of a window to screen pixels.
  virtual void ClientToScreen(intptr_t window, int& x, int& y) const = 0;
};

class KeySender {
 public:
  virtual ~KeySender() = default;
  // The platform's send-keys service: the key text unchanged ("+{TAB}").
  virtual void SendKeys(const std::string& keys, bool wait) = 0;
  // Up to three virtual-key codes in order, 0 when absent (16, 9, 0 = Shift+Tab).
  virtual void SendKey(int16_t first, int16_t second, int16_t third) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual std::string GetText() const = 0;
  virtual void SetText(const std::string& text) = 0;
};

struct FileDialogRequest {
  std::string title;
  std::string filter;    // "Textdateien (*.txt)|*.txt"
  std::string fileName;  // proposed name
  std::string initialDir;
  bool save = true;
};

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> Show(const FileDialogRequest& request) = 0;
};

class HostForm {
 public:
  virtual ~HostForm() = default;
  virtual std::string Name() const = 0;
  // Name of the control that has the focus ("" when none).
  virtual std::string ActiveControlName() const = 0;
};

// The host's event loop: runs posted messages and pending window events.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  virtual void ProcessPendingEvents() = 0;
};

// An object handed to or returned by a component: a grid, the connection, an
// array, the host's own objects. It remembers the type it was made from, so that
// a component takes it back only as what it is.
class ComponentObject {
 public:
  ComponentObject() = default;
  template <class T>
  static ComponentObject Of(std::shared_ptr<T> object) {
    ComponentObject o;
    o.type_ = object ? &typeid(T) : nullptr;
    o.object_ = std::move(object);
    return o;
  }
  // An object the host owns (a control on its form): referred to, never released.
  template <class T>
  static ComponentObject Borrowed(T* object) {
    return Of(std::shared_ptr<T>(std::shared_ptr<T>(), object));
  }
  template <class T>
  std::shared_ptr<T> As() const {
    if (type_ == nullptr || *type_ != typeid(T)) return nullptr;
    return std::static_pointer_cast<T>(object_);
  }
  bool IsNothing() const { return object_ == nullptr; }

 private:
  std::shared_ptr<void> object_;
  const std::type_info* type_ = nullptr;
};

// One argument of a component call: a value (Missing for a left-out optional
// argument) or an object; by reference, the component may replace it and the
// caller reads it back.
struct ComponentArg {
  Variant value;
  ComponentObject object;
  bool byRef = false;

  static ComponentArg Val(Variant v) { return {std::move(v), {}, false}; }
  static ComponentArg Ref(Variant v) { return {std::move(v), {}, true}; }
  static ComponentArg Obj(ComponentObject o) { return {Variant(), std::move(o), true}; }
  static ComponentArg Missing() { return {Variant::Missing(), {}, false}; }
};

// An external automation component (print component, office link, map classes).
class Component {
 public:
  virtual ~Component() = default;
  // Calls a method or reads a property; arguments may be changed (by reference).
  virtual Variant Invoke(const std::string& member, std::vector<Variant>& args) = 0;
  virtual void SetProperty(const std::string& name, const Variant& value) = 0;
  // A call whose arguments may be objects. Components that take values only need
  // not override it: the values go to Invoke and those by reference come back.
  virtual Variant Call(const std::string& member, std::vector<ComponentArg>& args);
  // Sets a property to an object (an array set by reference); ignored by default.
  virtual void SetObjectProperty(const std::string& name, const ComponentObject& value);
};

class ComponentFactory {
 public:
  virtual ~ComponentFactory() = default;
  // nullptr when no component is registered under the program identifier.
  virtual std::shared_ptr<Component> Create(const std::string& progId) = 0;
};

// Where the library finds the platform. Unset services fall back to silent
// implementations (messages are dropped, no screen, no keys), so that a host that
// installs only what it needs never crashes the library.
class Platform {
 public:
  static MessageService& Messages();
  static Screen& ScreenService();
  static KeySender& Keys();
  static Clipboard& ClipboardService();
  static FileDialog& Files();
  static EventLoop& Events();
  static ComponentFactory& Components();
  // Raises VMError when no data-access layer is installed.
  static DataAccess& Data();
  static HostForm* Form();
  static DialogFactory* Dialogs();  // nullptr when the front end has no dialogs

  static void Install(MessageService* s);
  static void Install(Screen* s);
  static void Install(KeySender* s);
  static void Install(Clipboard* s);
  static void Install(FileDialog* s);
  static void Install(EventLoop* s);
  static void Install(ComponentFactory* s);
  static void Install(DataAccess* s);
  static void Install(HostForm* s);
  static void Install(DialogFactory* s);
  // Back to the silent fallbacks (tests).
  static void Reset();
};

}  // namespace vmbgrid
