// A table with every common column type of SQLite and PostgreSQL, for tests that
// check types, display, sums and searches against what the databases themselves
// say. The rows hold NULLs, negatives, extremes, 0,10 and 0,20, whole numbers beyond
// 2^53, umlauts, ß, case variants and values on day borders. Header only, so that
// any test target can create the table on its own connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/data_access.h"

namespace vmbgrid::typestable {

inline constexpr const char* kTable = "Typen";

struct Column {
  const char* name;
  const char* sqlite;    // declared type on SQLite; nullptr: not on SQLite
  const char* postgres;  // server type; nullptr: not on PostgreSQL
  int32_t sqliteCode;
  int32_t postgresCode;
  int32_t precision = 0;  // exact numbers: declared precision and scale
  int32_t scale = 0;
};

// The columns in table order; "nr" is the key.
inline const std::vector<Column>& Columns() {
  static const std::vector<Column> kColumns = {
      {"nr", "INTEGER PRIMARY KEY", "integer PRIMARY KEY", adInteger, adInteger},
      {"ganz", "INTEGER", "integer", adInteger, adInteger},
      {"klein", "SMALLINT", "smallint", adSmallInt, adSmallInt},
      {"gross", "BIGINT", "bigint", adBigInt, adBigInt},
      {"betrag", "DECIMAL(12,2)", "numeric(12,2)", adNumeric, adNumeric, 12, 2},
      {"genau", "NUMERIC", "numeric", adNumeric, adNumeric},
      // Scale 4 on SQLite (the automation currency), 2 on PostgreSQL (cents).
      {"geld", "MONEY", "money", adCurrency, adCurrency, 19, -1},
      {"kommazahl", "DOUBLE", "double precision", adDouble, adDouble},
      {"einfach", "FLOAT", "real", adDouble, adSingle},
      {"aktiv", "BOOLEAN", "boolean", adBoolean, adBoolean},
      {"tag", "DATE", "date", adDate, adDate},
      {"zeitpunkt", "DATETIME", "timestamp", adDBTimeStamp, adDBTimeStamp},
      {"uhrzeit", "TIME", "time", adDBTime, adDBTime},
      {"kennung", "UUID", "uuid", adGUID, adGUID},
      {"name", "VARCHAR(40)", "varchar(40)", adVarChar, adVarChar},
      {"kurz", "CHAR(4)", "char(4)", adChar, adChar},
      {"notiz", "TEXT", "text", adVarChar, adVarChar},
      {"daten", "BLOB", "bytea", adLongVarBinary, adLongVarBinary},
      {"lang", "CLOB", nullptr, adLongVarChar, 0},
      // No declared type: each value as stored (42, 1.5, 'Text', a blob).
      {"gemischt", "", nullptr, adVariant, 0},
      {"zone", nullptr, "timestamptz", 0, adDBTimeStamp},
      {"uhrzeit_tz", nullptr, "timetz", 0, adVarChar},
      {"dauer", nullptr, "interval", 0, adVarChar},
      {"json", nullptr, "jsonb", 0, adLongVarChar},
      {"farbe", nullptr, "farbe", 0, adVarChar},            // an enum
      {"summe", nullptr, "betrag_t", 0, adNumeric, 12, 2},  // a domain over numeric(12,2)
      {"werte", nullptr, "integer[]", 0, adVarChar},
      {"netz", nullptr, "inet", 0, adVarChar},
  };
  return kColumns;
}

// One cell: the literal on SQLite and on PostgreSQL (nullptr: the same text).
struct Cell {
  const char* column;
  const char* sqlite;
  const char* postgres = nullptr;
};

// The rows by key; columns a row does not name are NULL.
inline const std::vector<std::vector<Cell>>& Rows() {
  // clang-format off
  static const std::vector<std::vector<Cell>> kRows = {
      {{"nr", "1"}},
      {{"nr", "2"}, {"ganz", "-5"}, {"klein", "-32768"}, {"gross", "-9223372036854775808"}, {"betrag", "-1500.50"},
       {"genau", "-0.000000001"}, {"geld", "-12.34"}, {"kommazahl", "-1.5"}, {"einfach", "-2.5"},
       {"aktiv", "0", "false"}, {"tag", "'1900-03-01'"}, {"zeitpunkt", "'2024-07-31 00:00:00'"},
       {"uhrzeit", "'00:00:00'"}, {"kennung", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'"}, {"name", "'Ärger'"},
       {"kurz", "'ÄÖÜß'"}, {"notiz", "'straße'"}, {"daten", "x'00ff10'", "'\\x00ff10'"}, {"lang", "'Langer Text'"},
       {"gemischt", "42"}, {"zone", nullptr, "'2024-07-31 13:45:00+02'"}, {"uhrzeit_tz", nullptr, "'12:30:00+02'"},
       {"dauer", nullptr, "'1 day 02:03:04'"}, {"json", nullptr, "'{\"a\": 1}'"}, {"farbe", nullptr, "'grün'"},
       {"summe", nullptr, "-0.10"}, {"werte", nullptr, "'{1,2,3}'"}, {"netz", nullptr, "'192.168.0.1/24'"}},
      {{"nr", "3"}, {"ganz", "0"}, {"klein", "0"}, {"gross", "0"}, {"betrag", "0.10"}, {"genau", "0.1"},
       {"geld", "0.10"}, {"kommazahl", "0.1"}, {"einfach", "0.1"}, {"aktiv", "1", "true"}, {"tag", "'2024-07-31'"},
       {"zeitpunkt", "'2024-07-31 13:45:00'"}, {"uhrzeit", "'12:30:00'"},
       {"kennung", "'00000000-0000-0000-0000-000000000001'"}, {"name", "'Müller'"}, {"kurz", "'abcd'"},
       {"notiz", "'Mül*'"}, {"daten", "x'000102030405060708090a0b'", "'\\x000102030405060708090a0b'"},
       {"gemischt", "1.5"}, {"zone", nullptr, "'2024-07-31 23:59:59+00'"}, {"dauer", nullptr, "'00:00:00'"},
       {"farbe", nullptr, "'rot'"}, {"summe", nullptr, "0.20"}},
      {{"nr", "4"}, {"ganz", "1"}, {"betrag", "0.20"}, {"genau", "0.2"}, {"geld", "0.20"}, {"kommazahl", "0.2"},
       {"einfach", "0.2"}, {"tag", "'2024-08-01'"}, {"zeitpunkt", "'2024-07-31 23:59:59.999'"},
       {"uhrzeit", "'23:59:59.99'"}, {"name", "'MÜLLER'"}, {"kurz", "'ABCD'"}, {"notiz", "'STRASSE'"},
       {"gemischt", "'Text'"}, {"dauer", nullptr, "'-01:30:00'"}, {"farbe", nullptr, "'blau'"}},
      {{"nr", "5"}, {"ganz", "2147483647"}, {"klein", "32767"}, {"gross", "9223372036854775807"},
       {"betrag", "9999999999.99"}, {"genau", "12345678.123456789"}, {"geld", "1234567.89"}, {"kommazahl", "1e300"},
       {"einfach", "3e38"}, {"aktiv", "1", "true"}, {"tag", "'9999-12-31'"}, {"zeitpunkt", "'1899-12-30 00:00:00'"},
       {"name", "'O''Brien'"}, {"notiz", "'a;b\"c'"}, {"gemischt", "x'01'"},
       {"dauer", nullptr, "'1 year 2 mons 3 days 04:05:06.5'"}},
      {{"nr", "6"}, {"ganz", "-2147483648"}, {"gross", "9007199254740993"}, {"betrag", "1500.50"},
       {"genau", "-12345678901234567890.12"}, {"kommazahl", "-1e-300"}, {"name", "'meier'"}, {"notiz", "''"}},
      {{"nr", "7"}, {"gross", "9007199254740993"}, {"betrag", "0.01"}, {"name", "'Meier'"}},
  };
  // clang-format on
  return kRows;
}

// The statements that create and fill the table (and, on PostgreSQL, the enum
// and the domain it uses), in order.
inline std::vector<std::string> Statements(bool postgres) {
  std::vector<std::string> out;
  if (postgres)
    out = {"DROP TABLE IF EXISTS \"Typen\"", "DROP TYPE IF EXISTS farbe",
           "DROP DOMAIN IF EXISTS betrag_t", "CREATE TYPE farbe AS ENUM ('rot', 'grün', 'blau')",
           "CREATE DOMAIN betrag_t AS numeric(12,2)"};
  std::string columns;
  for (const Column& c : Columns())
    if (const char* type = postgres ? c.postgres : c.sqlite)
      columns += (columns.empty() ? "\"" : ", \"") + std::string(c.name) + "\" " + type;
  out.push_back(std::string("CREATE TABLE \"") + kTable + "\" (" + columns + ")");
  for (const auto& row : Rows()) {
    std::string names, values;
    for (const Cell& cell : row) {
      const char* literal = postgres && cell.postgres ? cell.postgres : cell.sqlite;
      bool present = false;
      for (const Column& c : Columns())
        if (std::string(c.name) == cell.column) present = (postgres ? c.postgres : c.sqlite);
      if (!present || literal == nullptr) continue;
      names += (names.empty() ? "\"" : ", \"") + std::string(cell.column) + "\"";
      values += (values.empty() ? "" : ", ") + std::string(literal);
    }
    out.push_back(std::string("INSERT INTO \"") + kTable + "\" (" + names + ") VALUES (" + values +
                  ")");
  }
  return out;
}

// The columns present on one provider, in table order.
inline std::vector<Column> ColumnsOf(bool postgres) {
  std::vector<Column> out;
  for (const Column& c : Columns())
    if (postgres ? c.postgres != nullptr : c.sqlite != nullptr) out.push_back(c);
  return out;
}

}  // namespace vmbgrid::typestable
