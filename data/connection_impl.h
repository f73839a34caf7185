// The connection of the data-access layer: it opens a provider session and is the
// one door through which statements reach it, so the statement log and the error
// list see everything.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "data/provider.h"
#include "host/data_access.h"
#include "host/error.h"

namespace vmbgrid::data {

class ConnectionImpl final : public Connection,
                             public std::enable_shared_from_this<ConnectionImpl> {
 public:
  ConnectionImpl() = default;
  ~ConnectionImpl() override;

  std::string ConnectionString() const override { return connectionString_; }
  void ConnectionString(const std::string& text) override;
  int CursorLocation() const override { return cursorLocation_; }
  void CursorLocation(int location) override { cursorLocation_ = location; }
  void Open(const std::string& connectionString = "", const std::string& user = "",
            const std::string& password = "", int options = -1) override;
  void Close() override;
  int State() const override { return session_ ? adStateOpen : adStateClosed; }
  std::string Provider() const override { return providerName_; }
  const std::vector<ProviderError>& Errors() const override { return errors_; }
  void ClearErrors() override { errors_.clear(); }
  int64_t Execute(const std::string& statement) override;
  std::vector<std::string> TableNames() override;
  std::string TableName(const std::string& written) override;
  StoreRules* Store() override { return session_ ? session_->Store() : nullptr; }
  void SetStatementLog(StatementLog log) override { log_ = std::move(log); }
  void BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;

  // Runs a request through the session: logs the text (as the library wrote it,
  // before the provider's dialect), records a failure in Errors() and rethrows it.
  int64_t Run(const StatementRequest& request, ResultSink* sink);
  // Opens the request's rows for fetching in portions, logged as Run logs. When
  // the provider cannot, the statement runs whole into the sink here and null is
  // returned.
  std::unique_ptr<RowCursor> OpenCursor(const StatementRequest& request, ResultSink& sink,
                                        std::shared_ptr<std::atomic<bool>> cancel);
  // Records a failure of a cursor opened here, as a failed Run would.
  void RecordFailure(const VMError& e);

  // An open connection with exactly this connection string, if one exists.
  static std::shared_ptr<ConnectionImpl> FindOpen(const std::string& connectionString);

 private:
  friend class ConnectionLease;
  [[noreturn]] void Failed(const VMError& e);
  ProviderSession& OpenSession();
  // A transaction step on the open session; failures recorded as for statements.
  void OnSession(void (ProviderSession::*step)());
  void Register();
  void Unregister();

  std::string connectionString_;
  std::string registeredAs_;
  bool private_ = false;  // opened by a lease; never handed to others
  int cursorLocation_ = adUseServer;
  std::unique_ptr<ProviderSession> session_;
  std::string providerName_;
  std::vector<ProviderError> errors_;
  StatementLog log_;
};

// The connection a command or recordset works on: the given object, or an open one
// with the same connection string, or a private one opened for the time it is held.
class ConnectionLease {
 public:
  ConnectionLease() = default;
  ConnectionLease(const ConnectionLease&) = delete;
  ConnectionLease& operator=(const ConnectionLease&) = delete;
  ~ConnectionLease();

  // Raises VMError when the connection is missing, closed or cannot be opened.
  void Acquire(const std::shared_ptr<Connection>& connection, const std::string& connectionString);
  ConnectionImpl& Get() { return *conn_; }
  // The shared connection in use, or null when a private one was opened.
  std::shared_ptr<Connection> Shared() const { return owned_ ? nullptr : conn_; }
  // The connection, kept open by the caller from now on (a cursor still reading
  // from it); a private one closes when the last holder lets it go.
  std::shared_ptr<ConnectionImpl> Keep() {
    owned_ = false;
    return conn_;
  }

 private:
  std::shared_ptr<ConnectionImpl> conn_;
  bool owned_ = false;
};

}  // namespace vmbgrid::data
