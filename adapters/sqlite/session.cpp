// One open SQLite database: opening by connection properties, running statements
// and procedures, transactions.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "adapters/sqlite/internal.h"
#include "host/error.h"
#include "host/sql_text.h"

namespace vmbgrid::sqlite {

namespace {

constexpr int kDefaultBusyTimeoutMs = 2000;

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string TrimText(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// "[Kunden]" or "Kunden" -> Kunden.
std::string UnbracketName(const std::string& text) {
  std::string t = TrimText(text);
  if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
    std::string inner;
    for (size_t i = 1; i + 1 < t.size(); ++i) {
      inner += t[i];
      if (t[i] == ']' && i + 2 < t.size() && t[i + 1] == ']') ++i;  // "]]" stands for "]"
    }
    return inner;
  }
  return t;
}

VMError MultipleStatements() {
  return VMError(errc::kRejectedStatement, kSource, sql::kMultipleStatementsText);
}

VMError ProviderFailure(const std::string& text) {
  return VMError(errc::kProviderFailure, kSource, text);
}

struct Deadline {
  std::chrono::steady_clock::time_point until;
};

int CheckDeadline(void* p) {
  return std::chrono::steady_clock::now() >= static_cast<Deadline*>(p)->until ? 1 : 0;
}

// Cuts a statement off at its deadline and removes the handler afterwards.
class TimeoutGuard {
 public:
  TimeoutGuard(sqlite3* db, int seconds) : db_(db) {
    if (seconds <= 0) return;
    deadline_.until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    sqlite3_progress_handler(db_, 1000, CheckDeadline, &deadline_);
    active_ = true;
  }
  ~TimeoutGuard() {
    if (active_) sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  }
  TimeoutGuard(const TimeoutGuard&) = delete;
  TimeoutGuard& operator=(const TimeoutGuard&) = delete;

 private:
  sqlite3* db_;
  Deadline deadline_;
  bool active_ = false;
};

}  // namespace

// ---- fetching in portions ----

namespace {

struct Watch {
  const std::atomic<bool>* cancel = nullptr;
  bool timed = false;
  std::chrono::steady_clock::time_point until;
};

int CheckWatch(void* p) {
  const auto* w = static_cast<const Watch*>(p);
  if (w->cancel && w->cancel->load(std::memory_order_relaxed)) return 1;
  return w->timed && std::chrono::steady_clock::now() >= w->until ? 1 : 0;
}

}  // namespace

class Session::Cursor final : public data::RowCursor {
 public:
  Cursor(Session& session, sqlite3_stmt* st, std::shared_ptr<std::atomic<bool>> cancel,
         int32_t maxRows, int timeoutSeconds)
      : session_(&session),
        st_(st),
        streamer_(std::make_unique<RowStreamer>(st)),
        cancel_(std::move(cancel)),
        remaining_(maxRows > 0 ? maxRows : -1),
        timeoutSeconds_(timeoutSeconds) {
    watch_.cancel = cancel_.get();
    if (timeoutSeconds > 0) {
      watch_.timed = true;
      watch_.until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    }
    session_->cursors_.push_back(this);
  }
  ~Cursor() override {
    Finish();
    if (session_) std::erase(session_->cursors_, this);
  }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  Status Fetch(data::ResultSink& sink, int32_t maxRows) override {
    if (!st_) {
      throw VMError(errc::kObjectClosed, kSource, sql::kLoadConnectionClosedText);
    }
    if (cancel_ && cancel_->load()) {
      Finish();
      return Status::kCancelled;
    }
    int64_t limit = maxRows > 0 ? maxRows : 0;
    if (remaining_ >= 0 && (limit == 0 || remaining_ < limit)) limit = remaining_;
    sqlite3* db = session_->db_;
    int rc = SQLITE_ROW;
    {
      // The session's own handler (a command timeout) is not running meanwhile:
      // portions run between statements, never inside one.
      sqlite3_progress_handler(db, 1000, CheckWatch, &watch_);
      struct Off {
        sqlite3* db;
        ~Off() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
      } off{db};
      rc = limit == 0 && remaining_ == 0 ? SQLITE_DONE : streamer_->Step(sink, limit);
    }
    if (rc == SQLITE_ROW) {
      if (remaining_ >= 0) {
        remaining_ -= limit;
        if (remaining_ <= 0) {
          streamer_->Finish(sink);
          Finish();
          return Status::kDone;
        }
      }
      return Status::kMore;
    }
    if (rc == SQLITE_DONE) {
      Finish();
      return Status::kDone;
    }
    if ((rc & 0xFF) == SQLITE_INTERRUPT && cancel_ && cancel_->load()) {
      Finish();
      return Status::kCancelled;
    }
    try {
      RaiseEngineError(db, rc, session_->path_, timeoutSeconds_);
    } catch (...) {
      Finish();
      throw;
    }
  }

