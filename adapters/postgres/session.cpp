// One connection to a PostgreSQL server: opening, statements streamed into the
// sink through a cursor, procedures, transactions, reconnecting after a loss.
#include <poll.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/postgres/internal.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

// Rows fetched per round trip: large enough that the round trips cost nothing,
// small enough that the server's text for one batch is a few megabytes.
constexpr int32_t kFetchRows = 20000;

std::string TrimText(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string UnbracketName(const std::string& text) {
  std::string t = TrimText(text);
  if (t.size() >= 2 &&
      ((t.front() == '[' && t.back() == ']') || (t.front() == '"' && t.back() == '"'))) {
    const char close = t.back();
    std::string inner;
    for (size_t i = 1; i + 1 < t.size(); ++i) {
      inner += t[i];
      if (t[i] == close && i + 2 < t.size() && t[i + 1] == close) ++i;
    }
    return inner;
  }
  return t;
}

// A name for statements that do not pass the dialect (procedure calls).
std::string ServerName(const std::string& name) {
  return sql::BracketNamesToDoubleQuotes(sql::QuoteName(name));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string BareName(const std::string& name) {
  return !name.empty() && (name[0] == '@' || name[0] == ':' || name[0] == '$') ? name.substr(1)
                                                                               : name;
}

bool IsInput(const Parameter& p) {
  return p.direction == adParamInput || p.direction == adParamInputOutput || p.direction == 0;
}

Columns DescribeColumns(const PGresult* res, data::ResultSink* sink) {
  Columns c;
  const int n = PQnfields(res);
  std::vector<data::ColumnMeta> meta;
  meta.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const ColumnType t = MapServerType(PQftype(res, i), PQfmod(res, i));
    meta.push_back(data::ColumnMeta{PQfname(res, i), t.type, t.size, t.precision, t.scale});
    c.kinds.push_back(KindOf(PQftype(res, i)));
  }
  if (sink) sink->SetColumns(std::move(meta));
  return c;
}

int DeliverRows(const PGresult* res, const Columns& c, data::ResultSink& sink, int limit) {
  const int rows = PQntuples(res);
  const int cols = static_cast<int>(c.kinds.size());
  const int n = limit > 0 && limit < rows ? limit : rows;
  for (int r = 0; r < n; ++r) {
    sink.BeginRow();
    for (int col = 0; col < cols; ++col) {
      if (PQgetisnull(res, r, col)) {
        sink.PutNull(col);
      } else {
        PutCell(sink, col, c.kinds[static_cast<size_t>(col)], PQgetvalue(res, r, col),
                PQgetlength(res, r, col));
      }
    }
    sink.EndRow();
  }
  return n;
}

// One cell as a Variant, for output parameters.
class CellSink final : public data::ResultSink {
 public:
  Variant value = Variant::Null();
  void SetColumns(std::vector<data::ColumnMeta>) override {}
  void BeginRow() override {}
  void PutNull(int) override { value = Variant::Null(); }
  void PutInteger(int, int64_t v) override {
    value = v >= INT32_MIN && v <= INT32_MAX ? Variant(static_cast<int32_t>(v)) : Variant(v);
  }
  void PutDouble(int, double v) override { value = Variant(v); }
  void PutDate(int, double serial) override { value = Variant::Date(serial); }
  void PutText(int, std::string_view s) override { value = Variant(s); }
  void PutBlob(int, std::string_view s) override { value = Variant::Bytes(s); }
  void PutDecimal(int, const Decimal& d) override { value = Variant(d); }
  void EndRow() override {}
};

// Forwards a result and remembers whether any of it arrived.
class WatchedSink final : public data::ResultSink {
 public:
  explicit WatchedSink(data::ResultSink* target) : target_(target) {}
  bool delivered = false;
  void SetColumns(std::vector<data::ColumnMeta> columns) override {
    delivered = true;
    target_->SetColumns(std::move(columns));
  }
  void BeginRow() override { target_->BeginRow(); }
  void PutNull(int col) override { target_->PutNull(col); }
  void PutInteger(int col, int64_t v) override { target_->PutInteger(col, v); }
  void PutDouble(int col, double v) override { target_->PutDouble(col, v); }
  void PutDate(int col, double serial) override { target_->PutDate(col, serial); }
  void PutText(int col, std::string_view s) override { target_->PutText(col, s); }
  void PutBlob(int col, std::string_view s) override { target_->PutBlob(col, s); }
  void EndRow() override { target_->EndRow(); }

 private:
  data::ResultSink* target_;
};

bool IsOwnProcedure(const std::string& name) {
  const std::string n = Lower(name);
  return n == "aa_gridlayout" || n == "aa_gridlayoutfield";
}

std::optional<int> ActionOf(const std::vector<Parameter>* params) {
  if (!params) return std::nullopt;
  for (const Parameter& p : *params) {
    if (Lower(BareName(p.name)) == "spaction" && !p.value.IsNull() && !p.value.IsEmpty() &&
        !p.value.IsMissing()) {
      try {
        return p.value.ToInt32();
      } catch (const VMError&) {
        return std::nullopt;
      }
    }
  }
  return std::nullopt;
}

// Columns of the layout functions' results, for a database without them.
std::vector<data::ColumnMeta> LayoutColumns(const std::string& name) {
  if (Lower(name) == "aa_gridlayout") {
    return {{"layoutid", adInteger, 4},
            {"layout", adVarChar, 50},
            {"sublayout", adVarChar, 50},
            {"user", adVarChar, 50}};
  }
  return {{"layoutid", adInteger, 4}, {"caption", adVarChar, 50},      {"fieldname", adVarChar, 50},
          {"order", adInteger, 4},    {"sortdirection", adInteger, 4}, {"sortorder", adInteger, 4},
          {"visible", adBoolean, 2},  {"width", adInteger, 4}};
}

// What a layout call does where the store is not usable (not set up, older, or
// no rights for this login), without a statement the server would refuse: reads
// give the columns and no rows, and deleting from a store that was never set up
// does nothing, as SQLite's procedures do without their tables; any other write is
// refused with what the administrator must run.
void LayoutCallWithoutStore(const std::string& name, const std::vector<Parameter>* params,
                            data::ResultSink* sink, bool missing, const std::string& problem) {
  const bool header = Lower(name) == "aa_gridlayout";
  const std::optional<int> action = ActionOf(params);
  const bool reads = header ? action == 1 || action == 5 : action == 1 || action == 4;
  if (reads) {
    if (sink) sink->SetColumns(LayoutColumns(name));
    return;
  }
  if (!action) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Der Prozedur \"" + Lower(name) + "\" fehlt der Parameter SPAction.");
  }
  if (header && action == 3 && missing) return;  // deleting what was never saved
  if (action == 2 || (header && action == 3)) {
    throw VMError(errc::kOperationNotAllowed, kSource, problem);
  }
  throw VMError(errc::kRejectedStatement, kSource,
                "Die Prozedur \"" + Lower(name) + "\" kennt die Aktion " + std::to_string(*action) +
                    " nicht.");
}

}  // namespace

