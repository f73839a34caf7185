// The throwaway test server (started by the CTest fixture, see CMakeLists.txt) and
// fresh databases on it. A machine without the server binaries skips these tests
// with the reason; VMBGRID_PG_TEST may name another server ("host=... user=...").
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "adapters/postgres/postgres_provider.h"
#include "data/provider.h"
#include "tests/support/recording_sink.h"

namespace vmbgrid::pgtest {

using vmbgrid::testing::RecordingSink;

// A provider session of its own on a connection string, without the data-access layer.
inline std::unique_ptr<data::ProviderSession> Session(const std::string& cs) {
  postgres::Register();
  return data::FindProvider("PostgreSQL")->Open(data::ConnectionProperties::Parse(cs));
}

// One statement on a session; its rows go to the sink.
inline int64_t Exec(data::ProviderSession& s, const std::string& sql,
                    data::ResultSink* sink = nullptr, int timeoutSeconds = 0) {
  const data::StatementRequest r{.text = sql, .timeoutSeconds = timeoutSeconds};
  return s.Execute(r, sink);
}

// The libpq text of the test server without a database, or "" with the reason.
inline std::string ServerConnInfo(std::string* why = nullptr) {
  if (const char* explicitInfo = std::getenv("VMBGRID_PG_TEST"); explicitInfo && *explicitInfo)
    return explicitInfo;
  const char* dir = std::getenv("VMBGRID_PG_TEST_DIR");
  std::string reason = "no PostgreSQL test server (run the tests through ctest, which starts one)";
  if (dir && *dir) {
    std::ifstream info(std::string(dir) + "/conninfo");
    std::string line;
    if (info && std::getline(info, line) && !line.empty()) return line;
    std::ifstream skipped(std::string(dir) + "/skipped");
    if (skipped && std::getline(skipped, line)) reason = line;
  }
  if (why) *why = reason;
  return std::string();
}

// Skips the current test when no server is there; the reason goes on the line.
#define VMBGRID_REQUIRE_POSTGRES()                                              \
  do {                                                                          \
    std::string why_;                                                           \
    if (::vmbgrid::pgtest::ServerConnInfo(&why_).empty()) GTEST_SKIP() << why_; \
  } while (0)

// Runs one statement of the test's own on a server connection: "" or the error, and
// into `value` the first value of its first row ("" without one).
inline std::string Admin(const std::string& conninfo, const std::string& sql,
                         std::string* value = nullptr) {
  PGconn* c = PQconnectdb(conninfo.c_str());
  std::string err;
  if (PQstatus(c) != CONNECTION_OK) {
    err = PQerrorMessage(c);
  } else {
    PGresult* r = PQexec(c, sql.c_str());
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) err = PQresultErrorMessage(r);
    if (value && st == PGRES_TUPLES_OK && PQntuples(r) > 0) *value = PQgetvalue(r, 0, 0);
    PQclear(r);
  }
  PQfinish(c);
  return err;
}

// The first value of a query's first row, "" on failure.
inline std::string Scalar(const std::string& conninfo, const std::string& sql) {
  std::string out;
  Admin(conninfo, sql, &out);
  return out;
}

// Whether `text` holds `part`; a failure shows both.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" lacks \"" << part << "\"";
}

// The logins of the tests that the server enforces rules for: two users, an
// administrator and one that may only read. Roles belong to the whole server and
// stay; creating them is safe when tests run side by side.
inline void EnsureLogins(const std::string& conninfo) {
  for (const char* login : {"anna", "bert", "chef", "leser"})
    Admin(conninfo, std::string("DO $l$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE "
                                "rolname = '") +
                        login + "') THEN CREATE ROLE " + login +
                        " LOGIN; END IF; EXCEPTION WHEN duplicate_object OR unique_violation "
                        "THEN NULL; END $l$");
}

// The server's log from `offset` on ("" without a log file), and its size.
inline std::string ServerLogFrom(std::streamoff offset) {
  const char* dir = std::getenv("VMBGRID_PG_TEST_DIR");
  std::ifstream log(std::string(dir ? dir : "/nonexistent") + "/server.log");
  log.seekg(offset);
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}
inline std::streamoff ServerLogSize() {
  return static_cast<std::streamoff>(ServerLogFrom(0).size());
}

