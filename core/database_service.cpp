// Core database service: which kind of database a connection reaches, and
// commands for stored procedures with their parameters.
#include "core/database_service.h"

#include <string_view>

#include "host/platform.h"

namespace vmbgrid::core {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string TrimQuotes(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    s = s.substr(1, s.size() - 2);
  }
  return std::string(s);
}

// The Provider= value of a connection string, for connections not yet open.
std::string ProviderOf(const std::string& connectionString) {
  size_t pos = 0;
  while (pos <= connectionString.size()) {
    size_t end = connectionString.find(';', pos);
    if (end == std::string::npos) end = connectionString.size();
    std::string_view part(connectionString.data() + pos, end - pos);
    const size_t eq = part.find('=');
    if (eq != std::string_view::npos && Lower(TrimQuotes(part.substr(0, eq))) == "provider") {
      return TrimQuotes(part.substr(eq + 1));
    }
    pos = end + 1;
  }
  return std::string();
}

std::string ParameterName(const std::string& name) {
  return !name.empty() && name[0] == '@' ? name : "@" + name;
}

int32_t TypeOfValue(const Variant& v, int32_t& size) {
  size = 0;
  switch (v.Type()) {
    case VarType::Int16:
      return adSmallInt;
    case VarType::Int32:
      return adInteger;
    case VarType::Int64:
      return adBigInt;
    case VarType::Single:
      return adSingle;
    case VarType::Double:
      return adDouble;
    case VarType::Date:
      return adDate;
    case VarType::Boolean:
      return adBoolean;
    case VarType::String:
      size = static_cast<int32_t>(v.StringRef().size() > 0 ? v.StringRef().size() : 1);
      return adVarWChar;
    default:
      return adVariant;
  }
}

Parameter* FindParameter(Command& command, const std::string& name) {
  const std::string wanted = Lower(name);
  for (int i = 0; i < command.ParameterCount(); ++i) {
    Parameter& p = command.ParameterAt(i);
    if (Lower(p.name) == wanted) return &p;
  }
  return nullptr;
}

}  // namespace

int DatabaseService::DatabaseKind(const Connection* connection) const {
  if (!connection) return 0;
  std::string provider = connection->Provider();
  if (provider.empty()) provider = ProviderOf(connection->ConnectionString());
  const std::string p = Lower(provider);
  if (p.empty()) return 0;
  if (p == "sqlite" || p.rfind("sqlite", 0) == 0) return 2;
  if (p.rfind("postgres", 0) == 0 || p == "pgsql" || p == "npgsql") return 3;
  // The desktop database engines: Jet and its successor ACE.
  if (p.find("jet.oledb") != std::string::npos || p.find("ace.oledb") != std::string::npos ||
      p == "jet" || p == "ace" || p == "access")
    return 1;
  return 0;
}

std::shared_ptr<Command> DatabaseService::CreateProcedureCommand(
    const std::string& procedure, const std::string& connectionString) const {
  std::shared_ptr<Command> cmd = Platform::Data().CreateCommand();
  cmd->CommandText(procedure);
  cmd->CommandType(adCmdStoredProc);
  cmd->CommandTimeout(0);
  cmd->Prepared(false);
  cmd->ActiveConnection(connectionString);
  return cmd;
}

void DatabaseService::SetCommandParameter(Command& command, const std::string& name,
                                          const Variant& value, int direction) const {
  const std::string full = ParameterName(name);
  if (Parameter* p = FindParameter(command, full)) {
    p->value = value;
    p->direction = direction;
    return;
  }
  Parameter p;
  p.name = full;
  p.type = TypeOfValue(value, p.size);
  p.direction = direction;
  p.value = value;
  command.AppendParameter(p);
}

void DatabaseService::AddParameterFromField(Command& command, const std::string& name, int32_t type,
                                            int32_t size, const Variant& value,
                                            int direction) const {
  Parameter p;
  p.name = ParameterName(name);
  p.type = type;
  p.size = size;
  p.direction = direction;
  p.value = value;
  command.AppendParameter(p);
}

}  // namespace vmbgrid::core
