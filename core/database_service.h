// Core database service: the kind of a connection and stored-procedure commands.
#pragma once

#include <memory>
#include <string>

#include "host/data_access.h"
#include "host/variant.h"

namespace vmbgrid::core {

class DatabaseService {
 public:
  // 1 = "#" date delimiters and signed booleans (desktop database engines);
  // 2 = SQLite; 3 = PostgreSQL; 0 = unknown or no connection.
  int DatabaseKind(const Connection* connection) const;
  // A command of type stored procedure on the connection string.
  std::shared_ptr<Command> CreateProcedureCommand(const std::string& procedure,
                                                  const std::string& connectionString) const;
  void SetCommandParameter(Command& command, const std::string& name, const Variant& value,
                           int direction = adParamInput) const;
  // A parameter named and typed after a field (name, type, size) with its value.
  void AddParameterFromField(Command& command, const std::string& name, int32_t type, int32_t size,
                             const Variant& value, int direction) const;
};

}  // namespace vmbgrid::core