  // The session goes away: the statement is finalized while its database is still open.
  void Orphan() {
    Finish();
    session_ = nullptr;
  }

 private:
  void Finish() {
    streamer_.reset();
    if (st_) sqlite3_finalize(st_);
    st_ = nullptr;
  }
  Session* session_;
  sqlite3_stmt* st_;
  std::unique_ptr<RowStreamer> streamer_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  int64_t remaining_;  // rows still allowed by the limit; -1 without one
  int timeoutSeconds_;
  Watch watch_;
};

Session::Session(const data::ConnectionProperties& props) {
  path_ = props.Get("Data Source");
  if (path_.empty()) path_ = props.Get("DataSource");
  if (path_.empty()) {
    throw ProviderFailure(
        "Im Verbindungstext fehlt die Angabe \"Data Source\" (die Datenbankdatei).");
  }
  const std::string mode = LowerAscii(TrimText(props.Get("Mode")));
  int flags = SQLITE_OPEN_NOMUTEX;
  if (mode.empty() || mode == "readwrite") {
    flags |= SQLITE_OPEN_READWRITE;
  } else if (mode == "create") {
    flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  } else if (mode == "readonly" || mode == "read") {
    flags |= SQLITE_OPEN_READONLY;
  } else {
    throw ProviderFailure("Der Wert \"" + props.Get("Mode") +
                          "\" für \"Mode\" ist unbekannt (möglich sind Create, ReadWrite und "
                          "ReadOnly).");
  }
  const bool memory = path_ == ":memory:";
  if (memory) flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

  // Checked first so that a mistyped path never leaves an empty database behind.
  std::error_code ec;
  if (!memory && !(flags & SQLITE_OPEN_CREATE) && !std::filesystem::exists(path_, ec)) {
    throw ProviderFailure("Die Datenbank \"" + path_ + "\" wurde nicht gefunden.");
  }

  int busyMs = kDefaultBusyTimeoutMs;
  const std::string busy = TrimText(props.Get("Busy Timeout"));
  if (!busy.empty()) {
    char* end = nullptr;
    const long v = std::strtol(busy.c_str(), &end, 10);
    if (*end != '\0' || v < 0 || v > 3600000) {
      throw ProviderFailure("Der Wert \"" + busy +
                            "\" für \"Busy Timeout\" ist keine Zahl von Millisekunden.");
    }
    busyMs = static_cast<int>(v);
  }

  const int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
  try {
    if (rc != SQLITE_OK) RaiseEngineError(db_, rc, path_, 0);
    sqlite3_extended_result_codes(db_, 1);
    // Names reach SQLite in double quotes; a name that matches no column must be an
    // error, never the text literal SQLite would otherwise take it for.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db_, busyMs);
    InstallLike(db_);
    InstallCollation(db_);
    InstallMoments(db_);
    // Reading the schema finds files that are no database, and locks held by others.
    Simple("SELECT count(*) FROM sqlite_master");
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

Session::~Session() {
  for (Cursor* c : std::vector<Cursor*>(cursors_)) c->Orphan();
  cursors_.clear();
  if (!db_) return;
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db_);
}

void Session::Simple(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) RaiseEngineError(db_, rc, path_, 0);
}

std::string Session::Dialect(const std::string& statement) const {
  constexpr size_t kKept = 16;
  constexpr size_t kLongest = 4096;  // long texts are built once per search
  for (const Rewritten& r : rewritten_)
    if (r.text == statement) return r.rewritten;
  bool asked = false;
  std::string out = ReadMomentsAsShown(db_, RewriteStatement(statement), asked);
  // What the engine said of the columns holds for today's schema only.
  if (asked || statement.size() > kLongest) return out;
  if (rewritten_.size() < kKept) {
    rewritten_.push_back({statement, out});
  } else {
    rewritten_[nextRewritten_] = {statement, out};
    nextRewritten_ = (nextRewritten_ + 1) % kKept;
  }
  return out;
}

std::string Session::StatementText(const data::StatementRequest& request) {
  std::string text = request.text;
  if (request.commandType == adCmdTable) {
    text = "SELECT * FROM " + sql::QuoteName(UnbracketName(request.text));
  } else if (request.commandType == adCmdUnknown) {
    // A table or view name alone reads the table; anything else is a statement.
    const std::string trimmed = TrimText(request.text);
    const bool bracketed = trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
    const std::string name = UnbracketName(trimmed);
    if (!name.empty() && (bracketed || name.find_first_of(" \t\r\n;(") == std::string::npos)) {
      sqlite3_stmt* probe = nullptr;
      sqlite3_prepare_v2(db_,
                         "SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND "
                         "name = ?1 COLLATE NOCASE",
                         -1, &probe, nullptr);
      StatementGuard guard{probe};
      if (probe) {
        sqlite3_bind_text(probe, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
        if (sqlite3_step(probe) == SQLITE_ROW) text = "SELECT * FROM " + sql::QuoteName(name);
      }
    }
  }
  return Dialect(text);
}

int64_t Session::Execute(const data::StatementRequest& request, data::ResultSink* sink) {
  if (request.commandType == adCmdStoredProc) return RunProcedure(request, sink);
  return RunText(StatementText(request), request.parameters, request.maxRows,
                 request.timeoutSeconds, sink);
}

sqlite3_stmt* Session::PrepareOne(const std::string& text, std::vector<Parameter>* params,
                                  int timeoutSeconds) {
  const char* const end = text.c_str() + text.size();
  StatementGuard guard;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &guard.st, &tail);
  if (rc != SQLITE_OK) RaiseEngineError(db_, rc, path_, timeoutSeconds);
  if (!guard.st) return nullptr;  // only blanks or comments
  // Exactly one statement per query or command: text behind it would run as
  // another statement, so nothing runs at all.
  while (tail < end) {
    StatementGuard rest;
    const char* next = nullptr;
    rc = sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &rest.st, &next);
    if (rc != SQLITE_OK || rest.st) throw MultipleStatements();
    if (next == tail) break;
    tail = next;
  }
  int positional = 0;
  BindParameters(guard.st, params, positional);
  sqlite3_stmt* st = guard.st;
  guard.st = nullptr;
  return st;
}

