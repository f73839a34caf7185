// Headless grid: cell editing, new and deleted rows, and the simulated keyboard
// and mouse.
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

bool IsIntegerType(int32_t t) {
  return t == adSmallInt || t == adInteger || t == adTinyInt || t == adUnsignedTinyInt ||
         t == adBigInt;
}
bool IsRealType(int32_t t) {
  return t == adSingle || t == adDouble || t == adCurrency || t == adDecimal || t == adNumeric ||
         t == vmLongNumber;
}
bool IsDateType(int32_t t) {
  return t == adDate || t == adDBDate || t == adDBTime || t == adDBTimeStamp || t == vmDateTime;
}

// A number as typed: invariant or German notation, also with German grouping
// ("1.234,5"); false when it is none.
bool ParseTypedNumber(const std::string& text, double& out) {
  if (ParseNumber(text, out)) return std::isfinite(out);
  std::string whole = text.substr(0, text.find(','));
  size_t start = !whole.empty() && (whole[0] == '-' || whole[0] == '+') ? 1 : 0;
  std::vector<std::string> groups(1);
  for (size_t i = start; i < whole.size(); ++i) {
    if (whole[i] == '.') {
      groups.emplace_back();
    } else if (whole[i] >= '0' && whole[i] <= '9') {
      groups.back().push_back(whole[i]);
    } else {
      return false;
    }
  }
  if (groups.size() < 2 || groups[0].empty() || groups[0].size() > 3) return false;
  for (size_t g = 1; g < groups.size(); ++g) {
    if (groups[g].size() != 3) return false;
  }
  std::string plain;
  for (char c : text) {
    if (c != '.') plain.push_back(c);
  }
  return ParseNumber(plain, out) && std::isfinite(out);
}

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

void HeadlessGrid::ReportError(const std::string& text) const {
  Platform::Messages().ShowMessage(text, kMessageError);
}

// --- Editing.

void HeadlessGrid::BeginEdit(bool replace) {
  if (editing_ || !allowUpdate_ || Col() < 0 || CurrentOrdinal() < 0) return;
  const HeadlessColumn& column = Column(col_);
  editCol_ = col_;
  editBookmark_ = Bookmark();
  editOriginal_ = PlainText(column.Translated(ValueAt(CurrentOrdinal(), column)));
  editText_ = replace ? std::string() : editOriginal_;
  editing_ = true;
}

void HeadlessGrid::EditActive(bool active) {
  if (active) {
    BeginEdit(false);
  } else if (dataChanged_) {
    CommitEdit();
  } else {
    editing_ = false;
  }
}

void HeadlessGrid::DataChanged(bool changed) {
  if (changed) {
    dataChanged_ = editing_;
    return;
  }
  dataChanged_ = false;
  editText_ = editOriginal_;
}

void HeadlessGrid::CommitEdit() {
  if (!editing_) {
    dataChanged_ = false;
    return;
  }
  if (!dataChanged_) {
    editing_ = false;
    return;
  }
  int colIndex = editCol_;
  // The recordset may have been moved while the cell was edited: write into the
  // row the edit started in.
  if (!(Bookmark() == editBookmark_)) {
    try {
      Bookmark(editBookmark_);
    } catch (const VMError&) {
      ReportError("Die bearbeitete Zeile ist nicht mehr vorhanden; die Änderung wurde verworfen.");
      editing_ = dataChanged_ = false;
      return;
    }
  }
  if (!WriteCell(colIndex, editText_)) return;  // stays in the editor
  editing_ = dataChanged_ = false;
  if (listener_ != nullptr) {
    listener_->AfterColUpdate(*this, colIndex);
    listener_->AfterUpdate(*this);
  }
}

