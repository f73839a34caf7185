// Recordset: editing (values, new rows, deletion) and the notifications between
// cursors that share rows. Edits stay on the client; nothing is written back to
// the data source.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "data/recordset_impl.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

const char* kSource = "VMBGrid.Recordset";

std::string Shown(const Variant& v) {
  std::string s;
  try {
    s = v.ToTextOrEmpty();
  } catch (const VMError&) {
    return "?";
  }
  constexpr size_t kMax = 40;
  if (s.size() > kMax) {
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0u) == 0x80u) --cut;
    s = s.substr(0, cut) + "…";
  }
  return s;
}

size_t CodePoints(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++n;
  return n;
}

bool StillAttached(const RowStore& store, const RecordsetImpl* c) {
  return std::find(store.cursors.begin(), store.cursors.end(), c) != store.cursors.end();
}

void Assign(Column& c, uint32_t row, const Variant& v) {
  if (v.IsNull()) {
    c.SetNullAt(row);
    return;
  }
  switch (c.storage) {
    case Storage::Int32:
    case Storage::Int64:
      c.SetIntAt(row, v.IsBoolean() ? (v.BoolRef() ? -1 : 0) : v.IntRef());
      return;
    case Storage::Double:
      c.SetDoubleAt(row, v.DoubleRef());
      return;
    case Storage::Decimal:
      c.SetDecimalAt(row, v.DecimalRef());
      return;
    case Storage::Text:
      c.SetTextAt(row, v.StringRef());
      return;
    case Storage::Variant:
      c.SetVariantAt(row, v);
      return;
  }
}

}  // namespace

void RecordsetImpl::RequireEditable() const {
  RequireOpen();
  if (lockType_ == adLockReadOnly) {
    throw VMError(errc::kOperationNotAllowed, kSource,
                  "Der Recordset ist schreibgeschützt; Änderungen sind nicht zulässig.");
  }
}

// Converts a value into the form the field keeps, or raises without changing anything.
Variant RecordsetImpl::Coerce(const Column& c, const Variant& v) const {
  if (v.IsNull() || v.IsEmpty() || v.IsMissing()) return Variant::Null();
  auto misfit = [&]() -> Variant {
    throw VMError(errc::kFieldValueDoesNotFit, kSource,
                  "Der Wert \"" + Shown(v) + "\" passt nicht in das Feld \"" + c.name + "\".");
  };
  try {
    switch (c.presentation) {
      case Presentation::Int16:
      case Presentation::Int32:
      case Presentation::Int64: {
        int64_t i = 0;
        if (v.IsString()) {
          double d = 0;
          if (!ParseNumber(v.StringRef(), d)) return misfit();
          i = Variant(d).ToInt64();
        } else {
          i = v.ToInt64();
        }
        int64_t lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
        switch (c.type) {
          case adSmallInt:
            lo = -32768, hi = 32767;
            break;
          case adTinyInt:
            lo = -128, hi = 127;
            break;
          case adUnsignedTinyInt:
            lo = 0, hi = 255;
            break;
          case adInteger:
            lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
            break;
          default:
            break;
        }
        if (i < lo || i > hi) return misfit();
        return Variant(i);
      }
      case Presentation::Boolean:
        return Variant(v.ToBool());
      case Presentation::Double: {
        double d = 0;
        if (v.IsString()) {
          if (!ParseNumber(v.StringRef(), d)) return misfit();
        } else {
          d = v.ToDouble();
        }
        if (c.type == adSingle && std::isfinite(d) && std::fabs(d) > FLT_MAX) return misfit();
        return Variant(d);
      }
      case Presentation::Decimal:
      case Presentation::Currency: {
        Decimal d;
        if (v.IsString()) {
          if (!Decimal::Parse(v.StringRef(), d)) return misfit();
        } else {
          d = v.ToDecimal();
        }
        // A declared precision limits the digits before the point.
        const int whole = static_cast<int>(d.Digits().size()) - d.Scale();
        if (c.precision > 0 && !d.IsZero() && whole > c.precision - std::max(c.scale, 0))
          return misfit();
        d = c.WithDeclaredScale(d);
        return c.presentation == Presentation::Currency ? Variant::Currency(d) : Variant(d);
      }
      case Presentation::Date: {
        if (v.IsDate()) return v;
        if (v.IsString()) {
          DateValue d;
          if (!ParseDate(v.StringRef(), d)) return misfit();
          return Variant(d);
        }
        if (v.IsNumberType() && !v.IsBoolean()) return Variant::Date(v.ToDouble());
        return misfit();
      }
      case Presentation::Text: {
        std::string s = v.IsString() ? v.StringRef() : v.ToText();
        if (IsSizedCharType(c.type) && c.definedSize > 0 &&
            CodePoints(s) > static_cast<size_t>(c.definedSize)) {
          throw VMError(errc::kFieldValueDoesNotFit, kSource,
                        "Der Wert \"" + Shown(v) + "\" ist für das Feld \"" + c.name +
                            "\" zu lang (höchstens " + std::to_string(c.definedSize) +
                            " Zeichen).");
        }
        return Variant(std::move(s));
      }
      case Presentation::Binary:
        return Variant::Bytes(v.IsString() || v.IsBytes() ? v.StringRef() : v.ToText());
      case Presentation::Variant:
        return v;
    }
  } catch (const VMError& e) {
    if (e.Number() == errc::kFieldValueDoesNotFit) throw;
    return misfit();
  }
  return v;
}

