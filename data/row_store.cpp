#include "data/row_store.h"

#include <cmath>
#include <limits>

#include "host/error.h"

namespace vmbgrid::data {
namespace {

constexpr uint32_t kMaxRows = static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) - 1;

[[noreturn]] void TooLarge() {
  throw VMError(errc::kProviderFailure, "VMBGrid.Recordset",
                "Das Ergebnis ist zu groß, um im Speicher gehalten zu werden.");
}

Storage StorageOf(Presentation p) {
  switch (p) {
    case Presentation::Int16:
    case Presentation::Int32:
    case Presentation::Boolean:
      return Storage::Int32;
    case Presentation::Int64:
      return Storage::Int64;
    case Presentation::Double:
    case Presentation::Date:
      return Storage::Double;
    case Presentation::Decimal:
    case Presentation::Currency:
      return Storage::Decimal;
    case Presentation::Text:
    case Presentation::Binary:
      return Storage::Text;
    case Presentation::Variant:
      break;
  }
  return Storage::Variant;
}

inline void SetBit(std::vector<uint64_t>& bits, uint32_t row) {
  bits[row >> 6] |= 1ull << (row & 63);
}
inline void ClearBit(std::vector<uint64_t>& bits, uint32_t row) {
  bits[row >> 6] &= ~(1ull << (row & 63));
}

}  // namespace

Presentation PresentationOf(int32_t type) {
  switch (type) {
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
      return Presentation::Int16;
    case adInteger:
      return Presentation::Int32;
    case adBigInt:
      return Presentation::Int64;
    case adBoolean:
      return Presentation::Boolean;
    case adSingle:
    case adDouble:
    case vmLongNumber:
      return Presentation::Double;
    case adCurrency:
      return Presentation::Currency;
    case adDecimal:
    case adNumeric:
      return Presentation::Decimal;
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case vmDateTime:
      return Presentation::Date;
    case adBSTR:
    case adGUID:
    case adChar:
    case adWChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
    case vmFormattedText:
      return Presentation::Text;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
      return Presentation::Binary;
    default:
      return Presentation::Variant;
  }
}

bool IsSizedCharType(int32_t type) {
  return type == adChar || type == adWChar || type == adVarChar || type == adVarWChar;
}

void Column::AppendNull(uint32_t row) {
  switch (storage) {
    case Storage::Int32:
      i32.push_back(0);
      break;
    case Storage::Int64:
      i64.push_back(0);
      break;
    case Storage::Double:
      f64.push_back(0.0);
      break;
    case Storage::Decimal:
      dec.emplace_back();
      break;
    case Storage::Text:
      refs.push_back(kNullRef);
      return;
    case Storage::Variant:
      vars.push_back(Variant::Null());
      return;
  }
  if ((row & 63) == 0)
    nulls.push_back(~0ull);
  else
    SetBit(nulls, row);
}

void Column::SetNullAt(uint32_t row) {
  switch (storage) {
    case Storage::Text:
      refs[row] = kNullRef;
      return;
    case Storage::Variant:
      vars[row] = Variant::Null();
      return;
    default:
      SetBit(nulls, row);
  }
}

void Column::SetIntAt(uint32_t row, int64_t v) {
  if (storage == Storage::Int32) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
      WidenToInt64();
    } else {
      i32[row] = static_cast<int32_t>(v);
      ClearBit(nulls, row);
      return;
    }
  }
  if (storage == Storage::Int64) {
    i64[row] = v;
    ClearBit(nulls, row);
  } else if (storage == Storage::Decimal) {
    SetDecimalAt(row, Decimal::FromInteger(v));
  } else if (storage == Storage::Double) {
    f64[row] = static_cast<double>(v);
    ClearBit(nulls, row);
  } else if (storage == Storage::Variant) {
    vars[row] = Variant(v);
  } else {
    SetTextAt(row, std::to_string(v));
  }
}

