// The PostgreSQL data source: a provider of the data-access layer named
// "PostgreSQL" (also reached as "postgres" and through a bare postgresql:// URI).
// Hosts call Register() once at start; connections then use
//   Provider=PostgreSQL;Host=db01;Database=kunden;User ID=anna;Password=...
//   postgresql://anna@db01/kunden
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/provider.h"

namespace vmbgrid::postgres {

// Registers the provider with the data-access layer. Idempotent.
void Register();

// Version of the layout and settings store (tables, the two layout functions,
// roles and rules) this build sets up and expects.
inline constexpr int kSchemaVersion = 2;

// The store's setup, a deliberate step of the database's administrator.
struct StoreSetup {
  std::string userRole = "vmgrid_benutzer";  // may use the store, writes its own entries
  std::string adminRole = "vmgrid_admin";    // also "Standard" and everyone's entries
  std::vector<std::string> users;            // logins given the user role
  std::vector<std::string> admins;           // logins given the admin role
};
// Creates (or brings up to date) the tables, the two layout functions, the two roles
// with their grants and the rules in the current schema of the database the
// connection string names, in one transaction; an older store keeps its entries.
// Needs a login that may create roles and tables there. "" on success, else a
// German message.
std::string SetupStore(const std::string& connectionString, const StoreSetup& setup);

// libpq keywords and values for the connection properties. Data Source may be a
// postgresql:// URI, a libpq "key=value ..." text or a host name; the library keys
// (Host, Port, Database, User ID, Password, ...) come on top. An unknown key raises
// VMError with a German message, so a mistyped "Pasword" is not silently ignored.
std::vector<std::pair<std::string, std::string>> ConnectionKeywords(
    const data::ConnectionProperties& props);

// "Lock Timeout" and "Statement Timeout" of a connection string, in seconds (0: no
// limit): how long a statement waits for a lock another session holds, and how long
// it may run when its command sets no timeout of its own. A value that is not a
// number of seconds raises VMError with a German message.
struct Timeouts {
  int lockSeconds = 0;
  int statementSeconds = 0;
};
Timeouts SessionTimeouts(const data::ConnectionProperties& props);
// A PostgreSQL connection string (also a bare URI) with these timeouts where it names
// none, as the browser opens servers; other connection strings come back as they are.
std::string WithTimeouts(const std::string& connectionString, int lockSeconds,
                         int statementSeconds);

// True for a text that names a server rather than a database file: a
// postgresql:// (or postgres://) URI, a libpq "host=... dbname=..." text or a
// "Provider=..." connection string.
bool IsServerConnectionString(const std::string& text);

// A host's database argument (--db) as the connection string to open: a libpq text
// ("host=/run/postgresql dbname=kunden user=anna") becomes "Provider=PostgreSQL;
// Data Source=...", a URI ("postgresql://...", any scheme) and a "Key=Value;..."
// connection string stay as they are, and a plain path gives "": the host hands
// that to its file provider. So no text that reads as a connection string is ever
// opened, let alone created, as a database file.
std::string ConnectionStringFor(const std::string& argument);

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
// `names` replaces single tokens of the statement (by their index, as
// StatementNames counts them) with the text given, already quoted.
using NameMapping = std::map<size_t, std::string>;

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
                             TextComparisons* comparisons = nullptr,
                             const NameMapping* names = nullptr);

// A name of a statement that the server's catalog decides. Relations stand after
// FROM (and its commas), JOIN, UPDATE and INTO, bracketed ("[verkauf.auftraege]",
// "[verkauf].[auftraege]"), double-quoted or bare, with or without a schema; a
// column is any other bracket name that is neither an alias ("AS [x]", the name
// after a relation), a qualifier ("[t].") nor a function ("[f](").
struct NameUse {
  enum class Kind { kRelation, kColumn, kQualifier };
  Kind kind = Kind::kColumn;
  std::string schema;  // a relation's schema as written; "" when unqualified
  std::string name;    // the name without brackets or quotes
  // Bracket names are the library's: resolved by the matching rules. Quoted and bare
  // names mean what PostgreSQL reads (bare ones folded to lower case).
  bool bracketed = false;
  size_t schemaToken = SIZE_MAX;  // token of the schema part, when written apart
  size_t token = SIZE_MAX;        // token of the name
};
std::vector<NameUse> StatementNames(const std::string& statement);

// True when anything but blanks, comments and ";" follows the first ";" outside
// literals (also E'' and dollar-quoted), quoted names and comments, read as the
// server reads them: a second statement, which no query or command may carry.
bool HasSecondStatement(const std::string& statement);

}  // namespace vmbgrid::postgres
