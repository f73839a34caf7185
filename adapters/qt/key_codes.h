// Translation between Qt keys and the Windows virtual-key codes and shift bits the
// library's key handlers work with.
#pragma once

#include <Qt>

namespace vmbgrid::qt {

// The virtual-key code of a Qt key; 0 when the key has none.
int VirtualKeyOf(int qtKey);
// The Qt key of a virtual-key code; 0 when there is none.
int QtKeyOf(int virtualKey);
// Shift state bits: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers ModifiersOf(int shiftState);
// Mouse button codes: 1 left, 2 right, 4 middle.
int ButtonOf(Qt::MouseButton button);

}  // namespace vmbgrid::qt