void Column::SetDoubleAt(uint32_t row, double v) {
  if (storage == Storage::Double) {
    f64[row] = v;
    ClearBit(nulls, row);
  } else if (storage == Storage::Variant) {
    vars[row] = presentation == Presentation::Date ? Variant::Date(v) : Variant(v);
  }
}

Decimal Column::WithDeclaredScale(const Decimal& v) const {
  Decimal scaled;
  // Currency keeps the scale a value came with (money in cents, a MONEY column's
  // 12.5): the column shows two decimals either way.
  if (presentation == Presentation::Decimal && precision > 0 && scale > v.Scale() &&
      v.WithScale(scale, scaled))
    return scaled;
  return v;
}

void Column::SetDecimalAt(uint32_t row, const Decimal& v) {
  switch (storage) {
    case Storage::Decimal:
      dec[row] = WithDeclaredScale(v);
      ClearBit(nulls, row);
      return;
    case Storage::Variant:
      vars[row] = presentation == Presentation::Currency ? Variant::Currency(v) : Variant(v);
      return;
    case Storage::Double:
      SetDoubleAt(row, v.ToDouble());
      return;
    case Storage::Int32:
    case Storage::Int64: {
      int64_t whole = 0;
      if (v.ToInteger(whole)) SetIntAt(row, whole);
      return;
    }
    case Storage::Text:
      SetTextAt(row, v.ToText());
      return;
  }
}

void Column::SetTextAt(uint32_t row, std::string_view bytes) {
  if (storage == Storage::Variant) {
    vars[row] = Variant(bytes);
    return;
  }
  // Every text lives once in the arena; a changed cell appends its new text.
  if (arena.size() + bytes.size() + 5 >= kNullRef) TooLarge();
  uint32_t off = static_cast<uint32_t>(arena.size());
  uint32_t len = static_cast<uint32_t>(bytes.size());
  char prefix[5];
  int n = 0;
  while (len >= 0x80u) {
    prefix[n++] = static_cast<char>((len & 0x7Fu) | 0x80u);
    len >>= 7;
  }
  prefix[n++] = static_cast<char>(len);
  arena.append(prefix, static_cast<size_t>(n));
  arena.append(bytes.data(), bytes.size());
  refs[row] = off;
}

void Column::SetVariantAt(uint32_t row, Variant v) {
  if (storage != Storage::Variant) return;
  vars[row] = std::move(v);
}

void Column::WidenToInt64() {
  i64.assign(i32.begin(), i32.end());
  std::vector<int32_t>().swap(i32);
  storage = Storage::Int64;
}

void Column::ConvertToVariants(uint32_t rows) {
  if (storage == Storage::Variant) return;
  std::vector<Variant> v;
  v.reserve(rows);
  for (uint32_t r = 0; r < rows; ++r) v.push_back(ValueAt(r));
  std::vector<int32_t>().swap(i32);
  std::vector<int64_t>().swap(i64);
  std::vector<double>().swap(f64);
  std::vector<Decimal>().swap(dec);
  std::vector<uint64_t>().swap(nulls);
  std::vector<uint32_t>().swap(refs);
  std::string().swap(arena);
  vars = std::move(v);
  storage = Storage::Variant;
}

Variant Column::ValueAt(uint32_t row) const {
  if (storage == Storage::Variant) return vars[row];
  if (IsNullAt(row)) return Variant::Null();
  switch (presentation) {
    case Presentation::Int16:
    case Presentation::Int32:
    case Presentation::Int64: {
      int64_t v = IntAt(row);
      if (presentation == Presentation::Int16 && v >= -32768 && v <= 32767)
        return Variant(static_cast<int16_t>(v));
      if (presentation != Presentation::Int64 && v >= std::numeric_limits<int32_t>::min() &&
          v <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(v));
      return Variant(v);
    }
    case Presentation::Boolean:
      return Variant(IntAt(row) != 0);
    case Presentation::Double:
      return Variant(f64[row]);
    case Presentation::Decimal:
      return Variant(dec[row]);
    case Presentation::Currency:
      return Variant::Currency(dec[row]);
    case Presentation::Date:
      return Variant::Date(f64[row]);
    case Presentation::Text:
      return Variant(TextAt(row));
    case Presentation::Binary:
      return Variant::Bytes(TextAt(row));
    case Presentation::Variant:
      break;
  }
  return Variant::Null();
}

