// The PostgreSQL data source: a provider of the data-access layer named
// "PostgreSQL" (also reached as "postgres" and through a bare postgresql:// URI).
// Hosts call Register() once at start; connections then use
//   Provider=PostgreSQL;Host=db01;Database=kunden;User ID=anna;Password=...
//   postgresql://anna@db01/kunden
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/provider.h"

namespace vmbgrid::postgres {

// Registers the provider with the data-access layer. Idempotent.
void Register();

// Version of the layout schema (tables and the two layout functions) this build
// installs on the first save.
inline constexpr int kSchemaVersion = 1;

// libpq keywords and values for the connection properties. Data Source may be a
// postgresql:// URI, a libpq "key=value ..." text or a host name; the library keys
// (Host, Port, Database, User ID, Password, ...) come on top. An unknown key raises
// VMError with a German message, so a mistyped "Pasword" is not silently ignored.
std::vector<std::pair<std::string, std::string>> ConnectionKeywords(
    const data::ConnectionProperties& props);

// True for a text that names a server rather than a database file: a
// postgresql:// (or postgres://) URI or a "Provider=..." connection string. Hosts
// taking a --db argument pass such a text on as the connection string.
bool IsServerConnectionString(const std::string& text);

// The text for messages and titles: a URI's or string's password replaced by "***".
std::string WithoutPassword(const std::string& text);

// Data-type code and defined size of a server column (type oid and modifier), with
// precision and scale for exact numbers (numeric(12,2): adNumeric, 12, 12, 2;
// plain numeric: precision 0, each value keeps its own scale).
struct ColumnType {
  int32_t type = adVarChar;
  int32_t size = 0;
  int32_t precision = 0;
  int32_t scale = 0;
};
ColumnType MapServerType(uint32_t oid, int typmod);

// How the dialect rewrites LIKE comparisons so that they fold case as the
// in-memory filter does.
enum class LikeFolding { kIcu, kDatabaseCollation };

// The statement as PostgreSQL understands it: a leading "SELECT [DISTINCT] TOP n"
// becomes "... LIMIT n"; "[a]]b]" becomes "a]b" in double quotes; "name LIKE
// 'pattern'" folds case on both sides and switches the backslash escape off; a name
// compared with a bare 0 or 1 gets '0'/'1', which a Boolean column accepts too.
// With parameters, "?" takes the next one and "@name"/":name" the named one: the
// indexes into `params` of $1, $2, ... are appended to `order`. Text in literals
// (also E'' and dollar-quoted), quoted names and comments is never touched.
//
// With `comparisons`, a name compared with a text literal (= <> != < <= > >=) in a
// SELECT is looked at too: in probe mode each such literal is written as the next "$n" (its
// number in `probeNumbers`), so that the server, preparing the probe, tells the
// compared column's type; given those `types` (one per comparison, in the order of
// the text), a comparison of a text column folds both sides as LIKE does and orders
// them by the German collation, so that "=" and ranges follow the rules of the
// patterns and of the in-memory filter.
struct TextComparisons {
  bool probe = false;
  std::vector<uint32_t> types;
  std::vector<int> probeNumbers;
  size_t found = 0;  // comparisons in the statement
};
std::string RewriteStatement(const std::string& statement, LikeFolding folding,
                             const std::vector<Parameter>* params = nullptr,
                             std::vector<size_t>* order = nullptr,
                             TextComparisons* comparisons = nullptr);

// True when anything but blanks, comments and ";" follows the first ";" outside
// literals (also E'' and dollar-quoted), quoted names and comments, read as the
// server reads them: a second statement, which no query or command may carry.
bool HasSecondStatement(const std::string& statement);

}  // namespace vmbgrid::postgres
