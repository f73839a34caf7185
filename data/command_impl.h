// The command of the data-access layer: a statement or procedure with named
// parameters, run on a connection given as object or by connection string.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/connection_impl.h"
#include "data/provider.h"
#include "host/data_access.h"

namespace vmbgrid::data {

class CommandImpl final : public Command {
 public:
  std::string CommandText() const override { return text_; }
  void CommandText(const std::string& text) override { text_ = text; }
  int CommandType() const override { return type_; }
  void CommandType(int type) override;
  int CommandTimeout() const override { return timeout_; }
  void CommandTimeout(int seconds) override;
  bool Prepared() const override { return prepared_; }
  void Prepared(bool prepared) override { prepared_ = prepared; }

  void ActiveConnection(const std::string& connectionString) override;
  void ActiveConnection(std::shared_ptr<Connection> connection) override;
  std::shared_ptr<Connection> ActiveConnection() const override;

  void AppendParameter(const Parameter& p) override;
  int ParameterCount() const override { return static_cast<int>(params_.size()); }
  Parameter& ParameterAt(int index) override;
  Parameter& ParameterByName(std::string_view name) override;

  std::shared_ptr<Recordset> Execute() override;

  // Runs the command with its rows going to sink (may be null); output parameters
  // are written back. Used by Execute and by recordsets opened on the command.
  int64_t Run(ResultSink* sink, int32_t maxRows);
  // Opens the command's rows for fetching in portions (see ConnectionImpl::OpenCursor);
  // `held` keeps the connection the cursor reads from.
  std::unique_ptr<RowCursor> OpenCursor(ResultSink& sink, int32_t maxRows,
                                        std::shared_ptr<std::atomic<bool>> cancel,
                                        std::shared_ptr<ConnectionImpl>& held);
  const std::string& ConnectionStringUsed() const { return connectionString_; }

 private:
  int FindParameter(std::string_view name) const;
  // The request the command runs; raises when it has no text.
  StatementRequest Request(int32_t maxRows);

  std::string text_;
  int type_ = adCmdUnknown;
  int timeout_ = 30;
  bool prepared_ = false;
  std::shared_ptr<Connection> connection_;
  std::string connectionString_;
  std::vector<Parameter> params_;
};

}  // namespace vmbgrid::data