bool IsQuery(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (text.compare(i, 2, "--") == 0) {
      i = text.find('\n', i);
      if (i == std::string::npos) return false;
    } else if (text.compare(i, 2, "/*") == 0) {
      i = text.find("*/", i);
      if (i == std::string::npos) return false;
      i += 2;
    } else if (text[i] == '(') {
      ++i;
    } else {
      break;
    }
  }
  size_t e = i;
  while (e < text.size() && std::isalpha(static_cast<unsigned char>(text[e]))) ++e;
  const std::string word = Lower(text.substr(i, e - i));
  return word == "select" || word == "values" || word == "table";
}

ParameterValues Values(const std::vector<Parameter>& params, const std::vector<size_t>& order) {
  ParameterValues v;
  v.texts.resize(order.size());
  v.pointers.resize(order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    v.pointers[i] = ParameterText(params[order[i]], v.texts[i]) ? v.texts[i].c_str() : nullptr;
  }
  return v;
}

namespace {
std::atomic<int> g_cursorNumber{0};

// A wait is told to the host once it is noticeable, then this often.
constexpr auto kWaitNoticed = std::chrono::milliseconds(300);
constexpr auto kWaitSlice = std::chrono::milliseconds(40);
}  // namespace

PGresult* WaitForResult(PGconn* conn) {
  MarkCancelledByUser(false);
  StatementWait* host = data::CurrentStatementWait();
  if (host) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    bool told = false, cancelled = false;
    while (PQconsumeInput(conn) && PQisBusy(conn)) {
      pollfd p{PQsocket(conn), POLLIN, 0};
      const Clock::duration waited = Clock::now() - start;
      const auto slice = waited < kWaitNoticed ? kWaitNoticed - waited : kWaitSlice;
      if (::poll(&p, 1,
                 static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count())) !=
          0)
        continue;
      told = true;
      if (!cancelled &&
          host->Waiting(std::chrono::duration<double>(Clock::now() - start).count())) {
        // The server ends the statement with "canceled"; its result comes as usual.
        if (PGcancel* request = PQgetCancel(conn)) {
          char reason[256];
          if (PQcancel(request, reason, sizeof reason)) MarkCancelledByUser(true);
          PQfreeCancel(request);
        }
        cancelled = true;
      }
    }
    if (told) host->Ended();
  }
  return TakeResults(conn);
}

