#include "data/connection_impl.h"

#include <map>

#include "host/error.h"

namespace vmbgrid::data {
namespace {

// Open connections by connection string. Weak, so that the registry never keeps a
// connection alive; the newest open connection of a string wins.
struct Registry {
  std::mutex mutex;
  std::map<std::string, std::vector<std::weak_ptr<ConnectionImpl>>> open;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

const char* kSource = "VMBGrid.Connection";

}  // namespace

ConnectionImpl::~ConnectionImpl() {
  Unregister();
  session_.reset();
}

void ConnectionImpl::ConnectionString(const std::string& text) {
  if (session_) {
    throw VMError(
        errc::kObjectOpen, kSource,
        "Die Verbindungszeichenfolge kann bei geöffneter Verbindung nicht geändert werden.");
  }
  connectionString_ = text;
}

void ConnectionImpl::Failed(const VMError& e) {
  errors_.clear();
  errors_.push_back(ProviderError{e.Number(), e.Source(), e.Description(), ""});
  throw e;
}

void ConnectionImpl::Open(const std::string& connectionString, const std::string& user,
                          const std::string& password, int /*options*/) {
  if (session_) {
    throw VMError(errc::kObjectOpen, kSource, "Die Verbindung ist bereits geöffnet.");
  }
  errors_.clear();
  if (!connectionString.empty()) connectionString_ = connectionString;
  try {
    ConnectionProperties props = ConnectionProperties::Parse(connectionString_);
    if (!user.empty()) props.Set("User ID", user);
    if (!password.empty()) props.Set("Password", password);
    std::string name = props.Get("Provider");
    if (name.empty()) {
      throw VMError(errc::kProviderNotFound, kSource,
                    "Die Verbindungszeichenfolge nennt keinen Provider.");
    }
    std::shared_ptr<data::Provider> provider = FindProvider(name);
    if (!provider) {
      throw VMError(errc::kProviderNotFound, kSource,
                    "Der Provider \"" + name + "\" ist nicht bekannt.");
    }
    std::unique_ptr<ProviderSession> session = provider->Open(props);
    if (!session) {
      throw VMError(errc::kProviderFailure, kSource,
                    "Der Provider \"" + name + "\" hat keine Verbindung geöffnet.");
    }
    providerName_ = session->Name();
    session_ = std::move(session);
  } catch (const VMError& e) {
    Failed(e);
  }
  Register();
}

void ConnectionImpl::Close() {
  Unregister();
  session_.reset();
  providerName_.clear();
}

int64_t ConnectionImpl::Execute(const std::string& statement) {
  StatementRequest request;
  request.text = statement;
  request.commandType = adCmdText;
  return Run(request, nullptr);
}

std::vector<std::string> ConnectionImpl::TableNames() {
  ProviderSession& session = OpenSession();
  try {
    return session.TableNames();
  } catch (const VMError& e) {
    Failed(e);
  }
}

std::string ConnectionImpl::TableName(const std::string& written) {
  ProviderSession& session = OpenSession();
  try {
    return session.TableName(written);
  } catch (const VMError& e) {
    Failed(e);
  }
}

ProviderSession& ConnectionImpl::OpenSession() {
  if (!session_) {
    VMError e(errc::kObjectClosed, kSource,
              "Der Vorgang ist bei geschlossener Verbindung nicht zulässig.");
    Failed(e);
  }
  return *session_;
}

int64_t ConnectionImpl::Run(const StatementRequest& request, ResultSink* sink) {
  ProviderSession& session = OpenSession();
  if (log_) log_(request.text);
  try {
    return session.Execute(request, sink);
  } catch (const VMError& e) {
    Failed(e);
  }
}

std::unique_ptr<RowCursor> ConnectionImpl::OpenCursor(const StatementRequest& request,
                                                      ResultSink& sink,
                                                      std::shared_ptr<std::atomic<bool>> cancel) {
  ProviderSession& session = OpenSession();
  if (log_) log_(request.text);
  try {
    auto cursor = session.OpenCursor(request, std::move(cancel));
    if (!cursor) session.Execute(request, &sink);
    return cursor;
  } catch (const VMError& e) {
    Failed(e);
  }
}

void ConnectionImpl::RecordFailure(const VMError& e) {
  errors_.clear();
  errors_.push_back(ProviderError{e.Number(), e.Source(), e.Description(), ""});
}

void ConnectionImpl::OnSession(void (ProviderSession::*step)()) {
  ProviderSession& session = OpenSession();
  try {
    (session.*step)();
  } catch (const VMError& e) {
    Failed(e);
  }
}

void ConnectionImpl::BeginTrans() { OnSession(&ProviderSession::Begin); }
void ConnectionImpl::CommitTrans() { OnSession(&ProviderSession::Commit); }
void ConnectionImpl::RollbackTrans() { OnSession(&ProviderSession::Rollback); }

void ConnectionImpl::Register() {
  if (private_) return;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  registeredAs_ = connectionString_;
  auto& list = r.open[registeredAs_];
  std::erase_if(list, [](const std::weak_ptr<ConnectionImpl>& w) { return w.expired(); });
  // Connections not created through make_shared cannot be found again; that is harmless.
  std::weak_ptr<ConnectionImpl> self = weak_from_this();
  if (!self.expired()) list.push_back(self);
}

void ConnectionImpl::Unregister() {
  if (private_) return;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.open.find(registeredAs_);
  if (it == r.open.end()) return;
  std::erase_if(it->second, [this](const std::weak_ptr<ConnectionImpl>& w) {
    auto p = w.lock();
    return !p || p.get() == this;
  });
  if (it->second.empty()) r.open.erase(it);
}

std::shared_ptr<ConnectionImpl> ConnectionImpl::FindOpen(const std::string& connectionString) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.open.find(connectionString);
  if (it == r.open.end()) return nullptr;
  for (auto w = it->second.rbegin(); w != it->second.rend(); ++w) {
    auto p = w->lock();
    if (p && p->State() == adStateOpen) return p;
  }
  return nullptr;
}

// ---- ConnectionLease ----

ConnectionLease::~ConnectionLease() {
  if (owned_ && conn_) conn_->Close();
}

void ConnectionLease::Acquire(const std::shared_ptr<Connection>& connection,
                              const std::string& connectionString) {
  if (connection) {
    conn_ = std::dynamic_pointer_cast<ConnectionImpl>(connection);
    if (!conn_) {
      throw VMError(errc::kObjectRequired, "VMBGrid.Connection",
                    "Die Verbindung stammt nicht aus dieser Datenzugriffsschicht.");
    }
    if (conn_->State() == adStateOpen) return;
    conn_.reset();
    // A connection found by string may have been closed since; the string still serves.
    if (connectionString.empty()) {
      throw VMError(errc::kObjectClosed, "VMBGrid.Connection",
                    "Der Vorgang ist bei geschlossener Verbindung nicht zulässig.");
    }
  }
  if (connectionString.empty()) {
    throw VMError(errc::kObjectClosed, "VMBGrid.Connection", "Es ist keine Verbindung angegeben.");
  }
  conn_ = ConnectionImpl::FindOpen(connectionString);
  if (conn_) return;
  // A private connection, not registered: nobody else should run on it.
  auto own = std::make_shared<ConnectionImpl>();
  own->private_ = true;
  own->ConnectionString(connectionString);
  own->Open();
  conn_ = std::move(own);
  owned_ = true;
}

}  // namespace vmbgrid::data
