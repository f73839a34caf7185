// Pure rules of the PostgreSQL provider: statement rewrite and the connection
// keywords. No server needed.
#include <gtest/gtest.h>

#include "adapters/postgres/postgres_provider.h"
#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid::postgres {
namespace {

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

// Leading TOP becomes LIMIT, bracketed names quoted names, LIKE folds both sides with
// no escape character, a bare 0 or 1 after a name is sent as text (boolean columns
// take it). Literals, comments, dollar quotes and subscripts are never touched.
TEST(PostgresDialect, StatementsAreRewrittenOutsideLiteralsAndComments) {
  const std::string name =
      "replace(lower(CAST(\"Name\" AS text) COLLATE \"und-x-icu\"), 'ß', 'ss')";
  const std::pair<std::string, std::string> rewritten[] = {
      {"SELECT TOP 500 [Name],[Ort] FROM [Kunden] WHERE 0 = 1",
       "SELECT \"Name\",\"Ort\" FROM \"Kunden\" WHERE 0 = 1 LIMIT 500"},
      {"SELECT DISTINCT TOP (3) [Ort] FROM [T] ORDER BY [Ort] ASC;",
       "SELECT DISTINCT \"Ort\" FROM \"T\" ORDER BY \"Ort\" ASC LIMIT 3;"},
      {"SELECT [a]]b],[x\"y] FROM [T] -- Ende", "SELECT \"a]b\",\"x\"\"y\" FROM \"T\" -- Ende"},
      {"SELECT TOP 10 [Nr] FROM [T] -- Kommentar",
       "SELECT \"Nr\" FROM \"T\" LIMIT 10 -- Kommentar"},
      // PERCENT has no equivalent and stays for the server to refuse.
      {"SELECT TOP 5 PERCENT [Nr] FROM [T]", "SELECT TOP 5 PERCENT \"Nr\" FROM \"T\""},
      {"SELECT [TOP] FROM [T]", "SELECT \"TOP\" FROM \"T\""},
      // A typed quote stays inside its literal, also after a backslash.
      {"SELECT [Nr] FROM [T] WHERE [Name] = 'x\\''; DROP TABLE t; --'",
       "SELECT \"Nr\" FROM \"T\" WHERE \"Name\" = 'x\\''; DROP TABLE t; --'"},
      {"SELECT [Nr] FROM [T] WHERE [Name] LIKE 'Stra%'",
       "SELECT \"Nr\" FROM \"T\" WHERE " + name +
           " LIKE replace(lower(CAST('Stra%' AS text) COLLATE \"und-x-icu\"), 'ß', 'ss') ESCAPE "
           "''"},
      {"SELECT 1 FROM t WHERE [Name] NOT LIKE 'a!%' ESCAPE '!'",
       "SELECT 1 FROM t WHERE " + name +
           " NOT LIKE replace(lower(CAST('a!%' AS text) COLLATE \"und-x-icu\"), 'ß', 'ss') ESCAPE "
           "'!'"},
      {"SELECT [Nr] FROM [T] WHERE [Aktiv] = 1 AND [Status] <> 0",
       "SELECT \"Nr\" FROM \"T\" WHERE \"Aktiv\" = '1' AND \"Status\" <> '0'"},
      {"SELECT 1 FROM t WHERE [Nr] = 1 + 2", "SELECT 1 FROM t WHERE \"Nr\" = 1 + 2"},
      {"SELECT 1 FROM t WHERE [Nr] = 10", "SELECT 1 FROM t WHERE \"Nr\" = 10"}};
  for (const auto& [statement, expected] : rewritten)
    EXPECT_EQ(RewriteStatement(statement, LikeFolding::kIcu), expected) << statement;
  for (const char* s :
       {"SELECT 'TOP 5 [x] LIKE ''a''' FROM t", "SELECT E'\\' [x] \\'' FROM t",
        "SELECT $$ [x] ' LIKE 'y' $$ FROM t", "SELECT $tag$ [a] $$ [b] $tag$ FROM t",
        "SELECT 1 /* [x] /* nested [y] */ still */ FROM t", "SELECT x::text FROM t",
        "SELECT werte[1] FROM t", "SELECT 1 FROM t WHERE 0 = 1"}) {
    EXPECT_EQ(RewriteStatement(s, LikeFolding::kIcu), s);
  }
  EXPECT_EQ(RewriteStatement("SELECT 1 FROM t WHERE x LIKE 'a'", LikeFolding::kDatabaseCollation),
            "SELECT 1 FROM t WHERE replace(lower(CAST(x AS text)), 'ß', 'ss') LIKE "
            "replace(lower(CAST('a' AS text)), 'ß', 'ss') ESCAPE ''");
}

TEST(PostgresDialect, StatementNamesTellRelationsFromColumnsAliasesAndQualifiers) {
  auto names = [](const std::string& sql) {
    std::string out;
    for (const NameUse& u : StatementNames(sql))
      out += std::string(1, "RCQ"[static_cast<int>(u.kind)]) + (u.bracketed ? "[" : "\"") +
             (u.schema.empty() ? "" : u.schema + ".") + u.name + " ";
    return out;
  };
  EXPECT_EQ(names("SELECT TOP 5 [AID],[Abalance] FROM [verkauf.auftraege] WHERE [AID] = 1"),
            "R[verkauf.auftraege C[AID C[Abalance C[AID ");
  EXPECT_EQ(names("SELECT [x] AS [Alias], [t].[y], [f](1) FROM [verkauf].[Auftraege] t, "
                  "public.\"Kunden\" AS k JOIN Orte o ON 1 = 1 ORDER BY [Alias]"),
            "R[verkauf.Auftraege R\"public.Kunden R\"orte C[x Q[t C[y C[Alias ");
  // Literals, comments and quoted names hold no names to resolve.
  EXPECT_EQ(names("SELECT '[a]' FROM t -- [b]"), "R\"t ");
  // Replacements go where the statement's tokens were.
  const auto uses = StatementNames("SELECT [AID] FROM [Pgbench_Accounts]");
  NameMapping map{{uses[0].token, "\"pgbench_accounts\""}, {uses[1].token, "\"aid\""}};
  EXPECT_EQ(RewriteStatement("SELECT [AID] FROM [Pgbench_Accounts]", LikeFolding::kIcu, nullptr,
                             nullptr, nullptr, &map),
            "SELECT \"aid\" FROM \"pgbench_accounts\"");
}

TEST(PostgresDialect, PlaceholdersTakeParametersByPositionAndName) {
  std::vector<Parameter> p{{"@section", adVariant, adParamInput, 0, Variant()},
                           {"@out", adVariant, adParamOutput, 0, Variant()},
                           {"@owner", adVariant, adParamInput, 0, Variant()}};
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

TEST(PostgresConnection, KeysOfTheLibraryAndDataSourceFormsBecomeLibpqKeywords) {
  using KW = std::vector<std::pair<std::string, std::string>>;
  auto kw = ConnectionKeywords(data::ConnectionProperties::Parse(
      "Provider=PostgreSQL;Host=db01;Port=5433;Database=kunden;User ID=anna;Password='a;b'"));
  // clang-format off
  EXPECT_EQ(kw, (KW{{"host", "db01"}, {"port", "5433"}, {"dbname", "kunden"}, {"user", "anna"},
                    {"password", "a;b"}, {"connect_timeout", "10"},
                    {"application_name", "VMBGrid"}, {"client_encoding", "UTF8"}}));
  // clang-format on
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
  EXPECT_NE(e.Description().find("\"Pasword\""), std::string::npos) << e.Description();
  // A timeout that is no number of seconds is refused; the browser's defaults fill
  // only the limit the text does not give.
  for (const char* bad : {"Lock Timeout=fünf", "Lock Timeout=-1",
                          "Statement Timeout=", "Statement Timeout=99999999"}) {
    const auto p = data::ConnectionProperties::Parse(std::string("Provider=PostgreSQL;") + bad);
    EXPECT_NE(testing::Raised([&] { SessionTimeouts(p); }).Description().find("erwartet Sekunden"),
              std::string::npos)
        << bad;
  }
  const auto t = SessionTimeouts(data::ConnectionProperties::Parse(
      "Provider=PostgreSQL;Host=x;Lock Timeout=5;statement_timeout=60"));
  EXPECT_EQ(std::pair(t.lockSeconds, t.statementSeconds), std::pair(5, 60));
  EXPECT_EQ(WithTimeouts("postgresql://anna@db01/kunden", 10, 300),
            "Provider=\"postgresql\";Data Source=\"postgresql://anna@db01/kunden\";Lock "
            "Timeout=\"10\";Statement Timeout=\"300\"");
  for (const char* kept : {"Provider=PostgreSQL;Host=x;Lock Timeout=0;Statement Timeout=0",
                           "Provider=SQLite;Data Source=k.db"})
    EXPECT_EQ(WithTimeouts(kept, 10, 300), kept);
  EXPECT_EQ(WithTimeouts("Provider=PostgreSQL;Data Source=\"host=x\";Lock Timeout=2", 10, 300),
            "Provider=\"PostgreSQL\";Data Source=\"host=x\";Lock Timeout=\"2\";Statement "
            "Timeout=\"300\"");
}

TEST(PostgresConnection, AHostsDatabaseArgumentIsAServerWheneverItReadsAsOne) {
  struct Case {
    const char* argument;
    const char* connection;  // "" = a file path
  } cases[] = {{"host=/run/postgresql dbname=kunden user=anna",
                "Provider=PostgreSQL;Data Source=\"host=/run/postgresql dbname=kunden user=anna\""},
               {" dbname='kun den' ", "Provider=PostgreSQL;Data Source=\"dbname='kun den'\""},
               {"postgresql://anna@db01/kunden", "postgresql://anna@db01/kunden"},
               {"Provider=PostgreSQL;Host=db01", "Provider=PostgreSQL;Host=db01"},
               // Connection strings of other kinds are never a file name: opening them says why.
               {"Data Source=kunden.db", "Data Source=kunden.db"},
               {"mysql://db01/kunden", "mysql://db01/kunden"},
               // clang-format off
      {"kunden.db", ""}, {"examples/kunden.db", ""}, {"./a=b.db", ""},
      {"/daten/kunden;Mode=ReadOnly.db", ""}};
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(ConnectionStringFor(c.argument), c.connection) << c.argument;
  EXPECT_TRUE(IsServerConnectionString("host=db01 dbname=kunden"));
  EXPECT_FALSE(IsServerConnectionString("kunden.db"));
}

}  // namespace
}  // namespace vmbgrid::postgres