PGresult* TakeResults(PGconn* conn) {
  // An error wins over rows, so that a failed statement is never taken for done.
  PGresult* kept = nullptr;
  while (PGresult* r = PQgetResult(conn)) {
    if (!kept ||
        (PQresultStatus(r) == PGRES_FATAL_ERROR && PQresultStatus(kept) != PGRES_FATAL_ERROR)) {
      std::swap(kept, r);
    }
    if (r) PQclear(r);
  }
  return kept;
}

PGresult* ExecWaiting(PGconn* conn, const std::string& sql, const ParameterValues& values) {
  if (!PQsendQueryParams(conn, sql.c_str(), static_cast<int>(values.pointers.size()), nullptr,
                         values.pointers.data(), nullptr, nullptr, 0))
    return nullptr;
  return WaitForResult(conn);
}

CursorRows::CursorRows(int32_t maxRows)
    : name_("vmgrid_rows" + std::to_string(++g_cursorNumber)),
      remaining_(maxRows > 0 ? maxRows : -1) {}

PGresult* CursorRows::Declare(PGconn* conn, const std::string& query,
                              const ParameterValues& values) const {
  // The extended protocol takes exactly one statement, as every other statement.
  // Planning takes the table's lock: this is where another session's lock is waited for.
  return ExecWaiting(conn, "DECLARE " + name_ + " NO SCROLL CURSOR FOR " + query, values);
}

std::string CursorRows::FetchText(int32_t portion) {
  int64_t batch = portion > 0 ? std::min(portion, kFetchRows) : kFetchRows;
  if (remaining_ >= 0) batch = std::min(batch, remaining_);
  batch_ = static_cast<int32_t>(batch);
  if (batch_ <= 0) return std::string();
  return "FETCH FORWARD " + std::to_string(batch_) + " FROM " + name_;
}

std::string CursorRows::PrefetchText(const PGresult* res) {
  const int n = PQntuples(res);
  if (n < batch_) return std::string();
  const int64_t left = remaining_ >= 0 ? remaining_ - n : -1;
  if (left == 0) return std::string();
  prefetched_ = static_cast<int32_t>(left > 0 ? std::min<int64_t>(kFetchRows, left) : kFetchRows);
  return "FETCH FORWARD " + std::to_string(prefetched_) + " FROM " + name_;
}

bool CursorRows::Deliver(const PGresult* res, data::ResultSink& sink) {
  if (!described_) {
    columns_ = DescribeColumns(res, &sink);
    described_ = true;
  }
  const int n = DeliverRows(res, columns_, sink, 0);
  if (remaining_ >= 0) remaining_ -= n;
  // A short batch is the end of the rows; a full one at the limit the end of the load.
  const bool end = n < batch_ || remaining_ == 0;
  if (prefetched_ > 0) batch_ = std::exchange(prefetched_, 0);
  return end;
}

Session::Session(const data::ConnectionProperties& props)
    : keywords_(ConnectionKeywords(props)), timeouts_(SessionTimeouts(props)) {
  Connect();
}

Session::~Session() {
  EndCursors();
  if (conn_) PQfinish(conn_);
}

