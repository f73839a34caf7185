// Grid core: the edit buffer and its commit rules, new and deleted rows.
#include <algorithm>
#include <cmath>

#include "adapters/common/display_format.h"
#include "adapters/common/grid_core.h"
#include "adapters/common/text_util.h"
#include "host/error.h"

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

// A typed value in a message: at most 80 characters.
std::string Quoted(const std::string& text) { return "\"" + CutText(text, 80) + "\""; }

}  // namespace

// --- Edit buffer.

int GridCore::EditOrdinal() const {
  if (!editing_) return -1;
  return editNewRow_ ? RowCount() : OrdinalOf(editBookmark_);
}

bool GridCore::BeginEdit(int ordinal, int colIndex, bool replace) {
  if (editing_) return ordinal == EditOrdinal() && colIndex == editCol_;
  if (!Editable(ordinal, colIndex)) return false;
  const bool newRow = ordinal == RowCount();
  std::string original = newRow ? std::string() : EditTextAt(ordinal, colIndex);
  // A cell shown cut is not edited in the grid: the editor would hold only part of
  // it, and writing that back would lose the rest.
  if (original.size() > kMaxShownCharacters &&
      CutText(original, kMaxShownCharacters).size() < original.size()) {
    ReportError(
        "Der Text dieser Zelle ist zu lang, um ihn in der Tabelle zu bearbeiten; er "
        "bleibt, wie er ist.");
    return false;
  }
  editCol_ = colIndex;
  editNewRow_ = newRow;
  editBookmark_ = editNewRow_ ? Variant() : BookmarkAt(ordinal);
  editOriginal_ = std::move(original);
  editText_ = replace ? std::string() : editOriginal_;
  editing_ = true;
  dataChanged_ = false;
  EditChanged();
  return true;
}

void GridCore::EditText(const std::string& text) {
  if (!editing_) return;
  editText_ = text;
  dataChanged_ = true;
  if (listener_ != nullptr) listener_->Change(*this);
}

void GridCore::CancelEdit() {
  if (!editing_ && !dataChanged_) return;
  editing_ = dataChanged_ = false;
  editText_ = editOriginal_;
  EditChanged();
}

void GridCore::EditActive(bool active) {
  if (active) {
    BeginEdit(CurrentOrdinal(), Col(), false);
  } else if (dataChanged_) {
    CommitEdit();
  } else if (editing_) {
    editing_ = false;
    EditChanged();
  }
}

void GridCore::DataChanged(bool changed) {
  if (changed) {
    dataChanged_ = editing_;
    return;
  }
  dataChanged_ = false;
  editText_ = editOriginal_;
  EditChanged();
}

void GridCore::CommitEdit() {
  if (!editing_) {
    dataChanged_ = false;
    return;
  }
  if (!dataChanged_) {
    editing_ = false;
    EditChanged();
    return;
  }
  const int colIndex = editCol_;
  const std::string text = editText_;
  // The source may have been moved while the cell was edited: the text goes into
  // the row the edit started in.
  const int ordinal = EditOrdinal();
  if (ordinal < 0) {
    ReportError("Die bearbeitete Zeile ist nicht mehr vorhanden; die Änderung wurde verworfen.");
    CancelEdit();
    return;
  }
  if (editNewRow_) {
    Variant value;
    if (!ConvertText(Column(colIndex), text, value)) {
      ReportError("Der Wert " + Quoted(text) + " passt nicht in die Spalte \"" +
                  Column(colIndex).Caption() + "\".");
      return;  // stays in the editor
    }
    // The editor closes before the row is added: the notifications may edit again.
    editing_ = dataChanged_ = false;
    EditChanged();
    if (!InsertRow({{colIndex, value}})) return;
    if (listener_ != nullptr) {
      listener_->AfterColUpdate(*this, colIndex);
      listener_->AfterInsert(*this);
    }
    return;
  }
  if (!Store(ordinal, colIndex, text)) return;  // stays in the editor
  editing_ = dataChanged_ = false;
  EditChanged();
  RaiseColumnUpdated(colIndex);
}

bool GridCore::WriteText(int ordinal, int colIndex, const std::string& text) {
  if (!Editable(ordinal, colIndex)) return false;
  if (ordinal == RowCount() && recordset_ != nullptr) {
    Variant value;
    if (!ConvertText(Column(colIndex), text, value)) {
      ReportError("Der Wert " + Quoted(text) + " passt nicht in die Spalte \"" +
                  Column(colIndex).Caption() + "\".");
      return false;
    }
    if (!InsertRow({{colIndex, value}})) return false;
    if (listener_ != nullptr) {
      listener_->AfterColUpdate(*this, colIndex);
      listener_->AfterInsert(*this);
    }
    return true;
  }
  if (!Store(ordinal, colIndex, text)) return false;
  RaiseColumnUpdated(colIndex);
  return true;
}

void GridCore::RaiseColumnUpdated(int colIndex) {
  if (listener_ == nullptr) return;
  listener_->AfterColUpdate(*this, colIndex);
  listener_->AfterUpdate(*this);
}

