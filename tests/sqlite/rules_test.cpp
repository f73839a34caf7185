// The provider's pure rules: declared types, the TOP rewrite, bracketed names and the
// German collation of comparisons and sort orders.
#include <gtest/gtest.h>

#include <tuple>

#include "adapters/sqlite/sqlite_provider.h"

namespace vmbgrid::sqlite {
namespace {

TEST(SqliteTypes, DeclaredTypesMapToDataTypeCodesSizesAndScales) {
  struct Case {
    const char* declared;
    int32_t type, size, precision = 0, scale = 0;
  };
  // clang-format off
  const Case cases[] = {
      {"INTEGER", adInteger, 4}, {"int", adInteger, 4}, {"BIGINT", adBigInt, 8},
      {"INT8", adBigInt, 8}, {"SMALLINT", adSmallInt, 2}, {"TINYINT", adTinyInt, 1},
      {"REAL", adDouble, 8}, {"Double", adDouble, 8}, {"DOUBLE PRECISION", adDouble, 8},
      {"FLOAT", adDouble, 8}, {"SINGLE", adSingle, 4}, {"DECIMAL(10,2)", adNumeric, 10, 10, 2},
      {"numeric ( 12 , 4 )", adNumeric, 12, 12, 4}, {"DECIMAL(5)", adNumeric, 5, 5, 0},
      {"NUMERIC(5,-2)", adNumeric, 5, 5, -2}, {"NUMERIC", adNumeric, 0},
      {"CURRENCY", adCurrency, 8, 19, 4}, {"MONEY", adCurrency, 8, 19, 4}, {"DATE", adDate, 8},
      {"DATETIME", adDBTimeStamp, 16}, {"TIMESTAMP", adDBTimeStamp, 16}, {"TIME", adDBTime, 8},
      {"BOOLEAN", adBoolean, 2}, {"BIT", adBoolean, 2}, {"CHAR(10)", adChar, 10},
      {"NCHAR(3)", adWChar, 3}, {"VARCHAR(50)", adVarChar, 50}, {"varchar ( 60 )", adVarChar, 60},
      {"TEXT", adVarChar, 0}, {"NVARCHAR(20)", adVarWChar, 20}, {"CLOB", adLongVarChar, 0},
      {"MEMO", adLongVarChar, 0}, {"LONGTEXT", adLongVarChar, 0}, {"NTEXT", adLongVarWChar, 0},
      {"BLOB", adLongVarBinary, 0}, {"GUID", adGUID, 16}, {"uuid", adGUID, 16},
      {"UNIQUEIDENTIFIER", adGUID, 16},
      // Outside the table: SQLite's affinity rules.
      {"UNSIGNED BIG INT", adInteger, 4}, {"VARYING CHARACTER(7)", adVarChar, 7},
      {"", adVarChar, 0}, {"WHATEVER", adNumeric, 0}, {"NUMBER(8,3)", adNumeric, 8, 8, 3}};
  // clang-format on
  for (const Case& c : cases) {
    const ColumnType t = MapDeclaredType(c.declared);
    EXPECT_EQ(std::tie(t.type, t.size, t.precision, t.scale),
              std::tie(c.type, c.size, c.precision, c.scale))
        << c.declared;
  }
}

// A leading TOP becomes LIMIT at the end; bracketed names become double-quoted names
// (SQLite has no escape inside brackets); a name compared with a text literal and the
// statement's own sort items take the German collations. Literals, comments and
// everything else stay as written.
TEST(SqliteDialect, StatementsAreRewrittenForTheEngineOutsideLiterals) {
  const std::pair<const char*, const char*> rewritten[] = {
      {"SELECT TOP 10 [Nr], [Name] FROM [Kunden] ORDER BY [Name]",
       "SELECT \"Nr\", \"Name\" FROM \"Kunden\" ORDER BY \"Name\" COLLATE VMDE LIMIT 10"},
      {"select distinct top 5 Ort from Kunden", "select distinct Ort from Kunden LIMIT 5"},
      {"  SELECT TOP (3) * FROM t;  ", "  SELECT * FROM t LIMIT 3;  "},
      {"SELECT TOP 0 Nr FROM t WHERE 1 = 1", "SELECT Nr FROM t WHERE 1 = 1 LIMIT 0"},
      // A trailing comment must not swallow the limit.
      {"SELECT TOP 2 a FROM t -- Kommentar", "SELECT a FROM t LIMIT 2 -- Kommentar"},
      // The end is found past literals that contain ";" or "--" and quoted names.
      {"SELECT TOP 1 [a;b] FROM t WHERE x = 'it''s; -- no'",
       "SELECT \"a;b\" FROM t WHERE x = 'it''s; -- no' COLLATE VMDE_NOCASE LIMIT 1"},
      {"SELECT [a]]b], [q\"x] FROM [Kun]]den; --] WHERE [c] = '[d]'",
       "SELECT \"a]b\", \"q\"\"x\" FROM \"Kun]den; --\" WHERE \"c\" = '[d]' COLLATE VMDE_NOCASE"},
      {"SELECT a FROM t WHERE t.b <> 'x' AND c != 'y' AND d<'z' OR e = ''''",
       "SELECT a FROM t WHERE t.b <> 'x' COLLATE VMDE_NOCASE AND c != 'y' COLLATE VMDE_NOCASE "
       "AND d<'z' COLLATE VMDE_NOCASE OR e = '''' COLLATE VMDE_NOCASE"},
      {"SELECT [Name] FROM [T] ORDER BY [Name] ASC, [Ort] DESC",
       "SELECT \"Name\" FROM \"T\" ORDER BY \"Name\" COLLATE VMDE ASC, \"Ort\" COLLATE VMDE DESC"},
      {"SELECT TOP 5 a FROM t ORDER BY a desc",
       "SELECT a FROM t ORDER BY a COLLATE VMDE desc LIMIT 5"},
      // The sort column list may end in a blank (a sort order of its own that is empty).
      {"SELECT a FROM t ORDER BY [a] ", "SELECT a FROM t ORDER BY \"a\" COLLATE VMDE "},
      {"SELECT [ORDER BY] FROM t ORDER BY a COLLATE NOCASE",
       "SELECT \"ORDER BY\" FROM t ORDER BY a COLLATE NOCASE"},
      {"SELECT a FROM t ORDER BY coalesce(a, 'x,y') LIMIT 3",
       "SELECT a FROM t ORDER BY coalesce(a, 'x,y') COLLATE VMDE LIMIT 3"}};
  for (const auto& [statement, expected] : rewritten)
    EXPECT_EQ(RewriteStatement(statement), expected) << statement;
  for (const char* unchanged :
       {"SELECT * FROM t WHERE Name LIKE 'SELECT TOP 5 x'", "SELECT a FROM (SELECT TOP 5 a FROM t)",
        "SELECT TOP 10 PERCENT a FROM t", "SELECT TOPX FROM t", "SELECT TOP a FROM t",
        "UPDATE t SET TOP = 1", "SELECT TOP", "", "SELECT x FROM t -- [kommentar]",
        "SELECT [offen FROM t", "SELECT a FROM t WHERE a = 5", "SELECT a FROM t WHERE a = ?",
        "SELECT a FROM t WHERE a LIKE 'x%'", "SELECT a FROM t WHERE a = 'x' COLLATE BINARY",
        "SELECT a FROM t WHERE 'x' = a", "SELECT 'a' = 'b'", "UPDATE t SET a = 'x' WHERE b = 'y'",
        "SELECT a FROM t WHERE a IS NULL",
        "SELECT (SELECT x FROM u ORDER BY x) FROM t WHERE n LIKE 'ORDER BY'"}) {
    EXPECT_EQ(RewriteStatement(unchanged), unchanged);
  }
}

}  // namespace
}  // namespace vmbgrid::sqlite
