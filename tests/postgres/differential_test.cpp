// Three engines agree. The generated types table lies on SQLite and on the
// PostgreSQL test server; a grammar over the whole criteria language draws criteria
// for every column. For each (column, criterion) the grid finds the same rows on
// SQLite, on PostgreSQL and in client-data mode over the rows of either (the
// in-memory filter), or all of them refuse it with a message and show no rows; where
// the grammar knows what a criterion means, the rows are also those an oracle takes
// from the raw values.
//
// Bounded in the normal test run (one seed, 3000 pairs); VMBGRID_DIFF_SEED and
// VMBGRID_DIFF_PAIRS choose another seed and more pairs (scripts/differential.sh runs
// many). The disagreements the grammar found are kept as cases of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "adapters/headless/headless.h"
#include "adapters/postgres/postgres_provider.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "grid/vmgrid.h"
#include "host/platform.h"
#include "tests/postgres/differential_grammar.h"
#include "tests/postgres/pg_test_support.h"
#include "tests/support/generated_types.h"

namespace vmbgrid {
namespace {

using difftest::Criterion;
using testsupport::TypeColumn;
using testsupport::TypesRow;

constexpr const char* kTable = "Typen";
constexpr int kRandomRows = 60;

uint32_t EnvNumber(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

struct Found {
  bool refused = false;
  std::set<int> ids;
  std::string message;  // the first message shown
};

std::string Describe(const Found& f) {
  std::ostringstream out;
  if (f.refused) out << "refused (" << f.message << ") ";
  out << f.ids.size() << " rows:";
  for (int id : f.ids) out << ' ' << id;
  return out.str();
}

// A grid on the types table, searched one criterion at a time as the search line
// does it: the cell's text as a restriction with the column's type, then Requery.
class Engine {
 public:
  Engine(std::string name, HeadlessPlatform& platform)
      : name_(std::move(name)), platform_(platform), grid_("grd" + name_) {
    g_.Init(0, "Differenz", "frm" + name_);
    g_.grid(&grid_);
    g_.MaxRecords(0);
  }
  void OnDatabase(const std::string& connectionString) {
    g_.ConnectionString(connectionString);
    g_.RecordSource(kTable);
    g_.Requery();
  }
  void OnRowsOf(const std::string& connectionString) {
    auto rs = Platform::Data().CreateRecordset();
    rs->CursorLocation(adUseClient);
    rs->Open(std::string("SELECT * FROM [") + kTable + "]", connectionString, adOpenStatic,
             adLockReadOnly, adCmdText);
    g_.SetRS(rs);
    g_.Requery();
  }
  const std::string& Name() const { return name_; }
  std::string Where() const { return g_.SQLWherePart(); }

  Found Search(const std::string& column, const std::string& text) {
    if (!last_.empty()) g_.ClearRestriction(last_);
    last_ = column;
    platform_.messages.clear();
    auto field = g_.GridFields().Find(column);
    g_.AddRestriction(column, Variant(text), false, field ? field->datatype : kTypeUndetermined);
    g_.Requery();
    const auto shown = platform_.messages.texts();
    Found f{!shown.empty(), {}, shown.empty() ? "" : shown.front()};
    auto rs = g_.CurrentRecordset();
    if (rs && rs->State() == adStateOpen) {
      const int id = rs->FieldIndex("Id");
      for (int32_t i = 0, n = rs->RecordCount(); i < n; ++i)
        f.ids.insert(rs->ValueAt(i, id).ToInt32());
    }
    return f;
  }

 private:
  std::string name_;
  HeadlessPlatform& platform_;
  HeadlessGrid grid_;
  VMGrid g_;
  std::string last_;
};

class Differential : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite::Register();
    postgres::Register();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    rows_ = testsupport::GenerateTypesRows(seed_, kRandomRows);

    file_ = std::filesystem::temp_directory_path() /
            ("vmbgrid_diff_" + std::to_string(::getpid()) + ".db");
    std::filesystem::remove(file_);
    sqliteCs_ = "Provider=SQLite;Data Source=" + file_.string() + ";Mode=Create";
    Fill(sqliteCs_, false);
    if (!pgtest::ServerConnInfo().empty()) {
      pg_ = std::make_unique<pgtest::Database>();
      Fill(pg_->ConnectionString(), true);
    }
  }
  void TearDown() override {
    engines_.clear();
    for (auto& c : connections_) c->Close();
    connections_.clear();
    ResetHeadlessPlatform();
    pg_.reset();
    std::filesystem::remove(file_);
  }

