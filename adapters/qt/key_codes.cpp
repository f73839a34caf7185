#include "adapters/qt/key_codes.h"

namespace vmbgrid::qt {

namespace {
struct KeyPair {
  int qt;
  int vk;
};
// Keys without a regular range; letters, digits and function keys are computed.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},       {Qt::Key_Shift, 16},  {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},       {Qt::Key_Escape, 27}, {Qt::Key_Space, 32},   {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},    {Qt::Key_Home, 36},    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},          {Qt::Key_Right, 39},  {Qt::Key_Down, 40},    {Qt::Key_Print, 42},
    {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46}, {Qt::Key_Help, 47},    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
};
}  // namespace

int VirtualKeyOf(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 65 + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 48 + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
  for (const KeyPair& k : kKeys) {
    if (k.qt == qtKey) return k.vk;
  }
  return 0;
}

int QtKeyOf(int virtualKey) {
  if (virtualKey >= 65 && virtualKey <= 90) return Qt::Key_A + (virtualKey - 65);
  if (virtualKey >= 48 && virtualKey <= 57) return Qt::Key_0 + (virtualKey - 48);
  if (virtualKey >= 112 && virtualKey <= 123) return Qt::Key_F1 + (virtualKey - 112);
  for (const KeyPair& k : kKeys) {
    if (k.vk == virtualKey) return k.qt;  // the first entry is the plain key
  }
  return 0;
}

int ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  int state = 0;
  if (modifiers & Qt::ShiftModifier) state |= 1;
  if (modifiers & Qt::ControlModifier) state |= 2;
  if (modifiers & Qt::AltModifier) state |= 4;
  return state;
}

Qt::KeyboardModifiers ModifiersOf(int shiftState) {
  Qt::KeyboardModifiers m;
  if (shiftState & 1) m |= Qt::ShiftModifier;
  if (shiftState & 2) m |= Qt::ControlModifier;
  if (shiftState & 4) m |= Qt::AltModifier;
  return m;
}

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

}  // namespace vmbgrid::qt
