// Parameter binding and the row loop: values go to the sink in typed form, by
// the declared type of each column, without a per-cell object.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "host/error.h"
#include "host/variant.h"

namespace vmbgrid::sqlite {

namespace {

bool IsDateType(int32_t t) {
  return t == adDate || t == adDBDate || t == adDBTimeStamp || t == vmDateTime;
}
bool IsBinaryType(int32_t t) { return t == adBinary || t == adVarBinary || t == adLongVarBinary; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view StripPrefix(std::string_view name) {
  if (!name.empty() && (name[0] == '@' || name[0] == ':' || name[0] == '$')) name.remove_prefix(1);
  return name;
}

bool SameName(std::string_view a, std::string_view b) {
  a = StripPrefix(a);
  b = StripPrefix(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

const Parameter* NthInput(const std::vector<Parameter>* params, int n) {
  if (!params || n < 0) return nullptr;
  for (const Parameter& p : *params) {
    if (p.direction == adParamOutput || p.direction == adParamReturnValue) continue;
    if (n-- == 0) return &p;
  }
  return nullptr;
}

const Parameter* ByName(const std::vector<Parameter>* params, std::string_view name) {
  if (!params) return nullptr;
  for (const Parameter& p : *params) {
    if (SameName(p.name, name)) return &p;
  }
  return nullptr;
}

void BindText(sqlite3_stmt* st, int i, const std::string& text) {
  sqlite3_bind_text64(st, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void BindValue(sqlite3_stmt* st, int i, const Parameter& p) {
  const Variant& v = p.value;
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      sqlite3_bind_null(st, i);
      return;
    case VarType::Boolean:
      // Booleans are stored as 0 and 1, whatever the automation value of True.
      sqlite3_bind_int(st, i, v.BoolRef() ? 1 : 0);
      return;
    case VarType::Date:
      BindText(st, i, FormatStoredDate(v.DoubleRef()));
      return;
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      if (p.type == adBoolean) {
        sqlite3_bind_int(st, i, v.IntRef() != 0 ? 1 : 0);
      } else if (IsDateType(p.type)) {
        BindText(st, i, FormatStoredDate(static_cast<double>(v.IntRef())));
      } else {
        sqlite3_bind_int64(st, i, v.IntRef());
      }
      return;
    case VarType::Single:
    case VarType::Double:
      if (p.type == adBoolean) {
        sqlite3_bind_int(st, i, v.DoubleRef() != 0 ? 1 : 0);
      } else if (IsDateType(p.type)) {
        BindText(st, i, FormatStoredDate(v.DoubleRef()));
      } else {
        sqlite3_bind_double(st, i, v.DoubleRef());
      }
      return;
    case VarType::Currency:
    case VarType::Decimal: {
      // Exactly as written: a whole number as one, anything else as its text, which
      // the column's affinity stores as the engine does with typed-in numbers.
      int64_t whole = 0;
      if (v.DecimalRef().Scale() == 0 && v.DecimalRef().ToInteger(whole))
        sqlite3_bind_int64(st, i, whole);
      else
        BindText(st, i, v.DecimalRef().ToText());
      return;
    }
    case VarType::ByteArray:
      sqlite3_bind_blob64(st, i, v.StringRef().data(), v.StringRef().size(), SQLITE_TRANSIENT);
      return;
    case VarType::String: {
      const std::string& s = v.StringRef();
      if (IsDateType(p.type)) {
        // A date given as text is stored in the one ISO form, so that it sorts and
        // compares with the others; text that is no date is refused, not stored.
        double serial = 0;
        DateValue d;
        if (ParseStoredDate(s, serial)) {
          BindText(st, i, FormatStoredDate(serial));
        } else if (ParseDate(s, d)) {
          BindText(st, i, FormatStoredDate(d.serial));
        } else if (TrimBlanks(s).empty()) {
          sqlite3_bind_null(st, i);
        } else {
          throw VMError(errc::kCantConvertValue, kSource,
                        "Der Wert \"" + s + "\" für den Parameter \"" + p.name +
                            "\" ist kein gültiges Datum.");
        }
      } else if (p.type == adBoolean) {
        sqlite3_bind_int(st, i, v.ToBool() ? 1 : 0);
      } else if (IsBinaryType(p.type)) {
        sqlite3_bind_blob64(st, i, s.data(), s.size(), SQLITE_TRANSIENT);
      } else {
        BindText(st, i, s);
      }
      return;
    }
  }
  sqlite3_bind_null(st, i);
}

// How the cells of a column go to the sink.
enum class Kind {
  kInteger,
  kDouble,
  kNumber,
  kText,
  kDate,
  kTime,
  kBool,
  kBlob,
  kGuid,
  kAsStored,  // a table column without declared type: each value by its storage class
  kUnknown
};

Kind KindOf(int32_t type) {
  switch (type) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt:
      return Kind::kInteger;
    case adSingle:
    case adDouble:
      return Kind::kDouble;
    case adCurrency:
    case adDecimal:
    case adNumeric:
      return Kind::kNumber;
    case adDate:
    case adDBDate:
    case adDBTimeStamp:
    case vmDateTime:
      return Kind::kDate;
    case adDBTime:
      return Kind::kTime;
    case adBoolean:
      return Kind::kBool;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
      return Kind::kBlob;
    case adGUID:
      return Kind::kGuid;
    default:
      return Kind::kText;
  }
}

// Cells of the current statement row.
struct StatementCells {
  sqlite3_stmt* st;
  int Type(int c) const { return sqlite3_column_type(st, c); }
  int64_t Int(int c) const { return sqlite3_column_int64(st, c); }
  double Real(int c) const { return sqlite3_column_double(st, c); }
  std::string_view Text(int c) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(st, c)))
             : std::string_view();
  }
  std::string_view Blob(int c) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(st, c));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(st, c)))
             : std::string_view();
  }
};

