// Internals shared by the PostgreSQL provider's translation units.
#pragma once

#include <libpq-fe.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "host/error.h"

namespace vmbgrid::postgres {

inline constexpr const char* kSource = "PostgreSQL";

// How a column's text is handed to the sink.
enum class Kind {
  kInteger,
  kDouble,
  kDecimal,
  kMoney,
  kDate,
  kTimestamp,
  kTime,
  kBool,
  kGuid,
  kBytes,
  kInterval,
  kText
};

Kind KindOf(uint32_t oid);

// Hands one cell (never null) to the sink by its column's kind. Text the kind cannot
// read (infinity, dates beyond the calendar) goes over as text, never dropped.
void PutCell(data::ResultSink& sink, int col, Kind kind, const char* value, int length);

// The text a parameter is sent as; false for Null.
bool ParameterText(const Parameter& p, std::string& out);

// The texts of the parameters $1, $2, ... (`order` indexes into `params`), and the
// pointers libpq takes (null for Null).
struct ParameterValues {
  std::vector<std::string> texts;
  std::vector<const char*> pointers;
};
ParameterValues Values(const std::vector<Parameter>& params, const std::vector<size_t>& order);

// SELECT, VALUES and TABLE statements can be read through a cursor.
bool IsQuery(const std::string& text);

// How each column of a result is handed to the sink.
struct Columns {
  std::vector<Kind> kinds;
};

// The reading side of a server-side cursor, the same for whole and progressive
// loads: the FETCH statements, the columns told with the first batch and the row
// limit. What a load hands to its sink therefore does not depend on how it loads.
class CursorRows {
 public:
  explicit CursorRows(int32_t maxRows);  // maxRows <= 0: every row
  // DECLAREs the cursor for the query with its parameters; the caller owns the result.
  PGresult* Declare(PGconn* conn, const std::string& query, const ParameterValues& values) const;
  // The FETCH of up to `portion` rows (0: a batch of the provider's size), within
  // the row limit.
  std::string FetchText(int32_t portion);
  // Hands the rows of the last FETCH's result to the sink, the columns before the
  // first batch; true when the load has no more rows.
  bool Deliver(const PGresult* res, data::ResultSink& sink);
  // The FETCH that follows the result in hand, to be sent before that result is
  // delivered so that the server reads the next batch while the client stores
  // this one; "" when the result is the last. Deliver then expects that batch.
  std::string PrefetchText(const PGresult* res);
  std::string CloseText() const { return "CLOSE " + name_; }

 private:
  std::string name_;
  int64_t remaining_;       // rows the limit still allows; -1 without one
  int32_t batch_ = 0;       // rows the last FETCH asked for
  int32_t prefetched_ = 0;  // rows the FETCH sent ahead asks for; 0 when none
  bool described_ = false;
  Columns columns_;
};

// A connection on libpq keywords, with the server's notices ("already exists,
// skipping") silenced; null, and the German reason in `error`, when there is none.
PGconn* ConnectWith(const std::vector<std::pair<std::string, std::string>>& keywords,
                    VMError* error);
// A connection of a tool of its own (setup, sample data) by connection string.
using ServerConnection = std::unique_ptr<PGconn, void (*)(PGconn*)>;
ServerConnection OpenServer(const std::string& connectionString, std::string& error);

// The result of the statement last sent on `conn`, read to its end; an error wins
// over rows. Once the wait is noticeable the host's StatementWait is told every few
// dozen milliseconds, and may cancel the statement (Esc behind another session's
// lock): the server then ends it, and ResultError says it was cancelled.
PGresult* WaitForResult(PGconn* conn);
// The result of the statement sent last, read to its end without telling the host;
// an error wins over rows.
PGresult* TakeResults(PGconn* conn);
// Sends one statement with its parameters and waits for it as WaitForResult does;
// null when it could not be sent.
PGresult* ExecWaiting(PGconn* conn, const std::string& sql, const ParameterValues& values);
// Whether the statement this thread waits for was cancelled at the user's request.
void MarkCancelledByUser(bool cancelled);

// German VMError for a failed result or connection. `timeoutSeconds` tells a
// cancelled statement that ran into its limit from one the server cancelled.
VMError ResultError(PGconn* conn, const PGresult* res, int timeoutSeconds, int lockSeconds = 0);
VMError ConnectError(PGconn* conn, const std::string& where);

// "host:port/dbname" of a connection, for messages (never the password).
std::string Describe(PGconn* conn);

// Frees a result however the scope is left.
struct ResultGuard {
  PGresult* res = nullptr;
  explicit ResultGuard(PGresult* r = nullptr) : res(r) {}
  ~ResultGuard() {
    if (res) PQclear(res);
  }
  ResultGuard(const ResultGuard&) = delete;
  ResultGuard& operator=(const ResultGuard&) = delete;
  void Reset(PGresult* r) {
    if (res) PQclear(res);
    res = r;
  }
};

// A table, view or materialized view of the catalog with its columns.
struct CatalogRelation {
  std::string schema;
  std::string name;
  bool visible = false;    // found through the search path without its schema
  bool qualified = false;  // named through its schema: written with it
  std::vector<std::string> columns;
  // "kunden", or "verkauf.auftraege" for one outside the search path.
  std::string Display() const;
  // The name in a statement: "kunden", "verkauf"."auftraege".
  std::string ServerText() const;
};

class Session;

// The layout and settings store as the session finds it (store.cpp): checked in
// the catalog, remembered once ready, asked again while not.
class StoreState final : public StoreRules {
 public:
  enum class Kind { kUnknown, kReady, kMissing, kOutdated, kNoRights };
  explicit StoreState(Session& session) : session_(session) {}
  std::string Login() override;
  std::string WriteRefusal(const std::string& owner) override;
  std::string Problem() override;
  Kind Check(PGconn* conn);
  Kind LastKind() const { return kind_; }
  // A new connection may be another login: everything is asked again.
  void Forget();

