// Headless grid: the simulated keyboard and mouse, acting on the core's edit
// buffer, current cell and selection.
#include <algorithm>
#include <cmath>

#include "adapters/common/display_format.h"
#include "adapters/common/text_util.h"
#include "adapters/headless/headless_form.h"
#include "adapters/headless/headless_grid.h"
#include "host/error.h"
#include "host/platform.h"

namespace vmbgrid {

namespace {

// UTF-8 text split into characters, each with its code point.
std::vector<std::pair<std::string, int>> Characters(const std::string& text) {
  std::vector<std::pair<std::string, int>> out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    len = std::min(len, text.size() - i);
    int cp = len == 1 ? c : (c & (0x7F >> len));
    for (size_t k = 1; k < len; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.emplace_back(text.substr(i, len), cp);
    i += len;
  }
  return out;
}

std::string Utf8(int cp) {
  std::string s;
  if (cp < 0x80) {
    s.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    s.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    s.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    s.push_back(static_cast<char>(0xF0 | ((cp >> 18) & 0x07)));
    s.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return s;
}

void PopCharacter(std::string& text) {
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((c & 0xC0) != 0x80) break;  // stop after the lead byte
  }
}

// The character a key produces, 0 when it produces none.
int KeyAscii(int keyCode, int shift) {
  bool ctrl = (shift & kCtrlMask) != 0;
  if (keyCode >= 'A' && keyCode <= 'Z') {
    if (ctrl) return keyCode - 'A' + 1;
    return (shift & kShiftMask) != 0 ? keyCode : keyCode - 'A' + 'a';
  }
  if (keyCode >= '0' && keyCode <= '9') return ctrl ? 0 : keyCode;
  if (keyCode == kKeySpace || keyCode == kKeyReturn || keyCode == kKeyBack ||
      keyCode == kKeyEscape) {
    return keyCode;
  }
  return 0;
}

}  // namespace

// --- Editing.

bool HeadlessGrid::EditCell(int colIndex, const std::string& text) {
  Col(colIndex);
  if (EditActive() || DataChanged()) CommitEdit();
  const std::string before = EditTextAt(CurrentOrdinal(), Col());
  BeginEditHere(true);
  if (!EditActive()) return false;
  Type(text);
  // Typing nothing over a filled cell empties it.
  if (EditActive() && EditText() != before) DataChanged(true);
  CommitEdit();
  return !EditActive() && !DataChanged();
}

void HeadlessGrid::InsertChar(const std::string& ch) {
  if (!EditActive()) BeginEditHere(true);  // typing into a cell replaces its content
  if (!EditActive()) return;
  std::string text = EditText();
  if (ch == "\b") {
    PopCharacter(text);
  } else {
    text += ch;
  }
  EditText(text);
}

void HeadlessGrid::Type(const std::string& text) {
  for (const auto& [ch, cp] : Characters(text)) {
    int key = cp;
    if (Listener() != nullptr) Listener()->KeyPress(*this, key);
    if (key == 0) continue;
    if (key == kKeyBack) {
      InsertChar("\b");
    } else if (key >= 32) {
      InsertChar(key == cp ? ch : Utf8(key));
    }
  }
}

// --- Rows.

bool HeadlessGrid::DeleteRow() {
  Variant allowed = GetProperty(kAllowDeleteProperty);
  if (allowed.IsBoolean() && !allowed.BoolRef()) return false;
  const int before = RowCount();
  DeleteCurrentRow();
  return RowCount() < before;
}

// A pending edit is committed before the current cell moves; one that does not fit
// keeps the cell.
void HeadlessGrid::MoveRow(int delta) {
  if (RowCount() == 0) return;
  if (EditActive() || DataChanged()) CommitEdit();
  if (EditActive()) return;
  const int current = CurrentOrdinal();
  MoveToOrdinal(current < 0 ? 0 : current + delta);
}

// --- Keyboard.

void HeadlessGrid::TabMove(int direction, bool leaveAtEdge) {
  if (EditActive() || DataChanged()) CommitEdit();
  if (EditActive()) return;
  const std::vector<int> shown = DisplayOrder(true);
  if (shown.empty()) return;
  auto it = std::find(shown.begin(), shown.end(), Col());
  const int pos = it == shown.end() ? 0 : static_cast<int>(it - shown.begin());
  const int next = pos + direction;
  const int current = CurrentOrdinal();
  if (next >= 0 && next < static_cast<int>(shown.size())) {
    Col(shown[static_cast<size_t>(next)]);
    return;
  }
  const int row = current + direction;
  if (current >= 0 && row >= 0 && row < RowCount()) {
    MoveToOrdinal(row);
    Col(direction > 0 ? shown.front() : shown.back());
    return;
  }
  // At the first or the last cell the focus leaves the grid.
  if (leaveAtEdge && form_ != nullptr) {
    if (direction > 0) {
      form_->FocusNext();
    } else {
      form_->FocusPrevious();
    }
  }
}

void HeadlessGrid::KeyDefault(int keyCode, int shift) {
  const bool withShift = (shift & kShiftMask) != 0;
  switch (keyCode) {
    case kKeyTab:
      TabMove(withShift ? -1 : 1, true);
      break;
    case kKeyReturn:
      if (TabAction() == 0) {
        TabMove(withShift ? -1 : 1, false);
      } else if (EditActive() || DataChanged()) {
        CommitEdit();
      }
      break;
    case kKeyLeft:
    case kKeyRight:
      if (EditActive() || DataChanged()) CommitEdit();
      if (!EditActive()) StepColumn(keyCode == kKeyLeft ? -1 : 1);
      break;
    case kKeyUp:
      MoveRow(-1);
      break;
    case kKeyDown:
      MoveRow(1);
      break;
    case kKeyPageUp:
      MoveRow(-std::max(1, VisibleRows()));
      break;
    case kKeyPageDown:
      MoveRow(std::max(1, VisibleRows()));
      break;
    case kKeyHome:
    case kKeyEnd: {
      if (EditActive() || DataChanged()) CommitEdit();
      if (EditActive()) break;
      const std::vector<int> shown = DisplayOrder(true);
      if ((shift & kCtrlMask) != 0) MoveToOrdinal(keyCode == kKeyHome ? 0 : RowCount() - 1);
      if (!shown.empty()) Col(keyCode == kKeyHome ? shown.front() : shown.back());
      break;
    }
    case kKeyDelete:
      if (EditActive()) EditText("");
      break;
    case kKeyEscape:
      CancelEdit();
      break;
    case kKeyF2:
      BeginEditHere(false);
      break;
    default:
      break;
  }
}

void HeadlessGrid::PressKey(int keyCode, int shift) {
  int code = keyCode, state = shift;
  if (Listener() != nullptr) Listener()->KeyDown(*this, code, state);
  if (code != 0) {
    KeyDefault(code, state);
    int ascii = KeyAscii(code, state);
    if (ascii != 0) {
      if (Listener() != nullptr) Listener()->KeyPress(*this, ascii);
      if (ascii == kKeyBack) {
        if (EditActive()) InsertChar("\b");
      } else if (ascii >= 32) {
        InsertChar(Utf8(ascii));
      }
    }
  }
  // The key is released whether or not a handler consumed it.
  int upCode = keyCode, upState = shift;
  if (Listener() != nullptr) Listener()->KeyUp(*this, upCode, upState);
}

// --- Mouse.

void HeadlessGrid::MouseDown(int button, int shift, double x, double y) {
  if (Listener() != nullptr) Listener()->MouseDown(*this, button, shift, x, y);
  if (!HasFocus()) SetFocus();
  if (button != kLeftButton) return;
  const int row = RowContaining(y);
  if (row < 0) return;
  const int ordinal = TopRow() + row;
  const bool selector = RecordSelectors() && x >= 0 && x < kRecordSelectorWidth;
  if (ordinal != CurrentOrdinal()) {
    if (EditActive() || DataChanged()) CommitEdit();
    if (EditActive()) return;
    MoveToOrdinal(ordinal);
  }
  if (selector) {
    if ((shift & kCtrlMask) != 0) {
      ToggleSelected(Bookmark());
    } else {
      ClearSelection();
      AddSelected(Bookmark());
    }
    return;
  }
  const int col = ColContaining(x);
  if (col >= 0) Col(col);
  if ((shift & kCtrlMask) == 0) ClearSelection();
}

void HeadlessGrid::MouseUp(int button, int shift, double x, double y) {
  if (Listener() != nullptr) Listener()->MouseUp(*this, button, shift, x, y);
}

void HeadlessGrid::Click(int button, int shift, double x, double y) {
  MouseDown(button, shift, x, y);
  MouseUp(button, shift, x, y);
}

void HeadlessGrid::DoubleClick(double x, double y) {
  MouseDown(kLeftButton, 0, x, y);
  MouseUp(kLeftButton, 0, x, y);
  if (Listener() != nullptr) Listener()->DblClick(*this);
  MouseUp(kLeftButton, 0, x, y);
}

bool HeadlessGrid::ResizeColumn(int colIndex, double width) {
  double edgeX = ColumnX(colIndex);
  const double y = HeaderHeight() / 2;
  if (edgeX >= 0) edgeX += Column(colIndex).Width();
  MouseDown(kLeftButton, 0, edgeX, y);
  const bool done = UserResizedColumn(colIndex, width);
  const double endX = ColumnX(colIndex);
  MouseUp(kLeftButton, 0, endX >= 0 ? endX + Column(colIndex).Width() : edgeX, y);
  return done;
}

bool HeadlessGrid::MoveColumn(int colIndex, int position) {
  auto [x, y] = HeaderPoint(colIndex);
  MouseDown(kLeftButton, 0, x, y);
  const std::vector<int> order = DisplayOrder(false);
  const int target = position >= 0 && position < static_cast<int>(order.size())
                         ? order[static_cast<size_t>(position)]
                         : colIndex;
  auto [tx, ty] = HeaderPoint(target);
  MouseUp(kLeftButton, 0, tx >= 0 ? tx : x, ty >= 0 ? ty : y);
  return UserMovedColumn(colIndex, position);
}

void HeadlessGrid::ScrollTo(int leftCol) {
  const int before = leftCol_;
  LeftCol(leftCol);
  if (leftCol_ != before && Listener() != nullptr) Listener()->LeftColChange(*this);
}

}  // namespace vmbgrid