// Cells of a row held back while the types of expression columns are unknown.
struct ValueCells {
  sqlite3_value* const* row;
  int Type(int c) const { return sqlite3_value_type(row[c]); }
  int64_t Int(int c) const { return sqlite3_value_int64(row[c]); }
  double Real(int c) const { return sqlite3_value_double(row[c]); }
  std::string_view Text(int c) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(row[c]));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(row[c])))
             : std::string_view();
  }
  std::string_view Blob(int c) const {
    const auto* p = static_cast<const char*>(sqlite3_value_blob(row[c]));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(row[c])))
             : std::string_view();
  }
};

bool EqualsAscii(std::string_view a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Lower(a[i]) != b[i]) return false;
  }
  return true;
}

// Boolean stored as text by some other program: 1/0, -1, true/false, wahr/falsch.
bool TextToBool(std::string_view t, bool& out) {
  std::string_view s = TrimBlanks(t);
  if (EqualsAscii(s, "true") || EqualsAscii(s, "wahr") || EqualsAscii(s, "ja")) {
    out = true;
    return true;
  }
  if (EqualsAscii(s, "false") || EqualsAscii(s, "falsch") || EqualsAscii(s, "nein")) {
    out = false;
    return true;
  }
  double d = 0;
  if (ParseNumber(s, d)) {
    out = d != 0;
    return true;
  }
  return false;
}

std::string GuidText(std::string_view b) {
  // The usual in-memory layout of a GUID: the first three groups little-endian.
  static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string out = "{";
  char hex[3];
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(b[kOrder[i]]));
    out += hex;
  }
  return out + "}";
}

// A decimal or currency cell, never taken as the nearest binary double. SQLite
// keeps a DECIMAL as REAL when it can, converting typed-in text with 15
// significant digits: those digits are the number that was stored, and what the
// engine's own text of the REAL shows (as sqlite3 prints it). They are made here
// rather than asked of the engine, whose printf costs three times the whole load.
template <class Cells>
void PutExact(const Cells& cells, int c, int t, data::ResultSink& sink) {
  Decimal d;
  if (t == SQLITE_INTEGER) {
    sink.PutInteger(c, cells.Int(c));
  } else if (t == SQLITE_FLOAT) {
    const double v = cells.Real(c);
    char digits[40];
    const auto r = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::general, 15);
    if (r.ec == std::errc() &&
        Decimal::Parse(std::string_view(digits, static_cast<size_t>(r.ptr - digits)), d))
      sink.PutDecimal(c, d);
    else
      sink.PutDouble(c, v);  // infinities and NaN stay what they are
  } else if (t == SQLITE_TEXT) {
    const std::string_view s = cells.Text(c);
    if (Decimal::Parse(s, d))
      sink.PutDecimal(c, d);
    else
      sink.PutText(c, s);  // not a number; kept as it is stored
  } else {
    sink.PutBlob(c, cells.Blob(c));
  }
}

