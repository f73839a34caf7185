#include "tests/data/test_provider.h"

#include "host/error.h"

namespace vmbgrid::testing {
namespace {

TestDatabase& TheTestDatabase() {
  static TestDatabase db;
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
      const int col = static_cast<int>(c);
      // clang-format off
      switch (cell.kind) {
        case Cell::Null: sink.PutNull(col); break;
        case Cell::Int: sink.PutInteger(col, cell.i); break;
        case Cell::Dbl: sink.PutDouble(col, cell.d); break;
        case Cell::Text: sink.PutText(col, cell.s); break;
      }
      // clang-format on
    }
    sink.EndRow();
  }
}

class TestSession final : public data::ProviderSession {
 public:
  std::string Dialect(const std::string& statement) const override { return statement; }
  int64_t Execute(const data::StatementRequest& request, data::ResultSink* sink) override {
    TestDatabase& db = TheTestDatabase();
    if (auto it = db.results.find(request.text); it != db.results.end()) {
      if (sink) Deliver(it->second, *sink, request.maxRows);
      return 0;
    }
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
    return std::make_unique<TestSession>();
  }
};

}  // namespace

TestDatabase& ResetTestDatabase() {
  [[maybe_unused]] static const bool registered =
      (data::RegisterProvider(std::make_shared<TestProvider>()), true);
  TestDatabase& db = TheTestDatabase();
  db.results.clear();
  return db;
}

}  // namespace vmbgrid::testing
