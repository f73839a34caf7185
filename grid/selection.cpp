// Selection and value access: positioning by key value, the grid's selected rows,
// positions against the grid's areas, and the values of current and selected rows.
#include <string>

#include "core/strings.h"
#include "grid/vmgrid.h"

namespace vmbgrid {

namespace {

bool IsValidBookmark(const Variant& bm) {
  if (bm.IsNull() || bm.IsEmpty() || bm.IsMissing()) return false;
  return !(bm.IsString() && bm.StringRef().empty());
}

bool IsQuotedType(int32_t type) {
  // Text of every length, GUIDs and dates: their literal is quoted for the filter
  // and for SQL alike. Only numbers and Booleans go in bare.
  switch (type) {
    case adVarChar:
    case adVarWChar:
    case adChar:
    case adWChar:
    case adBSTR:
    case adLongVarChar:
    case adLongVarWChar:
    case vmFormattedText:
    case adGUID:
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case vmDateTime:
      return true;
    default:
      return false;
  }
}

// A literal for the comparison of a key value; text has its quotes doubled.
std::string Literal(const Variant& value, bool quoted) {
  std::string text = value.IsDate() ? FormatIsoDate(value.ToDate()) : value.ToTextOrEmpty();
  if (!quoted) return text;
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

bool VMGrid::SelectValue(const std::string& field, const Variant& value) {
  try {
    if (value.IsString() && value.StringRef().empty()) return false;
    auto rs = currentRecordset_;
    if (!rs || rs->State() == adStateClosed) return false;
    if (rs->IsEOF() && rs->RecordCount() > 0) rs->MoveFirst();

    int idx = rs->FieldIndex(field);
    int32_t type = idx >= 0 ? rs->FieldType(idx) : kTypeUndetermined;
    if (type == kTypeUndetermined)
      if (auto f = gridFields_->Find(field)) type = f->datatype;
    bool quoted = IsQuotedType(type) || (value.IsString() && type == adVariant);
    // Numbers must stay numbers: anything else cannot be a key value of that column.
    if (!quoted && !value.IsNumeric()) return false;
    std::string literal = Literal(value, quoted);
    std::string criterion = core::QuoteFieldName(field) + " = " + literal;

    if (rs->RecordCount() > 0) {
      rs->MoveFirst();
      rs->Find(criterion, 0, adSearchForward);
      if (!rs->IsEOF() && !rs->IsBOF()) return true;
    }
    if (maxRecords_ != 0) {
      // The row may lie beyond the row limit: load from that value on.
      std::string remembered = filter_;
      SortBy(field);
      sortAscending_ = true;
      std::string condition = core::QuoteFieldName(field) + " >= " + literal;
      filter_ = remembered.empty() ? condition : remembered + " AND " + condition;
      bool found = false;
      try {
        Requery("");
        auto now = currentRecordset_;
        if (now && now->State() != adStateClosed && now->RecordCount() > 0) {
          now->MoveFirst();
          found = Variant::Compare(now->Value(field), value, true) == 0;
        }
      } catch (const std::exception&) {
      }
      filter_ = remembered;
      return found;
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

void VMGrid::SelectNone() {
  if (!grid_) return;
  Platform::ScreenService().MousePointer(kPointerHourglass);
  for (int n = grid_->SelectedCount(); n > 0; --n) grid_->RemoveSelectedAt(0);
  Platform::ScreenService().MousePointer(kPointerDefault);
}

void VMGrid::SelectAll() {
  if (!grid_ || !currentRecordset_ || currentRecordset_->State() == adStateClosed) return;
  auto clone = currentRecordset_->Clone();
  Platform::ScreenService().MousePointer(kPointerHourglass);
  int32_t n = clone->RecordCount();
  for (int32_t i = 0; i < n; ++i) grid_->AddSelected(clone->BookmarkAt(i));
  Platform::ScreenService().MousePointer(kPointerDefault);
}

void VMGrid::SelectRow(int32_t yPos, bool addToSelection) {
  if (!grid_) return;
  int row = grid_->RowContaining(yPos);
  if (row < 0) return;
  Variant bm = grid_->RowBookmark(row);
  if (!IsValidBookmark(bm)) return;
  if (addToSelection) {
    grid_->AddSelected(bm);
  } else {
    SelectNone();
    grid_->Bookmark(bm);
  }
}

bool VMGrid::IsRowSelected(int32_t yPos) {
  if (!grid_) return false;
  int row = grid_->RowContaining(yPos);
  if (row < 0) return false;
  Variant bm = grid_->RowBookmark(row);
  if (!IsValidBookmark(bm)) return false;
  if (bm == grid_->Bookmark()) return true;
  for (int i = 0; i < grid_->SelectedCount(); ++i)
    if (bm == grid_->SelectedAt(i)) return true;
  return false;
}

Variant VMGrid::GetValue(const std::string& key) {
  try {
    if (!grid_ || !currentRecordset_ || currentRecordset_->State() == adStateClosed)
      return Variant("");
    Variant bm = grid_->Bookmark();
    if (!IsValidBookmark(bm)) return Variant("");
    currentRecordset_->Bookmark(bm);
    return currentRecordset_->Value(key);
  } catch (const std::exception&) {
    return Variant("");
  }
}

void VMGrid::AddValueArray(std::vector<XArray>& out, Recordset& rs,
                           const std::vector<Variant>& list) {
  if (list.empty()) {
    out.emplace_back();
    return;
  }
  XArray a(0, static_cast<int32_t>(list.size()) - 1, 0, 1);
  for (size_t i = 0; i < list.size(); ++i) {
    std::string name = list[i].ToTextOrEmpty();
    a.Value(static_cast<int32_t>(i), 0, name);
    a.Value(static_cast<int32_t>(i), 1, rs.Value(name));
  }
  out.push_back(std::move(a));
}

std::vector<XArray> VMGrid::GetValues(const std::vector<Variant>& FieldList) {
  std::vector<XArray> result;
  if (!grid_ || !currentRecordset_ || currentRecordset_->State() == adStateClosed) return result;
  Variant current = grid_->Bookmark();
  if (current.IsNull() || !IsValidBookmark(current)) return result;
  bool currentSelected = false;
  for (int i = 0; i < grid_->SelectedCount(); ++i)
    if (grid_->SelectedAt(i) == current) currentSelected = true;
  if (!currentSelected) {
    currentRecordset_->Bookmark(current);
    AddValueArray(result, *currentRecordset_, FieldList);
  }
  if (grid_->SelectedCount() > 0) {
    auto clone = currentRecordset_->Clone();
    for (int i = 0; i < grid_->SelectedCount(); ++i) {
      clone->Bookmark(grid_->SelectedAt(i));
      AddValueArray(result, *clone, FieldList);
    }
  }
  return result;
}

std::vector<XArray> VMGrid::GetValuesDragDrop(const Variant& bookmark,
                                              const std::vector<Variant>& FieldList) {
  std::vector<XArray> result;
  if (!grid_ || !currentRecordset_ || currentRecordset_->State() == adStateClosed) return result;
  Variant current = grid_->Bookmark();
  bool inSelection = IsValidBookmark(current) && bookmark == current;
  for (int i = 0; !inSelection && i < grid_->SelectedCount(); ++i)
    if (grid_->SelectedAt(i) == bookmark) inSelection = true;
  Recordset& rs = *currentRecordset_;
  if (inSelection) {
    bool listed = false;
    for (int i = 0; i < grid_->SelectedCount(); ++i)
      if (grid_->SelectedAt(i) == current) listed = true;
    // The current row joins the selection once; listing it twice would drag it twice.
    if (!listed && IsValidBookmark(current)) grid_->AddSelected(current);
    for (int i = 0; i < grid_->SelectedCount(); ++i) {
      rs.Bookmark(grid_->SelectedAt(i));
      AddValueArray(result, rs, FieldList);
    }
  } else {
    Variant here = rs.Bookmark();
    rs.Bookmark(bookmark);
    AddValueArray(result, rs, FieldList);
    rs.Bookmark(here);
  }
  return result;
}

}  // namespace vmbgrid
