// The shape every condition of the criteria language has, checked token by token:
// only the column, comparison operators, LIKE, AND, OR, parentheses and literals
// of the column's kind. Anything else would be SQL structure taken from typed text.
#pragma once

#include <string>

namespace vmbgrid::fuzz {

enum class LiteralKind { None, Number, Text, Date, Boolean, Guid };

// What the compared literals (LIKE patterns excepted) must hold: anything, a date
// body ("yyyy-mm-dd" with an optional " hh:mm:ss"), a time body ("hh:mm:ss") or a
// decimal number written exactly ("-12.5", no exponent, no "+").
enum class Body { Any, Date, Time, Decimal };

// "" when the condition is well-formed, else what is wrong. `literal` is the kind
// of literal written for the column (a date column on a database of kind 0 writes
// text literals, a decimal column quoted numbers).
std::string CheckCondition(const std::string& condition, const std::string& column,
                           LiteralKind literal, Body body);

}  // namespace vmbgrid::fuzz
