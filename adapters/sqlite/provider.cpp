// Registration of the SQLite provider and of its named procedures.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "adapters/sqlite/internal.h"
#include "host/error.h"

namespace vmbgrid::sqlite {

namespace {

class SqliteProvider final : public data::Provider {
 public:
  std::string Name() const override { return "SQLite"; }
  std::unique_ptr<data::ProviderSession> Open(const data::ConnectionProperties& props) override {
    return std::make_unique<Session>(props);
  }
};

std::string Key(const std::string& name) {
  std::string k = name;
  for (char& c : k) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return k;
}

struct Procedures {
  std::mutex mutex;
  std::map<std::string, data::ProcedureBody> bodies;
};

Procedures& ProcedureTable() {
  static Procedures table;
  return table;
}

}  // namespace

void Register() {
  // Looked up each time rather than remembered, so that a registry emptied by a
  // test gets the provider back.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::shared_ptr<data::Provider> existing;
  try {
    existing = data::FindProvider("SQLite");
  } catch (const VMError&) {
  }
  if (!existing) data::RegisterProvider(std::make_shared<SqliteProvider>());
  if (!HasProcedure("aa_gridlayout") || !HasProcedure("aa_gridlayoutfield")) {
    RegisterLayoutProcedures();
  }
}

void RegisterProcedure(const std::string& name, data::ProcedureBody body) {
  Procedures& t = ProcedureTable();
  std::lock_guard lock(t.mutex);
  t.bodies[Key(name)] = std::move(body);
}

void UnregisterProcedure(const std::string& name) {
  Procedures& t = ProcedureTable();
  std::lock_guard lock(t.mutex);
  t.bodies.erase(Key(name));
}

bool HasProcedure(const std::string& name) {
  Procedures& t = ProcedureTable();
  std::lock_guard lock(t.mutex);
  return t.bodies.count(Key(name)) != 0;
}

data::ProcedureBody FindProcedure(const std::string& name) {
  Procedures& t = ProcedureTable();
  std::lock_guard lock(t.mutex);
  auto it = t.bodies.find(Key(name));
  return it == t.bodies.end() ? data::ProcedureBody() : it->second;
}

std::string ConnectionStringForFile(const std::string& path) {
  std::string quoted;
  for (char c : path) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}

}  // namespace vmbgrid::sqlite
