// Progressive loads on the server. A load reads through a server-side cursor in a
// transaction of its own, on a connection of its own: between portions the session
// runs other statements (settings reads and writes, another load, the caller's own
// transactions) exactly as without the load, and a FETCH still under way never
// holds them up. Each FETCH is sent asynchronously and a portion waits for its
// answer only for a short time slice; a slow FETCH (the sort of a large ORDER BY)
// is waited for over several portions, so the event loop keeps running and the
// load can be cancelled meanwhile.
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "adapters/postgres/internal.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

using Clock = std::chrono::steady_clock;

// How long one portion waits for the server's answer: well within one turn of the
// grid's event loop (12 ms), which calls again while the load runs.
constexpr auto kSlice = std::chrono::milliseconds(5);
// The cancel flag is looked at this often while waiting.
constexpr auto kStep = std::chrono::milliseconds(2);
// How long a cancelled FETCH is given to end before its connection is dropped.
constexpr auto kDrain = std::chrono::milliseconds(250);

// The session's settings (the forms Configure sets, the user's SET commands) to
// carry over to a load's connection; a row of nulls when the session's state
// cannot be carried over: temporary objects, or another role than it logged in as.
constexpr const char* kSessionState =
    "SELECT name, setting FROM pg_catalog.pg_settings WHERE source = 'session' AND name <> "
    "'statement_timeout' UNION ALL SELECT NULL, NULL WHERE current_user <> session_user OR "
    "EXISTS (SELECT 1 FROM pg_catalog.pg_class WHERE relnamespace = "
    "pg_catalog.pg_my_temp_schema())";

enum class Wait { kReady, kSliceOver, kCancelled };

// Waits until the connection's pending result can be read without blocking, the
// deadline passes or the cancel flag is set.
Wait AwaitResult(PGconn* conn, Clock::time_point until, const std::atomic<bool>* cancel) {
  const int fd = PQsocket(conn);
  for (;;) {
    // A broken connection is "ready" too: PQgetResult then tells why.
    if (!PQconsumeInput(conn) || !PQisBusy(conn) || fd < 0) return Wait::kReady;
    if (cancel && cancel->load()) return Wait::kCancelled;
    const Clock::time_point now = Clock::now();
    if (now >= until) return Wait::kSliceOver;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(std::min<Clock::duration>(until - now, kStep));
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(std::max<int64_t>(1, left.count())));
  }
}

}  // namespace

class Session::Cursor final : public data::RowCursor {
 public:
  Cursor(Session& session, PGconn* conn, CursorRows rows, std::shared_ptr<std::atomic<bool>> cancel,
         int timeoutSeconds)
      : session_(&session),
        conn_(conn),
        rows_(std::move(rows)),
        cancel_(std::move(cancel)),
        timeoutSeconds_(timeoutSeconds),
        lockSeconds_(session.timeouts_.lockSeconds) {
    session_->cursors_.push_back(this);
  }
  ~Cursor() override {
    Abandon();
    if (session_) std::erase(session_->cursors_, this);
  }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  Status Fetch(data::ResultSink& sink, int32_t maxRows) override {
    if (!conn_) throw VMError(errc::kObjectClosed, kSource, sql::kLoadConnectionClosedText);
    if (cancel_ && cancel_->load()) {
      Abandon();
      return Status::kCancelled;
    }
    if (!pending_) {
      const std::string fetch = rows_.FetchText(maxRows);
      if (fetch.empty()) {
        Release(true);
        return Status::kDone;
      }
      if (!PQsendQuery(conn_, fetch.c_str())) Fail(nullptr);
      pending_ = true;
    }
    switch (AwaitResult(conn_, Clock::now() + kSlice, cancel_.get())) {
      case Wait::kSliceOver:
        return Status::kMore;  // no rows yet; the next portion waits on
      case Wait::kCancelled:
        Abandon();
        return Status::kCancelled;
      case Wait::kReady:
        break;
    }
    pending_ = false;
    ResultGuard res(TakeResults(conn_));
    if (PQresultStatus(res.res) != PGRES_TUPLES_OK) Fail(res.res);
    bool last = false;
    try {
      last = rows_.Deliver(res.res, sink);
    } catch (...) {
      Release(false);
      throw;
    }
    if (!last) return Status::kMore;
    Release(true);
    return Status::kDone;
  }

  // The session goes away: the load ends with it.
  void Orphan() {
    session_ = nullptr;
    Abandon();
  }

 private:
  // A failed statement: the load ends with the server's message; the connection
  // is given back clean or dropped.
  [[noreturn]] void Fail(const PGresult* res) {
    const VMError e = ResultError(conn_, res, timeoutSeconds_, lockSeconds_);
    pending_ = false;
    Release(false);
    throw e;
  }

  // Ends the cursor's transaction (committed after the last row, as a whole load
  // commits) and keeps the connection for the next load when it is idle again. A
  // failed commit fails the load, as it fails a whole one.
  void Release(bool commit) {
    PGconn* conn = std::exchange(conn_, nullptr);
    if (!conn) return;
    const std::string end = commit ? rows_.CloseText() + "; COMMIT" : std::string("ROLLBACK");
    ResultGuard res(PQexec(conn, end.c_str()));
    const bool clean =
        PQresultStatus(res.res) == PGRES_COMMAND_OK && PQtransactionStatus(conn) == PQTRANS_IDLE;
    if (clean && session_) {
      session_->KeepForCursors(conn);
      return;
    }
    const VMError e = ResultError(conn, res.res, timeoutSeconds_, lockSeconds_);
    PQfinish(conn);
    if (commit && !clean) throw e;
  }