int64_t Session::RunText(const std::string& text, std::vector<Parameter>* params, int32_t maxRows,
                         int timeoutSeconds, data::ResultSink* sink) {
  TimeoutGuard timeout(db_, timeoutSeconds);
  StatementGuard guard{PrepareOne(text, params, timeoutSeconds)};
  if (!guard.st) return -1;
  int rc = SQLITE_OK;
  const int64_t before = sqlite3_total_changes64(db_);
  if (sink && sqlite3_column_count(guard.st) > 0) {
    rc = StreamRows(guard.st, *sink, maxRows);
  } else {
    while ((rc = sqlite3_step(guard.st)) == SQLITE_ROW) {
    }
  }
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) RaiseEngineError(db_, rc, path_, timeoutSeconds);
  if (sqlite3_stmt_readonly(guard.st)) return -1;
  return sqlite3_total_changes64(db_) - before;
}

std::unique_ptr<data::RowCursor> Session::OpenCursor(const data::StatementRequest& request,
                                                     std::shared_ptr<std::atomic<bool>> cancel) {
  if (request.commandType == adCmdStoredProc) return nullptr;
  StatementGuard guard{
      PrepareOne(StatementText(request), request.parameters, request.timeoutSeconds)};
  // Blanks only, or a statement that returns no rows: it runs whole, once, by Execute.
  if (!guard.st || sqlite3_column_count(guard.st) == 0 || !sqlite3_stmt_readonly(guard.st))
    return nullptr;
  auto cursor = std::make_unique<Cursor>(*this, guard.st, std::move(cancel), request.maxRows,
                                         request.timeoutSeconds);
  guard.st = nullptr;
  return cursor;
}

