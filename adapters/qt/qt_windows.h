// Window handles of the Qt front end: small numbers standing for widgets, so that a
// stale handle passed back by the library finds nothing instead of a deleted widget.
#pragma once

#include <cstdint>

class QWidget;

namespace vmbgrid::qt {

intptr_t RegisterWindow(QWidget* widget);
// The widget of a handle; nullptr when unknown or gone.
QWidget* WindowOf(intptr_t handle);

}  // namespace vmbgrid::qt