PGconn* ConnectWith(const std::vector<std::pair<std::string, std::string>>& keywords,
                    VMError* error) {
  std::vector<const char*> keys, values;
  for (const auto& [k, v] : keywords) {
    keys.push_back(k.c_str());
    values.push_back(v.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn || PQstatus(conn) != CONNECTION_OK) {
    if (error) *error = ConnectError(conn, Describe(conn));
    if (conn) PQfinish(conn);
    return nullptr;
  }
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  return conn;
}

ServerConnection OpenServer(const std::string& connectionString, std::string& error) {
  ServerConnection none(nullptr, PQfinish);
  try {
    VMError failed(errc::kProviderFailure, kSource, "");
    PGconn* conn = ConnectWith(
        ConnectionKeywords(data::ConnectionProperties::Parse(connectionString)), &failed);
    if (!conn) error = failed.Description();
    return ServerConnection(conn, PQfinish);
  } catch (const VMError& e) {
    error = e.Description();
    return none;
  }
}

PGconn* Session::Dial(VMError* error) { return ConnectWith(keywords_, error); }

void Session::Connect() {
  VMError error(errc::kProviderFailure, kSource, "");
  PGconn* conn = Dial(&error);
  if (!conn) throw error;
  if (conn_) PQfinish(conn_);
  conn_ = conn;
  Configure();
}

void Session::Configure() {
  // Values are read in these forms; literals are never read with backslash escapes.
  Simple(
      "SET datestyle TO 'ISO, YMD'; SET lc_monetary TO 'C'; SET standard_conforming_strings TO "
      "on; SET extra_float_digits TO 3; SET intervalstyle TO 'iso_8601'");
  ResultGuard icu(
      PQexec(conn_, "SELECT 1 FROM pg_catalog.pg_collation WHERE collname = 'und-x-icu'"));
  folding_ = PQresultStatus(icu.res) == PGRES_TUPLES_OK && PQntuples(icu.res) > 0
                 ? LikeFolding::kIcu
                 : LikeFolding::kDatabaseCollation;
  timeout_ = 0;
  namesPrepared_[0] = namesPrepared_[1] = false;
  if (timeouts_.lockSeconds > 0) {
    const std::string lock =
        "SET lock_timeout TO " + std::to_string(timeouts_.lockSeconds * 1000LL);
    Simple(lock.c_str());
  }
  store_.Forget();
  depth_ = 0;
}

void Session::EnsureConnected() {
  if (PQstatus(conn_) == CONNECTION_OK && depth_ == 0 &&
      PQtransactionStatus(conn_) == PQTRANS_IDLE) {
    // An idle connection has nothing to read unless the server is closing it (a
    // restart, an administrator ending the session: its last message and the end of
    // the stream wait on the socket) or sent a notice. Only then does an empty
    // statement find out which, so that the last message is not taken for the
    // answer to the user's next statement.
    pollfd p{PQsocket(conn_), POLLIN, 0};
    if (p.fd >= 0 && ::poll(&p, 1, 0) > 0) {
      ResultGuard probe(PQexec(conn_, ""));
      if (PQresultStatus(probe.res) != PGRES_EMPTY_QUERY) {
        Connect();
        return;
      }
    }
  }
  if (PQstatus(conn_) == CONNECTION_OK) return;
  // A lost connection inside a transaction cannot be resumed: its work is gone,
  // and the caller must hear so rather than see later statements succeed.
  if (depth_ > 0) {
    depth_ = 0;
    throw ResultError(conn_, nullptr, 0);
  }
  Connect();
}

void Session::Simple(const char* sql) {
  ResultGuard res(PQexec(conn_, sql));
  const ExecStatusType st = PQresultStatus(res.res);
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) throw ResultError(conn_, res.res, 0);
}

void Session::SetTimeout(int seconds) {
  if (seconds < 0) seconds = 0;
  if (seconds == timeout_) return;
  const std::string sql = "SET statement_timeout TO " + std::to_string(seconds * 1000LL);
  Simple(sql.c_str());
  timeout_ = seconds;
}

std::string Session::Dialect(const std::string& statement) const {
  const NameMapping names = ResolveNames(statement);
  return RewriteStatement(statement, folding_, nullptr, nullptr, nullptr, &names);
}

std::string Session::StatementText(const data::StatementRequest& request) {
  // A table read whole: found by the one resolver, so "kunden" and "[Kunden]" name
  // the same relation here as in a statement.
  if (request.commandType == adCmdTable) {
    const auto found = FindRelation(TrimText(request.text));
    return "SELECT * FROM " +
           (found ? found->ServerText() : ServerName(UnbracketName(request.text)));
  }
  if (request.commandType == adCmdUnknown) {
    const std::string trimmed = TrimText(request.text);
    const std::string name = UnbracketName(trimmed);
    if (!name.empty() &&
        (trimmed != name || name.find_first_of(" \t\r\n;(") == std::string::npos)) {
      if (const auto found = FindRelation(trimmed)) return "SELECT * FROM " + found->ServerText();
    }
  }
  return request.text;
}

