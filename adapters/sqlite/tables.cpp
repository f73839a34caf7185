// The tables and views of a database file, for the hosts' table lists and for a
// table a user names: SQLite compares names without regard to case itself, so the
// one table matching is the table meant.
#include <string>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "host/error.h"
#include "host/sql_text.h"

namespace vmbgrid::sqlite {

namespace {

// The names of the database's tables and views matching `name` (all with ""),
// the layout and settings store left out.
std::vector<std::string> Tables(sqlite3* db, const std::string& name) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT "
                     "LIKE 'sqlite%' AND (?1 = '' OR name = ?1 COLLATE NOCASE) ORDER BY name",
                     -1, &st, nullptr);
  StatementGuard guard{st};
  std::vector<std::string> out;
  if (!st) return out;
  sqlite3_bind_text(st, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
  while (sqlite3_step(st) == SQLITE_ROW) {
    const std::string table = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    if (!sql::IsStoreTable(table)) out.push_back(table);
  }
  return out;
}

}  // namespace

std::vector<std::string> Session::TableNames() { return Tables(db_, ""); }

std::string Session::TableName(const std::string& written) {
  std::string name = written;
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
    name = name.substr(1, name.size() - 2);
  const std::vector<std::string> found =
      name.empty() ? std::vector<std::string>{} : Tables(db_, name);
  if (found.empty()) throw VMError(errc::kNoSuchTable, "SQLite", sql::NoSuchTableText(written));
  return found.front();
}

}  // namespace vmbgrid::sqlite
