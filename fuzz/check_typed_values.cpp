// Dates and numbers as typed. Input: the text.
#include <cmath>

#include "core/strings.h"
#include "fuzz/checks.h"
#include "host/error.h"
#include "host/variant.h"
#include "search/criteria_literals.h"

namespace vmbgrid::fuzz {

namespace {

void CheckSqlDate(const std::string& text) {
  std::string body;
  try {
    body = core::ToSqlDate(text);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), text);
    return;
  }
  // The body is canonical: read again it stays the same, and it is a date.
  std::string again;
  try {
    again = core::ToSqlDate(body);
  } catch (const VMError&) {
    Fail("the date body " + body + " is no date", text);
  }
  Require(again == body, "the date body " + body + " is not canonical", text);
  DateValue d;
  Require(ParseDate(body, d), "the date body " + body + " is no date to the values", text);
}

void CheckParsedDate(const std::string& text) {
  DateValue d;
  if (!ParseDate(text, d)) return;
  Require(std::isfinite(d.serial), "a date that is no finite number", text);
  const std::string iso = FormatIsoDate(d);
  DateValue back;
  Require(ParseDate(iso, back), "the ISO form " + iso + " does not parse", text);
  Require(FormatIsoDate(back) == iso, "the ISO form " + iso + " does not round-trip", text);
}

void CheckNumbers(const std::string& text) {
  double v = 0;
  if (ParseNumber(text, v)) Require(std::isfinite(v), "a number that is not finite", text);
  // What the criteria write without quotes holds only digits, sign, point and
  // exponent, and reads back as itself.
  if (auto number = search::detail::CanonicalNumber(text)) {
    for (char c : *number)
      Require((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e',
              "the number " + *number + " holds other characters", text);
    Require(search::detail::CanonicalNumber(*number) == number,
            "the number " + *number + " is not canonical", text);
    double back = 0;
    Require(ParseNumber(*number, back), "the number " + *number + " does not parse", text);
  }
  if (auto flag = search::detail::BooleanNumber(text)) (void)*flag;
}

}  // namespace

void CheckTypedValues(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckSqlDate(text);
  CheckParsedDate(text);
  CheckNumbers(text);
  // The variant's own conversions of typed text raise VMError, nothing else.
  const Variant typed(text);
  try {
    (void)typed.ToDouble();
  } catch (const VMError& e) {
    RequireMessage(e.Description(), text);
  }
  try {
    (void)typed.ToInt32();
  } catch (const VMError& e) {
    RequireMessage(e.Description(), text);
  }
  try {
    (void)typed.ToDate();
  } catch (const VMError& e) {
    RequireMessage(e.Description(), text);
  }
}

}  // namespace vmbgrid::fuzz
