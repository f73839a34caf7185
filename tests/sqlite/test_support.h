// Helpers of the SQLite tests: a sink that records what the provider hands over,
// sessions on fresh databases, and checks of raised errors.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"
#include "host/sql_text.h"
#include "host/variant.h"
#include "tests/raised.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::sqlite::testing {

// One cell as handed over: the Put call ('n'ull, 'i'nteger, 'd'ouble, 'D'ate,
// 't'ext, 'b'lob) and the value.
struct Cell {
  char kind = '?';
  Variant value;
};

class RecordingSink : public data::ResultSink {
 public:
  std::vector<data::ColumnMeta> columns;
  std::vector<std::vector<Cell>> rows;
  int setColumnsCalls = 0;

  void SetColumns(std::vector<data::ColumnMeta> c) override {
    columns = std::move(c);
    ++setColumnsCalls;
  }
  void BeginRow() override { rows.emplace_back(columns.size()); }
  void PutNull(int col) override { rows.back().at(col) = {'n', Variant::Null()}; }
  void PutInteger(int col, int64_t v) override { rows.back().at(col) = {'i', Variant(v)}; }
  void PutDouble(int col, double v) override { rows.back().at(col) = {'d', Variant(v)}; }
  void PutDate(int col, double serial) override {
    rows.back().at(col) = {'D', Variant::Date(serial)};
  }
  void PutText(int col, std::string_view s) override { rows.back().at(col) = {'t', Variant(s)}; }
  void PutBlob(int col, std::string_view s) override { rows.back().at(col) = {'b', Variant(s)}; }
  void PutDecimal(int col, const Decimal& d) override { rows.back().at(col) = {'x', Variant(d)}; }
  void EndRow() override {}
};

inline std::unique_ptr<data::ProviderSession> OpenSession(const std::string& connectionString) {
  Register();
  auto provider = data::FindProvider("SQLite");
  if (!provider) throw std::runtime_error("SQLite provider not registered");
  return provider->Open(data::ConnectionProperties::Parse(connectionString));
}

inline std::unique_ptr<data::ProviderSession> MemorySession() {
  return OpenSession("Provider=SQLite;Data Source=:memory:");
}

inline int64_t Exec(data::ProviderSession& s, const std::string& sql,
                    data::ResultSink* sink = nullptr, std::vector<Parameter>* params = nullptr,
                    int32_t maxRows = 0) {
  data::StatementRequest r;
  r.text = sql;
  r.parameters = params;
  r.maxRows = maxRows;
  return s.Execute(r, sink);
}

// Set-up scripts of several statements, each run on its own (a query carries one).
inline void ExecScript(data::ProviderSession& s, std::string_view script) {
  size_t from = 0;
  while (from < script.size()) {
    const size_t end = sql::StatementEnd(script, from);
    const std::string one(script.substr(from, end - from));
    if (one.find_first_not_of(" \t\r\n") != std::string::npos) Exec(s, one);
    from = end + 1;
  }
}

// A fresh folder for files of one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("vmbgrid_sqlite_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

using vmbgrid::testing::Raised;

// The generated customer database, made once for the whole test program (tests that
// change it put it back), with the data-access platform installed for each test.
class SampleDatabase : public ::testing::Test {
 protected:
  static constexpr int kRows = 6000;
  static constexpr sampledb::Options kOptions{kRows, 3};

  static void SetUpTestSuite() {
    static TempDir dir;  // removed when the program ends
    if (!path.empty()) return;
    path = dir.File("kunden.db");
    ASSERT_EQ(sampledb::Generate(path, kOptions), "");
  }
  void SetUp() override {
    Register();
    Platform::Install(&data::DefaultDataAccess());
    connection = Platform::Data().CreateConnection();
    connection->Open(ConnectionString());
  }
  void TearDown() override { Platform::Reset(); }

  static std::string ConnectionString() { return "Provider=SQLite;Data Source=" + path; }

  static inline std::string path;
  std::shared_ptr<Connection> connection;
};

}  // namespace vmbgrid::sqlite::testing
