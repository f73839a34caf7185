#include "tests/support/generated_types.h"

#include <algorithm>
#include <random>

namespace vmbgrid::testsupport {

namespace {

using Pool = std::vector<std::string>;

// clang-format off
const Pool kTexts = {
    "Müller", "MÜLLER", "müller", "Mueller", "Muller", "Straße", "STRASSE", "Strasse", "Ärger",
    "ärger", "Arger", "Äpfel", "Apfel", "Zander", "zander", "Özdemir", "Ozean", "Übel", "Meier",
    "meier", "Meiners", "Meier-Schulz", "O'Brien", "a%b", "a_b", "Stern*", "Frage?", "A", "a", "M",
    "m", "Z", "100", "-5", "", " Leer", "Émile", "Eva", "ß"};
// clang-format on

const std::vector<TypeColumn> kColumns = {
    {"Klein", "SMALLINT", "smallint", ValueKind::Integer},
    {"Ganz", "INTEGER", "integer", ValueKind::Integer},
    {"Gross", "BIGINT", "bigint", ValueKind::Integer},
    {"Betrag", "DECIMAL(12,2)", "numeric(12,2)", ValueKind::Decimal},
    {"Geld", "MONEY", "money", ValueKind::Decimal},
    {"Zahl", "NUMERIC", "numeric", ValueKind::Decimal},
    {"Einfach", "SINGLE", "real", ValueKind::Single},
    {"Doppelt", "DOUBLE", "double precision", ValueKind::Double},
    {"Wahr", "BOOLEAN", "boolean", ValueKind::Boolean},
    {"Tag", "DATE", "date", ValueKind::Date},
    {"Zeitpunkt", "DATETIME", "timestamp", ValueKind::DateTime},
    {"Zone", "TIMESTAMP", "timestamptz", ValueKind::DateTime},
    {"Uhrzeit", "TIME", "time", ValueKind::Time},
    {"Kennung", "GUID", "uuid", ValueKind::Guid},
    {"Kurz", "CHAR(12)", "char(12)", ValueKind::FixedText},
    {"Name", "VARCHAR(40)", "varchar(40)", ValueKind::Text},
    {"Notiz", "TEXT", "text", ValueKind::Text},
    {"Lang", "CLOB", "json", ValueKind::LongText},
    {"Daten", "BLOB", "bytea", ValueKind::Binary},
};

Pool DateTimes() {
  Pool out;
  for (const char* day : {"2024-07-30", "2024-07-31", "2024-08-01", "2024-02-29", "1999-12-31",
                          "1899-12-29", "9999-12-31"}) {
    for (const char* time :
         {"00:00:00", "00:00:01", "12:30:00", "13:45:00", "13:45:30", "23:59:59"})
      out.push_back(std::string(day) + " " + time);
  }
  out.push_back("1850-06-15 12:00:00");
  return out;
}

const Pool& PoolOf(const TypeColumn& c) {
  // clang-format off
  static const Pool klein = {"-32768", "-100", "-10", "-5", "-1", "0", "1", "5", "10", "100", "1000", "32767"};
  static const Pool ganz = {"-2147483648", "-1000", "-5", "-1", "0", "1", "2", "5", "17", "1000", "2000", "2147483647"};
  static const Pool gross = {"-9223372036854775808", "-5", "0", "1", "5", "9007199254740993", "9223372036854775807"};
  static const Pool betrag = {"-1000.00", "-0.50", "-0.01", "0.00", "0.01", "0.10", "0.20", "0.30", "1.50", "99.99",
                              "1000.00", "1500.50", "2000.00", "9999999999.99"};
  static const Pool zahl = {"-12.345678", "-1", "0", "0.000001", "0.1", "1.5", "3.14159", "12345678.123456", "100"};
  static const Pool einfach = {"-2.25", "-1", "0", "0.1", "0.5", "1.5", "3.14159", "100", "65504"};
  static const Pool doppelt = {"-1500.5", "-0.001", "0", "0.1", "0.2", "0.3", "1.5", "1000", "1500.5", "2000"};
  static const Pool wahr = {"1", "0"};
  static const Pool tag = {"2024-07-30", "2024-07-31", "2024-08-01", "2024-02-29", "2024-03-01", "2023-12-31",
                           "2024-01-01", "2000-01-01", "1999-12-31", "1900-01-01", "1899-12-30", "1899-12-29",
                           "0100-01-01", "9999-12-31"};
  static const Pool zeitpunkt = DateTimes();
  static const Pool uhrzeit = {"00:00:00", "00:00:01", "08:00:00", "08:00:30", "12:30:00", "12:30:01", "13:45:00",
                               "18:00:00", "23:59:59"};
  // As programs write them to SQLite: in braces or not, in either case.
  static const Pool kennung = {"{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "{00000000-0000-0000-0000-000000000000}",
                               "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"};
  // clang-format on
  static const Pool kurz = [] {
    Pool p;
    for (const std::string& t : kTexts)
      if (t.size() <= 12) p.push_back(t);  // char(12) pads; no text ends in a blank
    return p;
  }();
  static const Pool lang = {"{\"a\": 1}", "[1, 2]", "\"Müller\""};
  static const Pool daten = {"00ff10", "4dfc", ""};
  // clang-format off
  switch (c.kind) {
    case ValueKind::Integer: return c.name == "Klein" ? klein : c.name == "Ganz" ? ganz : gross;
    case ValueKind::Decimal: return c.name == "Zahl" ? zahl : betrag;
    case ValueKind::Single: return einfach;
    case ValueKind::Double: return doppelt;
    case ValueKind::Boolean: return wahr;
    case ValueKind::Date: return tag;
    case ValueKind::DateTime: return zeitpunkt;
    case ValueKind::Time: return uhrzeit;
    case ValueKind::Guid: return kennung;
    case ValueKind::FixedText: return kurz;
    case ValueKind::LongText: return lang;
    case ValueKind::Binary: return daten;
    case ValueKind::Text: break;
  }
  // clang-format on
  return kTexts;
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char ch : text) {
    out += ch;
    if (ch == '\'') out += '\'';
  }
  return out + "'";
}

// Dates and times as programs write them to SQLite, varying by row: as numbers
// (Julian days, Unix seconds, a time as the fraction of a day), as text with a zone
// that names the same moment in UTC, without ":00" seconds ("12:30",
// "2024-07-31 13:45"), with a one-digit hour ("8:00:30") or with "T" between date
// and time. The result is SQL for the value.
std::string SqliteMoment(const TypeColumn& c, const std::string& text, int id) {
  const std::string quoted = Quoted(text);
  if (c.kind == ValueKind::Time) {
    if (id % 5 == 3) return "(julianday('2000-01-01 " + text + "') - julianday('2000-01-01'))";
    if (id % 5 == 4) return "time('2000-01-01 " + text + "', '+2 hours') || '+02:00'";
  } else {
    if (id % 5 == 3) return "julianday(" + quoted + ")";
    if (id % 5 == 4) return "CAST(strftime('%s', " + quoted + ") AS INTEGER)";
    if (c.kind == ValueKind::Date) return quoted;
    if (id % 7 == 5) return "datetime(" + quoted + ", '-2 hours') || '-02:00'";
    if (id % 7 == 6) return Quoted(text.substr(0, 10) + "T" + text.substr(11) + "Z");
  }
  std::string out = text;
  const bool noSeconds = out.ends_with(":00") && id % 3 == 1;
  if (noSeconds) out.resize(out.size() - 3);
  if (c.kind == ValueKind::Time && out[0] == '0' && id % 4 == 2) out.erase(0, 1);
  if (c.kind == ValueKind::DateTime && id % 2 == 0) out[10] = 'T';
  return Quoted(out);
}

std::string Literal(bool postgres, const TypeColumn& c, const Cell& cell, int id) {
  if (cell.null) return "NULL";
  switch (c.kind) {
    case ValueKind::Date:
    case ValueKind::Time:
    case ValueKind::DateTime:
      return postgres ? Quoted(cell.text) : SqliteMoment(c, cell.text, id);
    case ValueKind::Integer:
    case ValueKind::Single:
    case ValueKind::Double:
      return cell.text;
    case ValueKind::Decimal:
      return postgres ? Quoted(cell.text) : cell.text;
    case ValueKind::Boolean:
      return postgres ? (cell.text == "1" ? "true" : "false") : cell.text;
    case ValueKind::Binary:
      return postgres ? "'\\x" + cell.text + "'" : "X'" + cell.text + "'";
    default:
      return Quoted(cell.text);
  }
}

}  // namespace

