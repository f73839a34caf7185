// Display texts of cell values for the German locale, after the number-format
// names and patterns that grid columns carry ("Standard", "#,##0.00", "dd.mm.yyyy").
#pragma once

#include <string>

#include "host/variant.h"

namespace vmbgrid {

// The text a cell shows for the value under the number format. Null and Empty give
// "". An empty format (and "FormatText Event") gives the value's own text form:
// numbers with a decimal comma, Booleans "Wahr"/"Falsch", dates "dd.mm.yyyy" with
// the time when there is one. Unknown pattern characters are copied literally;
// no pattern, however odd, makes this fail.
std::string FormatCell(const Variant& value, const std::string& numberFormat);

// The value's own text form as used for editing: FormatCell with an empty format.
std::string PlainText(const Variant& value);

}  // namespace vmbgrid
