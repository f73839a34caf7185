// Typed text never reaches the statement as structure: every condition is either
// well-formed with all user text inside literals, empty, or refused with VMError.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "criteria_fixture.h"
#include "host/error.h"

namespace vmbgrid::search::testing {
namespace {

// Replaces names by C and literals by L; false when a literal or name is unterminated.
bool Reduce(const std::string& cond, std::string& out) {
  out.clear();
  for (size_t i = 0; i < cond.size();) {
    const char c = cond[i];
    if (c == '\'' || c == '[') {
      const char close = c == '\'' ? '\'' : ']';
      size_t j = i + 1;
      // A doubled closing character stands for itself and does not close.
      while (j < cond.size() && (cond[j] != close || (j + 1 < cond.size() && cond[j + 1] == close)))
        j += cond[j] == close ? 2 : 1;
      if (j >= cond.size()) return false;
      out += c == '\'' ? 'L' : 'C';
      i = j + 1;
    } else if (c == '#') {
      size_t j = cond.find('#', i + 1);
      if (j == std::string::npos) return false;
      out += 'L';
      i = j + 1;
    } else {
      out += c;
      ++i;
    }
  }
  return true;
}

// Reads the reduced condition: C op value, joined by AND / OR, in one bracket.
class Shape {
 public:
  explicit Shape(std::string_view s) : s_(s) {}

  bool Single() {  // boolean and GUID form: C = number or C = L
    return Take("C = ") && (Take("L") || Number(false)) && AtEnd();
  }
  bool Bracketed() {
    if (!Take("(")) return false;
    do {
      if (!Comparison()) return false;
      if (Take(" AND ") && !Comparison()) return false;
    } while (Take(" OR "));
    return Take(")") && AtEnd();
  }

 private:
  bool Comparison() {
    if (!Take("C ")) return false;
    for (std::string_view o : {"LIKE ", ">= ", "<= ", "<> ", "= ", "> ", "< "})
      if (Take(o)) return Take("L") || Number(true);
    return false;
  }
  bool Number(bool withFraction) {
    Take("-");
    if (!Digits()) return false;
    if (withFraction && Take(".") && !Digits()) return false;
    if (withFraction && Take("e") && !((Take("+") || Take("-")) && Digits())) return false;
    return true;
  }
  bool Digits() {
    size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }
  bool Take(std::string_view t) {
    if (!s_.substr(pos_).starts_with(t)) return false;
    pos_ += t.size();
    return true;
  }
  bool AtEnd() const { return pos_ == s_.size(); }