bool GridCore::ConvertText(const CoreColumn& column, const std::string& text, Variant& out) const {
  if (column.StoredValueFor(text, out)) return true;
  if (array_ != nullptr) {
    out = Variant(text);
    return true;
  }
  const int field = recordset_ != nullptr ? recordset_->FieldIndex(column.DataField()) : -1;
  const int32_t type = field >= 0 ? recordset_->FieldType(field) : adVariant;
  const std::string trimmed = TrimBlanks(text);
  const bool textual =
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
    const std::string l = AsciiLower(trimmed);
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
        const int32_t i = v.ToInt32();
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

bool GridCore::Store(int ordinal, int colIndex, const std::string& text) {
  const CoreColumn& column = Column(colIndex);
  Variant value;
  if (!ConvertText(column, text, value)) {
    ReportError("Der Wert " + Quoted(text) + " passt nicht in die Spalte \"" + column.Caption() +
                "\".");
    return false;
  }
  if (ordinal < 0 || ordinal >= RowCount()) return false;
  if (array_ != nullptr) {
    const int32_t r = array_->LowerBound(1) + ordinal, c = array_->LowerBound(2) + colIndex;
    if (c > array_->UpperBound(2)) return false;
    array_->Value(r, c, value);
    RowWritten(ordinal);
    return true;
  }
  const int field = recordset_ != nullptr ? recordset_->FieldIndex(column.DataField()) : -1;
  if (field < 0) return false;
  try {
    MoveToOrdinal(ordinal);
    recordset_->SetValue(field, value);
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Die Änderung konnte nicht gespeichert werden: " + e.Description());
    return false;
  }
  RowWritten(ordinal);
  return true;
}

// --- Rows.

bool GridCore::InsertRow(const std::vector<std::pair<int, Variant>>& values) {
  if (recordset_ == nullptr) return false;
  bool cancel = false;
  if (listener_ != nullptr) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return false;
  try {
    recordset_->AddNew();
    // The host's handler sets the defaults of hidden key columns here.
    if (listener_ != nullptr) listener_->OnAddNew(*this);
    for (int i = 0; i < ColumnCount(); ++i) {
      const CoreColumn& c = Column(i);
      const int field = recordset_->FieldIndex(c.DataField());
      const bool given =
          std::any_of(values.begin(), values.end(), [i](const auto& v) { return v.first == i; });
      if (field >= 0 && !given && !c.DefaultValue().IsEmpty())
        recordset_->SetValue(field, c.DefaultValue());
    }
    for (const auto& [col, value] : values) {
      const int field = recordset_->FieldIndex(Column(col).DataField());
      if (field >= 0) recordset_->SetValue(field, value);
    }
    recordset_->Update();
  } catch (const VMError& e) {
    try {
      recordset_->CancelUpdate();
    } catch (const VMError&) {
    }
    ReportError("Die neue Zeile konnte nicht gespeichert werden: " + e.Description());
    RowsReset();
    return false;
  }
  RowsReset();
  return true;
}

bool GridCore::AddNewRow(const std::vector<std::pair<std::string, std::string>>& texts) {
  if (!allowAddNew_ || (recordset_ == nullptr && array_ == nullptr)) return false;
  if (editing_ || dataChanged_) CommitEdit();
  if (editing_) return false;
  auto typed = [&texts](const std::string& field) -> const std::string* {
    for (const auto& [f, t] : texts) {
      if (EqualsIgnoreCase(f, field)) return &t;
    }
    return nullptr;
  };
  if (array_ != nullptr) {
    bool cancel = false;
    if (listener_ != nullptr) listener_->BeforeRowChangeRequest(*this, cancel);
    if (cancel) return false;
    const int lb1 = array_->LowerBound(1);
    const int ub1 = array_->Count(1) == 0 ? lb1 : array_->UpperBound(1) + 1;
    const int lb2 = array_->LowerBound(2);
    const int ub2 = std::max(array_->UpperBound(2), lb2 + ColumnCount() - 1);
    array_->ReDim(lb1, ub1, lb2, ub2, true);
    arrayRow_ = ub1 - lb1;
    if (listener_ != nullptr) listener_->OnAddNew(*this);
    for (int i = 0; i < ColumnCount(); ++i) {
      const CoreColumn& c = Column(i);
      const std::string* t = typed(c.DataField());
      array_->Value(ub1, lb2 + i, t != nullptr ? Variant(*t) : c.DefaultValue());
    }
    RowsReset();
    if (listener_ != nullptr) listener_->AfterInsert(*this);
    return true;
  }
  std::vector<std::pair<int, Variant>> values;
  for (int i = 0; i < ColumnCount(); ++i) {
    const CoreColumn& c = Column(i);
    const std::string* t = typed(c.DataField());
    if (t == nullptr) continue;
    Variant value;
    if (!ConvertText(c, *t, value)) {
      ReportError("Der Wert " + Quoted(*t) + " passt nicht in die Spalte \"" + c.Caption() + "\".");
      return false;
    }
    values.emplace_back(i, value);
  }
  if (!InsertRow(values)) return false;
  if (listener_ != nullptr) listener_->AfterInsert(*this);
  return true;
}

void GridCore::DeleteCurrentRow() {
  const int ordinal = CurrentOrdinal();
  if (ordinal < 0) return;
  bool cancel = false;
  if (listener_ != nullptr) listener_->BeforeRowChangeRequest(*this, cancel);
  if (cancel) return;
  CancelEdit();
  const Variant bookmark = Bookmark();
  if (array_ != nullptr) {
    const int lb1 = array_->LowerBound(1), ub1 = array_->UpperBound(1);
    const int lb2 = array_->LowerBound(2), ub2 = array_->UpperBound(2);
    for (int r = lb1 + ordinal; r < ub1; ++r) {
      for (int c = lb2; c <= ub2; ++c) array_->Value(r, c, array_->Value(r + 1, c));
    }
    array_->ReDim(lb1, ub1 - 1, lb2, ub2, true);
    FixCurrent();
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
  for (int i = 0; i < SelectedCount(); ++i) {
    if (selected_[static_cast<size_t>(i)] == bookmark) {
      RemoveSelectedAt(i);
      break;
    }
  }
  RowsReset();
  if (listener_ != nullptr) listener_->AfterDelete(*this);
}

}  // namespace vmbgrid
