// Provider interface of the data-access layer. A provider (SQLite, PostgreSQL)
// opens sessions on a data source, runs statements and hands the rows to the
// client-side recordset engine through a ResultSink, cell by cell in typed form,
// so that no per-cell object is created. Everything above this interface is
// provider-independent: navigation, filter, sort, find, bookmarks and clones.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/data_access.h"
#include "host/variant.h"

namespace vmbgrid::data {

// Column metadata of a result: name, data-type code and defined size; for exact
// numbers (currency, decimal, numeric) also the declared precision and scale
// (precision 0: none declared, each value keeps its own scale).
struct ColumnMeta {
  std::string name;
  int32_t type = adVariant;
  int32_t definedSize = 0;
  int32_t precision = 0;
  int32_t scale = 0;
};

// Receives one result. SetColumns comes first, then the rows.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void SetColumns(std::vector<ColumnMeta> columns) = 0;
  virtual void BeginRow() = 0;
  virtual void PutNull(int col) = 0;
  virtual void PutInteger(int col, int64_t value) = 0;
  virtual void PutDouble(int col, double value) = 0;
  virtual void PutDate(int col, double serial) = 0;  // automation date
  virtual void PutText(int col, std::string_view utf8) = 0;
  virtual void PutBlob(int col, std::string_view bytes) = 0;
  // An exact number, read from the source's text without a binary double.
  virtual void PutDecimal(int col, const Decimal& value) { PutText(col, value.ToText()); }
  virtual void EndRow() = 0;
};

// Key=Value pairs of a connection string; keys compare without regard to case.
class ConnectionProperties {
 public:
  // Parses "Provider=SQLite;Data Source=kunden.db"; values may be quoted with " or '.
  // A malformed string raises VMError with a clear message.
  static ConnectionProperties Parse(const std::string& text);
  std::string Get(const std::string& key, const std::string& fallback = "") const;
  bool Has(const std::string& key) const;
  void Set(const std::string& key, const std::string& value);
  const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// What a statement is run with.
struct StatementRequest {
  std::string text;
  int commandType = adCmdText;  // adCmdText, adCmdUnknown (table or statement), adCmdTable
  std::vector<Parameter>* parameters = nullptr;  // bound by name (":name", "@name") or position
  int32_t maxRows = 0;                           // 0 = all
  int timeoutSeconds = 0;                        // the command's timeout; 0 = no limit
};

// A named procedure of a provider that has none of its own (SQLite): it receives
// the session and the parameters, may run statements, set output parameters and
// deliver rows. It runs inside one transaction.
class ProviderSession;
using ProcedureBody =
    std::function<void(ProviderSession& session, std::vector<Parameter>& params, ResultSink* sink)>;

// The rows of one statement, fetched in portions (a progressive load). The
// statement stays open between portions on the session's thread; other statements
// may run on the session in between.
class RowCursor {
 public:
  enum class Status { kMore, kDone, kCancelled };
  virtual ~RowCursor() = default;
  // Hands up to maxRows further rows to the sink (SetColumns before the first
  // row). kCancelled when the cancel flag given to OpenCursor was set while the
  // portion ran. Failures raise VMError; the cursor is finished then.
  virtual Status Fetch(ResultSink& sink, int32_t maxRows) = 0;
};

class ProviderSession {
 public:
  virtual ~ProviderSession() = default;
  // The provider's dialect applied to a statement text of the library (for SQLite:
  // "SELECT TOP n ..." becomes "... LIMIT n"). Applied by Execute itself; exposed
  // so that logs and tests can see what is sent.
  virtual std::string Dialect(const std::string& statement) const = 0;
  // Runs a statement (or calls a procedure with adCmdStoredProc). Rows go to the sink
  // when it is not null. Returns the number of rows affected. Failures raise VMError:
  // errc::kRejectedStatement for a statement the engine rejects, other codes else.
  virtual int64_t Execute(const StatementRequest& request, ResultSink* sink) = 0;
  // Opens a statement for fetching in portions. The flag may be set from any
  // thread; a portion running then stops soon after (the engine is interrupted)
  // and reports kCancelled. Null when the provider fetches only whole results.
  virtual std::unique_ptr<RowCursor> OpenCursor(const StatementRequest& /*request*/,
                                                std::shared_ptr<std::atomic<bool>> /*cancel*/) {
    return nullptr;
  }
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // Connection::TableNames, TableName and Store, answered by the provider.
  virtual std::vector<std::string> TableNames() { return {}; }
  virtual std::string TableName(const std::string& written) { return written; }
  virtual StoreRules* Store() { return nullptr; }
  // Provider name as reported by Connection::Provider().
  virtual std::string Name() const = 0;
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::string Name() const = 0;  // the Provider= value, compared without case
  // Opens a session; failures (missing file, locked, bad properties) raise VMError.
  virtual std::unique_ptr<ProviderSession> Open(const ConnectionProperties& props) = 0;
};

// Process-wide provider registry.
void RegisterProvider(std::shared_ptr<Provider> provider);
std::shared_ptr<Provider> FindProvider(const std::string& name);

// The DataAccess implementation of this layer (connections, commands, recordsets).
DataAccess& DefaultDataAccess();
// Whom a provider tells while a statement waits on its data source (set by the host
// through DataAccess::SetStatementWait); null when nobody listens.
StatementWait* CurrentStatementWait();

}  // namespace vmbgrid::data