  std::string_view s_;
  size_t pos_ = 0;
};

bool WellFormed(const std::string& cond) {
  std::string reduced;
  if (!Reduce(cond, reduced)) return false;
  return Shape(reduced).Single() || Shape(reduced).Bracketed();
}

class CriteriaSafetyTest : public CriteriaTest {
 protected:
  void ExpectRefused(const std::string& text, int32_t type, int kind = 2) {
    try {
      std::string cond = Cond("F", text, type, kind);
      ADD_FAILURE() << "accepted " << text << " as " << cond;
    } catch (const VMError& e) {
      EXPECT_EQ(e.Number(), errc::kTypeMismatch);
      EXPECT_EQ(e.Source(), "VMBGrid");
      EXPECT_NE(e.Description().find("in der Spalte F"), std::string::npos) << e.Description();
    }
  }
};

TEST_F(CriteriaSafetyTest, CheckerRejectsBrokenConditions) {
  EXPECT_TRUE(WellFormed("([F] = 'a''b' OR [F] >= 1.5 AND [F] <= 2)"));
  EXPECT_TRUE(WellFormed("[F] = -1"));
  for (const char* broken : {"([F] = 'a' OR 1=1)", "([F] = 'a'b')", "([F] = 1 OR 1=1)",
                             "( OR [F] = 'a')", "([F] = #1# OR 1=1 OR [F] LIKE #*#x)"})
    EXPECT_FALSE(WellFormed(broken)) << broken;
}

TEST_F(CriteriaSafetyTest, QuotesInTextAreDoubled) {
  EXPECT_EQ(Cond("Name", "O'Brien", adVarChar), "([Name] = 'O''Brien')");
  EXPECT_EQ(Cond("Name", "O'Br*", adVarChar), "([Name] LIKE 'O''Br*')");
  EXPECT_EQ(Cond("Name", "x' OR '1'='1", adVarChar), "([Name] = 'x'' OR ''1''=''1')");
  EXPECT_EQ(Cond("Name", "\"x' OR 'a'='a\"", adVarChar), "([Name] = 'x'' OR ''a''=''a')");
  EXPECT_EQ(Cond("Name", "'-'", adVarChar), "([Name] >= '''' AND [Name] <= '''')");
  EXPECT_EQ(Cond("Iban", "DE' OR '1'='1", vmFormattedText), "([Iban] = 'DE''OR''1''=''1')");
  EXPECT_EQ(Cond("Name", "'; DROP TABLE x", adVarChar),
            "([Name] = '''' OR [Name] = 'DROP TABLE x')");
  for (const char* text : {"') OR ('1'='1", "\\'", "a'*", "''''", "x' /*", "%' OR 'a' LIKE '%"}) {
    std::string cond = Cond("Name", text, adVarChar);
    EXPECT_TRUE(WellFormed(cond)) << text << " -> " << cond;
  }
  // Value-list keys come from the host, but are quoted the same way.
  valueList_ = {{"Ire", "O'Neill"}};
  EXPECT_EQ(Cond("Name", "Ire", adVarChar), "([Name] = 'O''Neill')");
}

TEST_F(CriteriaSafetyTest, NumbersAreValidatedAndWrittenCanonically) {
  for (int32_t type : {adSmallInt, adInteger, adSingle, adTinyInt, adBigInt, adDouble, vmLongNumber,
                       adCurrency, adDecimal, adNumeric})
    for (const char* text : {"1 OR 1=1", "1); DROP TABLE x", "1' OR '1'='1", "0x1F", "1e", "inf",
                             "nan", "1.2.3", "5 5", "1/0", "abc", ">", "<>", "1e5000", "٣",
                             "\"1 OR 1=1\"", ">=1 OR 1=1", "1 OR 1=1-5"})
      ExpectRefused(text, type);
  ExpectRefused("1,5 OR 1=1", adDouble);
  // Host-set numbers that are no numbers are refused as well.
  valueList_ = {{"Aktiv", "1 OR 1=1"}};
  ExpectRefused("Aktiv", adInteger);
}

TEST_F(CriteriaSafetyTest, DatesAreValidated) {
  for (int kind : {1, 2})
    for (const char* text : {"1.2.2003' OR 1=1", "1.2.2003# OR 1=1", "31.02.2003", "abc",
                             "\"1.2.2003' OR '1'='1\"", "1.1.2003-x"})
      ExpectRefused(text, adDate, kind);
  // A pattern must not end the "#" literal early.
  ExpectRefused("*# OR 1=1 OR [x] LIKE #*", adDate, 1);
  EXPECT_EQ(Cond("D", "*' OR '1'='1", adDate, 2), "([D] LIKE '*'' OR ''1''=''1')");
}

TEST_F(CriteriaSafetyTest, BooleansAndGuidsAreValidated) {
  for (const char* text : {"-1 OR 1=1", "1; DROP TABLE x", "1'", "ja", "99999999999", "\"-1\""})
    ExpectRefused(text, adBoolean, 1);
  for (const char* text :
       {"x' OR '1'='1", "6F9619FF-8B86-D011-B42D-00C04FC964FF' OR '1'='1",
        "6F9619FF-8B86-D011-B42D-00C04FC964F", "{6F9619FF-8B86-D011-B42D-00C04FC964FF",
        "6F9619FF+8B86-D011-B42D-00C04FC964FF", "G F9619FF-8B86-D011-B42D-00C04FC964F"})
    ExpectRefused(text, adGUID);
}

TEST_F(CriteriaSafetyTest, RandomInputNeverBreaksTheCondition) {
  static const char* kPieces[] = {"a", "Mü", "1",  "0",     "5",  ",",           ";",        "-",
                                  ":", "*",  "?",  "\"",    "'",  "#",           " ",        ".",
                                  ">", "<",  "=",  "ODER ", "e",  "+",           "1.2.2003", "]",
                                  "(", ")",  "OR", "--",    "\t", "x' OR '1'='1"};
  static const int32_t kTypes[] = {adVarChar,     vmFormattedText, adInteger,  adSingle,  adBigInt,
                                   adDouble,      vmLongNumber,    adCurrency, adNumeric, adDate,
                                   adDBTimeStamp, vmDateTime,      adDBTime,   adBoolean, adGUID};
  std::mt19937 random(20030201);
  std::uniform_int_distribution<size_t> pieceCount(0, 12);
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
  int conditions = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (size_t n = pieceCount(random); n > 0; --n) text += kPieces[piece(random)];
    for (int32_t type : kTypes) {
      for (int kind : {1, 2}) {
        try {
          std::string cond = Cond("F", text, type, kind);
          EXPECT_TRUE(cond.empty() || WellFormed(cond))
              << "type " << type << " kind " << kind << ": " << text << " -> " << cond;
          if (!cond.empty()) ++conditions;
        } catch (const VMError& e) {
          EXPECT_EQ(e.Number(), errc::kTypeMismatch) << text;
        }
        messages_.shown.clear();
      }
    }
  }
  EXPECT_GT(conditions, 5000);  // the inputs do reach the writing of conditions
}

}  // namespace
}  // namespace vmbgrid::search::testing
