// A generated table with the column types business schemas have, the same rows on
// SQLite and on PostgreSQL, drawn from value pools by a seed: NULLs, negatives,
// extremes, umlauts, "ß", case variants, values on day and range borders. Where
// types_table.h is one fixed table, this one varies with the seed, for the
// differential runs over many seeds; its raw values are what the oracle reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vmbgrid::testsupport {

// Integer: whole numbers; Decimal: exact decimals (decimal, numeric, money); Single and
// Double: floating point; DateTime: date and time, to the second; Time: time of day;
// FixedText: char(n); LongText and Binary: not searchable.
// clang-format off
enum class ValueKind { Integer, Decimal, Single, Double, Boolean, Date, DateTime, Time, Guid, Text,
                       FixedText, LongText, Binary };
// clang-format on

struct TypeColumn {
  std::string name;
  std::string sqliteType;
  std::string postgresType;
  ValueKind kind;
};

// The columns after the key column "Id" (integer, 1..n).
const std::vector<TypeColumn>& TypeColumns();

// A raw value: Null, or its text in the canonical form of its kind: "-5", "1500.50",
// "1", "2024-07-31", "2024-07-31 13:45:00", "12:30:00", "{6F96...}", text as it is,
// hexadecimal bytes for binary. SQLite gets dates and times in the other forms
// programs store for some rows (Julian days, Unix seconds, fractions of a day, text
// with a zone, "12:30", "8:00:30", "2024-07-31T13:45"); the raw value stays
// canonical.
struct Cell {
  bool null = true;
  std::string text;
};

struct TypesRow {
  int id = 0;
  std::vector<Cell> cells;  // one per TypeColumns() entry
};

// The rows for a seed: first the edge values of every column, then `randomRows`
// rows drawn from each column's pool (about one cell in ten Null).
std::vector<TypesRow> GenerateTypesRows(uint32_t seed, int randomRows);

// The values a column's rows are drawn from (without Null).
const std::vector<std::string>& ValuePool(const TypeColumn& column);

// Statements that create the table and insert one row, on either database.
std::string CreateTypesTable(bool postgres, const std::string& table);
std::string InsertTypesRow(bool postgres, const std::string& table, const TypesRow& row);

}  // namespace vmbgrid::testsupport
