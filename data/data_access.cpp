// The DataAccess of this layer: creates its connections, commands and recordsets.
#include <atomic>

#include "data/command_impl.h"
#include "data/connection_impl.h"
#include "data/provider.h"
#include "data/recordset_impl.h"

namespace vmbgrid::data {
namespace {

class DefaultDataAccessImpl final : public DataAccess {
 public:
  std::shared_ptr<Connection> CreateConnection() override {
    return std::make_shared<ConnectionImpl>();
  }
  std::shared_ptr<Command> CreateCommand() override { return std::make_shared<CommandImpl>(); }
  std::shared_ptr<Recordset> CreateRecordset() override {
    return std::make_shared<RecordsetImpl>();
  }
  void SetStatementWait(StatementWait* wait) override { TheWait().store(wait); }

  static std::atomic<StatementWait*>& TheWait() {
    static std::atomic<StatementWait*> wait{nullptr};
    return wait;
  }
};

}  // namespace

StatementWait* CurrentStatementWait() { return DefaultDataAccessImpl::TheWait().load(); }

DataAccess& DefaultDataAccess() {
  static DefaultDataAccessImpl instance;
  return instance;
}

}  // namespace vmbgrid::data