  // Stops the load wherever it is. A FETCH under way is cancelled on the server
  // and given a moment to end; its connection is dropped then, never reused, since
  // the cancel request may still reach whatever that connection runs next.
  void Abandon() {
    if (!conn_) return;
    if (!pending_) {
      try {
        Release(false);
      } catch (const VMError&) {
        // a rollback cannot fail the load it ends
      }
      return;
    }
    PGconn* conn = std::exchange(conn_, nullptr);
    pending_ = false;
    if (PGcancel* request = PQgetCancel(conn)) {
      char reason[256];
      PQcancel(request, reason, sizeof reason);
      PQfreeCancel(request);
    }
    const Clock::time_point until = Clock::now() + kDrain;
    while (PQstatus(conn) == CONNECTION_OK && AwaitResult(conn, until, nullptr) == Wait::kReady) {
      PGresult* r = PQgetResult(conn);
      if (!r) break;
      PQclear(r);
    }
    PQfinish(conn);
  }

  Session* session_;
  PGconn* conn_;
  CursorRows rows_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  int timeoutSeconds_;
  int lockSeconds_;
  bool pending_ = false;  // a FETCH was sent and its answer not yet read
};

void Session::KeepForCursors(PGconn* conn) {
  if (spare_) {
    PQfinish(conn);
  } else {
    spare_ = conn;
  }
}

void Session::EndCursors() {
  for (Cursor* c : std::vector<Cursor*>(cursors_)) c->Orphan();
  cursors_.clear();
  if (spare_) PQfinish(std::exchange(spare_, nullptr));
}

PGconn* Session::CursorConnection(int timeoutSeconds) {
  ResultGuard state(PQexec(conn_, kSessionState));
  if (PQresultStatus(state.res) != PGRES_TUPLES_OK) return nullptr;
  std::vector<std::string> settings;
  for (int r = 0; r < PQntuples(state.res); ++r) {
    if (PQgetisnull(state.res, r, 0)) return nullptr;
    settings.push_back(PQgetvalue(state.res, r, 0));
    settings.push_back(PQgetvalue(state.res, r, 1));
  }
  // Each FETCH has the command's time limit, as each batch of a whole load has.
  settings.push_back("statement_timeout");
  settings.push_back(std::to_string(std::max(0, timeoutSeconds) * 1000LL));

  PGconn* conn = std::exchange(spare_, nullptr);
  if (conn) {
    ResultGuard reset(PQexec(conn, "RESET ALL"));
    if (PQresultStatus(reset.res) != PGRES_COMMAND_OK) {
      PQfinish(conn);
      conn = nullptr;
    }
  }
  if (!conn) conn = Dial(nullptr);
  if (!conn) return nullptr;
  std::string apply = "SELECT ";
  std::vector<const char*> values;
  for (size_t i = 0; i < settings.size(); i += 2) {
    if (i > 0) apply += ", ";
    apply += "pg_catalog.set_config($" + std::to_string(i + 1) + ", $" + std::to_string(i + 2) +
             ", false)";
    values.push_back(settings[i].c_str());
    values.push_back(settings[i + 1].c_str());
  }
  ResultGuard res(PQexecParams(conn, apply.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
  if (PQresultStatus(res.res) != PGRES_TUPLES_OK) {
    PQfinish(conn);
    return nullptr;
  }
  return conn;
}

std::unique_ptr<data::RowCursor> Session::OpenCursor(const data::StatementRequest& request,
                                                     std::shared_ptr<std::atomic<bool>> cancel) {
  if (request.commandType == adCmdStoredProc) return nullptr;
  EnsureConnected();
  // Inside a transaction of the session only the session's connection sees what
  // that transaction changed: the load runs whole there, as it always did.
  if (depth_ > 0 || PQtransactionStatus(conn_) != PQTRANS_IDLE) return nullptr;
  const Prepared p = Prepare(StatementText(request), request.parameters);
  // Statements that change something run once, whole, by Execute.
  if (!IsQuery(p.sql)) return nullptr;
  // Without a connection of its own (the server's connection limit, a session
  // whose state cannot be carried over) the load runs whole on the session.
  const int timeoutSeconds = Limit(request.timeoutSeconds);
  PGconn* conn = CursorConnection(timeoutSeconds);
  if (!conn) return nullptr;
  CursorRows rows(request.maxRows);
  static const std::vector<Parameter> kNone;
  const ParameterValues values = Values(request.parameters ? *request.parameters : kNone, p.order);
  ResultGuard begin(PQexec(conn, "BEGIN"));
  ResultGuard declare(
      PQresultStatus(begin.res) == PGRES_COMMAND_OK ? rows.Declare(conn, p.sql, values) : nullptr);
  if (PQresultStatus(declare.res) != PGRES_COMMAND_OK) {
    // What the server refuses here it would refuse in a whole load: the same message.
    const VMError e = ResultError(conn, declare.res ? declare.res : begin.res, timeoutSeconds,
                                  timeouts_.lockSeconds);
    PQfinish(conn);
    throw e;
  }
  return std::make_unique<Cursor>(*this, conn, std::move(rows), std::move(cancel), timeoutSeconds);
}

}  // namespace vmbgrid::postgres
