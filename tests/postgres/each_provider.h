// The fixture of the suites that run the same cases on SQLite and on the PostgreSQL
// test server: a fresh database of each (a file, or a database on the server), an
// open connection to it, and the headless platform with the data-access layer.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "adapters/headless/headless.h"
#include "adapters/postgres/postgres_provider.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "data/provider.h"
#include "host/platform.h"
#include "tests/postgres/pg_test_support.h"

namespace vmbgrid::pgtest {

class EachProvider : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    sqlite::Register();
    postgres::Register();
    platform_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    pg_ = GetParam() == "PostgreSQL";
    if (pg_) {
      VMBGRID_REQUIRE_POSTGRES();
      db_ = std::make_unique<Database>();
      cs_ = db_->ConnectionString();
    } else {
      file_ = std::filesystem::temp_directory_path() /
              ("vmbgrid_each_" + std::to_string(::getpid()) + ".db");
      std::filesystem::remove(file_);
      cs_ = "Provider=SQLite;Data Source=" + file_.string() + ";Mode=Create";
    }
    conn_ = Platform::Data().CreateConnection();
    conn_->Open(cs_);
  }
  void TearDown() override {
    if (conn_) conn_->Close();
    conn_.reset();
    ResetHeadlessPlatform();
    db_.reset();
    if (!file_.empty()) std::filesystem::remove(file_);
  }

  bool pg_ = false;
  std::string cs_;
  std::filesystem::path file_;
  std::unique_ptr<Database> db_;
  HeadlessPlatform* platform_ = nullptr;
  std::shared_ptr<Connection> conn_;
};

// Each suite that derives from the fixture runs once per provider.
#define VMBGRID_ON_EACH_PROVIDER(Suite)                                                 \
  INSTANTIATE_TEST_SUITE_P(Providers, Suite, ::testing::Values("SQLite", "PostgreSQL"), \
                           [](const ::testing::TestParamInfo<std::string>& p) { return p.param; })

}  // namespace vmbgrid::pgtest
