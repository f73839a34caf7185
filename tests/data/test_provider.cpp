#include "tests/data/test_provider.h"

#include "host/error.h"

namespace vmbgrid::testing {
namespace {

class TestSession final : public data::ProviderSession {
 public:
  TestSession() { ++TheTestDatabase().openSessions; }
  ~TestSession() override { --TheTestDatabase().openSessions; }
  std::string Dialect(const std::string& statement) const override { return statement; }
  int64_t Execute(const data::StatementRequest& request, data::ResultSink* sink) override {
    TestDatabase& db = TheTestDatabase();
    db.received.push_back(request.text);
    if (request.commandType == adCmdStoredProc) {
      auto it = db.procedures.find(request.text);
      if (it == db.procedures.end())
        throw VMError(errc::kRejectedStatement, "Test", "unknown procedure " + request.text);
      std::vector<Parameter> none;
      it->second(*this, request.parameters ? *request.parameters : none, sink);
      return 0;
    }
    if (auto it = db.results.find(request.text); it != db.results.end()) {
      if (sink) Deliver(it->second, *sink, request.maxRows);
      return 0;
    }
    if (auto it = db.commands.find(request.text); it != db.commands.end()) return it->second;
    throw VMError(errc::kRejectedStatement, "Test", "syntax error in " + request.text);
  }
  void Begin() override {}
  void Commit() override {}
  void Rollback() override {}
  std::string Name() const override { return "Test"; }
};

class TestProvider final : public data::Provider {
 public:
  std::string Name() const override { return "Test"; }
  std::unique_ptr<data::ProviderSession> Open(const data::ConnectionProperties& props) override {
    if (props.Get("Data Source") == "missing.db")
      throw VMError(errc::kProviderFailure, "Test", "Die Datei missing.db ist nicht vorhanden.");
    ++TheTestDatabase().opens;
    return std::make_unique<TestSession>();
  }
};

}  // namespace

TestDatabase& TheTestDatabase() {
  static TestDatabase db;
  return db;
}

TestDatabase& ResetTestDatabase() {
  static bool registered = false;
  if (!registered) {
    data::RegisterProvider(std::make_shared<TestProvider>());
    registered = true;
  }
  TestDatabase& db = TheTestDatabase();
  db.results.clear();
  db.commands.clear();
  db.procedures.clear();
  db.received.clear();
  db.opens = 0;
  return db;
}

void Deliver(const Table& t, data::ResultSink& sink, int32_t maxRows) {
  sink.SetColumns(t.columns);
  int32_t n = 0;
  for (const auto& row : t.rows) {
    if (maxRows > 0 && n++ >= maxRows) break;
    sink.BeginRow();
    for (size_t c = 0; c < row.size(); ++c) {
      const Cell& cell = row[c];
      int col = static_cast<int>(c);
      switch (cell.kind) {
        case Cell::Null:
          sink.PutNull(col);
          break;
        case Cell::Int:
          sink.PutInteger(col, cell.i);
          break;
        case Cell::Dbl:
          sink.PutDouble(col, cell.d);
          break;
        case Cell::Date:
          sink.PutDate(col, cell.d);
          break;
        case Cell::Text:
          sink.PutText(col, cell.s);
          break;
        case Cell::Blob:
          sink.PutBlob(col, cell.s);
          break;
      }
    }
    sink.EndRow();
  }
}

}  // namespace vmbgrid::testing
