// Internals shared by the PostgreSQL provider's translation units.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
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
  kMoney,
  kDate,
  kTimestamp,
  kTime,
  kBool,
  kGuid,
  kBytes,
  kText
};

Kind KindOf(uint32_t oid);

// Hands one cell (never null) to the sink by its column's kind. Text the kind cannot
// read (infinity, dates beyond the calendar) goes over as text, never dropped.
void PutCell(data::ResultSink& sink, int col, Kind kind, const char* value, int length);

// The text a parameter is sent as; false for Null.
bool ParameterText(const Parameter& p, std::string& out);

// German VMError for a failed result or connection. `timeoutSeconds` tells a
// cancelled statement that ran into its limit from one the server cancelled.
VMError ResultError(PGconn* conn, const PGresult* res, int timeoutSeconds);
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

class Session final : public data::ProviderSession {
 public:
  explicit Session(const data::ConnectionProperties& props);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::string Dialect(const std::string& statement) const override;
  int64_t Execute(const data::StatementRequest& request, data::ResultSink* sink) override;
  void Begin() override;
  void Commit() override;
  void Rollback() override;
  std::string Name() const override { return "PostgreSQL"; }

 private:
  void Connect();
  void EnsureConnected();
  void Configure();
  void Simple(const char* sql);
  void SetTimeout(int seconds);
  int64_t RunText(const std::string& text, std::vector<Parameter>* params, int32_t maxRows,
                  int timeoutSeconds, data::ResultSink* sink);
  int64_t RunCursor(const std::string& text, int32_t maxRows, int timeoutSeconds,
                    data::ResultSink& sink);
  int64_t RunProcedure(const data::StatementRequest& request, data::ResultSink* sink);
  std::string TableName(const std::string& text);
  // The layout schema: installed (or brought up to date) in one transaction.
  int InstalledSchemaVersion();
  void InstallSchema();

  std::vector<std::pair<std::string, std::string>> keywords_;
  PGconn* conn_ = nullptr;
  LikeFolding folding_ = LikeFolding::kIcu;
  int timeout_ = 0;  // statement_timeout in force, seconds
  bool schemaChecked_ = false;
  int depth_ = 0;  // open Begin levels
};

// Text of the schema script (tables and the two layout functions).
const char* SchemaScript();

}  // namespace vmbgrid::postgres