Session::Prepared Session::Prepare(const std::string& text, std::vector<Parameter>* params) const {
  // Exactly one statement per query or command: text behind it would run as
  // another statement, so nothing runs at all.
  if (HasSecondStatement(text))
    throw VMError(errc::kRejectedStatement, kSource, sql::kMultipleStatementsText);
  Prepared p;
  const NameMapping names = ResolveNames(text);
  TextComparisons comparisons;
  comparisons.probe = true;
  std::vector<size_t> probeOrder;
  const std::string probe =
      RewriteStatement(text, folding_, params, &probeOrder, &comparisons, &names);
  comparisons.probe = false;
  if (comparisons.found > 0) comparisons.types = ComparedTypes(probe, comparisons.probeNumbers);
  p.sql = RewriteStatement(text, folding_, params, &p.order, &comparisons, &names);
  return p;
}

std::vector<uint32_t> Session::ComparedTypes(const std::string& probe,
                                             const std::vector<int>& numbers) const {
  // The server prepares the probe (nothing runs) and says which type each "$n"
  // takes: the type of the column it is compared with. A probe that fails leaves
  // the comparisons as written; the statement itself then reports what is wrong.
  // Inside a transaction a failure must not abort it, so the probe has a savepoint.
  const bool inTransaction = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
  if (inTransaction) PQclear(PQexec(conn_, "SAVEPOINT vmgrid_probe"));
  std::vector<uint32_t> types;
  ResultGuard prepared(PQprepare(conn_, "", probe.c_str(), 0, nullptr));
  if (PQresultStatus(prepared.res) == PGRES_COMMAND_OK) {
    ResultGuard described(PQdescribePrepared(conn_, ""));
    if (PQresultStatus(described.res) == PGRES_COMMAND_OK) {
      for (int n : numbers) {
        types.push_back(n >= 1 && n <= PQnparams(described.res)
                            ? static_cast<uint32_t>(PQparamtype(described.res, n - 1))
                            : 0u);
      }
    }
  }
  if (inTransaction) {
    PQclear(PQexec(conn_, types.empty() ? "ROLLBACK TO SAVEPOINT vmgrid_probe"
                                        : "RELEASE SAVEPOINT vmgrid_probe"));
  }
  return types;
}

int64_t Session::Execute(const data::StatementRequest& request, data::ResultSink* sink) {
  EnsureConnected();
  data::StatementRequest limited = request;
  limited.timeoutSeconds = Limit(request.timeoutSeconds);
  WatchedSink watched(sink);
  try {
    return Run(limited, sink ? &watched : nullptr);
  } catch (const VMError&) {
    // The connection was gone before anything came back (a server restarted while
    // its socket still looked open): a read runs once more on a new connection, so
    // the user's next action after a restart succeeds. Writes are not repeated.
    if (PQstatus(conn_) == CONNECTION_OK || depth_ > 0 || watched.delivered || !Rereadable(request))
      throw;
    Connect();
    return Run(limited, sink);
  }
}

int64_t Session::Run(const data::StatementRequest& request, data::ResultSink* sink) {
  if (request.commandType == adCmdStoredProc) return RunProcedure(request, sink);
  return RunText(StatementText(request), request.parameters, request.maxRows,
                 request.timeoutSeconds, sink);
}

bool Session::Rereadable(const data::StatementRequest& request) {
  if (request.commandType == adCmdStoredProc) {
    const std::string name = UnbracketName(request.text);
    const std::optional<int> action = ActionOf(request.parameters);
    return IsOwnProcedure(name) && action && *action != 2 && *action != 3;
  }
  return request.commandType == adCmdTable || IsQuery(request.text) ||
         (request.commandType == adCmdUnknown &&
          TrimText(request.text).find_first_of(" \t\r\n;(") == std::string::npos);
}

int64_t Session::RunText(const std::string& text, std::vector<Parameter>* params, int32_t maxRows,
                         int timeoutSeconds, data::ResultSink* sink) {
  const Prepared p = Prepare(text, params);
  SetTimeout(timeoutSeconds);
  if (sink && p.order.empty() && IsQuery(p.sql))
    return RunCursor(p.sql, maxRows, timeoutSeconds, *sink);
  static const std::vector<Parameter> kNone;
  const ParameterValues v = Values(params ? *params : kNone, p.order);
  // The extended protocol takes exactly one statement: "x; DROP ..." is refused.
  ResultGuard res(ExecWaiting(conn_, p.sql, v));
  const ExecStatusType st = PQresultStatus(res.res);
  if (st == PGRES_TUPLES_OK) {
    if (sink) DeliverRows(res.res, DescribeColumns(res.res, sink), *sink, maxRows);
    return -1;
  }
  if (st != PGRES_COMMAND_OK)
    throw ResultError(conn_, res.res, timeoutSeconds, timeouts_.lockSeconds);
  const char* n = PQcmdTuples(res.res);
  return n && *n ? std::strtoll(n, nullptr, 10) : 0;
}

