// Exact decimal arithmetic on 128-bit whole numbers with a scale.
#include "host/decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace vmbgrid {

namespace {

constexpr int kMaxScale = Decimal::kMaxDigits;

// Powers of ten, and for each the largest magnitude that may be multiplied by it
// (computed once: 128-bit divisions are slow, and totals scale every cell).
struct Powers {
  UInt128 p[kMaxScale + 1];
  UInt128 most[kMaxScale + 1];
  constexpr Powers() : p(), most() {
    p[0] = 1;
    for (int i = 1; i <= kMaxScale; ++i) p[i] = p[i - 1] * 10;
    for (int i = 0; i <= kMaxScale; ++i) most[i] = (p[kMaxScale] - 1) / p[i];
  }
};
constexpr Powers kPow10;
// The largest magnitude held: 38 nines.
constexpr UInt128 kLimit = kPow10.p[kMaxScale] - 1;

UInt128 Magnitude(Int128 v) { return v < 0 ? UInt128(0) - UInt128(v) : UInt128(v); }

// v * 10^n when the magnitude stays within the limit.
bool Scale10(Int128 v, int n, Int128& out) {
  if (n == 0) {
    out = v;
    return true;
  }
  if (n < 0 || n > kMaxScale || Magnitude(v) > kPow10.most[n]) return false;
  out = v * static_cast<Int128>(kPow10.p[n]);
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

Int128 Decimal::Units() const {
  return static_cast<Int128>((static_cast<UInt128>(static_cast<uint64_t>(hi_)) << 64) | lo_);
}

bool Decimal::Make(Int128 units, int scale, Decimal& out) {
  if (Magnitude(units) > kLimit || scale < 0 || scale > kMaxScale) return false;
  const UInt128 bits = static_cast<UInt128>(units);
  out.lo_ = static_cast<uint64_t>(bits);
  out.hi_ = static_cast<int64_t>(static_cast<uint64_t>(bits >> 64));
  out.scale_ = scale;
  return true;
}

Decimal Decimal::FromInteger(int64_t v) {
  Decimal d;
  Make(v, 0, d);
  return d;
}

namespace {

// What follows the digits: nothing, or "e"/"E" and an exponent within the limit.
bool ReadExponent(std::string_view rest, int limit, int& exponent) {
  exponent = 0;
  if (rest.empty()) return true;
  if (rest[0] != 'e' && rest[0] != 'E') return false;
  std::string_view e = rest.substr(1);
  if (!e.empty() && e.front() == '+') e.remove_prefix(1);
  auto r = std::from_chars(e.data(), e.data() + e.size(), exponent);
  return !e.empty() && r.ec == std::errc() && r.ptr == e.data() + e.size() && exponent <= limit &&
         exponent >= -limit;
}

// The digits of a number with at most one point ("." or ","), handed one by one to
// `digit`, which may end the scan by returning false. Counts the digits after the
// point and where the number ends (an exponent may follow). False when the scan was
// ended or there were no digits.
struct Mantissa {
  size_t end = 0;
  int fraction = 0;
};
template <typename OnDigit>
bool ScanMantissa(std::string_view s, Mantissa& m, OnDigit digit) {
  bool point = false, any = false;
  size_t i = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      any = true;
      if (point) ++m.fraction;
      if (!digit(c)) return false;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      break;
    }
  }
  m.end = i;
  return any;
}

// The common case without a copy: up to 38 digits, an optional point, at most a
// small exponent. False (nothing decided) for anything else.
bool ParseShort(std::string_view s, bool negative, Decimal& out) {
  UInt128 m = 0;
  int digits = 0;
  Mantissa scan;
  const bool read = ScanMantissa(s, scan, [&](char c) {
    if (m == 0 && c == '0') return true;
    if (++digits > Decimal::kMaxDigits) return false;
    m = m * 10 + static_cast<unsigned>(c - '0');
    return true;
  });
  if (!read) return false;
  int exponent = 0;
  if (!ReadExponent(s.substr(scan.end), kMaxScale, exponent)) return false;
  int scale = scan.fraction - exponent;
  Int128 units = static_cast<Int128>(m);
  if (scale < 0) {
    if (!Scale10(units, -scale, units)) return false;
    scale = 0;
  }
  if (scale > kMaxScale) return false;
  return Decimal::FromUnits(negative ? -units : units, scale, out);
}

}  // namespace

