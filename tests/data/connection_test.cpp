// Connection strings, providers, connections, commands and parameters.
#include <gtest/gtest.h>

#include "data/provider.h"
#include "host/error.h"
#include "tests/data/test_provider.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

TEST(Connection, OpenFailuresFillErrorsAndRaise) {
  testing::ResetTestDatabase();
  auto conn = data::DefaultDataAccess().CreateConnection();
  const VMError e = testing::Raised([&] { conn->Open("Provider=Nirgends;Data Source=x"); });
  EXPECT_EQ(e.Number(), errc::kProviderNotFound);
  EXPECT_EQ(e.Description(), "Der Provider \"Nirgends\" ist nicht bekannt.");
  ASSERT_EQ(conn->Errors().size(), 1u);
  EXPECT_EQ(conn->Errors()[0].description, e.Description());
  EXPECT_EQ(conn->State(), adStateClosed);

  EXPECT_EQ(testing::Raised([&] { conn->Open("Provider=Test;Data Source=missing.db"); }).Number(),
            errc::kProviderFailure);
  ASSERT_EQ(conn->Errors().size(), 1u);
  EXPECT_EQ(conn->Errors()[0].number, errc::kProviderFailure);

  conn->Open("provider=test;Data Source=a.db");
  EXPECT_EQ(conn->State(), adStateOpen);
  EXPECT_EQ(conn->Provider(), "Test");
  EXPECT_TRUE(conn->Errors().empty());
  EXPECT_EQ(testing::Raised([&] { conn->Open(); }).Number(), errc::kObjectOpen);
  EXPECT_EQ(testing::Raised([&] { conn->Execute("DROP EVERYTHING"); }).Number(),
            errc::kRejectedStatement);
  EXPECT_EQ(conn->Errors().size(), 1u);
  conn->Close();
  EXPECT_EQ(conn->State(), adStateClosed);
  EXPECT_EQ(testing::Raised([&] { conn->Execute("x"); }).Number(), errc::kObjectClosed);
}

}  // namespace
}  // namespace vmbgrid
