// The SQLite provider against real databases: opening, values by declared type,
// parameters, LIKE and German order, and repeated statements.
#include <filesystem>

#include "tests/sqlite/test_support.h"

namespace vmbgrid::sqlite::testing {
namespace {

// A file that is no database: FaultTest.FileThatIsNoDatabaseIsReportedAndLeftAlone.
TEST(SqliteOpen, BadPropertiesHaveTheirOwnMessages) {
  TempDir dir;
  const std::string path = dir.File("fehlt.db");
  EXPECT_EQ(Raised([&] { OpenSession("Provider=SQLite;Data Source=" + path); }).Description(),
            "Die Datenbank \"" + path + "\" wurde nicht gefunden.");
  EXPECT_FALSE(std::filesystem::exists(path)) << "a missing file is not created";
  EXPECT_EQ(Raised([] { OpenSession("Provider=SQLite"); }).Number(), errc::kProviderFailure);
  VMError mode = Raised([] { OpenSession("Provider=SQLite;Data Source=:memory:;Mode=Kaputt"); });
  EXPECT_NE(mode.Description().find("\"Kaputt\""), std::string::npos);
}

TEST(SqliteValues, HandedOverByDeclaredType) {
  auto s = MemorySession();
  ExecScript(
      *s,
      "CREATE TABLE v (i INTEGER, d DOUBLE, dt DATE, ts DATETIME, b BOOLEAN, t VARCHAR(20), "
      "m LONGTEXT, g GUID, x BLOB, n NUMERIC(10,2));"
      "INSERT INTO v VALUES (7, 1.5, '2003-02-01', '2003-02-01 12:30:00', 1, 'Größe', 'lang', "
      "x'33221100554477668899AABBCCDDEEFF', x'0001', 12);"
      "INSERT INTO v VALUES (NULL, 2, 'kein Datum', '1.2.2003', 'false', 42, NULL, "
      "'{ABC}', NULL, 1.25)");
  RecordingSink sink;
  Exec(*s, "SELECT * FROM v", &sink);
  ASSERT_EQ(sink.columns.size(), 10u);
  EXPECT_EQ(sink.columns[5].name, "t");
  EXPECT_EQ(sink.columns[5].type, adVarChar);
  EXPECT_EQ(sink.columns[5].definedSize, 20);
  ASSERT_EQ(sink.rows.size(), 2u);
  auto kinds = [](const std::vector<Cell>& row) {
    std::string out;
    for (const Cell& c : row) out += c.kind;
    return out;
  };
  // A BOOLEAN is an integer, so is 12 in NUMERIC(10,2); in the second row an integer
  // in a DOUBLE column is still a double, text that is no date stays text (never
  // dropped), a German date written by another program is a date, and a decimal stored
  // as REAL is read exactly from its text.
  EXPECT_EQ(kinds(sink.rows[0]), "idDDitttbi");
  const auto& r = sink.rows[0];
  EXPECT_EQ(r[2].value.ToDate(), MakeDate(2003, 2, 1));
  EXPECT_NEAR(r[3].value.ToDate().serial, MakeDate(2003, 2, 1, 12, 30, 0).serial, 1e-9);
  EXPECT_EQ(r[4].value, Variant(int64_t{1}));
  EXPECT_EQ(r[5].value, Variant("Größe"));
  EXPECT_EQ(r[7].value, Variant("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
  const auto& r2 = sink.rows[1];
  EXPECT_EQ(kinds(r2), "ndtDitntnx");
  EXPECT_EQ(r2[2].value, Variant("kein Datum"));
  EXPECT_EQ(r2[4].value, Variant(int64_t{0}));
  EXPECT_EQ(r2[5].value, Variant("42"));
  EXPECT_EQ(r2[7].value, Variant("{ABC}"));
  EXPECT_EQ(r2[9].value.ToText(), "1.25");
}

TEST(SqliteValues, DatesStoredAsNumbersAndTimesAsTheyAreStored) {
  // Other programs store dates as SQLite's date functions make them: Julian days
  // (julianday()) as REAL and Unix seconds (unixepoch()) as INTEGER.
  auto s = MemorySession();
  ExecScript(*s,
             "CREATE TABLE d (nr INTEGER, tag DATE, zeit TIME);"
             "INSERT INTO d VALUES (1, julianday('2024-07-31'), '12:30'),"
             " (2, unixepoch('2024-07-31 13:45:00'), '8:05:09.5'),"
             " (3, 2460523, 0.75),"  // noon of a Julian day, kept as INTEGER by SQLite
             " (4, 1e12, '25:00'),"  // beyond the calendar: the number as stored
             " (5, '2024-07-31', '1899-12-30 23:59:59'),"
             // A zone makes it the moment in UTC, as datetime() and time() read it;
             // before 1899-12-30 the automation time counts forwards from its day.
             " (6, '2024-08-01T01:30:00+02:00', '01:30:00+02:00'),"
             " (7, julianday('1899-12-29 06:00:00'), '13:45Z')");
  RecordingSink sink;
  Exec(*s, "SELECT tag, zeit FROM d ORDER BY nr", &sink);
  ASSERT_EQ(sink.rows.size(), 7u);
  EXPECT_EQ(sink.columns[1].type, adDBTime);
  auto date = [&](size_t r) { return sink.rows[r][0].value.ToDate().serial; };
  EXPECT_EQ(date(0), MakeDate(2024, 7, 31).serial);
  EXPECT_NEAR(date(1), MakeDate(2024, 7, 31, 13, 45, 0).serial, 1e-9);
  EXPECT_NEAR(date(2), MakeDate(2024, 7, 31, 12, 0, 0).serial, 1e-9);
  EXPECT_EQ(sink.rows[3][0].kind, 't');
  EXPECT_EQ(sink.rows[3][0].value.ToText(), "1000000000000");
  EXPECT_EQ(date(4), MakeDate(2024, 7, 31).serial);
  auto seconds = [&](size_t r) { return sink.rows[r][1].value.ToDate().serial * 86400.0; };
  EXPECT_NEAR(seconds(0), 12 * 3600 + 30 * 60, 1e-6);
  EXPECT_NEAR(seconds(1), 8 * 3600 + 5 * 60 + 9.5, 1e-6);
  EXPECT_NEAR(seconds(2), 18 * 3600, 1e-6);  // an automation time
  EXPECT_EQ(sink.rows[3][1].value, Variant("25:00"));
  EXPECT_NEAR(seconds(4), 23 * 3600 + 59 * 60 + 59, 1e-6);
  EXPECT_NEAR(date(5), MakeDate(2024, 7, 31, 23, 30, 0).serial, 1e-9);
  EXPECT_NEAR(seconds(5), 23 * 3600 + 30 * 60, 1e-6);
  EXPECT_NEAR(date(6), MakeDate(1899, 12, 29, 6, 0, 0).serial, 1e-9);
  EXPECT_NEAR(seconds(6), 13 * 3600 + 45 * 60, 1e-6);
}

// A date or time criterion finds the rows whose cells show a matching moment,
// however each row stored it; the rows sqlite3's own datetime() names are the same.
TEST(SqliteSearch, DatesAndTimesAreFoundAsTheCellsShowThem) {
  auto s = MemorySession();
  ExecScript(*s,
             "CREATE TABLE t (Id INTEGER, Notiz TEXT, z DATETIME, d DATE, u TIME);"
             "INSERT INTO t VALUES (1, '2024-07-31', '2024-07-31 13:45:00', '2024-07-31', "
             "'13:45:00'),"
             " (2, NULL, julianday('2024-07-31 13:45:00'), julianday('2024-07-31'), 0.5729166667),"
             " (3, NULL, unixepoch('2024-07-31 13:45:00'), unixepoch('2024-07-31'), '13:45'),"
             " (4, NULL, '2024-07-31T13:45:00Z', '31.7.2024', '13:45:00Z'),"
             " (5, NULL, '2024-07-31 15:45:00+02:00', '2024-07-31', '15:45:00+02:00'),"
             " (6, NULL, NULL, NULL, NULL),"
             " (7, NULL, julianday('2024-07-31 23:59:59'), julianday('2024-08-01'), "
             "0.9999884259),"
             " (8, NULL, '2024-08-01 01:30:00+02:00', '2024-08-01', '01:30:00+02:00'),"
             " (9, NULL, julianday('1850-06-15 12:00:00'), unixepoch('1950-01-01'), 0.25),"
             " (10, NULL, julianday('1899-12-29 06:00:00'), -2209161600, 0),"
             " (11, NULL, 'kein Datum', X'00', NULL)");
  auto ids = [&](const std::string& where) {
    RecordingSink sink;
    Exec(*s, "SELECT Id FROM t WHERE " + where + " ORDER BY Id", &sink);
    std::string out;
    for (auto& r : sink.rows) out += r[0].value.ToText() + ",";
    return out;
  };
  // The statements the search line writes, and the same question put to datetime().
  const struct {
    const char* where;
    const char* engine;
  } kSame[] = {
      {"[z] >= '2024-07-31' AND [z] < '2024-08-01'",
       "datetime(z, 'auto') >= '2024-07-31' AND datetime(z, 'auto') < '2024-08-01'"},
      {"[z] >= '2024-07-31 13:45:00' AND [z] < '2024-07-31 13:45:01'",
       "datetime(z, 'auto') = '2024-07-31 13:45:00'"},
      {"[z] < '1970-01-01'", "datetime(z, 'auto') < '1970-01-01'"},
      {"[z] = '2024-07-31 23:59:59'", "datetime(z, 'auto') = '2024-07-31 23:59:59'"},
      {"[d] = '2024-07-31'", "date(d, 'auto') = '2024-07-31' OR Id = 4"},
      {"[d] <= '1950-01-01'", "date(d, 'auto') <= '1950-01-01'"},
  };
  for (const auto& c : kSame) EXPECT_EQ(ids(c.where), ids(c.engine)) << c.where;
  EXPECT_EQ(ids("[z] >= '2024-07-31' AND [z] < '2024-08-01'"), "1,2,3,4,5,7,8,");
  EXPECT_EQ(ids("[u] >= '13:45:00' AND [u] < '13:45:01'"), "1,2,3,4,5,");
  EXPECT_EQ(ids("[u] < '12:00:00'"), "9,10,");
  EXPECT_EQ(ids("[u] >= '23:00:00'"), "7,8,");
  EXPECT_EQ(ids("[z] LIKE '%:45:%'"), "1,2,3,4,5,");
  EXPECT_EQ(ids("[d] LIKE '%-08-%'"), "7,8,");
  // A text column compares its text, and what no date is stays as stored.
  EXPECT_EQ(ids("[Notiz] = '2024-07-31'"), "1,");
  EXPECT_EQ(ids("[z] = 'kein Datum'"), "11,");
  // The rewrite: only the date and time columns are read through the function.
  EXPECT_EQ(s->Dialect("SELECT Id FROM t WHERE [z] >= '2024-07-31' AND t.u NOT LIKE '1%' AND "
                       "[Notiz] = 'x'"),
            "SELECT Id FROM t WHERE VMDE_MOMENT(\"z\", 1) >= '2024-07-31' AND "
            "VMDE_MOMENT(t.u, 2) NOT LIKE '1%' AND \"Notiz\" = 'x' COLLATE VMDE_NOCASE");
  // A name the outer FROM does not know is asked alone; a name it knows still counts.
  EXPECT_EQ(ids("[d] = '2024-08-01' AND Id NOT IN (SELECT i.Id FROM t AS i WHERE i.Notiz = '1')"),
            "7,8,");
}

TEST(SqliteValues, ExpressionsTakeTheTypeOfTheirFirstValue) {
  auto s = MemorySession();
  ExecScript(*s, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (NULL), (NULL), (3)");
  RecordingSink sink;
  Exec(*s,
       "SELECT count(*) AS n, a + 0.5 AS h, a * 2 AS z, NULL AS leer FROM t GROUP BY a ORDER "
       "BY a",
       &sink);
  EXPECT_EQ(sink.setColumnsCalls, 1);
  EXPECT_EQ(sink.columns[0].type, adBigInt);
  EXPECT_EQ(sink.columns[1].type, adDouble);  // NULL in the first row, 3.5 in the second
  EXPECT_EQ(sink.columns[2].type, adBigInt);
  EXPECT_EQ(sink.columns[3].type, adVarChar);  // NULL throughout
  ASSERT_EQ(sink.rows.size(), 2u);             // the held-back row is not lost
  EXPECT_EQ(sink.rows[0][1].kind, 'n');
  EXPECT_EQ(sink.rows[1][1].value, Variant(3.5));

  // An empty result still announces its columns.
  RecordingSink empty;
  Exec(*s, "SELECT a, a + 1 FROM t WHERE 0", &empty);
  EXPECT_EQ(empty.setColumnsCalls, 1);
  EXPECT_EQ(empty.columns.size(), 2u);
  EXPECT_TRUE(empty.rows.empty());
}

TEST(SqliteParameters, ByNameAndPositionWithValuesStoredSafely) {
  auto s = MemorySession();
  Exec(*s, "CREATE TABLE p (n VARCHAR(50), d DATE, b BOOLEAN, i INTEGER)");
  std::vector<Parameter> params = {
      {"@name", adVarWChar, adParamInput, 50, Variant("O'Brien'); DROP TABLE p; --")},
      {"@datum", adDate, adParamInput, 0, Variant("1.2.2003")},
      {"@aktiv", adBoolean, adParamInput, 0, Variant(true)},
      {"@nr", adInteger, adParamInput, 0, Variant(int32_t{17})},
  };
  EXPECT_EQ(Exec(*s, "INSERT INTO p VALUES (:name, @datum, :AKTIV, ?4)", nullptr, &params), 1);
  std::vector<Parameter> positional = {
      {"a", adVarWChar, adParamInput, 0, Variant("Ärger")},
      {"out", adInteger, adParamOutput, 0, Variant()},  // output parameters take no "?"
      {"b", adDate, adParamInput, 0, Variant(MakeDate(1999, 12, 31, 23, 59, 0))},
      {"c", adBoolean, adParamInput, 0, Variant(false)},
      {"d", adInteger, adParamInput, 0, Variant::Null()},
  };
  Exec(*s, "INSERT INTO p VALUES (?, ?, ?, ?)", nullptr, &positional);

  RecordingSink raw;
  Exec(*s, "SELECT n, CAST(d AS TEXT), CAST(b AS TEXT), i FROM p ORDER BY rowid", &raw);
  ASSERT_EQ(raw.rows.size(), 2u);
  EXPECT_EQ(raw.rows[0][0].value, Variant("O'Brien'); DROP TABLE p; --"));
  EXPECT_EQ(raw.rows[0][1].value, Variant("2003-02-01"));  // German input stored as ISO
  EXPECT_EQ(raw.rows[0][2].value, Variant("1"));           // True stored as 1, not -1
  EXPECT_EQ(raw.rows[1][1].value, Variant("1999-12-31 23:59:00"));
  EXPECT_EQ(raw.rows[1][2].value, Variant("0"));
  EXPECT_EQ(raw.rows[1][3].kind, 'n');

  // Text that is no date is refused rather than stored; a missing parameter raises.
  std::vector<Parameter> bad = {{"@d", adDate, adParamInput, 0, Variant("31.02.2003")}};
  EXPECT_EQ(Raised([&] { Exec(*s, "INSERT INTO p (d) VALUES (@d)", nullptr, &bad); }).Number(),
            errc::kCantConvertValue);
  VMError missing = Raised([&] { Exec(*s, "SELECT * FROM p WHERE n = :wer", nullptr, &bad); });
  EXPECT_EQ(missing.Number(), errc::kInvalidArgument);
  EXPECT_NE(missing.Description().find(":wer"), std::string::npos);
  RecordingSink count;
  Exec(*s, "SELECT count(*) FROM p", &count);
  EXPECT_EQ(count.rows[0][0].value, Variant(int64_t{2}));
}

TEST(SqliteLike, FoldsUmlautsAndKeepsWildcards) {
  auto s = MemorySession();
  ExecScript(*s,
             "CREATE TABLE n (Name TEXT);"
             "INSERT INTO n VALUES ('Müller'), ('MÜLLER'), ('Mueller'), ('Öztürk'), ('ÆRØ'), "
             "('100%ig'), ('a_b'), (NULL)");
  auto names = [&](const std::string& where, const std::string& order = "rowid") {
    RecordingSink sink;
    Exec(*s, "SELECT Name FROM n WHERE " + where + " ORDER BY " + order, &sink);
    std::string out;
    for (auto& r : sink.rows) out += r[0].value.ToText() + ",";
    return out;
  };
  EXPECT_EQ(names("Name LIKE 'mül%'"), "Müller,MÜLLER,");
  EXPECT_EQ(names("Name LIKE '%TÜRK'"), "Öztürk,");
  EXPECT_EQ(names("Name LIKE 'ærø'"), "ÆRØ,");
  EXPECT_EQ(names("Name LIKE 'M_ller'"), "Müller,MÜLLER,");  // "_" is one character
  EXPECT_EQ(names("Name LIKE '%\\%%' ESCAPE '\\'"), "100%ig,");
  EXPECT_EQ(names("Name LIKE 'a\\_b' ESCAPE '\\'"), "a_b,");
  EXPECT_EQ(names("Name NOT LIKE '%'"), "");
  // ORDER BY sorts by German rules: umlauts beside their base letters.
  EXPECT_EQ(names("Name LIKE 'm%' OR Name LIKE 'ö%'", "[Name] DESC"),
            "Öztürk,MÜLLER,Müller,Mueller,");
  EXPECT_EQ(Raised([&] { names("Name LIKE 'a' ESCAPE 'xy'"); }).Number(), errc::kRejectedStatement);
}

TEST(SqliteRows, RepeatedStatementsAreRewrittenAsTheFirstTime) {
  // The session keeps the last rewrites; texts that differ by one character, more
  // texts than it keeps, and long ones must each get their own rewrite.
  auto s = MemorySession();
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) {
    texts.push_back("SELECT TOP " + std::to_string(i + 1) + " [Nr] FROM [t] ORDER BY [Name]");
    texts.push_back("SELECT TOP " + std::to_string(i + 1) + " [Nr] FROM [t] ORDER BY [Ort]");
  }
  texts.push_back("SELECT [a] FROM t WHERE x = '" + std::string(5000, 'y') + "' ORDER BY b");
  texts.push_back("SELECT [a] FROM t WHERE x = '" + std::string(5000, 'y') + "' ORDER BY c");
  for (int round = 0; round < 3; ++round) {
    for (const std::string& t : texts) EXPECT_EQ(s->Dialect(t), RewriteStatement(t)) << t;
    for (size_t i = texts.size(); i-- > 0;)
      EXPECT_EQ(s->Dialect(texts[i]), RewriteStatement(texts[i])) << texts[i];
  }
}

}  // namespace
}  // namespace vmbgrid::sqlite::testing