bool HeadlessGrid::ConvertText(const HeadlessColumn& column, const std::string& text,
                               Variant& out) {
  if (column.StoredValueFor(text, out)) return true;
  if (array_ != nullptr) {
    out = Variant(text);
    return true;
  }
  int field = recordset_ != nullptr ? recordset_->FieldIndex(column.DataField()) : -1;
  int32_t type = field >= 0 ? recordset_->FieldType(field) : adVariant;
  std::string trimmed = TrimBlanks(text);
  bool textual =
      !(IsIntegerType(type) || IsRealType(type) || IsDateType(type) || type == adBoolean);
  if (trimmed.empty()) {
    out = textual ? Variant(text) : Variant::Null();
    return true;
  }
  if (textual) {
    out = Variant(text);
    return true;
  }
  if (type == adBoolean) {
    std::string l = AsciiLower(trimmed);
    if (l == "wahr" || l == "ja" || l == "true" || l == "ein" || l == "-1" || l == "1") {
      out = Variant(true);
      return true;
    }
    if (l == "falsch" || l == "nein" || l == "false" || l == "aus" || l == "0") {
      out = Variant(false);
      return true;
    }
    return false;
  }
  if (IsDateType(type)) {
    DateValue d;
    if (!ParseDate(trimmed, d)) return false;
    out = Variant(d);
    return true;
  }
  double number = 0;
  if (!ParseTypedNumber(trimmed, number)) return false;
  if (IsIntegerType(type)) {
    try {
      Variant v(number);
      if (type == adBigInt) {
        out = Variant(v.ToInt64());
      } else {
        int32_t i = v.ToInt32();
        if (type == adSmallInt && (i < -32768 || i > 32767)) return false;
        if ((type == adTinyInt && (i < -128 || i > 127)) ||
            (type == adUnsignedTinyInt && (i < 0 || i > 255))) {
          return false;
        }
        out = type == adSmallInt ? Variant(static_cast<int16_t>(i)) : Variant(i);
      }
    } catch (const VMError&) {
      return false;  // overflow
    }
    return true;
  }
  out = type == adSingle ? Variant(static_cast<float>(number)) : Variant(number);
  return true;
}

bool HeadlessGrid::WriteCell(int colIndex, const std::string& text) {
  const HeadlessColumn& column = Column(colIndex);
  Variant value;
  if (!ConvertText(column, text, value)) {
    ReportError("Der eingegebene Wert \"" + text + "\" passt nicht zur Spalte \"" +
                column.Caption() + "\".");
    return false;
  }
  int ordinal = CurrentOrdinal();
  if (ordinal < 0) return false;
  if (array_ != nullptr) {
    int c = array_->LowerBound(2) + colIndex;
    if (c <= array_->UpperBound(2)) array_->Value(array_->LowerBound(1) + ordinal, c, value);
    return true;
  }
  int field = recordset_->FieldIndex(column.DataField());
  if (field < 0) return true;  // an unbound column keeps nothing
  try {
    recordset_->SetValue(field, value);
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Der Wert konnte nicht gespeichert werden: " + e.Description());
    return false;
  }
  return true;
}

bool HeadlessGrid::EditCell(int colIndex, const std::string& text) {
  Col(colIndex);
  if (editing_ || dataChanged_) CommitEdit();
  BeginEdit(true);
  if (!editing_) return false;
  Type(text);
  // Typing nothing over a filled cell empties it.
  if (editing_ && editText_ != editOriginal_) dataChanged_ = true;
  CommitEdit();
  return !editing_ && !dataChanged_;
}

void HeadlessGrid::InsertChar(const std::string& ch) {
  if (!editing_) BeginEdit(true);  // typing into a cell replaces its content
  if (!editing_) return;
  if (ch == "\b") {
    PopCharacter(editText_);
  } else {
    editText_ += ch;
  }
  dataChanged_ = true;
  if (listener_ != nullptr) listener_->Change(*this);
}

void HeadlessGrid::Type(const std::string& text) {
  for (const auto& [ch, cp] : Characters(text)) {
    int key = cp;
    if (listener_ != nullptr) listener_->KeyPress(*this, key);
    if (key == 0) continue;
    if (key == kKeyBack) {
      InsertChar("\b");
    } else if (key >= 32) {
      InsertChar(key == cp ? ch : Utf8(key));
    }
  }
}

// --- Rows.

bool HeadlessGrid::AddNewRow(const std::vector<std::pair<std::string, std::string>>& texts) {
  if (!allowAddNew_ || (recordset_ == nullptr && array_ == nullptr)) return false;
  bool cancel = false;
  if (listener_ != nullptr) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return false;
  if (editing_ || dataChanged_) CommitEdit();
  auto typed = [&texts](const std::string& field) -> const std::string* {
    for (const auto& [f, t] : texts) {
      if (EqualsIgnoreCase(f, field)) return &t;
    }
    return nullptr;
  };
  if (array_ != nullptr) {
    int lb1 = array_->LowerBound(1);
    int ub1 = array_->Count(1) == 0 ? lb1 : array_->UpperBound(1) + 1;
    int lb2 = array_->LowerBound(2), ub2 = std::max(array_->UpperBound(2), lb2 + ColumnCount() - 1);
    array_->ReDim(lb1, ub1, lb2, ub2, true);
    arrayRow_ = ub1 - lb1;
    if (listener_ != nullptr) listener_->OnAddNew(*this);
    for (int i = 0; i < ColumnCount(); ++i) {
      const HeadlessColumn& c = Column(i);
      const std::string* t = typed(c.DataField());
      array_->Value(ub1, lb2 + i, t != nullptr ? Variant(*t) : c.DefaultValue());
    }
    if (listener_ != nullptr) listener_->AfterInsert(*this);
    return true;
  }
  try {
    recordset_->AddNew();
    if (listener_ != nullptr) listener_->OnAddNew(*this);
    for (const auto& c : columns_) {
      int field = recordset_->FieldIndex(c->DataField());
      if (field < 0) continue;
      Variant value;
      if (const std::string* t = typed(c->DataField())) {
        if (!ConvertText(*c, *t, value)) {
          recordset_->CancelUpdate();
          ReportError("Der eingegebene Wert \"" + *t + "\" passt nicht zur Spalte \"" +
                      c->Caption() + "\".");
          return false;
        }
      } else if (!c->DefaultValue().IsEmpty()) {
        value = c->DefaultValue();
      } else {
        continue;
      }
      recordset_->SetValue(field, value);
    }
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Die neue Zeile konnte nicht gespeichert werden: " + e.Description());
    return false;
  }
  if (listener_ != nullptr) listener_->AfterInsert(*this);
  return true;
}