 private:
  Session& session_;
  Kind kind_ = Kind::kUnknown;
  std::string problem_;
  std::string login_;
  std::map<std::string, std::string> refusals_;
};

class Session final : public data::ProviderSession {
 public:
  explicit Session(const data::ConnectionProperties& props);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::string Dialect(const std::string& statement) const override;
  int64_t Execute(const data::StatementRequest& request, data::ResultSink* sink) override;
  // Progressive loads (cursor.cpp) read on a connection of their own.
  std::unique_ptr<data::RowCursor> OpenCursor(const data::StatementRequest& request,
                                              std::shared_ptr<std::atomic<bool>> cancel) override;
  void Begin() override;
  void Commit() override;
  void Rollback() override;
  std::vector<std::string> TableNames() override;
  std::string TableName(const std::string& written) override;
  StoreRules* Store() override;
  std::string Name() const override { return "PostgreSQL"; }

 private:
  class Cursor;
  // The statement text and its parameters as the server gets them ($1, $2, ...).
  struct Prepared {
    std::string sql;
    std::vector<size_t> order;
  };
  // A new connection on the session's keywords; null (and the reason in `error`)
  // when it cannot be had.
  PGconn* Dial(VMError* error);
  void Connect();
  // Reconnects a connection the server closed, unless a transaction was open on it.
  void EnsureConnected();
  int64_t Run(const data::StatementRequest& request, data::ResultSink* sink);
  // A statement that only reads, which may run again after the connection was lost.
  static bool Rereadable(const data::StatementRequest& request);
  // A command's timeout, or the connection string's default.
  int Limit(int seconds) const { return seconds > 0 ? seconds : timeouts_.statementSeconds; }
  void Configure();
  void Simple(const char* sql);
  void SetTimeout(int seconds);
  // The table of adCmdTable (and of a bare name with adCmdUnknown) read whole.
  std::string StatementText(const data::StatementRequest& request);
  // Refuses a second statement and applies the dialect.
  Prepared Prepare(const std::string& text, std::vector<Parameter>* params) const;
  // The type oids the server gives the probe's parameters `numbers`; empty when the
  // probe cannot be prepared.
  std::vector<uint32_t> ComparedTypes(const std::string& probe,
                                      const std::vector<int>& numbers) const;
  int64_t RunText(const std::string& text, std::vector<Parameter>* params, int32_t maxRows,
                  int timeoutSeconds, data::ResultSink* sink);
  int64_t RunCursor(const std::string& text, int32_t maxRows, int timeoutSeconds,
                    data::ResultSink& sink);
  int64_t RunProcedure(const data::StatementRequest& request, data::ResultSink* sink);
  // The names resolver (names.cpp): the catalog's relations whose names match
  // any of `names` without regard to case, with their columns.
  // `anyCase` false: exact names only.
  std::vector<CatalogRelation> CatalogRelations(const std::vector<std::string>& names,
                                                bool anyCase) const;
  std::optional<CatalogRelation> ResolveRelation(const std::string& schema, const std::string& name,
                                                 const std::vector<CatalogRelation>& rels) const;
  // A table as a host or user wrote it ("verkauf.auftraege", "[verkauf].[auftraege]").
  std::optional<CatalogRelation> FindRelation(const std::string& written) const;
  // The catalog's names for the statement's bracket names.
  NameMapping ResolveNames(const std::string& text) const;

  // A connection for the next progressive load, carrying the session's settings;
  // null when none can be had or the session's state cannot be carried over.
  PGconn* CursorConnection(int timeoutSeconds);
  // A cursor's connection, left idle after a clean end, kept for the next load.
  void KeepForCursors(PGconn* conn);
  // The session closes: open loads end (the next portion reports the closed
  // connection) and the kept connection goes.
  void EndCursors();

  std::vector<std::pair<std::string, std::string>> keywords_;
  Timeouts timeouts_;
  PGconn* conn_ = nullptr;
  PGconn* spare_ = nullptr;       // see KeepForCursors
  std::vector<Cursor*> cursors_;  // open progressive loads, closed with the session
  LikeFolding folding_ = LikeFolding::kIcu;
  int timeout_ = 0;                                 // statement_timeout in force, seconds
  mutable bool namesPrepared_[2] = {false, false};  // the resolver's two catalog queries
  StoreState store_{*this};
  friend class StoreState;
  int depth_ = 0;  // open Begin levels
};

// The store's setup script (schema.cpp) for the tables in `schema`.
std::string StoreScript(const std::string& schema, const StoreSetup& setup);

}  // namespace vmbgrid::postgres