template <class Cells>
void EmitRow(const Cells& cells, const std::vector<int>& kinds, data::ResultSink& sink) {
  sink.BeginRow();
  const int n = static_cast<int>(kinds.size());
  for (int c = 0; c < n; ++c) {
    const int t = cells.Type(c);
    if (t == SQLITE_NULL) {
      sink.PutNull(c);
      continue;
    }
    switch (static_cast<Kind>(kinds[c])) {
      case Kind::kNumber:
        PutExact(cells, c, t, sink);
        break;
      case Kind::kInteger:
        if (t == SQLITE_INTEGER) {
          sink.PutInteger(c, cells.Int(c));
        } else if (t == SQLITE_FLOAT) {
          sink.PutDouble(c, cells.Real(c));
        } else if (t == SQLITE_TEXT) {
          sink.PutText(c, cells.Text(c));  // not a number; kept as it is stored
        } else {
          sink.PutBlob(c, cells.Blob(c));
        }
        break;
      case Kind::kDouble:
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
          sink.PutDouble(c, cells.Real(c));
        } else if (t == SQLITE_TEXT) {
          sink.PutText(c, cells.Text(c));
        } else {
          sink.PutBlob(c, cells.Blob(c));
        }
        break;
      case Kind::kDate:
      case Kind::kTime: {
        double serial = 0;
        if (t == SQLITE_BLOB) {
          sink.PutBlob(c, cells.Blob(c));
        } else if (ReadStoredMoment(t, t == SQLITE_TEXT ? 0 : cells.Real(c),
                                    t == SQLITE_TEXT ? cells.Text(c) : std::string_view(),
                                    kinds[c] == static_cast<int>(Kind::kTime), serial)) {
          sink.PutDate(c, serial);
        } else {
          sink.PutText(c, cells.Text(c));  // never drop what is stored
        }
        break;
      }
      case Kind::kBool: {
        bool b = false;
        if (t == SQLITE_INTEGER) {
          sink.PutInteger(c, cells.Int(c) != 0 ? 1 : 0);
        } else if (t == SQLITE_FLOAT) {
          sink.PutInteger(c, cells.Real(c) != 0 ? 1 : 0);
        } else if (t == SQLITE_TEXT && TextToBool(cells.Text(c), b)) {
          sink.PutInteger(c, b ? 1 : 0);
        } else if (t == SQLITE_TEXT) {
          sink.PutText(c, cells.Text(c));
        } else {
          sink.PutBlob(c, cells.Blob(c));
        }
        break;
      }
      case Kind::kGuid:
        if (t == SQLITE_BLOB) {
          std::string_view b = cells.Blob(c);
          if (b.size() == 16) {
            sink.PutText(c, GuidText(b));
          } else {
            sink.PutBlob(c, b);
          }
        } else {
          sink.PutText(c, cells.Text(c));
        }
        break;
      case Kind::kBlob:
        sink.PutBlob(c, t == SQLITE_BLOB ? cells.Blob(c) : cells.Text(c));
        break;
      case Kind::kAsStored:
        if (t == SQLITE_INTEGER)
          sink.PutInteger(c, cells.Int(c));
        else if (t == SQLITE_FLOAT)
          sink.PutDouble(c, cells.Real(c));
        else if (t == SQLITE_BLOB)
          sink.PutBlob(c, cells.Blob(c));
        else
          sink.PutText(c, cells.Text(c));
        break;
      case Kind::kText:
      case Kind::kUnknown:
        if (t == SQLITE_BLOB) {
          sink.PutBlob(c, cells.Blob(c));
        } else {
          sink.PutText(c, cells.Text(c));
        }
        break;
    }
  }
  sink.EndRow();
}

}  // namespace

void BindParameters(sqlite3_stmt* st, std::vector<Parameter>* params, int& positional) {
  const int n = sqlite3_bind_parameter_count(st);
  for (int i = 1; i <= n; ++i) {
    const char* name = sqlite3_bind_parameter_name(st, i);
    const Parameter* p = nullptr;
    std::string shown;
    if (!name) {
      shown = "?" + std::to_string(positional + 1);
      p = NthInput(params, positional++);
    } else if (name[0] == '?') {
      shown = name;
      p = NthInput(params, std::atoi(name + 1) - 1);
    } else {
      shown = name;
      p = ByName(params, name);
    }
    if (!p) {
      throw VMError(errc::kInvalidArgument, kSource,
                    "Für den Parameter \"" + shown + "\" der Anweisung wurde kein Wert übergeben.");
    }
    BindValue(st, i, *p);
  }
}

