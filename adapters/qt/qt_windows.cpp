#include "adapters/qt/qt_windows.h"

#include <QPointer>
#include <QWidget>
#include <map>

namespace vmbgrid::qt {

namespace {
struct Registry {
  intptr_t next = 1;
  std::map<intptr_t, QPointer<QWidget>> windows;
};
Registry& Reg() {
  static Registry r;
  return r;
}
}  // namespace

intptr_t RegisterWindow(QWidget* widget) {
  Registry& r = Reg();
  // Drop the entries of widgets that are gone, so the map does not grow.
  for (auto it = r.windows.begin(); it != r.windows.end();) {
    it = it->second.isNull() ? r.windows.erase(it) : std::next(it);
  }
  intptr_t handle = r.next++;
  r.windows[handle] = widget;
  return handle;
}

QWidget* WindowOf(intptr_t handle) {
  auto& w = Reg().windows;
  auto it = w.find(handle);
  return it == w.end() ? nullptr : it->second.data();
}

}  // namespace vmbgrid::qt
