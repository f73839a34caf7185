// The core string service: the text operations the criteria language, the
// statement builder and the settings use. Pure functions, process-wide.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/variant.h"

namespace vmbgrid::core {

// Column name as written in SQL: "[" + name + "]"; a "]" inside the name is doubled
// so that no name can end the bracket early. An empty name gives "[]".
std::string QuoteFieldName(std::string_view name);

// Replaces each character of `from` by the character at the same place in `to`.
std::string TranslateChars(std::string_view text, std::string_view from, std::string_view to);

// Splits at a one-character delimiter; parts are trimmed of blanks. An empty text
// gives one empty part. (The criteria language counts parts, so "-5" gives "", "5".)
std::vector<std::string> SplitList(std::string_view text, char delimiter);

// True when the part holds "*" or "?". numericWildcard is set when that happens in
// a value whose class has no quote character (quote empty).
bool HasWildcards(std::string_view part, std::string_view quote, bool& numericWildcard);

// Splits a leading comparison operator (>=, <=, <>, >, <, =) off a value. The operator
// text is ready to stand between column and literal (" >= "); without operator it
// is " = ". The value is trimmed.
struct OperatorSplit {
  std::string op;
  std::string value;
};
OperatorSplit SplitOperator(std::string_view part);

// Body of a date literal: "yyyy-mm-dd" (with " hh:mm:ss" when a time is given) from
// German (1.2.2003, 01.02.03, 1.2.) or ISO input. Text that is no date raises VMError
// (type mismatch) so that it never reaches SQL.
std::string ToSqlDate(std::string_view typed);

// Formatted text (type 44): display form <-> stored form.
std::string UnformatSpecialText(std::string_view displayed);
std::string FormatSpecialText(std::string_view stored);

// Token n (1-based) of a text split at a delimiter; "" beyond the last.
std::string GetToken(std::string_view text, int n, char delimiter);

// Settings section of a grid: application, form and grid name joined by "\".
std::string SettingsSection(std::string_view app, std::string_view form, std::string_view grid);

// Blanks trimmed at both ends.
std::string Trim(std::string_view text);
// German case folding and comparison (ICU): "Müller" equals "MÜLLER".
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);

}  // namespace vmbgrid::core