RowStreamer::RowStreamer(sqlite3_stmt* st) : st_(st), columns_(sqlite3_column_count(st)) {
  meta_.resize(static_cast<size_t>(columns_));
  kinds_.resize(static_cast<size_t>(columns_));
  for (int c = 0; c < columns_; ++c) {
    const char* name = sqlite3_column_name(st, c);
    meta_[c].name = name ? name : "";
    const char* decl = sqlite3_column_decltype(st, c);
    if ((!decl || !*decl) && sqlite3_column_table_name(st, c)) {
      // A table column declared without type holds whatever each row stored
      // (42, 1.5, 'Text', a blob): no one type describes it.
      meta_[c].type = adVariant;
      kinds_[c] = static_cast<int>(Kind::kAsStored);
    } else if (decl) {
      ColumnType ct = MapDeclaredType(decl);
      meta_[c].type = ct.type;
      meta_[c].definedSize = ct.size;
      meta_[c].precision = ct.precision;
      meta_[c].scale = ct.scale;
      kinds_[c] = static_cast<int>(KindOf(ct.type));
    } else {
      kinds_[c] = static_cast<int>(Kind::kUnknown);
      ++unresolved_;
    }
  }
}

RowStreamer::~RowStreamer() {
  for (sqlite3_value* v : held_) sqlite3_value_free(v);
}

void RowStreamer::Announce(data::ResultSink& sink) {
  for (int c = 0; c < columns_; ++c) {
    if (kinds_[c] == static_cast<int>(Kind::kUnknown)) {  // never saw a value: text
      meta_[c].type = adVarChar;
      meta_[c].definedSize = 0;
      kinds_[c] = static_cast<int>(Kind::kText);
    }
  }
  sink.SetColumns(std::move(meta_));
  announced_ = true;
  std::vector<sqlite3_value*> held;
  held.swap(held_);
  struct Free {
    std::vector<sqlite3_value*>& v;
    ~Free() {
      for (sqlite3_value* x : v) sqlite3_value_free(x);
    }
  } release{held};
  for (size_t r = 0; r < held.size(); r += static_cast<size_t>(columns_))
    EmitRow(ValueCells{&held[r]}, kinds_, sink);
}

int RowStreamer::Step(data::ResultSink& sink, int64_t maxRows) {
  int64_t rows = 0;
  int rc = SQLITE_DONE;
  while (maxRows <= 0 || rows < maxRows) {
    rc = sqlite3_step(st_);
    if (rc != SQLITE_ROW) break;
    ++rows;
    if (!announced_ && unresolved_ > 0) {
      // An expression column takes the type of its first value that is not NULL.
      for (int c = 0; c < columns_; ++c) {
        if (kinds_[c] != static_cast<int>(Kind::kUnknown)) continue;
        switch (sqlite3_column_type(st_, c)) {
          case SQLITE_INTEGER:
            meta_[c].type = adBigInt;
            meta_[c].definedSize = 8;
            break;
          case SQLITE_FLOAT:
            meta_[c].type = adDouble;
            meta_[c].definedSize = 8;
            break;
          case SQLITE_TEXT:
            meta_[c].type = adVarChar;
            break;
          case SQLITE_BLOB:
            meta_[c].type = adLongVarBinary;
            break;
          default:
            continue;
        }
        kinds_[c] = static_cast<int>(KindOf(meta_[c].type));
        --unresolved_;
      }
      if (unresolved_ > 0) {
        for (int c = 0; c < columns_; ++c) {
          sqlite3_value* v = sqlite3_value_dup(sqlite3_column_value(st_, c));
          if (!v)
            throw VMError(errc::kOutOfMemory, kSource,
                          "Nicht genug Arbeitsspeicher für die Datenbankabfrage.");
          held_.push_back(v);
        }
        continue;
      }
    }
    if (!announced_) Announce(sink);
    EmitRow(StatementCells{st_}, kinds_, sink);
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
  if (rc == SQLITE_DONE && !announced_) Announce(sink);
  return rc;
}

int StreamRows(sqlite3_stmt* st, data::ResultSink& sink, int32_t maxRows) {
  RowStreamer streamer(st);
  const int rc = streamer.Step(sink, maxRows);
  // Stopped at the limit: the columns are announced all the same.
  if (rc == SQLITE_ROW) streamer.Finish(sink);
  return rc;
}

}  // namespace vmbgrid::sqlite