void HeadlessGrid::DeleteCurrentRow() {
  int ordinal = CurrentOrdinal();
  if (ordinal < 0) return;
  bool cancel = false;
  if (listener_ != nullptr) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return;
  editing_ = dataChanged_ = false;
  Variant bookmark = Bookmark();
  if (array_ != nullptr) {
    int lb1 = array_->LowerBound(1), ub1 = array_->UpperBound(1);
    int lb2 = array_->LowerBound(2), ub2 = array_->UpperBound(2);
    for (int r = lb1 + ordinal; r < ub1; ++r) {
      for (int c = lb2; c <= ub2; ++c) array_->Value(r, c, array_->Value(r + 1, c));
    }
    array_->ReDim(lb1, ub1 - 1, lb2, ub2, true);
    FixCursor();
  } else {
    try {
      recordset_->Delete();
    } catch (const VMError& e) {
      ReportError("Die Zeile konnte nicht gelöscht werden: " + e.Description());
      return;
    }
    try {
      recordset_->MoveNext();
      if (recordset_->IsEOF() && recordset_->RecordCount() > 0) recordset_->MoveLast();
    } catch (const VMError&) {
    }
  }
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i] == bookmark) {
      selected_.erase(selected_.begin() + static_cast<long>(i));
      break;
    }
  }
  if (listener_ != nullptr) listener_->AfterDelete(*this);
}

bool HeadlessGrid::DeleteRow() {
  Variant allowed = GetProperty(kAllowDeleteProperty);
  if (allowed.IsBoolean() && !allowed.BoolRef()) return false;
  int before = RowCount();
  DeleteCurrentRow();
  return RowCount() < before;
}

void HeadlessGrid::MoveRow(int delta) {
  int rows = RowCount();
  if (rows == 0) return;
  if (editing_ || dataChanged_) CommitEdit();
  if (editing_) return;  // the edit did not fit; stay on the row
  int current = CurrentOrdinal();
  MoveToOrdinal(current < 0 ? 0 : current + delta);
}

// --- Keyboard.

void HeadlessGrid::TabMove(int direction, bool leaveAtEdge) {
  if (editing_ || dataChanged_) CommitEdit();
  if (editing_) return;
  std::vector<int> shown = DisplayOrder(true);
  if (shown.empty()) return;
  auto it = std::find(shown.begin(), shown.end(), col_);
  int pos = it == shown.end() ? 0 : static_cast<int>(it - shown.begin());
  int next = pos + direction;
  int current = CurrentOrdinal();
  if (next >= 0 && next < static_cast<int>(shown.size())) {
    Col(shown[static_cast<size_t>(next)]);
    return;
  }
  int row = current + direction;
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
  bool withShift = (shift & kShiftMask) != 0;
  switch (keyCode) {
    case kKeyTab:
      TabMove(withShift ? -1 : 1, true);
      break;
    case kKeyReturn:
      if (tabAction_ == 0) {
        TabMove(withShift ? -1 : 1, false);
      } else if (editing_ || dataChanged_) {
        CommitEdit();
      }
      break;
    case kKeyLeft:
    case kKeyRight:
      if (editing_ || dataChanged_) CommitEdit();
      if (!editing_) StepColumn(keyCode == kKeyLeft ? -1 : 1);
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
      if (editing_ || dataChanged_) CommitEdit();
      if (editing_) break;
      std::vector<int> shown = DisplayOrder(true);
      if ((shift & kCtrlMask) != 0) MoveToOrdinal(keyCode == kKeyHome ? 0 : RowCount() - 1);
      if (!shown.empty()) Col(keyCode == kKeyHome ? shown.front() : shown.back());
      break;
    }
    case kKeyDelete:
      if (editing_) {
        editText_.clear();
        dataChanged_ = true;
        if (listener_ != nullptr) listener_->Change(*this);
      }
      break;
    case kKeyEscape:
      if (editing_) {
        editText_ = editOriginal_;
        editing_ = dataChanged_ = false;
      }
      break;
    case kKeyF2:
      BeginEdit(false);
      break;
    default:
      break;
  }
}

