// Pure rules of the PostgreSQL provider: statement rewrite, type table, the
// connection keywords. No server needed.
#include <gtest/gtest.h>

#include "adapters/postgres/postgres_provider.h"
#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid::postgres {
namespace {

std::string R(const std::string& s) { return RewriteStatement(s, LikeFolding::kIcu); }

const std::string kFoldName =
    "replace(lower(CAST(\"Name\" AS text) COLLATE \"und-x-icu\"), 'ß', 'ss')";

TEST(PostgresDialect, TopBecomesLimitAndBracketNamesBecomeQuotedNames) {
  EXPECT_EQ(R("SELECT TOP 500 [Name],[Ort] FROM [Kunden] WHERE 0 = 1"),
            "SELECT \"Name\",\"Ort\" FROM \"Kunden\" WHERE 0 = 1 LIMIT 500");
  EXPECT_EQ(R("SELECT DISTINCT TOP (3) [Ort] FROM [T] ORDER BY [Ort] ASC;"),
            "SELECT DISTINCT \"Ort\" FROM \"T\" ORDER BY \"Ort\" ASC LIMIT 3;");
  EXPECT_EQ(R("SELECT [a]]b],[x\"y] FROM [T] -- Ende"),
            "SELECT \"a]b\",\"x\"\"y\" FROM \"T\" -- Ende");
  EXPECT_EQ(R("SELECT TOP 10 [Nr] FROM [T] -- Kommentar"),
            "SELECT \"Nr\" FROM \"T\" LIMIT 10 -- Kommentar");
  // PERCENT has no equivalent and stays for the server to refuse; only a leading TOP counts.
  EXPECT_EQ(R("SELECT TOP 5 PERCENT [Nr] FROM [T]"), "SELECT TOP 5 PERCENT \"Nr\" FROM \"T\"");
  EXPECT_EQ(R("SELECT [TOP] FROM [T]"), "SELECT \"TOP\" FROM \"T\"");
  // A subscript is no bracketed name.
  EXPECT_EQ(R("SELECT werte[1] FROM t"), "SELECT werte[1] FROM t");
}

TEST(PostgresDialect, LiteralsCommentsAndDollarQuotesAreNeverTouched) {
  for (const char* s :
       {"SELECT 'TOP 5 [x] LIKE ''a''' FROM t", "SELECT E'\\' [x] \\'' FROM t",
        "SELECT $$ [x] ' LIKE 'y' $$ FROM t", "SELECT $tag$ [a] $$ [b] $tag$ FROM t",
        "SELECT 1 /* [x] /* nested [y] */ still */ FROM t", "SELECT x::text FROM t"}) {
    EXPECT_EQ(R(s), s) << s;
  }
  // A typed quote stays inside its literal, also after a backslash (standard strings).
  EXPECT_EQ(R("SELECT [Nr] FROM [T] WHERE [Name] = 'x\\''; DROP TABLE t; --'"),
            "SELECT \"Nr\" FROM \"T\" WHERE \"Name\" = 'x\\''; DROP TABLE t; --'");
}

TEST(PostgresDialect, ASecondStatementIsFoundWhereTheServerWouldRunOne) {
  for (const char* one :
       {"SELECT 1", "SELECT 1;", "SELECT 1 ; -- Ende\n /* x */ ;", "SELECT 'a;b', [c;d], \"e;f\"",
        "SELECT E'\\'; x', $$;$$, $t$ ; $t$", "SELECT 1 /* /* ; */ ; */"}) {
    EXPECT_FALSE(postgres::HasSecondStatement(one)) << one;
  }
  for (const char* two : {"SELECT 1; DROP TABLE t", "SELECT E'a\\''; DROP TABLE t",
                          "SELECT [a]]; DROP TABLE t; --]; DELETE FROM t", "SELECT 1;;x",
                          "SELECT 1 /* /* */ */; x"}) {
    EXPECT_TRUE(postgres::HasSecondStatement(two)) << two;
  }
}

TEST(PostgresDialect, LikeFoldsBothSidesAndKnowsNoEscapeCharacter) {
  EXPECT_EQ(R("SELECT [Nr] FROM [T] WHERE [Name] LIKE 'Stra%'"),
            "SELECT \"Nr\" FROM \"T\" WHERE " + kFoldName +
                " LIKE replace(lower(CAST('Stra%' AS text) COLLATE \"und-x-icu\"), 'ß', 'ss') "
                "ESCAPE ''");
  EXPECT_NE(R("SELECT 1 FROM t WHERE [Name] NOT LIKE 'a%'").find(kFoldName + " NOT LIKE"),
            std::string::npos);
  // An explicit ESCAPE stays the host's.
  EXPECT_EQ(R("SELECT 1 FROM t WHERE [Name] LIKE 'a!%' ESCAPE '!'").find("ESCAPE ''"),
            std::string::npos);
  EXPECT_EQ(RewriteStatement("SELECT 1 FROM t WHERE x LIKE 'a'", LikeFolding::kDatabaseCollation),
            "SELECT 1 FROM t WHERE replace(lower(CAST(x AS text)), 'ß', 'ss') LIKE "
            "replace(lower(CAST('a' AS text)), 'ß', 'ss') ESCAPE ''");
}

TEST(PostgresDialect, BareZeroAndOneAfterANameAreSentAsText) {
  EXPECT_EQ(R("SELECT [Nr] FROM [T] WHERE [Aktiv] = 1 AND [Status] <> 0"),
            "SELECT \"Nr\" FROM \"T\" WHERE \"Aktiv\" = '1' AND \"Status\" <> '0'");
  EXPECT_EQ(R("SELECT 1 FROM t WHERE 0 = 1"), "SELECT 1 FROM t WHERE 0 = 1");
  EXPECT_EQ(R("SELECT 1 FROM t WHERE [Nr] = 1 + 2"), "SELECT 1 FROM t WHERE \"Nr\" = 1 + 2");
  EXPECT_EQ(R("SELECT 1 FROM t WHERE [Nr] = 10"), "SELECT 1 FROM t WHERE \"Nr\" = 10");
}

// A name compared with a text literal: the probe asks the server for its type with
// "$n" in the literal's place; a text column then compares folded, in German order.
TEST(PostgresDialect, TextComparisonsFoldWhenTheServerSaysTheColumnIsText) {
  const std::string statement =
      "SELECT [Nr] FROM [T] WHERE ([Name] = 'Müller' OR [Name] >= 'A') AND [Nr] = '5' AND "
      "[Tag] < '2024-07-31 13:45:00' AND [Nr] = ?";
  std::vector<Parameter> p(1);
  std::vector<size_t> order;
  TextComparisons c;
  c.probe = true;
  EXPECT_EQ(RewriteStatement(statement, LikeFolding::kIcu, &p, &order, &c),
            "SELECT \"Nr\" FROM \"T\" WHERE (\"Name\" = $1 OR \"Name\" >= $2) AND \"Nr\" = $3 AND "
            "\"Tag\" < $4 AND \"Nr\" = $5");
  EXPECT_EQ(c.found, 4u);
  EXPECT_EQ(c.probeNumbers, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(order, (std::vector<size_t>{0}));

  c = TextComparisons{};
  c.types = {1043, 1043, 23, 1082};  // varchar, varchar, integer, date
  order.clear();
  const std::string fold =
      "replace(lower(CAST('Müller' AS text) COLLATE \"und-x-icu\"), 'ß', 'ss')";
  EXPECT_EQ(RewriteStatement(statement, LikeFolding::kIcu, &p, &order, &c),
            "SELECT \"Nr\" FROM \"T\" WHERE (" + kFoldName + " = " + fold + " OR " + kFoldName +
                " COLLATE \"und-x-icu\" >= replace(lower(CAST('A' AS text) COLLATE \"und-x-icu\"), "
                "'ß', 'ss')) AND \"Nr\" = '5' AND CAST(\"Tag\" AS timestamp) < '2024-07-31 "
                "13:45:00' AND \"Nr\" = $1");
  // Unknown types, assignments and statements other than SELECT stay as written.
  c = TextComparisons{};
  EXPECT_EQ(
      RewriteStatement("SELECT 1 FROM t WHERE a = 'x'", LikeFolding::kIcu, nullptr, nullptr, &c),
      "SELECT 1 FROM t WHERE a = 'x'");
  c.probe = true;
  EXPECT_EQ(RewriteStatement("UPDATE t SET a = 'x' WHERE b = 'y'", LikeFolding::kIcu, nullptr,
                             nullptr, &c),
            "UPDATE t SET a = 'x' WHERE b = 'y'");
  EXPECT_EQ(c.found, 0u);
}

TEST(PostgresDialect, PlaceholdersTakeParametersByPositionAndName) {
  std::vector<Parameter> p(3);
  p[0].name = "@section";
  p[1].name = "@out";
  p[1].direction = adParamOutput;
  p[2].name = "@owner";
  std::vector<size_t> order;
  EXPECT_EQ(RewriteStatement("SELECT wert FROM s WHERE a = ? AND b = ? AND c = '?'",
                             LikeFolding::kIcu, &p, &order),
            "SELECT wert FROM s WHERE a = $1 AND b = $2 AND c = '?'");
  EXPECT_EQ(order, (std::vector<size_t>{0, 2}));
  order.clear();
  EXPECT_EQ(RewriteStatement("UPDATE s SET x = :owner WHERE y = @section OR z = @OWNER",
                             LikeFolding::kIcu, &p, &order),
            "UPDATE s SET x = $1 WHERE y = $2 OR z = $1");
  EXPECT_EQ(order, (std::vector<size_t>{2, 0}));
}

TEST(PostgresTypes, ServerTypesMapToDataTypeCodesSizesAndScales) {
  struct Case {
    uint32_t oid;
    int typmod;
    int32_t type, size;
    int32_t precision = 0, scale = 0;
  } cases[] = {{21, -1, adSmallInt, 2},
               {23, -1, adInteger, 4},
               {20, -1, adBigInt, 8},
               {701, -1, adDouble, 8},
               {700, -1, adSingle, 4},
               {1700, (12 << 16) + 2 + 4, adNumeric, 12, 12, 2},
               {1700, (5 << 16) + (-2 & 0x7ff) + 4, adNumeric, 5, 5, -2},  // numeric(5,-2)
               {1700, -1, adNumeric, 0},
               {790, -1, adCurrency, 8, 19, 2},
               {1082, -1, adDate, 8},
               {1114, -1, adDBTimeStamp, 16},
               {1184, -1, adDBTimeStamp, 16},
               {1083, -1, adDBTime, 8},
               {1266, -1, adVarChar, 0},  // timetz keeps its offset as text
               {16, -1, adBoolean, 2},
               {2950, -1, adGUID, 16},
               {1043, 54, adVarChar, 50},
               {1043, -1, adVarChar, 0},
               {25, -1, adVarChar, 0},
               {1042, 9, adChar, 5},
               {17, -1, adLongVarBinary, 0},
               {3802, -1, adLongVarChar, 0},
               {1186, -1, adVarChar, 0},  // interval
               {869, -1, adVarChar, 0}};  // inet
  for (const Case& c : cases) {
    const ColumnType t = MapServerType(c.oid, c.typmod);
    EXPECT_EQ(t.type, c.type) << c.oid;
    EXPECT_EQ(t.size, c.size) << c.oid;
    EXPECT_EQ(t.precision, c.precision) << c.oid;
    EXPECT_EQ(t.scale, c.scale) << c.oid;
  }
}

TEST(PostgresConnection, KeysOfTheLibraryAndDataSourceFormsBecomeLibpqKeywords) {
  using KW = std::vector<std::pair<std::string, std::string>>;
  auto kw = ConnectionKeywords(data::ConnectionProperties::Parse(
      "Provider=PostgreSQL;Host=db01;Port=5433;Database=kunden;User ID=anna;Password='a;b'"));
  EXPECT_EQ(kw, (KW{{"host", "db01"},
                    {"port", "5433"},
                    {"dbname", "kunden"},
                    {"user", "anna"},
                    {"password", "a;b"},
                    {"connect_timeout", "10"},
                    {"application_name", "VMBGrid"},
                    {"client_encoding", "UTF8"}}));
  // A bare URI: the data layer names the provider by its scheme.
  const auto uri =
      data::ConnectionProperties::Parse("postgresql://anna@db01:5433/kunden?connect_timeout=3");
  EXPECT_EQ(uri.Get("Provider"), "postgresql");
  kw = ConnectionKeywords(uri);
  EXPECT_EQ(kw.front(), (std::pair<std::string, std::string>{"dbname", uri.Get("Data Source")}));
  EXPECT_EQ(kw.size(), 3u);  // its own timeout is kept
  kw = ConnectionKeywords(data::ConnectionProperties::Parse(
      "Provider=PostgreSQL;Data Source=\"host=/tmp dbname=x\";User ID=b"));
  EXPECT_EQ(kw[0].first, "dbname");
  EXPECT_EQ(kw[1], (std::pair<std::string, std::string>{"user", "b"}));
  EXPECT_EQ(ConnectionKeywords(
                data::ConnectionProperties::Parse("Provider=PostgreSQL;Data Source=db01"))[0],
            (std::pair<std::string, std::string>{"host", "db01"}));
  // A mistyped key is not ignored.
  const VMError e = testing::Raised([] {
    ConnectionKeywords(data::ConnectionProperties::Parse("Provider=PostgreSQL;Pasword=x"));
  });
  EXPECT_EQ(e.Number(), errc::kInvalidArgument);
  EXPECT_NE(e.Description().find("\"Pasword\""), std::string::npos);
}

TEST(PostgresConnection, AHostsDatabaseArgumentIsAServerWheneverItReadsAsOne) {
  struct Case {
    const char* argument;
    const char* connection;  // "" = a file path
  } cases[] = {
      {"host=/run/postgresql dbname=kunden user=anna",
       "Provider=PostgreSQL;Data Source=\"host=/run/postgresql dbname=kunden user=anna\""},
      {" dbname='kun den' ", "Provider=PostgreSQL;Data Source=\"dbname='kun den'\""},
      {"postgresql://anna@db01/kunden", "postgresql://anna@db01/kunden"},
      {"Provider=PostgreSQL;Host=db01", "Provider=PostgreSQL;Host=db01"},
      // Connection strings of other kinds are never a file name: opening them says why.
      {"Data Source=kunden.db", "Data Source=kunden.db"},
      {"mysql://db01/kunden", "mysql://db01/kunden"},
      {"kunden.db", ""},
      {"examples/kunden.db", ""},
      {"./a=b.db", ""},
      {"/daten/kunden;Mode=ReadOnly.db", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConnectionStringFor(c.argument), c.connection) << c.argument;
  EXPECT_TRUE(IsServerConnectionString("host=db01 dbname=kunden"));
  EXPECT_FALSE(IsServerConnectionString("kunden.db"));
}

TEST(PostgresConnection, TimeoutsAreSecondsAndTheBrowsersDefaultsFillOnlyWhatIsMissing) {
  const auto t = SessionTimeouts(data::ConnectionProperties::Parse(
      "Provider=PostgreSQL;Host=x;Lock Timeout=5;statement_timeout=60"));
  EXPECT_EQ(t.lockSeconds, 5);
  EXPECT_EQ(t.statementSeconds, 60);
  // Not libpq keywords: they never reach the connect call.
  for (const auto& [k, v] : ConnectionKeywords(data::ConnectionProperties::Parse(
           "Provider=PostgreSQL;Host=x;Lock Timeout=5;Statement Timeout=60")))
    EXPECT_EQ(k.find("timeout") == std::string::npos || k == "connect_timeout", true) << k;
  for (const char* bad : {"Lock Timeout=fünf", "Lock Timeout=-1",
                          "Statement Timeout=", "Statement Timeout=99999999"}) {
    const VMError e = testing::Raised([&] {
      SessionTimeouts(data::ConnectionProperties::Parse(std::string("Provider=PostgreSQL;") + bad));
    });
    EXPECT_EQ(e.Number(), errc::kInvalidArgument) << bad;
    EXPECT_NE(e.Description().find("erwartet Sekunden"), std::string::npos) << bad;
  }
  EXPECT_EQ(WithTimeouts("postgresql://anna@db01/kunden", 10, 300),
            "Provider=\"postgresql\";Data Source=\"postgresql://anna@db01/kunden\";Lock "
            "Timeout=\"10\";Statement Timeout=\"300\"");
  EXPECT_EQ(WithTimeouts("Provider=PostgreSQL;Data Source=\"host=x\";Lock Timeout=2", 10, 300),
            "Provider=\"PostgreSQL\";Data Source=\"host=x\";Lock Timeout=\"2\";Statement "
            "Timeout=\"300\"");
  const std::string both = "Provider=PostgreSQL;Host=x;Lock Timeout=0;Statement Timeout=0";
  EXPECT_EQ(WithTimeouts(both, 10, 300), both);
  EXPECT_EQ(WithTimeouts("Provider=SQLite;Data Source=k.db", 10, 300),
            "Provider=SQLite;Data Source=k.db");
}

TEST(PostgresDialect, StatementNamesTellRelationsFromColumnsAliasesAndQualifiers) {
  using K = NameUse::Kind;
  struct Expected {
    K kind;
    std::string schema, name;
    bool bracketed;
  };
  auto names = [](const std::string& sql) {
    std::vector<Expected> out;
    for (const NameUse& u : StatementNames(sql))
      out.push_back({u.kind, u.schema, u.name, u.bracketed});
    return out;
  };
  auto same = [](const std::vector<Expected>& a, const std::vector<Expected>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i].kind != b[i].kind || a[i].schema != b[i].schema || a[i].name != b[i].name ||
          a[i].bracketed != b[i].bracketed)
        return false;
    }
    return true;
  };
  EXPECT_TRUE(same(names("SELECT TOP 5 [AID],[Abalance] FROM [verkauf.auftraege] WHERE [AID] = 1"),
                   {{K::kRelation, "", "verkauf.auftraege", true},
                    {K::kColumn, "", "AID", true},
                    {K::kColumn, "", "Abalance", true},
                    {K::kColumn, "", "AID", true}}));
  EXPECT_TRUE(same(names("SELECT [x] AS [Alias], [t].[y], [f](1) FROM [verkauf].[Auftraege] t, "
                         "public.\"Kunden\" AS k JOIN Orte o ON 1 = 1 ORDER BY [Alias]"),
                   {{K::kRelation, "verkauf", "Auftraege", true},
                    {K::kRelation, "public", "Kunden", false},
                    {K::kRelation, "", "orte", false},
                    {K::kColumn, "", "x", true},
                    {K::kQualifier, "", "t", true},
                    {K::kColumn, "", "y", true},
                    {K::kColumn, "", "Alias", true}}));
  // Literals, comments and quoted names hold no names to resolve.
  EXPECT_TRUE(names("SELECT '[a]' FROM t -- [b]").size() == 1);
  // Replacements go where the statement's tokens were.
  const auto uses = StatementNames("SELECT [AID] FROM [Pgbench_Accounts]");
  NameMapping map{{uses[0].token, "\"pgbench_accounts\""}, {uses[1].token, "\"aid\""}};
  EXPECT_EQ(RewriteStatement("SELECT [AID] FROM [Pgbench_Accounts]", LikeFolding::kIcu, nullptr,
                             nullptr, nullptr, &map),
            "SELECT \"aid\" FROM \"pgbench_accounts\"");
}

}  // namespace
}  // namespace vmbgrid::postgres
