// The embedded SQLite data source: a provider of the data-access layer named
// "SQLite". Hosts, tools and tests call Register() once at start (calling it again
// is harmless); connections then use "Provider=SQLite;Data Source=<path>".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/provider.h"

namespace vmbgrid::sqlite {

// Registers the provider with the data-access layer. Idempotent.
void Register();

// SQLite has no stored procedures: commands of type adCmdStoredProc run a body
// registered here under the procedure's name (compared without regard to case).
// Registering a name again replaces its body.
void RegisterProcedure(const std::string& name, data::ProcedureBody body);
void UnregisterProcedure(const std::string& name);
bool HasProcedure(const std::string& name);

// Data-type code and defined size of a declared column type ("VARCHAR(50)" ->
// adVarChar, 50), with precision and scale for exact numbers ("DECIMAL(12,2)" ->
// adNumeric, 12, 12, 2). Types outside the table follow SQLite's affinity rules.
struct ColumnType {
  int32_t type = adVarChar;
  int32_t size = 0;
  int32_t precision = 0;
  int32_t scale = 0;
};
ColumnType MapDeclaredType(std::string_view declared);

// Collation of every ORDER BY item the dialect writes: German rules through ICU, as
// the in-memory sort of the recordsets ("Ärger" sorts with A, not after Z).
inline constexpr const char* kGermanCollation = "VMDE";
// Collation of text compared with a literal ("Name" = 'Meier', "Name" >= 'A'): the
// German rules without regard to case that LIKE and the in-memory filter follow
// ("MÜLLER" = 'Müller', "Ärger" between 'A' and 'B'). A comparison in numbers or
// dates never reaches it: SQLite collates only text with text.
inline constexpr const char* kSearchCollation = "VMDE_NOCASE";

// The statement as SQLite understands it: a leading "SELECT [DISTINCT] TOP n"
// becomes "SELECT [DISTINCT] ... LIMIT n", and each item of the SELECT's own ORDER BY
// (outside parentheses, literals and comments) gets "COLLATE VMDE" unless it names a
// collation already; in a SELECT, a name compared with a text literal (= <> != < <=
// > >=) gets "COLLATE VMDE_NOCASE" behind the literal. Everything else stays as
// written.
std::string RewriteStatement(const std::string& statement);

// "Provider=SQLite;Data Source="<path>"" with the path quoted, so that a ";" or
// "Mode=..." inside a file name stays part of the name.
std::string ConnectionStringForFile(const std::string& path);

// Dates are stored as ISO text. Parsing accepts "yyyy-mm-dd" with an optional
// time ("hh:mm", "hh:mm:ss", fractions, "T" as separator); false for anything else.
bool ParseStoredDate(std::string_view text, double& serial);
// "yyyy-mm-dd", with " hh:mm:ss" when the time is not midnight.
std::string FormatStoredDate(double serial);

}  // namespace vmbgrid::sqlite