int64_t Session::RunCursor(const std::string& text, int32_t maxRows, int timeoutSeconds,
                           data::ResultSink& sink) {
  const bool own = PQtransactionStatus(conn_) == PQTRANS_IDLE;
  CursorRows rows(maxRows);
  auto expect = [&](PGresult* r, ExecStatusType status) {
    ResultGuard res(r);
    if (PQresultStatus(res.res) != status)
      throw ResultError(conn_, res.res, timeoutSeconds, timeouts_.lockSeconds);
    return std::exchange(res.res, nullptr);
  };
  if (own) Simple("BEGIN");
  try {
    PQclear(expect(rows.Declare(conn_, text, ParameterValues{}), PGRES_COMMAND_OK));
    const std::string first = rows.FetchText(0);
    PGresult* next =
        first.empty() ? nullptr : expect(ExecWaiting(conn_, first, {}), PGRES_TUPLES_OK);
    while (next) {
      ResultGuard res(std::exchange(next, nullptr));
      // The next batch is asked for before this one is stored: the server reads
      // while the client converts.
      const std::string ahead = rows.PrefetchText(res.res);
      if (!ahead.empty() && !PQsendQuery(conn_, ahead.c_str()))
        throw ResultError(conn_, nullptr, timeoutSeconds);
      rows.Deliver(res.res, sink);
      if (!ahead.empty()) next = expect(WaitForResult(conn_), PGRES_TUPLES_OK);
    }
    Simple(rows.CloseText().c_str());
    if (own) Simple("COMMIT");
  } catch (...) {
    if (PQstatus(conn_) == CONNECTION_OK) {
      // A batch asked for ahead is read to its end before anything else is sent.
      while (PGresult* r = PQgetResult(conn_)) PQclear(r);
      if (own) {
        PQclear(PQexec(conn_, "ROLLBACK"));
      } else if (PQtransactionStatus(conn_) == PQTRANS_INTRANS) {
        PQclear(PQexec(conn_, rows.CloseText().c_str()));
      }
    }
    throw;
  }
  return -1;
}