  // The table on one database; the connection stays open, as a host keeps it, and
  // the grids reuse it by its connection string.
  void Fill(const std::string& cs, bool postgres) {
    auto conn = Platform::Data().CreateConnection();
    conn->Open(cs);
    conn->Execute(testsupport::CreateTypesTable(postgres, kTable));
    for (const TypesRow& row : rows_)
      conn->Execute(testsupport::InsertTypesRow(postgres, kTable, row));
    connections_.push_back(conn);
  }

  // The grid on each database, and in client-data mode over the rows of each.
  void AddEngines() {
    auto add = [&](const std::string& name) -> Engine& {
      return *engines_.emplace_back(std::make_unique<Engine>(name, *platform_));
    };
    add("SQLite").OnDatabase(sqliteCs_);
    add("SpeicherSQLite").OnRowsOf(sqliteCs_);
    if (!pg_) return;
    add("PostgreSQL").OnDatabase(pg_->ConnectionString());
    add("SpeicherPostgreSQL").OnRowsOf(pg_->ConnectionString());
  }

  std::set<int> Oracle(size_t column, const Criterion& c) const {
    std::set<int> ids;
    for (const TypesRow& row : rows_)
      if (c.oracle(row.cells[column])) ids.insert(row.id);
    return ids;
  }

