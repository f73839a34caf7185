// The text form of the library's statements, shared by the library that writes
// them and the providers that hand them to a database: names in brackets with "]"
// doubled ("[a]]b]"), text literals in single quotes with "'" doubled, "TOP n".
// These helpers scan such text without ever looking inside literals or names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vmbgrid::sql {

bool IsIdentChar(char c);
bool IsBlank(char c);
// Characters that open a literal or a quoted name: ' " ` [
bool IsQuote(char c);

// Skips blanks and comments ("--" to the line end, "/* */") from pos.
size_t SkipBlanks(std::string_view s, size_t pos);
// True when the keyword (given in capitals) stands at pos in any letter case and is
// not followed by a name character.
bool KeywordAt(std::string_view s, size_t pos, std::string_view word);
// Index just behind the literal or quoted name that starts at i. A doubled closing
// character stands for itself, in brackets too ("[a]]b]").
size_t SkipQuoted(std::string_view s, size_t i);
// End (exclusive) of the first statement's last significant character: it ends at
// the first ";" outside literals, names and comments.
size_t StatementEnd(std::string_view s, size_t from);
// True when anything but blanks, comments and one final ";" follows the first
// statement: a second statement, which no query or command may carry.
bool HasFurtherStatement(std::string_view s);

// "[a]]b]" → "a]b" in double quotes with '"' doubled, outside literals: the form
// of databases without bracket names (SQLite has no escape inside brackets).
std::string BracketNamesToDoubleQuotes(std::string_view s);

// The search language's wildcards "*" and "?" become SQL's "%" and "_", inside the
// text literals that follow a LIKE only; names and other literals keep them.
std::string LikeWildcardsToSql(std::string_view s);

// The quoted name as the library writes it: "[" + name + "]" with "]" doubled.
std::string QuoteName(std::string_view name);

// The German texts of the errors every provider reports alike.
inline constexpr const char* kMultipleStatementsText =
    "Die Anweisung enthält mehr als einen Befehl; es wurde nichts ausgeführt.";
// A progressive load whose connection was closed while it ran.
inline constexpr const char* kLoadConnectionClosedText =
    "Die Verbindung zur Datenbank wurde geschlossen; es werden keine weiteren Datensätze "
    "gelesen.";
inline constexpr const char* kTooComplexText =
    "Das Suchkriterium ist zu umfangreich für die Datenbank. Bitte schränken Sie die Suche mit "
    "weniger Alternativen oder einem kürzeren Suchbegriff ein.";
// "Die Tabelle "…" gibt es in der Datenbank nicht." with the name as an excerpt.
std::string NoSuchTableText(std::string_view table);
// "Die Spalte "…" gibt es in der Tabelle nicht."
std::string NoSuchColumnText(std::string_view column);

// The tables of the layout and settings store (aa_gridlayout_kopf,
// aa_gridlayout_feld, vmgrid_settings, vmgrid_schema): no table list offers them.
bool IsStoreTable(std::string_view name);

// At most `limit` characters (not bytes) of a user's text for a message, cut with
// "…" when longer, so a message box can always show it.
std::string Excerpt(std::string_view text, size_t limit = 80);

}  // namespace vmbgrid::sql