const std::vector<TypeColumn>& TypeColumns() { return kColumns; }

const std::vector<std::string>& ValuePool(const TypeColumn& column) { return PoolOf(column); }

std::vector<TypesRow> GenerateTypesRows(uint32_t seed, int randomRows) {
  std::vector<TypesRow> rows;
  size_t edges = 0;
  for (const TypeColumn& c : kColumns) edges = std::max(edges, PoolOf(c).size());
  // Every pool value once per column, a row of Nulls, then random rows.
  std::mt19937 random(seed);
  for (size_t i = 0; i < edges + 1 + static_cast<size_t>(std::max(randomRows, 0)); ++i) {
    TypesRow row;
    row.id = static_cast<int>(i) + 1;
    for (const TypeColumn& c : kColumns) {
      const Pool& pool = PoolOf(c);
      if (i < edges)
        row.cells.push_back(Cell{false, pool[i % pool.size()]});
      else if (i == edges || random() % 10 == 0)
        row.cells.push_back(Cell{});
      else
        row.cells.push_back(Cell{false, pool[random() % pool.size()]});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string CreateTypesTable(bool postgres, const std::string& table) {
  std::string sql = "CREATE TABLE \"" + table + "\" (\"Id\" INTEGER PRIMARY KEY";
  for (const TypeColumn& c : kColumns)
    sql += ", \"" + c.name + "\" " + (postgres ? c.postgresType : c.sqliteType);
  return sql + ")";
}

std::string InsertTypesRow(bool postgres, const std::string& table, const TypesRow& row) {
  std::string sql = "INSERT INTO \"" + table + "\" VALUES (" + std::to_string(row.id);
  for (size_t i = 0; i < kColumns.size(); ++i)
    sql += ", " + Literal(postgres, kColumns[i], row.cells[i], row.id);
  return sql + ")";
}

}  // namespace vmbgrid::testsupport