void RecordsetImpl::SetValue(int index, const Variant& value) {
  RequireEditable();
  const Column& c = ColumnAt(index);
  uint32_t row = CurrentRow();
  Variant v = Coerce(c, value);
  if (editMode_ == adEditNone) {
    editMode_ = adEditInProgress;
    editRow_ = row;
    pending_.assign(store_->columns.size(), std::nullopt);
  }
  pending_[static_cast<size_t>(index)] = std::move(v);
}

void RecordsetImpl::SetValue(std::string_view name, const Variant& value) {
  RequireOpen();
  SetValue(RequireField(name), value);
}

void RecordsetImpl::AddNew() {
  RequireEditable();
  FetchAll();
  CommitPending();
  // The new row exists at once (at the end of this cursor's rows) so that it has a
  // position and a bookmark; other cursors see it after Update.
  posBeforeAdd_ = pos_;
  uint32_t row = store_->AppendRow();
  view_.push_back(row);
  if (ordinalsValid_) {
    ordinalOfRow_.resize(store_->rowCount, -1);
    ordinalOfRow_[row] = static_cast<int32_t>(view_.size() - 1);
  }
  editMode_ = adEditAdd;
  editRow_ = row;
  pending_.assign(store_->columns.size(), std::nullopt);
  SetPosition(static_cast<int64_t>(view_.size()) - 1);
  NotifyRows();
}

void RecordsetImpl::Update() {
  RequireOpen();
  if (editMode_ == adEditNone) return;
  uint32_t row = editRow_;
  for (size_t i = 0; i < pending_.size(); ++i)
    if (pending_[i]) Assign(store_->columns[i], row, *pending_[i]);
  ++store_->version;
  bool added = editMode_ == adEditAdd;
  editMode_ = adEditNone;
  pending_.clear();
  // Observers told below may close other cursors; each is checked before it is told.
  std::shared_ptr<RowStore> store = store_;
  auto cursors = store->cursors;
  for (RecordsetImpl* c : cursors) {
    if (c == this || !StillAttached(*store, c)) continue;
    if (added)
      c->OnRowAdded(row);
    else
      c->OnRowChanged(row);
  }
  NotifyRow(row);
}

void RecordsetImpl::Update(const std::vector<std::string>& names,
                           const std::vector<Variant>& values) {
  RequireEditable();
  if (names.size() != values.size()) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Die Anzahl der Feldnamen und der Werte stimmt nicht überein.");
  }
  // Everything is checked before anything is set, so a misfit changes nothing.
  std::vector<int> idx;
  std::vector<Variant> coerced;
  for (size_t i = 0; i < names.size(); ++i) {
    idx.push_back(RequireField(names[i]));
    coerced.push_back(Coerce(store_->columns[static_cast<size_t>(idx.back())], values[i]));
  }
  if (editMode_ == adEditNone) {
    uint32_t row = CurrentRow();
    editMode_ = adEditInProgress;
    editRow_ = row;
    pending_.assign(store_->columns.size(), std::nullopt);
  }
  for (size_t i = 0; i < idx.size(); ++i)
    pending_[static_cast<size_t>(idx[i])] = std::move(coerced[i]);
  Update();
}

void RecordsetImpl::DiscardPending() {
  if (editMode_ == adEditAdd && store_) {
    uint32_t row = editRow_;
    store_->MarkDeleted(row);
    auto it = std::find(view_.begin(), view_.end(), row);
    if (it != view_.end()) view_.erase(it);
    InvalidateOrdinals();
  }
  editMode_ = adEditNone;
  pending_.clear();
}

void RecordsetImpl::CancelUpdate() {
  RequireOpen();
  if (editMode_ == adEditNone) return;
  bool added = editMode_ == adEditAdd;
  uint32_t row = editRow_;
  DiscardPending();
  if (added) {
    SetPosition(posBeforeAdd_);
    NotifyRows();
  } else {
    NotifyRow(row);
  }
}

void RecordsetImpl::CommitPending() {
  if (editMode_ != adEditNone) Update();
}

void RecordsetImpl::Delete() {
  RequireEditable();
  FetchAll();
  if (editMode_ == adEditAdd) {
    CancelUpdate();
    return;
  }
  uint32_t row = CurrentRow();
  editMode_ = adEditNone;
  pending_.clear();
  store_->MarkDeleted(row);
  std::shared_ptr<RowStore> store = store_;
  auto cursors = store->cursors;
  for (RecordsetImpl* c : cursors)
    if (StillAttached(*store, c)) c->OnRowDeleted(row);
}

void RecordsetImpl::OnRowAdded(uint32_t row) {
  if (!filter_.Matches(*store_, row)) return;
  view_.push_back(row);
  if (ordinalsValid_) {
    ordinalOfRow_.resize(store_->rowCount, -1);
    ordinalOfRow_[row] = static_cast<int32_t>(view_.size() - 1);
  }
  NotifyRows();
}

void RecordsetImpl::OnRowDeleted(uint32_t row) {
  if (editMode_ != adEditNone && editRow_ == row) {
    editMode_ = adEditNone;
    pending_.clear();
  }
  int64_t idx = OrdinalOfRow(row);
  if (idx < 0) return;
  view_.erase(view_.begin() + idx);
  InvalidateOrdinals();
  // The position keeps standing between the neighbours of a deleted current row.
  if (idx < pos_)
    --pos_;
  else if (idx == pos_)
    onDeleted_ = true;
  NotifyRows();
}

void RecordsetImpl::OnRowChanged(uint32_t row) { NotifyRow(row); }

}  // namespace vmbgrid::data