// Runs "pgbench -i" (scale 1: 100 000 accounts) on a database; "" or why not.
inline std::string PgBenchInit(const std::string& conninfo) {
  std::string bin;
  if (const char* env = std::getenv("VMBGRID_PG_BIN"); env && *env) bin = std::string(env) + "/";
  for (const char* v : {"17", "16", "15", "14", "13"}) {
    const std::string dir = std::string("/usr/lib/postgresql/") + v + "/bin/";
    if (bin.empty() && ::access((dir + "pgbench").c_str(), X_OK) == 0) bin = dir;
  }
  const std::string cmd = bin + "pgbench -i -q -s 1 \"" + conninfo + "\" >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 ? std::string() : "pgbench -i failed: " + cmd;
}

// A database of its own for one test, dropped afterwards.
class Database {
 public:
  Database() {
    server_ = ServerConnInfo();
    if (server_.empty()) return;
    name_ = "vmbgrid_t" + std::to_string(::getpid()) + "_" + std::to_string(counter_++);
    Admin(server_ + " dbname=postgres", "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    const std::string err = Admin(server_ + " dbname=postgres", "CREATE DATABASE " + name_);
    if (!err.empty()) ADD_FAILURE() << err;
  }
  ~Database() {
    if (!name_.empty())
      Admin(server_ + " dbname=postgres", "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // libpq text of this database.
  std::string ConnInfo() const { return server_ + " dbname=" + name_; }
  // The library's connection string of this database, as the test server's
  // administrator or as another login.
  std::string ConnectionString(const std::string& login = "") const {
    return "Provider=PostgreSQL;Data Source=\"" + ConnInfo() +
           (login.empty() ? "" : " user=" + login) + "\"";
  }
  // The layout store set up as an administrator sets it up; "" or the message.
  std::string SetupStore(const postgres::StoreSetup& setup = {}) const {
    return postgres::SetupStore(ConnectionString(), setup);
  }
  std::string Exec(const std::string& sql) const { return Admin(ConnInfo(), sql); }
  std::string Value(const std::string& sql) const { return Scalar(ConnInfo(), sql); }

 private:
  static inline int counter_ = 0;
  std::string server_;
  std::string name_;
};

// A test on the test server, with a database of its own.
struct OnServer : ::testing::Test {
  void SetUp() override { VMBGRID_REQUIRE_POSTGRES(); }
  Database db;
};

// A server of the test's own (scripts/pg-test-server.sh, named by VMBGRID_PG_SCRIPT),
// so that killing it disturbs no other test; stopped and removed when it goes.
// Skip() is the reason to skip when it cannot run here, else "".
class OwnServer {
 public:
  explicit OwnServer(const std::string& tag) {
    const char* script = std::getenv("VMBGRID_PG_SCRIPT");
    if (!script) {
      skip_ = "VMBGRID_PG_SCRIPT not set (run through ctest)";
      return;
    }
    dir_ = "/tmp/vmbgrid-" + tag + "-" + std::to_string(::getpid());
    sh_ = std::string("bash ") + script;
    if (std::system((sh_ + " start " + dir_ + " >/dev/null").c_str()) != 0) {
      skip_ = "the server did not start";
      ADD_FAILURE() << skip_;
      return;
    }
    std::getline(std::ifstream(dir_ + "/skipped"), skip_);  // the reason the script gave
  }
  ~OwnServer() {
    if (!dir_.empty()) (void)std::system((sh_ + " stop " + dir_).c_str());
  }
  OwnServer(const OwnServer&) = delete;
  OwnServer& operator=(const OwnServer&) = delete;

  const std::string& Skip() const { return skip_; }
  std::string ConnInfo() const {
    return "host=" + dir_ + " port=5432 user=vmbgrid dbname=postgres";
  }
  // Kills the server as a crash or a pulled cable would, and starts it again.
  bool Halt() const { return std::system((sh_ + " halt " + dir_).c_str()) == 0; }
  bool Resume() const { return std::system((sh_ + " resume " + dir_).c_str()) == 0; }

 private:
  std::string dir_, sh_, skip_;
};

}  // namespace vmbgrid::pgtest
