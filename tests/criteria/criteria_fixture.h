// Shared set-up of the criteria tests: a recording message service and a short
// way to translate one criterion.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/data_access.h"
#include "host/platform.h"
#include "search/criteria.h"

namespace vmbgrid::search::testing {

class RecordingMessages : public MessageService {
 public:
  void ShowMessage(const std::string& text, int kind) override { shown.emplace_back(text, kind); }
  void MessageBox(const std::string& text) override { shown.emplace_back(text, 0); }
  std::vector<std::pair<std::string, int>> shown;
};

class CriteriaTest : public ::testing::Test {
 protected:
  void SetUp() override { Platform::Install(&messages_); }
  void TearDown() override { Platform::Reset(); }

  std::string Cond(const std::string& field, const Variant& value, int32_t type, int kind = 2) {
    CriteriaContext ctx;
    ctx.databaseKind = kind;
    if (!valueList_.empty()) {
      ctx.untranslate = [this](const std::string&, const std::string& text) {
        auto it = valueList_.find(text);
        return it == valueList_.end() ? text : it->second;
      };
    }
    return BuildSearchCondition(field, value, type, ctx);
  }

  // The first line of the message of a criterion the column refuses ("" when it is
  // taken); the second line names the column and what was typed.
  std::string Refusal(const std::string& field, const Variant& value, int32_t type, int kind = 2) {
    try {
      Cond(field, value, type, kind);
    } catch (const CriterionRejected& e) {
      const std::string& text = e.Description();
      EXPECT_NE(text.find("\r\nSpalte " + field + ", Suchkriterium '"), std::string::npos) << text;
      return text.substr(0, text.find("\r\n"));
    }
    return {};
  }

  // The one message shown since the last call, or "" when none; fails on more.
  std::string TakeMessage() {
    if (messages_.shown.empty()) return {};
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown.front().second, 3);
    std::string text = messages_.shown.front().first;
    messages_.shown.clear();
    return text;
  }

  RecordingMessages messages_;
  std::map<std::string, std::string> valueList_;  // displayed -> stored
};

}  // namespace vmbgrid::search::testing