int64_t Session::RunProcedure(const data::StatementRequest& request, data::ResultSink* sink) {
  const std::string name = UnbracketName(request.text);
  data::ProcedureBody body = FindProcedure(name);
  if (!body) {
    throw VMError(errc::kRejectedStatement, kSource,
                  "Die Prozedur \"" + name + "\" ist in der Datenbank nicht vorhanden.");
  }
  std::vector<Parameter> none;
  std::vector<Parameter>& params = request.parameters ? *request.parameters : none;
  // Deferred: a procedure that only reads (a layout lookup) must not take the write
  // lock, which on an empty file would already write the database header.
  BeginLevel(false);
  const size_t depth = transactions_.size();
  auto undo = [&] {
    // Only our own level, and only while it is still open (the engine may have
    // rolled back the whole transaction on its own after an I/O error).
    if (transactions_.size() == depth) {
      try {
        Rollback();
      } catch (const VMError&) {
      }
    }
  };
  try {
    body(*this, params, sink);
    Commit();
  } catch (const VMError&) {
    undo();
    throw;
  } catch (const std::exception& e) {
    undo();
    throw VMError(errc::kProviderFailure, kSource,
                  "Die Prozedur \"" + name + "\" ist fehlgeschlagen: " + e.what());
  } catch (...) {
    undo();
    throw;
  }
  return -1;
}

void Session::Begin() { BeginLevel(true); }

void Session::BeginLevel(bool forWriting) {
  if (transactions_.empty() && sqlite3_get_autocommit(db_)) {
    // A deferred transaction that reads first and writes later fails at once with
    // "busy" when another connection writes meanwhile (the engine will not wait in
    // that case); taking the write lock at the start waits the busy timeout instead.
    // A read-only database keeps the deferred kind, which takes no write lock.
    Simple(!forWriting || sqlite3_db_readonly(db_, "main") == 1 ? "BEGIN" : "BEGIN IMMEDIATE");
    transactions_.push_back(false);
  } else {
    const std::string sp = "SAVEPOINT vm_level" + std::to_string(transactions_.size() + 1);
    Simple(sp.c_str());
    transactions_.push_back(true);
  }
}

void Session::Commit() {
  if (transactions_.empty()) {
    throw VMError(errc::kOperationNotAllowed, kSource, "Es ist keine Transaktion offen.");
  }
  if (transactions_.back()) {
    const std::string sql = "RELEASE vm_level" + std::to_string(transactions_.size());
    Simple(sql.c_str());
  } else {
    Simple("COMMIT");  // on failure the transaction stays open for Rollback
  }
  transactions_.pop_back();
}

void Session::Rollback() {
  if (transactions_.empty()) {
    throw VMError(errc::kOperationNotAllowed, kSource, "Es ist keine Transaktion offen.");
  }
  if (sqlite3_get_autocommit(db_)) {
    // The engine already rolled everything back (I/O error, disk full).
    transactions_.clear();
    return;
  }
  const bool savepoint = transactions_.back();
  const std::string level = std::to_string(transactions_.size());
  transactions_.pop_back();
  if (savepoint) {
    const std::string sql = "ROLLBACK TO vm_level" + level + "; RELEASE vm_level" + level;
    Simple(sql.c_str());
  } else {
    Simple("ROLLBACK");
  }
}

}  // namespace vmbgrid::sqlite