int64_t Session::RunProcedure(const data::StatementRequest& request, data::ResultSink* sink) {
  const std::string name = UnbracketName(request.text);
  std::vector<Parameter> none;
  std::vector<Parameter>& params = request.parameters ? *request.parameters : none;
  const bool own = IsOwnProcedure(name);
  if (own) {
    const std::string problem = store_.Problem();
    if (!problem.empty()) {
      LayoutCallWithoutStore(name, &params, sink, store_.LastKind() == StoreState::Kind::kMissing,
                             problem);
      return -1;
    }
  }
  SetTimeout(request.timeoutSeconds);

  // The procedure's arguments: name and mode ('i' in, 'o' out, 'b' in/out, 't' table column).
  const char* lookupValues[] = {name.c_str()};
  ResultGuard look(PQexecParams(
      conn_,
      "SELECT p.oid, p.proname, p.prokind, a.n, coalesce(a.m, 'i') FROM pg_catalog.pg_proc p "
      "LEFT JOIN LATERAL unnest(p.proargnames, p.proargmodes::text[]) WITH ORDINALITY "
      "AS a(n, m, o) ON true WHERE (p.proname = $1 OR lower(p.proname) = lower($1)) AND "
      "pg_catalog.pg_function_is_visible(p.oid) ORDER BY p.proname = $1 DESC, p.oid, a.o",
      1, nullptr, lookupValues, nullptr, nullptr, 0));
  if (PQresultStatus(look.res) != PGRES_TUPLES_OK) throw ResultError(conn_, look.res, 0);
  if (PQntuples(look.res) == 0) {
    throw VMError(errc::kRejectedStatement, kSource,
                  "Die Prozedur \"" + name + "\" ist in der Datenbank nicht vorhanden.");
  }
  const std::string oid = PQgetvalue(look.res, 0, 0);
  const std::string proname = PQgetvalue(look.res, 0, 1);
  const bool isProcedure = PQgetvalue(look.res, 0, 2)[0] == 'p';
  struct Arg {
    std::string name;
    char mode;
  };
  std::vector<Arg> args;
  for (int r = 0; r < PQntuples(look.res); ++r) {
    if (oid != PQgetvalue(look.res, r, 0) || PQgetisnull(look.res, r, 3)) continue;
    args.push_back(Arg{PQgetvalue(look.res, r, 3), PQgetvalue(look.res, r, 4)[0]});
  }
  auto findArg = [&](const std::string& param) -> const Arg* {
    const std::string bare = Lower(BareName(param));
    for (const Arg& a : args) {
      if ((a.mode == 'i' || a.mode == 'b' || a.mode == 'v') &&
          (Lower(a.name) == bare || Lower(a.name) == "p_" + bare))
        return &a;
    }
    return nullptr;
  };

  std::string call =
      std::string(isProcedure ? "CALL " : "SELECT * FROM ") + ServerName(proname) + "(";
  std::vector<size_t> order;
  for (size_t i = 0; i < params.size(); ++i) {
    if (!IsInput(params[i])) continue;
    const Arg* a = findArg(params[i].name);
    if (!a) {
      throw VMError(errc::kInvalidArgument, kSource,
                    "Die Prozedur \"" + proname + "\" hat keinen Parameter \"" +
                        BareName(params[i].name) + "\".");
    }
    if (!order.empty()) call += ", ";
    order.push_back(i);
    call += ServerName(a->name) + " => $" + std::to_string(order.size());
  }
  call += ")";
  const ParameterValues v = Values(params, order);
  ResultGuard res(ExecWaiting(conn_, call, v));
  const ExecStatusType st = PQresultStatus(res.res);
  if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
    throw ResultError(conn_, res.res, request.timeoutSeconds, timeouts_.lockSeconds);
  }
  if (st != PGRES_TUPLES_OK) return -1;
  const Columns columns = DescribeColumns(res.res, sink);
  // Output parameters come back as the result's columns of the same name.
  for (Parameter& p : params) {
    if (IsInput(p) && p.direction != adParamInputOutput) continue;
    const std::string bare = Lower(BareName(p.name));
    for (int c = 0; c < PQnfields(res.res); ++c) {
      const std::string column = Lower(PQfname(res.res, c));
      if (column != bare && column != "p_" + bare) continue;
      CellSink cell;
      if (PQntuples(res.res) > 0 && !PQgetisnull(res.res, 0, c)) {
        PutCell(cell, c, columns.kinds[static_cast<size_t>(c)], PQgetvalue(res.res, 0, c),
                PQgetlength(res.res, 0, c));
      }
      p.value = cell.value;
      break;
    }
  }
  if (sink) DeliverRows(res.res, columns, *sink, request.maxRows);
  return -1;
}

void Session::Begin() {
  EnsureConnected();
  if (depth_ == 0) {
    Simple("BEGIN");
  } else {
    const std::string sp = "SAVEPOINT vm_level" + std::to_string(depth_ + 1);
    Simple(sp.c_str());
  }
  ++depth_;
}

void Session::Commit() {
  if (depth_ == 0)
    throw VMError(errc::kOperationNotAllowed, kSource, "Es ist keine Transaktion offen.");
  if (PQstatus(conn_) != CONNECTION_OK) {
    depth_ = 0;
    throw ResultError(conn_, nullptr, 0);
  }
  if (depth_ == 1) {
    Simple("COMMIT");
  } else {
    const std::string sql = "RELEASE vm_level" + std::to_string(depth_);
    Simple(sql.c_str());
  }
  --depth_;
}

void Session::Rollback() {
  if (depth_ == 0)
    throw VMError(errc::kOperationNotAllowed, kSource, "Es ist keine Transaktion offen.");
  const int level = depth_--;
  if (PQstatus(conn_) != CONNECTION_OK) {
    depth_ = 0;  // the server rolled everything back when the connection went
    return;
  }
  if (level == 1) {
    Simple("ROLLBACK");
  } else {
    const std::string sql = "ROLLBACK TO vm_level" + std::to_string(level) + "; RELEASE vm_level" +
                            std::to_string(level);
    Simple(sql.c_str());
  }
}

}  // namespace vmbgrid::postgres
