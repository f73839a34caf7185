// The core string service: the text operations the criteria language, the
// statement builder and the settings use. Pure functions, process-wide, no state.
// Character sets given to these functions (delimiters, "from"/"to" sets, wildcard
// and operator characters) are ASCII; texts themselves are UTF-8 and pass through
// byte-exact wherever they are not touched.
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
// A character of `from` without a counterpart in `to` (when `to` is shorter) is
// removed. Only ASCII characters are translated; other bytes are copied.
std::string TranslateChars(std::string_view text, std::string_view from, std::string_view to);

// Splits at a one-character delimiter; parts are trimmed of blanks. An empty text
// gives one empty part, so the result is never empty. (The criteria language counts
// parts: "-" gives "", "" and "-5" gives "", "5".)
std::vector<std::string> SplitList(std::string_view text, char delimiter);

// True when the part holds "*" or "?". numericWildcard is set to true when that
// happens in a value whose class has no quote character (quote empty), else false.
bool HasWildcards(std::string_view part, std::string_view quote, bool& numericWildcard);

// Splits a leading comparison operator off a value. Recognised: ">=", "<=", "<>",
// the reversed spellings "=>", "=<" and "!=" (written as ">=", "<=", "<>"), and ">",
// "<", "=". The operator text is one of a fixed set, ready to stand between column
// and literal (" >= "); without operator it is " = " (a plain value is an exact
// comparison). The value is trimmed of blanks.
struct OperatorSplit {
  std::string op;
  std::string value;
};
OperatorSplit SplitOperator(std::string_view part);

// Body of a date literal: "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss" when a time is
// given (also a time of 00:00). Accepted, surrounded by blanks or not:
//   German  d.m.yyyy, d.m.yy (two-digit years 00-29 are 20xx, 30-99 are 19xx),
//           d.m. (the current year);
//   ISO     yyyy-mm-dd, with a time after a blank or a "T";
//   time    hh:mm or hh:mm:ss after the date, separated by blanks.
// Day, month and time are checked against the calendar (31.02.2003 is no date).
// Text that is no date raises VMError (type mismatch, source "VMBGrid") so that it
// never reaches SQL.
std::string ToSqlDate(std::string_view typed);

// Body of a time literal, "hh:mm:ss", from a typed time h:mm or h:mm:ss (blanks
// around it allowed), checked against the clock (0:00 to 23:59:59). Text that is
// no time raises VMError (type mismatch, source "VMBGrid").
std::string ToSqlTime(std::string_view typed);

// Formatted text (type 44). The stored form is the text without blanks (account
// numbers, IBANs, phone numbers); the displayed form groups it in blocks of four
// characters separated by one blank ("DE12 3456 7890 12"). Unformat removes every
// blank, so a user may type the value with or without grouping;
// UnformatSpecialText(FormatSpecialText(s)) == s for every text s without blanks.
// A stored text that already holds a blank is shown unchanged.
std::string UnformatSpecialText(std::string_view displayed);
std::string FormatSpecialText(std::string_view stored);

// Token n (1-based) of a text split at a delimiter, exactly as it stands (not
// trimmed); "" for n < 1 or beyond the last token.
std::string GetToken(std::string_view text, int n, char delimiter);

// Settings section of a grid: application, form and grid name joined by "\".
std::string SettingsSection(std::string_view app, std::string_view form, std::string_view grid);

// Blanks (space, tab, CR, LF, VT, FF) trimmed at both ends.
std::string Trim(std::string_view text);
// German case folding and comparison (ICU full case folding): "Müller" equals
// "MÜLLER", "Straße" equals "STRASSE". Invalid UTF-8 is folded byte-wise (ASCII
// only) so that no text is lost or merged with another.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);

// Well-formed UTF-8 (no overlong forms, no surrogates), and its character count.
bool IsValidUtf8(std::string_view text);
size_t CharacterCount(std::string_view text);

// The text as a terminal or a message box may show it: control characters (C0, DEL,
// C1, the direction overrides) and bytes that are no UTF-8 become visible escapes
// ("\t", "\n", "\x00", "\x1b", "\u202e"), so that a value can neither move the
// cursor, clear the screen, end a C string nor hide what follows it. Everything else
// stays as it is.
std::string Visible(std::string_view text);

// What keeps a name a user typed from being stored as a key (layouts, filters): bad
// UTF-8, a control character (line break, tab), nothing but blanks, or more than
// maxCharacters characters. An empty name is no fault here.
enum class NameFault { kNone, kInvalidUtf8, kControlCharacter, kBlank, kTooLong };
NameFault CheckStoredName(std::string_view name, size_t maxCharacters);

}  // namespace vmbgrid::core