bool Decimal::Parse(std::string_view text, Decimal& out) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (ParseShort(s, negative, out)) return true;
  // The rest: many leading or trailing zeros, large exponents, or no number.
  std::string digits;  // without leading zeros
  Mantissa scan;
  const bool read = ScanMantissa(s, scan, [&](char c) {
    if (c != '0' || !digits.empty()) digits.push_back(c);
    return digits.size() <= 400;  // far beyond any scale we keep
  });
  if (!read) return false;
  int exponent = 0;
  if (!ReadExponent(s.substr(scan.end), 400, exponent)) return false;
  long scale = scan.fraction - exponent;
  if (scale < 0) {
    if (!digits.empty()) digits.append(static_cast<size_t>(-scale), '0');
    scale = 0;
  }
  // Zeros after the point that do not fit are dropped; they change no value.
  while (scale > 0 && (scale > kMaxScale || digits.size() > kMaxDigits) && !digits.empty() &&
         digits.back() == '0') {
    digits.pop_back();
    --scale;
  }
  if (digits.empty()) scale = std::min<long>(scale, kMaxScale);
  if (scale > kMaxScale || digits.size() > static_cast<size_t>(kMaxDigits)) return false;
  UInt128 m = 0;
  for (char c : digits) m = m * 10 + static_cast<unsigned>(c - '0');
  const Int128 units = negative ? -static_cast<Int128>(m) : static_cast<Int128>(m);
  return Make(units, static_cast<int>(scale), out);
}

bool Decimal::FromDouble(double value, Decimal& out) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  if (r.ec != std::errc()) return false;
  const std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
  if (text.find_first_of("ni") != std::string_view::npos) return false;  // nan, inf
  return Parse(text, out);
}

std::string Decimal::Digits() const {
  UInt128 m = Magnitude(Units());
  if (m == 0) return "0";
  char buf[48];
  int n = 0;
  while (m != 0) {
    buf[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  }
  std::string out;
  out.reserve(static_cast<size_t>(n));
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

std::string Decimal::ToText(char point) const {
  std::string digits = Digits();
  if (digits.size() <= static_cast<size_t>(scale_))
    digits.insert(0, static_cast<size_t>(scale_) + 1 - digits.size(), '0');
  std::string out = IsNegative() ? "-" : "";
  out += digits.substr(0, digits.size() - static_cast<size_t>(scale_));
  if (scale_ > 0) {
    out += point;
    out += digits.substr(digits.size() - static_cast<size_t>(scale_));
  }
  return out;
}

double Decimal::ToDouble() const {
  const std::string text = ToText('.');
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

bool Decimal::ToInteger(int64_t& out) const {
  const Int128 u = Units();
  const Int128 p = static_cast<Int128>(kPow10.p[scale_]);
  Int128 q = u / p;
  const Int128 rest = u % p;  // same sign as u
  const UInt128 twice = Magnitude(rest) * 2;
  const UInt128 whole = static_cast<UInt128>(p);
  if (twice > whole || (twice == whole && (q % 2) != 0)) q += u < 0 ? -1 : 1;
  if (q < INT64_MIN || q > INT64_MAX) return false;
  out = static_cast<int64_t>(q);
  return true;
}

bool Decimal::WithScale(int scale, Decimal& out) const {
  if (scale < scale_) return false;
  Int128 u = 0;
  return Scale10(Units(), scale - scale_, u) && Make(u, scale, out);
}

bool Decimal::Add(const Decimal& a, const Decimal& b, Decimal& out) {
  const int scale = std::max(a.scale_, b.scale_);
  Int128 x = 0, y = 0;
  if (!Scale10(a.Units(), scale - a.scale_, x) || !Scale10(b.Units(), scale - b.scale_, y))
    return false;
  // Two values of 38 digits add up to more than 128 bits hold: the wrap is checked,
  // the limit of 38 digits then by Make.
  Int128 sum = 0;
  return !__builtin_add_overflow(x, y, &sum) && Make(sum, scale, out);
}

int Decimal::Compare(const Decimal& a, const Decimal& b) {
  Int128 x = a.Units(), y = b.Units();
  // Brought to one scale. If that overflows, the value that needed the larger
  // factor is beyond everything the other can hold, so its sign decides.
  if (a.scale_ < b.scale_ && !Scale10(x, b.scale_ - a.scale_, x)) return x < 0 ? -1 : 1;
  if (b.scale_ < a.scale_ && !Scale10(y, a.scale_ - b.scale_, y)) return y < 0 ? 1 : -1;
  return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace vmbgrid
