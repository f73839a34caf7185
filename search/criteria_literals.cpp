#include "search/criteria_literals.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/strings.h"

namespace vmbgrid::search::detail {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string PrintDouble(double v) {
  if (v == 0.0) return "0";  // also for -0
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

}  // namespace

std::optional<std::string> CanonicalNumber(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const size_t digitsStart = i;
  while (i < n && IsDigit(s[i])) ++i;
  const size_t intDigits = i - digitsStart;
  size_t fracDigits = 0;
  bool point = false;
  if (i < n && s[i] == '.') {
    point = true;
    ++i;
    const size_t fracStart = i;
    while (i < n && IsDigit(s[i])) ++i;
    fracDigits = i - fracStart;
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  bool exponent = false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    exponent = true;
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t expStart = i;
    while (i < n && IsDigit(s[i])) ++i;
    if (i == expStart) return std::nullopt;
  }
  if (i != n) return std::nullopt;

  if (!point && !exponent) {
    // Whole number: exact in 64 bits when it fits, so big keys keep every digit.
    uint64_t magnitude = 0;
    bool fits = true;
    for (size_t k = digitsStart; k < digitsStart + intDigits; ++k) {
      const auto d = static_cast<uint64_t>(s[k] - '0');
      if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / 10) {
        fits = false;
        break;
      }
      magnitude = magnitude * 10 + d;
    }
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (fits && magnitude <= limit) {
      if (magnitude == 0) return std::string("0");
      return (negative ? "-" : "") + std::to_string(magnitude);
    }
  }
  // from_chars takes no "+"; the sign is handled here.
  double value = 0.0;
  const char* first = s.data() + digitsStart;
  const char* last = s.data() + n;
  auto res = std::from_chars(first, last, value);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return std::nullopt;
  return PrintDouble(negative ? -value : value);
}

std::optional<std::string> ExactDecimal(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::string digits;
  while (i < n && IsDigit(s[i])) digits += s[i++];
  long long point = static_cast<long long>(digits.size());
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && IsDigit(s[i])) digits += s[i++];
  }
  if (digits.empty()) return std::nullopt;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) minus = s[i++] == '-';
    const size_t expStart = i;
    long long exponent = 0;
    while (i < n && IsDigit(s[i])) {
      // Far beyond any column's precision; a bound keeps the result small.
      if (exponent > 1000) return std::nullopt;
      exponent = exponent * 10 + (s[i++] - '0');
    }
    if (i == expStart || exponent > 1000) return std::nullopt;
    point += minus ? -exponent : exponent;
  }
  if (i != n) return std::nullopt;

  // Leading and trailing zeros carry no value; the point moves with them.
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return std::string("0");
  const size_t last = digits.find_last_not_of('0');
  point -= static_cast<long long>(first);
  digits = digits.substr(first, last - first + 1);
  const auto count = static_cast<long long>(digits.size());
  std::string out = negative ? "-" : "";
  if (point <= 0) {
    out += "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= count) {
    out += digits + std::string(static_cast<size_t>(point - count), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(point)) + "." +
           digits.substr(static_cast<size_t>(point));
  }
  return out;
}

std::optional<int32_t> BooleanNumber(std::string_view text) {
  if (core::EqualsNoCase(text, "True") || core::EqualsNoCase(text, "Wahr")) return -1;
  if (core::EqualsNoCase(text, "False") || core::EqualsNoCase(text, "Falsch")) return 0;
  auto number = CanonicalNumber(text);
  if (!number) return std::nullopt;
  double value = 0.0;
  auto res = std::from_chars(number->data(), number->data() + number->size(), value);
  if (res.ec != std::errc()) return std::nullopt;
  value = std::nearbyint(value);  // the default rounding mode rounds half to even
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

bool IsGuid(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return false;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphen ? text[i] != '-' : !IsHex(text[i])) return false;
  }
  return true;
}

}  // namespace vmbgrid::search::detail
