#include "data/command_impl.h"

#include "data/connection_impl.h"
#include "data/recordset_impl.h"
#include "data/row_store.h"
#include "data/text_rules.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

const char* kSource = "VMBGrid.Command";

// Parameter names compare without regard to case and without the "@" or ":" that
// some callers write in front.
std::string ParameterKey(std::string_view name) {
  while (!name.empty() && (name.front() == '@' || name.front() == ':')) name.remove_prefix(1);
  return FoldText(name);
}

}  // namespace

void CommandImpl::CommandType(int type) {
  if (type != adCmdText && type != adCmdTable && type != adCmdStoredProc && type != adCmdUnknown &&
      type != adCmdUnspecified) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Der Befehlstyp " + std::to_string(type) + " ist nicht zulässig.");
  }
  type_ = type;
}

void CommandImpl::CommandTimeout(int seconds) {
  if (seconds < 0) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Die Zeitüberschreitung darf nicht negativ sein.");
  }
  timeout_ = seconds;
}

void CommandImpl::ActiveConnection(const std::string& connectionString) {
  connection_.reset();
  connectionString_ = connectionString;
}

void CommandImpl::ActiveConnection(std::shared_ptr<Connection> connection) {
  connection_ = std::move(connection);
  connectionString_ = connection_ ? connection_->ConnectionString() : std::string();
}

std::shared_ptr<Connection> CommandImpl::ActiveConnection() const {
  if (connection_) return connection_;
  if (connectionString_.empty()) return nullptr;
  return ConnectionImpl::FindOpen(connectionString_);
}

int CommandImpl::FindParameter(std::string_view name) const {
  std::string key = ParameterKey(name);
  for (size_t i = 0; i < params_.size(); ++i)
    if (ParameterKey(params_[i].name) == key) return static_cast<int>(i);
  return -1;
}

void CommandImpl::AppendParameter(const Parameter& p) {
  int i = p.name.empty() ? -1 : FindParameter(p.name);
  if (i >= 0)
    params_[static_cast<size_t>(i)] = p;
  else
    params_.push_back(p);
}

Parameter& CommandImpl::ParameterAt(int index) {
  if (index < 0 || index >= ParameterCount()) {
    throw VMError(errc::kItemNotFound, kSource,
                  "Der Parameter mit der Nummer " + std::to_string(index) +
                      " ist in dieser Auflistung nicht vorhanden.");
  }
  return params_[static_cast<size_t>(index)];
}

Parameter& CommandImpl::ParameterByName(std::string_view name) {
  int i = FindParameter(name);
  if (i < 0) {
    throw VMError(
        errc::kItemNotFound, kSource,
        "Der Parameter \"" + std::string(name) + "\" ist in dieser Auflistung nicht vorhanden.");
  }
  return params_[static_cast<size_t>(i)];
}

StatementRequest CommandImpl::Request(int32_t maxRows) {
  if (text_.empty()) {
    throw VMError(errc::kInvalidArgument, kSource, "Der Befehl enthält keinen Text.");
  }
  StatementRequest request;
  request.text = text_;
  request.commandType = type_ == adCmdUnspecified ? adCmdUnknown : type_;
  request.parameters = &params_;
  request.maxRows = maxRows;
  request.timeoutSeconds = timeout_;
  return request;
}

int64_t CommandImpl::Run(ResultSink* sink, int32_t maxRows) {
  const StatementRequest request = Request(maxRows);
  ConnectionLease lease;
  lease.Acquire(connection_, connectionString_);
  return lease.Get().Run(request, sink);
}

std::unique_ptr<RowCursor> CommandImpl::OpenCursor(ResultSink& sink, int32_t maxRows,
                                                   std::shared_ptr<std::atomic<bool>> cancel,
                                                   std::shared_ptr<ConnectionImpl>& held) {
  const StatementRequest request = Request(maxRows);
  ConnectionLease lease;
  lease.Acquire(connection_, connectionString_);
  auto cursor = lease.Get().OpenCursor(request, sink, std::move(cancel));
  if (cursor) held = lease.Keep();
  return cursor;
}

std::shared_ptr<Recordset> CommandImpl::Execute() {
  auto store = std::make_shared<RowStore>();
  StoreSink sink(*store);
  Run(&sink, 0);
  auto rs = std::make_shared<RecordsetImpl>();
  rs->CursorLocation(adUseClient);
  if (sink.HasColumns()) {
    sink.Finish();
    rs->OpenOnStore(std::move(store), text_, adLockReadOnly);
  }
  return rs;
}

}  // namespace vmbgrid::data