bool Column::NumberAt(uint32_t row, double& out) const {
  switch (storage) {
    case Storage::Int32:
    case Storage::Int64:
      if (IsNullAt(row)) return false;
      out = static_cast<double>(IntAt(row));
      return true;
    case Storage::Double:
      if (IsNullAt(row) || presentation == Presentation::Date) return false;
      out = f64[row];
      return true;
    case Storage::Decimal:
      if (IsNullAt(row)) return false;
      out = dec[row].ToDouble();
      return true;
    case Storage::Text:
      return false;
    case Storage::Variant: {
      const Variant& v = vars[row];
      if (!v.IsNumberType()) return false;
      out = v.ToDouble();
      return true;
    }
  }
  return false;
}

void Column::ShrinkToFit() {
  i32.shrink_to_fit();
  i64.shrink_to_fit();
  f64.shrink_to_fit();
  dec.shrink_to_fit();
  nulls.shrink_to_fit();
  refs.shrink_to_fit();
  arena.shrink_to_fit();
  vars.shrink_to_fit();
}

void RowStore::SetColumns(std::vector<ColumnMeta> meta, const std::vector<int32_t>* attributes) {
  columns.clear();
  columns.reserve(meta.size());
  for (size_t i = 0; i < meta.size(); ++i) {
    Column c;
    c.name = std::move(meta[i].name);
    c.foldedName = FoldText(c.name);
    c.type = meta[i].type;
    c.definedSize = meta[i].definedSize;
    c.precision = meta[i].precision;
    c.scale = meta[i].scale;
    if (attributes != nullptr && i < attributes->size()) c.attributes = (*attributes)[i];
    c.presentation = PresentationOf(c.type);
    c.storage = StorageOf(c.presentation);
    columns.push_back(std::move(c));
  }
  rowCount = liveCount = 0;
  deleted.clear();
  sortRanks.clear();
  ++version;
}

int RowStore::FindColumn(std::string_view name) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return static_cast<int>(i);
  std::string folded = FoldText(name);
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].foldedName == folded) return static_cast<int>(i);
  return -1;
}

uint32_t RowStore::AppendRow() {
  if (rowCount >= kMaxRows) TooLarge();
  uint32_t row = rowCount++;
  for (Column& c : columns) c.AppendNull(row);
  if ((row & 63) == 0) deleted.push_back(0);
  ++liveCount;
  return row;
}

void RowStore::MarkDeleted(uint32_t row) {
  if (row >= rowCount || IsDeleted(row)) return;
  SetBit(deleted, row);
  --liveCount;
  ++version;
}

std::vector<uint32_t> RowStore::LiveRows() const {
  std::vector<uint32_t> rows;
  rows.reserve(liveCount);
  for (uint32_t w = 0; w < deleted.size(); ++w) {
    uint64_t bits = deleted[w];
    uint32_t base = w << 6;
    uint32_t end = std::min<uint32_t>(base + 64, rowCount);
    if (bits == 0) {
      for (uint32_t r = base; r < end; ++r) rows.push_back(r);
    } else {
      for (uint32_t r = base; r < end; ++r)
        if (!((bits >> (r & 63)) & 1u)) rows.push_back(r);
    }
  }
  return rows;
}

void RowStore::ShrinkToFit() {
  for (Column& c : columns) c.ShrinkToFit();
  deleted.shrink_to_fit();
}

// ---- StoreSink ----

void StoreSink::SetColumns(std::vector<ColumnMeta> columns) {
  store_.SetColumns(std::move(columns));
  hasColumns_ = true;
}

void StoreSink::BeginRow() {
  if (maxRows_ > 0 && store_.rowCount >= static_cast<uint32_t>(maxRows_)) {
    skipping_ = true;
    return;
  }
  skipping_ = false;
  row_ = store_.AppendRow();
}

