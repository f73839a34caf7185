// Internals shared by the SQLite provider's translation units.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"

namespace vmbgrid::sqlite {

inline constexpr const char* kSource = "SQLite";

// Our case-folding LIKE, replacing the built-in one on a connection.
void InstallLike(sqlite3* db);
// The German collation that the dialect gives every ORDER BY item.
void InstallCollation(sqlite3* db);

// The end of the operator that starts at `i` (a run of = < > !, before `end`);
// `comparison` tells whether it is one of = == <> != < <= > >=.
size_t OperatorEnd(std::string_view s, size_t i, size_t end, bool& comparison);

// A time or date and time in one of the shorter forms SQLite's date functions
// take and other programs store ("8:05", "12:30", "2024-07-31T13:45",
// "2024-07-31 13:45") in the form the library's statements write ("08:05:00",
// "2024-07-31 13:45:00"), held in `buffer`; any other text as it is.
std::string_view CanonicalMoment(std::string_view text, std::string& buffer);

// Dates and times as stored (moments.cpp). The rule by which a cell of a date or
// time column is read, for the row loop and for searches alike: a number in a date
// column as SQLite's date functions take it with 'auto' (up to 5373484.5 Julian
// days, beyond Unix seconds), in a time column as an automation time; text in ISO
// form (a zone makes it the moment in UTC), in a time column "hh:mm[:ss]", in a date
// column any form ParseDate knows. False when the cell shows the value as stored.
bool ReadStoredMoment(int storage, double number, std::string_view text, bool timeColumn,
                      double& serial);
// "hh:mm[:ss[.fff]]" (also "8:00"), with an optional zone, as the fraction of a day.
bool ParseTimeOfDay(std::string_view text, double& fraction);
// A trailing time zone: nothing (0), "Z", or "+hh:mm"/"-hh:mm" after optional blanks.
bool ParseZone(std::string_view rest, int& minutes);
// The automation date of milliseconds since 1899-12-30 00:00, counted on a straight
// line also before that day.
double FromMilliseconds(int64_t ms);

// The function that reads a stored value as the moment its cell shows:
// VMDE_MOMENT(value, 0 date | 1 date and time | 2 time) gives the ISO text searches
// compare ("2024-07-31", "2024-07-31 13:45:00", "13:45:00"), or the value unchanged
// when the cell shows it as stored.
inline constexpr const char* kMomentFunction = "VMDE_MOMENT";
void InstallMoments(sqlite3* db);
// The statement with every date or time column it compares with a text literal or
// matches by LIKE read through VMDE_MOMENT; which names are such columns the engine
// says from their declared types. `asked` tells whether the engine was asked (the
// answer depends on the schema then and is not kept).
std::string ReadMomentsAsShown(sqlite3* db, const std::string& statement, bool& asked);

// The body registered for a procedure name, or an empty function.
data::ProcedureBody FindProcedure(const std::string& name);

// The grid library's layout procedures ("aa_gridlayout", "aa_gridlayoutfield").
void RegisterLayoutProcedures();

// Raises the VMError for a failed SQLite call: error class by result code,
// German description with the engine's detail.
[[noreturn]] void RaiseEngineError(sqlite3* db, int rc, const std::string& path,
                                   int timeoutSeconds);

// Binds the request's parameters to a prepared statement: by name (":name",
// "@name", "$name" match a parameter named with or without the prefix) or by
// position ("?" takes the next input parameter, "?NNN" the NNN-th). A parameter
// the statement asks for but nobody supplied raises.
void BindParameters(sqlite3_stmt* st, std::vector<Parameter>* params, int& positional);

// Steps the statement and hands its rows to the sink (SetColumns first). Stops
// after maxRows rows when maxRows > 0. Returns SQLITE_DONE, SQLITE_ROW (stopped at
// the limit) or the failing result code.
int StreamRows(sqlite3_stmt* st, data::ResultSink& sink, int32_t maxRows);

// The row loop of StreamRows in portions: each Step hands up to maxRows further
// rows to the sink (all when maxRows <= 0) and returns SQLITE_ROW when rows may
// remain, SQLITE_DONE at the end, or the failing result code. Rows of expression
// columns whose type is still unknown are held back until it is known.
class RowStreamer {
 public:
  explicit RowStreamer(sqlite3_stmt* st);
  ~RowStreamer();
  RowStreamer(const RowStreamer&) = delete;
  RowStreamer& operator=(const RowStreamer&) = delete;
  int Step(data::ResultSink& sink, int64_t maxRows);
  // Announces the columns (and rows held back) when no step has yet.
  void Finish(data::ResultSink& sink) {
    if (!announced_) Announce(sink);
  }

 private:
  void Announce(data::ResultSink& sink);
  sqlite3_stmt* st_;
  int columns_;
  std::vector<data::ColumnMeta> meta_;
  std::vector<int> kinds_;  // the row loop's Kind of each column
  int unresolved_ = 0;
  bool announced_ = false;
  std::vector<sqlite3_value*> held_;
};

// Finalizes a statement however the scope is left.
struct StatementGuard {
  sqlite3_stmt* st = nullptr;
  ~StatementGuard() { sqlite3_finalize(st); }
};

class Session final : public data::ProviderSession {
 public:
  // Opens the database named by the connection properties; raises on failure.
  explicit Session(const data::ConnectionProperties& props);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::string Dialect(const std::string& statement) const override;
  int64_t Execute(const data::StatementRequest& request, data::ResultSink* sink) override;
  void Begin() override;
  // A top-level transaction for writing takes the write lock at once (BEGIN
  // IMMEDIATE); otherwise the lock is taken by the first write.
  void BeginLevel(bool forWriting);
  void Commit() override;
  void Rollback() override;
  std::string Name() const override { return "SQLite"; }
  std::unique_ptr<data::RowCursor> OpenCursor(const data::StatementRequest& request,
                                              std::shared_ptr<std::atomic<bool>> cancel) override;

  std::vector<std::string> TableNames() override;
  std::string TableName(const std::string& written) override;

  sqlite3* Handle() const { return db_; }

 private:
  class Cursor;
  // The statement text a request runs: a table name becomes SELECT * FROM it, and
  // the dialect is applied.
  std::string StatementText(const data::StatementRequest& request);
  // Prepares exactly one statement and binds its parameters; null for blanks only.
  sqlite3_stmt* PrepareOne(const std::string& text, std::vector<Parameter>* params,
                           int timeoutSeconds);
  int64_t RunText(const std::string& text, std::vector<Parameter>* params, int32_t maxRows,
                  int timeoutSeconds, data::ResultSink* sink);
  int64_t RunProcedure(const data::StatementRequest& request, data::ResultSink* sink);
  void Simple(const char* sql);

  sqlite3* db_ = nullptr;
  std::string path_;
  // One entry per open Begin: true when it opened a savepoint inside a transaction
  // that was already running.
  std::vector<bool> transactions_;
  // Cursors still open on this session; finalized when it closes.
  std::vector<Cursor*> cursors_;
  // The last statements rewritten, with their rewritten text: the settings and
  // layout statements are fixed texts run again and again, and rewriting costs
  // more than preparing them. Used like the handle, from one thread at a time.
  struct Rewritten {
    std::string text;
    std::string rewritten;
  };
  mutable std::vector<Rewritten> rewritten_;
  mutable size_t nextRewritten_ = 0;
};

}  // namespace vmbgrid::sqlite
