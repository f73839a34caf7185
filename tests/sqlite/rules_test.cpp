// The provider's pure rules: declared types, the TOP rewrite and stored dates.
#include <gtest/gtest.h>

#include "adapters/sqlite/sqlite_provider.h"
#include "host/variant.h"

namespace vmbgrid::sqlite {
namespace {

TEST(SqliteTypes, DeclaredTypesMapToDataTypeCodesSizesAndScales) {
  struct Case {
    const char* declared;
    int32_t type;
    int32_t size;
    int32_t precision = 0, scale = 0;
  };
  const Case cases[] = {
      {"INTEGER", adInteger, 4},
      {"int", adInteger, 4},
      {"BIGINT", adBigInt, 8},
      {"INT8", adBigInt, 8},
      {"SMALLINT", adSmallInt, 2},
      {"TINYINT", adTinyInt, 1},
      {"REAL", adDouble, 8},
      {"Double", adDouble, 8},
      {"DOUBLE PRECISION", adDouble, 8},
      {"FLOAT", adDouble, 8},
      {"SINGLE", adSingle, 4},
      {"DECIMAL(10,2)", adNumeric, 10, 10, 2},
      {"numeric ( 12 , 4 )", adNumeric, 12, 12, 4},
      {"DECIMAL(5)", adNumeric, 5, 5, 0},
      {"NUMERIC(5,-2)", adNumeric, 5, 5, -2},
      {"NUMERIC", adNumeric, 0},
      {"CURRENCY", adCurrency, 8, 19, 4},
      {"MONEY", adCurrency, 8, 19, 4},
      {"DATE", adDate, 8},
      {"DATETIME", adDBTimeStamp, 16},
      {"TIMESTAMP", adDBTimeStamp, 16},
      {"TIME", adDBTime, 8},
      {"BOOLEAN", adBoolean, 2},
      {"BIT", adBoolean, 2},
      {"CHAR(10)", adChar, 10},
      {"NCHAR(3)", adWChar, 3},
      {"VARCHAR(50)", adVarChar, 50},
      {"varchar ( 60 )", adVarChar, 60},
      {"TEXT", adVarChar, 0},
      {"NVARCHAR(20)", adVarWChar, 20},
      {"CLOB", adLongVarChar, 0},
      {"MEMO", adLongVarChar, 0},
      {"LONGTEXT", adLongVarChar, 0},
      {"NTEXT", adLongVarWChar, 0},
      {"BLOB", adLongVarBinary, 0},
      {"GUID", adGUID, 16},
      {"uuid", adGUID, 16},
      {"UNIQUEIDENTIFIER", adGUID, 16},
      // Outside the table: SQLite's affinity rules.
      {"UNSIGNED BIG INT", adInteger, 4},
      {"VARYING CHARACTER(7)", adVarChar, 7},
      {"", adVarChar, 0},
      {"WHATEVER", adNumeric, 0},
      {"NUMBER(8,3)", adNumeric, 8, 8, 3},
  };
  for (const Case& c : cases) {
    ColumnType t = MapDeclaredType(c.declared);
    EXPECT_EQ(t.type, c.type) << c.declared;
    EXPECT_EQ(t.size, c.size) << c.declared;
    EXPECT_EQ(t.precision, c.precision) << c.declared;
    EXPECT_EQ(t.scale, c.scale) << c.declared;
  }
}

TEST(SqliteDialect, LeadingTopBecomesLimitAtTheEnd) {
  EXPECT_EQ(RewriteStatement("SELECT TOP 10 [Nr], [Name] FROM [Kunden] ORDER BY [Name]"),
            "SELECT \"Nr\", \"Name\" FROM \"Kunden\" ORDER BY \"Name\" COLLATE VMDE LIMIT 10");
  EXPECT_EQ(RewriteStatement("select distinct top 5 Ort from Kunden"),
            "select distinct Ort from Kunden LIMIT 5");
  EXPECT_EQ(RewriteStatement("  SELECT TOP (3) * FROM t;  "), "  SELECT * FROM t LIMIT 3;  ");
  EXPECT_EQ(RewriteStatement("SELECT TOP 0 Nr FROM t WHERE 1 = 1"),
            "SELECT Nr FROM t WHERE 1 = 1 LIMIT 0");
  // A trailing comment must not swallow the limit.
  EXPECT_EQ(RewriteStatement("SELECT TOP 2 a FROM t -- Kommentar"),
            "SELECT a FROM t LIMIT 2 -- Kommentar");
}

TEST(SqliteDialect, TextInLiteralsAndEverythingElseIsLeftAlone) {
  // TOP inside a literal or later in the statement is data, not a row limit.
  const std::string inLiteral = "SELECT * FROM t WHERE Name LIKE 'SELECT TOP 5 x'";
  EXPECT_EQ(RewriteStatement(inLiteral), inLiteral);
  const std::string sub = "SELECT a FROM (SELECT TOP 5 a FROM t)";
  EXPECT_EQ(RewriteStatement(sub), sub);
  // The end is found past literals that contain ";" or "--" and quoted names.
  EXPECT_EQ(RewriteStatement("SELECT TOP 1 [a;b] FROM t WHERE x = 'it''s; -- no'"),
            "SELECT \"a;b\" FROM t WHERE x = 'it''s; -- no' COLLATE VMDE_NOCASE LIMIT 1");
  for (const char* unchanged : {"SELECT TOP 10 PERCENT a FROM t", "SELECT TOPX FROM t",
                                "SELECT TOP a FROM t", "UPDATE t SET TOP = 1", "SELECT TOP", ""}) {
    EXPECT_EQ(RewriteStatement(unchanged), unchanged);
  }
}

// A name compared with a text literal compares by the search collation; numbers,
// parameters, patterns, a collation given and statements other than SELECT stay.
TEST(SqliteDialect, TextComparedWithALiteralFollowsTheSearchCollation) {
  EXPECT_EQ(
      RewriteStatement("SELECT [a] FROM [t] WHERE ([a] = 'x' OR [a] >= 'A' AND [a] <= 'M')"),
      "SELECT \"a\" FROM \"t\" WHERE (\"a\" = 'x' COLLATE VMDE_NOCASE OR \"a\" >= 'A' COLLATE "
      "VMDE_NOCASE AND \"a\" <= 'M' COLLATE VMDE_NOCASE)");
  EXPECT_EQ(RewriteStatement("SELECT a FROM t WHERE t.b <> 'x' AND c != 'y' AND d<'z'"),
            "SELECT a FROM t WHERE t.b <> 'x' COLLATE VMDE_NOCASE AND c != 'y' COLLATE VMDE_NOCASE "
            "AND d<'z' COLLATE VMDE_NOCASE");
  for (const char* unchanged :
       {"SELECT a FROM t WHERE a = 5", "SELECT a FROM t WHERE a = ?",
        "SELECT a FROM t WHERE a LIKE 'x%'", "SELECT a FROM t WHERE a = 'x' COLLATE BINARY",
        "SELECT a FROM t WHERE 'x' = a", "SELECT 'a' = 'b'", "UPDATE t SET a = 'x' WHERE b = 'y'",
        "SELECT a FROM t WHERE a IS NULL OR a = ''''"}) {
    const std::string expected = std::string(unchanged).ends_with("''''")
                                     ? std::string(unchanged) + " COLLATE VMDE_NOCASE"
                                     : std::string(unchanged);
    EXPECT_EQ(RewriteStatement(unchanged), expected);
  }
}

// SQLite has no escape inside brackets: names go in double quotes, outside literals.
TEST(SqliteDialect, BracketNamesBecomeDoubleQuotedNames) {
  EXPECT_EQ(RewriteStatement("SELECT [a]]b], [q\"x] FROM [Kun]]den; --] WHERE [c] = '[d]'"),
            "SELECT \"a]b\", \"q\"\"x\" FROM \"Kun]den; --\" WHERE \"c\" = '[d]' COLLATE "
            "VMDE_NOCASE");
  EXPECT_EQ(RewriteStatement("SELECT x FROM t -- [kommentar]"), "SELECT x FROM t -- [kommentar]");
  EXPECT_EQ(RewriteStatement("SELECT [offen FROM t"), "SELECT [offen FROM t");
}

TEST(SqliteDialect, OrderByItemsSortByGermanRules) {
  EXPECT_EQ(RewriteStatement("SELECT [Name] FROM [T] ORDER BY [Name] ASC, [Ort] DESC"),
            "SELECT \"Name\" FROM \"T\" ORDER BY \"Name\" COLLATE VMDE ASC, \"Ort\" COLLATE VMDE "
            "DESC");
  EXPECT_EQ(RewriteStatement("SELECT TOP 5 a FROM t ORDER BY a desc"),
            "SELECT a FROM t ORDER BY a COLLATE VMDE desc LIMIT 5");
  // The sort column list may end in a blank (a sort order of its own that is empty).
  EXPECT_EQ(RewriteStatement("SELECT a FROM t ORDER BY [a] "),
            "SELECT a FROM t ORDER BY \"a\" COLLATE VMDE ");
  // Only the statement's own ORDER BY; names, literals, a given collation stay.
  EXPECT_EQ(RewriteStatement("SELECT (SELECT x FROM u ORDER BY x) FROM t WHERE n LIKE 'ORDER BY'"),
            "SELECT (SELECT x FROM u ORDER BY x) FROM t WHERE n LIKE 'ORDER BY'");
  EXPECT_EQ(RewriteStatement("SELECT [ORDER BY] FROM t ORDER BY a COLLATE NOCASE"),
            "SELECT \"ORDER BY\" FROM t ORDER BY a COLLATE NOCASE");
  EXPECT_EQ(RewriteStatement("SELECT a FROM t ORDER BY coalesce(a, 'x,y') LIMIT 3"),
            "SELECT a FROM t ORDER BY coalesce(a, 'x,y') COLLATE VMDE LIMIT 3");
}

TEST(SqliteDates, StoredIsoTextRoundTripsAsAutomationDates) {
  double serial = 0;
  ASSERT_TRUE(ParseStoredDate("2003-02-01", serial));
  EXPECT_DOUBLE_EQ(serial, MakeDate(2003, 2, 1).serial);
  ASSERT_TRUE(ParseStoredDate("2003-02-01 12:30:00", serial));
  EXPECT_NEAR(serial, MakeDate(2003, 2, 1, 12, 30, 0).serial, 1e-9);
  ASSERT_TRUE(ParseStoredDate("2003-02-01T12:30", serial));
  EXPECT_NEAR(serial, MakeDate(2003, 2, 1, 12, 30, 0).serial, 1e-9);
  ASSERT_TRUE(ParseStoredDate("1899-12-29 06:00:00", serial));
  EXPECT_DOUBLE_EQ(serial, -1.25);  // time counts forward from a negative day

  for (const char* bad : {"2003-02-30", "2003-13-01", "2003-2-1", "01.02.2003", "2003-02-01x",
                          "2003-02-01 25:00", "", "abc"}) {
    EXPECT_FALSE(ParseStoredDate(bad, serial)) << bad;
  }

  EXPECT_EQ(FormatStoredDate(MakeDate(2003, 2, 1).serial), "2003-02-01");
  EXPECT_EQ(FormatStoredDate(MakeDate(2003, 2, 1, 12, 30, 0).serial), "2003-02-01 12:30:00");
  EXPECT_EQ(FormatStoredDate(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatStoredDate(MakeDate(2000, 2, 29, 23, 59, 59).serial), "2000-02-29 23:59:59");
}

}  // namespace
}  // namespace vmbgrid::sqlite
