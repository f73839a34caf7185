// The provider's pure rules: the TOP rewrite and bracketed names.
#include <gtest/gtest.h>

#include "adapters/sqlite/sqlite_provider.h"

namespace vmbgrid::sqlite {
namespace {

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

// SQLite has no escape inside brackets: names go in double quotes, outside literals.
TEST(SqliteDialect, BracketNamesBecomeDoubleQuotedNames) {
  EXPECT_EQ(RewriteStatement("SELECT [a]]b], [q\"x] FROM [Kun]]den; --] WHERE [c] = '[d]'"),
            "SELECT \"a]b\", \"q\"\"x\" FROM \"Kun]den; --\" WHERE \"c\" = '[d]' COLLATE "
            "VMDE_NOCASE");
  EXPECT_EQ(RewriteStatement("SELECT x FROM t -- [kommentar]"), "SELECT x FROM t -- [kommentar]");
  EXPECT_EQ(RewriteStatement("SELECT [offen FROM t"), "SELECT [offen FROM t");
}

}  // namespace
}  // namespace vmbgrid::sqlite