  uint32_t seed_ = EnvNumber("VMBGRID_DIFF_SEED", 20240731);
  uint32_t pairs_ = EnvNumber("VMBGRID_DIFF_PAIRS", 3000);
  HeadlessPlatform* platform_ = nullptr;
  std::vector<TypesRow> rows_;
  std::filesystem::path file_;
  std::string sqliteCs_;
  std::unique_ptr<pgtest::Database> pg_;
  std::vector<std::shared_ptr<Connection>> connections_;
  std::vector<std::unique_ptr<Engine>> engines_;
};

TEST_F(Differential, SqlitePostgresAndTheInMemoryFilterFindTheSameRows) {
  RecordProperty("seed", std::to_string(seed_));
  AddEngines();
  if (!pg_)
    std::cout << "[ NOTE     ] without the PostgreSQL test server only SQLite and the "
                 "in-memory filter are compared\n";
  const auto& columns = testsupport::TypeColumns();
  std::mt19937 random(seed_);
  size_t withOracle = 0, refused = 0, failures = 0;
  for (uint32_t pair = 0; pair < pairs_ && failures < 10; ++pair) {
    const size_t col = pair % columns.size();
    const TypeColumn& column = columns[col];
    const Criterion c = difftest::Generate(column, random);
    std::vector<Found> found;
    for (auto& e : engines_) found.push_back(e->Search(column.name, c.text));

    std::ostringstream report;
    bool ok = true;
    const std::set<int> expected = c.oracle ? Oracle(col, c) : found.front().ids;
    for (size_t i = 0; i < engines_.size(); ++i) {
      const bool memory = engines_[i]->Name().starts_with("Speicher");
      const bool refuse = c.expect == Criterion::Expect::Refused ||
                          (memory && c.expect == Criterion::Expect::MemoryRefuses);
      // The in-memory refusal of a pattern is said once for the same filter in a row.
      const bool said = found[i].refused || c.expect == Criterion::Expect::MemoryRefuses;
      const bool right =
          refuse ? said && found[i].ids.empty() : !found[i].refused && found[i].ids == expected;
      ok = ok && right;
      report << "\n  " << engines_[i]->Name() << ": " << Describe(found[i])
             << (memory ? "" : "  WHERE " + engines_[i]->Where());
    }
    if (c.oracle && c.expect != Criterion::Expect::Refused) {
      ++withOracle;
      report << "\n  oracle: " << expected.size() << " rows";
      for (int id : expected) report << ' ' << id;
    }
    if (c.expect == Criterion::Expect::Refused) ++refused;
    if (!ok) {
      ++failures;
      ADD_FAILURE() << "seed " << seed_ << ", pair " << pair << ": column " << column.name
                    << ", criterion \"" << c.text << "\"" << report.str();
    }
  }
  std::cout << "[ PAIRS    ] seed " << seed_ << ": " << pairs_ << " pairs on " << engines_.size()
            << " engines, " << withOracle << " with the oracle, " << refused << " refused\n";
  EXPECT_GT(withOracle, pairs_ / 2);
}

// Criteria on which the engines once disagreed, each kept with what it showed.
TEST_F(Differential, CasesThatOnceDisagreedAgreeNow) {
  AddEngines();
  struct Case {
    const char* column;
    const char* typed;
    size_t rows;  // found among the rows that hold every pool value (before the random ones)
  };
  // clang-format off
  const Case cases[] = {
      // SQLite's TIME was a number column.
      {"Uhrzeit", "0:00-18:00", 39}, {"Uhrzeit", ">=13:45", 13}, {"Uhrzeit", "12:*", 10},
      {"Name", "*ül*;<=Übel", 40},           // the pattern rule looked at the whole filter's end
      {"Gross", "9223372036854775808-", 0},  // 2^63 - 1 met 2^63 through a double
      {"Gross", "9007199254740993", 6},
      {"Einfach", "0,1", 5},   // a real holds 0.1 as a float
      {"Geld", "1500,5", 3},   // money = 1500.5 was a type error on the server
      {"Name", "strasse", 3},  // "=" was exact, LIKE folded
      {"Name", "A:B", 9},      // ranges compared bytes: "Ärger" was missing
      {"Kurz", "Meier", 2},    // char(12) pads on the server
      {"Zeitpunkt", "31.7.2024", 6}, {"Zeitpunkt", "30.7.2024-31.7.2024", 12},
      {"Tag", "31.7.2024 13:45", 0},  // the server cut the time off the literal
      {"Wahr", "5", 22},              // "= 5" on a boolean column
      {"Klein", "<-5", 12},
      // GUIDs shown without braces (uuid as stored) and typed with them, or the other way.
      {"Kennung", "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}", 14},
      {"Kennung", "6f9619ff-8b86-d011-b42d-00c04fc964ff", 15},
      // Times and dates with times stored in SQLite as "12:30", "8:00:30",
      // "2024-07-31T13:45:30" or "2024-07-31 13:45" compared as text.
      {"Uhrzeit", "12:30", 5}, {"Uhrzeit", "<8:00", 10}, {"Zeitpunkt", "31.7.2024 13:45:30", 1},
      {"Zone", "31.7.2024 00:00-31.7.2024 12:30", 3}, {"Zeitpunkt", "*:00*", 29},
      // Dates and times SQLite files hold as Julian days, Unix seconds, fractions of a
      // day or text with a zone: compared as stored, a number lies below every text
      // literal; in memory, a time made by arithmetic missed its second by a few bits.
      {"Uhrzeit", "13:45", 5}, {"Zone", "<31.7.2024 13:45:30", 29}, {"Tag", "31.7.2024", 3},
      {"Zeitpunkt", "1.7.2024-31.7.2024", 12}, {"Zeitpunkt", "<1.1.1970", 7}};
  // clang-format on
  for (const Case& c : cases) {
    std::ostringstream report;
    std::vector<Found> found;
    for (auto& e : engines_) {
      found.push_back(e->Search(c.column, c.typed));
      report << "\n  " << e->Name() << ": " << Describe(found.back());
    }
    const auto edgeRows = static_cast<int>(rows_.size()) - kRandomRows;
    size_t edge = 0;
    for (int id : found.front().ids) edge += id <= edgeRows ? 1 : 0;
    bool same = true;
    for (const Found& f : found) same = same && !f.refused && f.ids == found.front().ids;
    EXPECT_TRUE(same && edge == c.rows) << c.column << " \"" << c.typed << "\", " << c.rows
                                        << " edge rows expected" << report.str();
  }
}

}  // namespace
}  // namespace vmbgrid
