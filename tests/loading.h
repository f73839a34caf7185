// Opening a command's rows as the controller opens its result, whole or
// progressively, for the loading tests of every provider.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/data_access.h"
#include "host/platform.h"

namespace vmbgrid::testing {

// A client recordset over the command, read-only, with the row limit; a progressive
// one holds the first rows and is still fetching.
inline std::shared_ptr<Recordset> OpenLoad(const std::shared_ptr<Command>& cmd, bool progressive,
                                           int32_t maxRecords = 0) {
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->MaxRecords(maxRecords);
  rs->Open(cmd, adOpenKeyset, adLockReadOnly, progressive ? adAsyncFetch : -1);
  return rs;
}

// The same for a statement without a time limit on a connection (or connection string).
template <class ConnectionOrString>
std::shared_ptr<Recordset> OpenLoad(const std::string& statement, const ConnectionOrString& on,
                                    bool progressive, int32_t maxRecords = 0) {
  auto cmd = Platform::Data().CreateCommand();
  cmd->CommandText(statement);
  cmd->CommandType(adCmdText);
  cmd->CommandTimeout(0);
  cmd->ActiveConnection(on);
  return OpenLoad(cmd, progressive, maxRecords);
}

}  // namespace vmbgrid::testing
