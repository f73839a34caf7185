// Variant: the automation value type that crosses every boundary of the library
// (field values, criteria, grid cells, settings). It follows the usual automation
// conversion rules: True is -1 as a number, text converts to numbers only when it
// is a number, conversions that cannot succeed raise VMError.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "host/decimal.h"

namespace vmbgrid {

// Numbers follow the automation variant type numbering.
enum class VarType : int {
  Empty = 0,
  Null = 1,
  Int16 = 2,
  Int32 = 3,
  Single = 4,
  Double = 5,
  Currency = 6,  // exact, held as a Decimal with its own scale
  Date = 7,
  String = 8,
  Missing = 10,  // an optional argument that was not passed
  Boolean = 11,
  Decimal = 14,  // exact, see Decimal
  Int64 = 20,
  ByteArray = 8209,  // the bytes of a binary field (array of bytes)
};

// A date as an automation date: days since 30.12.1899, time as the fraction.
struct DateValue {
  double serial = 0.0;
  friend bool operator==(const DateValue&, const DateValue&) = default;
};

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// Calendar conversions of automation dates; MakeDate throws VMError for an invalid date.
DateValue MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
DateParts SplitDate(DateValue d);
bool IsValidDate(int year, int month, int day);
// Parses ISO dates ("2003-02-01", "2003-02-01 12:30:00", "2003-02-01T12:30") and German
// dates ("1.2.2003", "01.02.03", optional time); false when the text is no date.
bool ParseDate(std::string_view text, DateValue& out);
// ISO form: "yyyy-mm-dd", with " hh:mm:ss" when the time is not midnight.
std::string FormatIsoDate(DateValue d);
// The ISO text searches compare a date or time cell by, whatever form stored it:
// "yyyy-mm-dd" (with the time when there is one) in a date column, always
// "yyyy-mm-dd hh:mm:ss" in a date-and-time column, "hh:mm:ss" in a time column.
enum class MomentColumn { kDate, kDateTime, kTime };
std::string FormatIsoMoment(DateValue d, MomentColumn column);

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool b) : type_(VarType::Boolean), data_(b) {}
  Variant(int16_t v) : type_(VarType::Int16), data_(static_cast<int64_t>(v)) {}
  Variant(int32_t v) : type_(VarType::Int32), data_(static_cast<int64_t>(v)) {}
  Variant(int64_t v) : type_(VarType::Int64), data_(v) {}
  Variant(long long v) : type_(VarType::Int64), data_(static_cast<int64_t>(v)) {}
  Variant(float v) : type_(VarType::Single), data_(static_cast<double>(v)) {}
  Variant(double v) : type_(VarType::Double), data_(v) {}
  Variant(DateValue d) : type_(VarType::Date), data_(d.serial) {}
  Variant(const char* s) : type_(VarType::String), data_(std::string(s)) {}
  Variant(std::string s) : type_(VarType::String), data_(std::move(s)) {}
  Variant(std::string_view s) : type_(VarType::String), data_(std::string(s)) {}
  Variant(const Decimal& d) : type_(VarType::Decimal), data_(d) {}
  // A copy never goes through std::variant's copy constructor: with this standard
  // library, a text whose copy runs out of memory there leaves the half-made value
  // to be destroyed as if it held one, and the program jumps into nowhere. Built in
  // place, a copy that does not fit just raises std::bad_alloc.
  Variant(const Variant& other) : type_(other.type_), data_(CopyOf(other.data_)) {}
  Variant(Variant&&) noexcept = default;
  Variant& operator=(const Variant& other) {
    if (this != &other) *this = Variant(other);
    return *this;
  }
  Variant& operator=(Variant&&) noexcept = default;

  static Variant Null() { return Variant(VarType::Null); }
  static Variant Currency(const Decimal& d) {
    Variant v(d);
    v.type_ = VarType::Currency;
    return v;
  }
  static Variant Bytes(std::string_view bytes) {
    Variant v{std::string(bytes)};
    v.type_ = VarType::ByteArray;
    return v;
  }
  static Variant Missing() { return Variant(VarType::Missing); }
  static Variant Date(double serial) { return Variant(DateValue{serial}); }

  VarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsNull() const { return type_ == VarType::Null; }
  bool IsMissing() const { return type_ == VarType::Missing; }
  bool IsString() const { return type_ == VarType::String; }
  bool IsDate() const { return type_ == VarType::Date; }
  bool IsBoolean() const { return type_ == VarType::Boolean; }
  // Decimal or Currency: exact numbers.
  bool IsExact() const { return type_ == VarType::Decimal || type_ == VarType::Currency; }
  bool IsBytes() const { return type_ == VarType::ByteArray; }
  // True for the numeric types and for Boolean; not for text.
  bool IsNumberType() const;
  // Automation IsNumeric: numbers, Boolean, Empty, and text that converts to a number.
  bool IsNumeric() const;
  // Empty, Null, Missing, or text that is empty after trimming blanks.
  bool IsBlank() const;

  // Text form: numbers in invariant notation ("1.5"; exact numbers with their
  // scale, "1500.50"), Boolean "True"/"False", dates in ISO form, bytes as they
  // are, Empty and Missing "". Null raises "Invalid use of Null".
  std::string ToText() const;
  // Like ToText, but Null gives "" instead of an error.
  std::string ToTextOrEmpty() const;
  // Whole numbers round half to even; out of range raises overflow; text that is not
  // a number raises type mismatch.
  int32_t ToInt32() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;
  DateValue ToDate() const;
  // Exactly: whole numbers, exact numbers, numeric text ("1500,50") and doubles by
  // their shortest text; beyond 38 digits raises overflow.
  Decimal ToDecimal() const;

  // Direct access without conversion; valid only for the matching type (StringRef
  // also for bytes, DecimalRef for Decimal and Currency).
  const std::string& StringRef() const { return std::get<std::string>(data_); }
  const vmbgrid::Decimal& DecimalRef() const { return std::get<vmbgrid::Decimal>(data_); }
  double DoubleRef() const { return std::get<double>(data_); }
  int64_t IntRef() const { return std::get<int64_t>(data_); }
  bool BoolRef() const { return std::get<bool>(data_); }

  // Ordering used for sorting and comparisons: Null/Empty first, numbers (and dates,
  // Booleans) numerically, exact numbers and whole numbers exactly, text by code
  // points or, when ignoreCase, by German case folding ("Müller" equals "MÜLLER").
  // Numbers compare with text by their text form.
  static int Compare(const Variant& a, const Variant& b, bool ignoreCase = false);

  // Exact equality: same value; numeric types compare by value across types.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  using Data = std::variant<std::monostate, bool, int64_t, double, std::string, vmbgrid::Decimal>;
  static Data CopyOf(const Data& d) {
    if (const auto* text = std::get_if<std::string>(&d))
      return Data(std::in_place_type<std::string>, *text);
    return d;  // the other alternatives copy without allocating
  }

  explicit Variant(VarType t) : type_(t) {}
  VarType type_ = VarType::Empty;
  Data data_;
};

// Parses a number in invariant ("1.5", "-3e2") or German ("1,5") notation,
// surrounding blanks allowed; false when the text is not a number.
bool ParseNumber(std::string_view text, double& out);

}  // namespace vmbgrid