Column* StoreSink::Cell(int col) {
  if (skipping_ || col < 0 || static_cast<size_t>(col) >= store_.columns.size() ||
      store_.rowCount == 0)
    return nullptr;
  return &store_.columns[static_cast<size_t>(col)];
}

void StoreSink::PutNull(int col) {
  // Cells start as null; nothing to do.
  (void)col;
}

void StoreSink::PutInteger(int col, int64_t value) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  switch (c->storage) {
    case Storage::Int32:
      if (c->presentation == Presentation::Boolean) value = value != 0 ? -1 : 0;
      [[fallthrough]];
    case Storage::Int64:
    case Storage::Double:
    case Storage::Decimal:
    case Storage::Text:
      c->SetIntAt(row_, value);
      break;
    case Storage::Variant:
      c->vars[row_] = Variant(value);
      break;
  }
}

void StoreSink::PutDouble(int col, double value) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  switch (c->storage) {
    case Storage::Double:
      c->SetDoubleAt(row_, value);
      return;
    case Storage::Decimal: {
      // The shortest text of the double: what the source meant (SQLite keeps a
      // DECIMAL as REAL). NaN and infinities stay doubles.
      Decimal d;
      if (Decimal::FromDouble(value, d)) {
        c->SetDecimalAt(row_, d);
        return;
      }
      break;
    }
    case Storage::Int32:
    case Storage::Int64:
      if (c->presentation == Presentation::Boolean) {
        c->SetIntAt(row_, value != 0.0 ? -1 : 0);
        return;
      }
      if (std::nearbyint(value) == value && std::fabs(value) < 9.2e18) {
        c->SetIntAt(row_, static_cast<int64_t>(value));
        return;
      }
      break;
    case Storage::Text:
    case Storage::Variant:
      break;
  }
  // Dynamically typed sources may put a fraction into an integer column: keep it.
  c->ConvertToVariants(store_.rowCount);
  ++store_.version;
  c->vars[row_] = Variant(value);
}

void StoreSink::PutDate(int col, double serial) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  if (c->storage == Storage::Double) {
    c->SetDoubleAt(row_, serial);
    return;
  }
  c->ConvertToVariants(store_.rowCount);
  ++store_.version;
  c->vars[row_] = Variant::Date(serial);
}

void StoreSink::PutText(int col, std::string_view utf8) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  if (c->storage == Storage::Text) {
    c->SetTextAt(row_, utf8);
    return;
  }
  Decimal exact;
  if (c->storage == Storage::Decimal && Decimal::Parse(utf8, exact)) {
    c->SetDecimalAt(row_, exact);
    return;
  }
  if (c->storage == Storage::Double && c->presentation == Presentation::Date) {
    DateValue d;
    if (ParseDate(utf8, d)) {
      c->SetDoubleAt(row_, d.serial);
      return;
    }
  }
  c->ConvertToVariants(store_.rowCount);
  ++store_.version;
  c->vars[row_] = Variant(utf8);
}

void StoreSink::PutBlob(int col, std::string_view bytes) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  if (c->storage == Storage::Text && c->presentation == Presentation::Binary) {
    c->SetTextAt(row_, bytes);
    return;
  }
  // Bytes in a column of another type stay bytes, never taken for its text.
  c->ConvertToVariants(store_.rowCount);
  ++store_.version;
  c->vars[row_] = Variant::Bytes(bytes);
}

void StoreSink::PutDecimal(int col, const Decimal& value) {
  Column* c = Cell(col);
  if (c == nullptr) return;
  int64_t whole = 0;
  if ((c->storage == Storage::Int32 || c->storage == Storage::Int64) && value.Scale() == 0 &&
      value.ToInteger(whole)) {
    PutInteger(col, whole);
    return;
  }
  if (c->storage == Storage::Int32 || c->storage == Storage::Int64) {
    c->ConvertToVariants(store_.rowCount);
    ++store_.version;
  }
  c->SetDecimalAt(row_, value);
}

void StoreSink::EndRow() {}

}  // namespace vmbgrid::data
