#include "host/number_total.h"

#include <cmath>

#include "host/error.h"

namespace vmbgrid {

void NumberTotal::AddExact(const Decimal& d) {
  if (!overflow_ && !Decimal::Add(exact_, d, exact_)) overflow_ = true;
}

void NumberTotal::AddDouble(double d) {
  doubles_ = true;
  if (!std::isfinite(d)) nonFinite_ = true;
  inexact_ += d;
}

void NumberTotal::AddValue(const Variant& v) {
  switch (v.Type()) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      AddInteger(v.IntRef());
      return;
    case VarType::Boolean:
      AddInteger(v.BoolRef() ? -1 : 0);
      return;
    case VarType::Currency:
    case VarType::Decimal:
      AddExact(v.DecimalRef());
      return;
    case VarType::Single:
    case VarType::Double:
      AddDouble(v.DoubleRef());
      return;
    case VarType::String: {
      Decimal d;
      double n = 0;
      if (Decimal::Parse(v.StringRef(), d))
        AddExact(d);
      else if (ParseNumber(v.StringRef(), n))
        AddDouble(n);  // beyond 38 digits: as near as a double comes
      return;
    }
    default:
      return;
  }
}

Variant NumberTotal::Result() const {
  auto overflow = []() -> Variant {
    throw VMError(errc::kOverflow, "VMBGrid",
                  "Überlauf: die Summe ist zu groß, um genau angezeigt zu werden.");
  };
  Decimal whole;
  Decimal total;
  if (overflow_ || !Decimal::FromUnits(whole_, 0, whole) || !Decimal::Add(exact_, whole, total))
    return nonFinite_ ? Variant(inexact_) : overflow();  // a NaN or infinite cell still wins
  if (!doubles_) return Variant(total);
  const double sum = inexact_ + total.ToDouble();
  if (!std::isfinite(sum) && !nonFinite_) return overflow();
  return Variant(sum);
}

std::string NonFiniteText(double d) {
  if (std::isnan(d)) return "NaN";
  return d < 0 ? "-\xE2\x88\x9E" : "\xE2\x88\x9E";
}

}  // namespace vmbgrid