void HeadlessGrid::PressKey(int keyCode, int shift) {
  int code = keyCode, state = shift;
  if (listener_ != nullptr) listener_->KeyDown(*this, code, state);
  if (code != 0) {
    KeyDefault(code, state);
    int ascii = KeyAscii(code, state);
    if (ascii != 0) {
      if (listener_ != nullptr) listener_->KeyPress(*this, ascii);
      if (ascii == kKeyBack) {
        if (editing_) InsertChar("\b");
      } else if (ascii >= 32) {
        InsertChar(Utf8(ascii));
      }
    }
  }
  // The key is released whether or not a handler consumed it.
  int upCode = keyCode, upState = shift;
  if (listener_ != nullptr) listener_->KeyUp(*this, upCode, upState);
}

// --- Mouse.

void HeadlessGrid::MouseDown(int button, int shift, double x, double y) {
  if (listener_ != nullptr) listener_->MouseDown(*this, button, shift, x, y);
  if (!HasFocus()) SetFocus();
  if (button != kLeftButton) return;
  int row = RowContaining(y);
  if (row < 0) return;
  int ordinal = TopRow() + row;
  bool selector = recordSelectors_ && x >= 0 && x < kRecordSelectorWidth;
  if (ordinal != CurrentOrdinal()) {
    if (editing_ || dataChanged_) CommitEdit();
    if (editing_) return;
    MoveToOrdinal(ordinal);
  }
  if (selector) {
    Variant bm = Bookmark();
    if ((shift & kCtrlMask) != 0) {
      auto it = std::find(selected_.begin(), selected_.end(), bm);
      if (it != selected_.end()) {
        selected_.erase(it);
      } else {
        AddSelected(bm);
      }
    } else {
      selected_.clear();
      AddSelected(bm);
    }
    return;
  }
  int col = ColContaining(x);
  if (col >= 0) Col(col);
  if ((shift & kCtrlMask) == 0) selected_.clear();
}

void HeadlessGrid::MouseUp(int button, int shift, double x, double y) {
  if (listener_ != nullptr) listener_->MouseUp(*this, button, shift, x, y);
}

void HeadlessGrid::Click(int button, int shift, double x, double y) {
  MouseDown(button, shift, x, y);
  MouseUp(button, shift, x, y);
}

void HeadlessGrid::DoubleClick(double x, double y) {
  MouseDown(kLeftButton, 0, x, y);
  MouseUp(kLeftButton, 0, x, y);
  if (listener_ != nullptr) listener_->DblClick(*this);
  MouseUp(kLeftButton, 0, x, y);
}

bool HeadlessGrid::ResizeColumn(int colIndex, double width) {
  HeadlessColumn& column = Column(colIndex);
  double edgeX = ColumnX(colIndex);
  double y = HeaderHeight() / 2;
  if (edgeX >= 0) edgeX += column.Width();
  MouseDown(kLeftButton, 0, edgeX, y);
  double old = column.Width();
  column.Width(width);
  bool cancel = false;
  if (listener_ != nullptr) listener_->ColResize(*this, colIndex, cancel);
  if (cancel) column.Width(old);
  double endX = ColumnX(colIndex);
  MouseUp(kLeftButton, 0, endX >= 0 ? endX + column.Width() : edgeX, y);
  return !cancel;
}

bool HeadlessGrid::MoveColumn(int colIndex, int position) {
  HeadlessColumn& column = Column(colIndex);
  auto [x, y] = HeaderPoint(colIndex);
  MouseDown(kLeftButton, 0, x, y);
  std::vector<int> order = DisplayOrder(false);
  int target = position >= 0 && position < static_cast<int>(order.size())
                   ? order[static_cast<size_t>(position)]
                   : colIndex;
  auto [tx, ty] = HeaderPoint(target);
  MouseUp(kLeftButton, 0, tx >= 0 ? tx : x, ty >= 0 ? ty : y);
  bool cancel = false;
  if (listener_ != nullptr) listener_->ColMove(*this, position, cancel);
  if (!cancel) column.Order(position);
  return !cancel;
}

void HeadlessGrid::ScrollTo(int leftCol) {
  int before = leftCol_;
  LeftCol(leftCol);
  if (leftCol_ != before && listener_ != nullptr) listener_->LeftColChange(*this);
}

}  // namespace vmbgrid
