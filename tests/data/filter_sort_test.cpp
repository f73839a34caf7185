// Filter, sort and Find of the recordset engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>

#include "data/provider.h"
#include "data/text_rules.h"
#include "host/error.h"
#include "tests/raised.h"

namespace vmbgrid {
namespace {

struct Person {
  int32_t nr;
  const char* name;
  const char* ort;  // nullptr = Null
  const char* datum;
  double betrag;
};

// Nr, Name, Ort, Datum, Betrag, with Null in Ort for Nr 6.
std::shared_ptr<Recordset> People() {
  static const Person kRows[] = {
      {1, "Müller", "Köln", "2003-02-01", 10.5}, {2, "Muller", "Bonn", "2003-02-02", 20},
      {3, "Meier", "Köln", "2004-01-01", 30},    {4, "Ärger", "Aachen", "2002-05-05", 40},
      {5, "Zander", "Bonn", "2003-02-01", 50},   {6, "MÜLLER", nullptr, "2001-01-01", 60},
      {7, "Arnold", "Köln", "2005-12-31", 70},   {8, "Straße", "Essen", "2003-03-03", 80},
  };
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger, 4);
  rs->AppendField("Name", adVarWChar, 50);
  rs->AppendField("Ort", adVarWChar, 50);
  rs->AppendField("Datum", adDBTimeStamp, 8);
  rs->AppendField("Betrag", adDouble, 8);
  rs->OpenFabricated();
  for (const auto& p : kRows) {
    rs->AddNew();
    rs->SetValue("Nr", Variant(p.nr));
    rs->SetValue("Name", Variant(p.name));
    rs->SetValue("Ort", p.ort ? Variant(p.ort) : Variant::Null());
    rs->SetValue("Datum", Variant(p.datum));
    rs->SetValue("Betrag", Variant(p.betrag));
    rs->Update();
  }
  rs->MoveFirst();
  return rs;
}

std::vector<int32_t> Numbers(Recordset& rs) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < rs.RecordCount(); ++i) out.push_back(rs.ValueAt(i, 0).ToInt32());
  return out;
}

std::vector<int32_t> Filtered(const std::string& filter) {
  auto rs = People();
  rs->Filter(filter);
  return Numbers(*rs);
}

using V = std::vector<int32_t>;

// Each condition with the rows it leaves: comparisons of every type, Null (never passing
// a comparison, not even its negation), German case rules, LIKE wildcards, precedence.
TEST(Filter, ConditionsOfEveryKindLeaveTheirRows) {
  // clang-format off
  const std::pair<const char*, V> kCases[] = {
      {"Nr = 3", {3}}, {"[Nr] >= 7", {7, 8}},
      {"Nr <> 1 AND Nr < 4", {2, 3}}, {"Nr > -1 AND Nr <= 1.5", {1}},
      {"Nr = '2'", {2}}, {"Betrag = 10.5", {1}},
      {"Betrag > 60", {7, 8}}, {"Datum = #2003-02-01#", {1, 5}},
      {"Datum = #02/01/2003#", {1, 5}}, {"Datum >= '2004-01-01'", {3, 7}},
      {"Datum < '1.1.2002'", {6}}, {"Ort <> 'Köln'", {2, 4, 5, 8}},
      {"NOT (Ort = 'Köln')", {2, 4, 5, 8}}, {"Ort = Null", {6}},
      {"Ort IS NOT NULL AND Nr > 6", {7, 8}}, {"Name = 'müller'", {1, 6}},
      {"Name = 'MULLER'", {2}}, {"Name = 'STRASSE'", {8}},
      {"Ort = 'KÖLN'", {1, 3, 7}}, {"Name < 'B'", {4, 7}},  // "Ärger" sorts with A
      {"Name = 'O''Neil'", {}}, {"Name LIKE 'mül*'", {1, 6}},
      {"Name LIKE 'M%'", {1, 2, 3, 6}}, {"Name LIKE '*er'", {1, 2, 3, 4, 5, 6}},
      {"Name LIKE '%LL%'", {1, 2, 6}}, {"Name LIKE 'M?ller'", {1, 2, 6}},
      {"Name LIKE 'M_l*r'", {1, 2, 6}}, {"Name LIKE 'meier'", {3}},
      {"Name LIKE '*a*e*'", {5, 8}}, {"Name NOT LIKE 'M*'", {4, 5, 7, 8}},
      {"Ort LIKE '*'", {1, 2, 3, 4, 5, 7, 8}},  // not the Null
      {"Nr = 1 OR Nr = 2 AND Ort = 'Köln'", {1}}, {"(Nr = 1 OR Nr = 2) AND Ort = 'Bonn'", {2}},
      {"Ort = 'Bonn' AND (Nr = 5 OR Nr = 2 OR Nr = 3)", {2, 5}},
      {"(Name LIKE 'M*') AND ([Ort] = 'Köln' OR [Ort] = 'Bonn') AND(Nr > 1)", {2, 3}},
      {"NOT (Nr < 3 OR Nr > 6)", {3, 4, 5, 6}}, {"nr = 1 or nr = 8", {1, 8}},
      {"   ", {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  // clang-format on
  for (const auto& [filter, rows] : kCases) EXPECT_EQ(Filtered(filter), rows) << filter;
}

TEST(Filter, BadTextRaisesAndKeepsThePreviousFilter) {
  auto rs = People();
  rs->Filter("Ort = 'Bonn'");
  const char* bad[] = {"Nr =",        "Nr = 1,5",    "Fehlt = 1", "Nr 1",        "(Nr = 1",
                       "Nr = 1)",     "Name = 'abc", "Nr = abc",  "Datum = #x#", "Nr = 'x'",
                       "Name LIKE 5", "Nr = 1 AND",  "[Nr = 1",   "Nr == 1",     "Nr = 1; DROP"};
  for (const char* f : bad) {
    const VMError e = testing::Raised([&] { rs->Filter(f); });
    EXPECT_EQ(e.Number(), errc::kInvalidArgument) << f;
    EXPECT_EQ(e.Description().rfind("Der Filter \"" + std::string(f) + "\" ist ungültig: ", 0), 0u)
        << e.Description();
    EXPECT_EQ(rs->Filter(), "Ort = 'Bonn'");
    EXPECT_EQ(Numbers(*rs), V({2, 5}));
  }
  EXPECT_EQ(testing::Raised([&] { rs->Filter("Fehlt = 1"); }).Description(),
            "Der Filter \"Fehlt = 1\" ist ungültig: das Feld \"Fehlt\" ist nicht vorhanden.");
  // Deep nesting is refused, not a stack overflow.
  std::string deep(5000, '(');
  EXPECT_EQ(testing::Raised([&] { rs->Filter(deep + "Nr = 1" + std::string(5000, ')')); }).Number(),
            errc::kInvalidArgument);
  std::string longChain = "Nr = 0";
  for (int i = 1; i < 20000; ++i) longChain += " OR Nr = " + std::to_string(i);
  rs->Filter(longChain);
  EXPECT_EQ(rs->RecordCount(), 8);
  // Sorts follow German collation, stay stable with Null first, and a bad sort keeps
  // the previous one.
  rs->Sort("Name");
  EXPECT_EQ(Numbers(*rs), V({4, 7, 3, 2, 1, 6, 8, 5}));
  rs->Sort("[Ort] ASC, Nr DESC");
  EXPECT_EQ(Numbers(*rs), V({6, 4, 5, 2, 8, 7, 3, 1}));
  EXPECT_EQ(testing::Raised([&] { rs->Sort("Nr DOWN"); })
                .Description()
                .rfind("Die Sortierung \"Nr DOWN\" ist ungültig: ", 0),
            0u);
  EXPECT_EQ(Numbers(*rs), V({6, 4, 5, 2, 8, 7, 3, 1}));
}

// The order a sort by ICU keys gives: a stable sort of the rows by the whole
// collation key of each text, null first, the empty text after null. Written out
// plainly here so that the engine's ranks and caches are checked against it.
std::vector<int32_t> OrderByKeys(const std::vector<std::optional<std::string>>& names,
                                 const std::vector<int32_t>& rows, bool descending) {
  std::vector<std::string> keys(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (!names[i]) continue;
    keys[i] = "\1";
    data::AppendSortKey(*names[i], keys[i]);
  }
  std::vector<int32_t> order = rows;
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                      : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
  });
  return order;
}

// Names that German collation orders in ways bytes do not: umlauts, ß, case,
// blanks, digits, punctuation, the empty text, Null and bytes that are no UTF-8.
std::vector<std::optional<std::string>> AdversarialNames(size_t count) {
  static const char* kParts[] = {"Müller", "Muller", "MÜLLER", "müller",  "Mueller", "Ärger",
                                 "Arger",  "ärger",  "Straße", "Strasse", "STRASSE", "Öl",
                                 "Oel",    "ol",     "a b",    "ab",      "a-b",     " ab",
                                 "ab ",    "10",     "9",      "09",      "Zebra",   "zebra",
                                 "É",      "e",      "\xFF",   "ǅ",       "ﬀ",       "x\ty"};
  std::vector<std::optional<std::string>> names;
  uint64_t seed = 99;
  auto next = [&] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<size_t>(seed >> 33);
  };
  for (size_t i = 0; i < count; ++i) {
    const size_t pick = next() % 40;
    if (pick == 30) {
      names.push_back(std::nullopt);
    } else if (pick == 31) {
      names.push_back(std::string());
    } else if (pick > 31) {  // two parts joined, so that prefixes are shared
      names.push_back(std::string(kParts[next() % 30]) + kParts[next() % 30]);
    } else {
      names.push_back(std::string(kParts[pick]));
    }
  }
  return names;
}

std::shared_ptr<Recordset> NamesRecordset(const std::vector<std::optional<std::string>>& names) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger, 4);
  rs->AppendField("Name", adVarWChar, 50);
  rs->OpenFabricated();
  for (size_t i = 0; i < names.size(); ++i) {
    rs->AddNew();
    rs->Update({"Nr", "Name"},
               {Variant(static_cast<int32_t>(i)), names[i] ? Variant(*names[i]) : Variant::Null()});
  }
  return rs;
}

TEST(Sort, LargeTextSortsGiveTheOrderOfTheCollationKeys) {
  auto names = AdversarialNames(20000);
  auto rs = NamesRecordset(names);
  std::vector<int32_t> all(names.size());
  std::iota(all.begin(), all.end(), 0);

  auto sorted = [&](const char* order) {
    rs->Sort(order);
    return Numbers(*rs);
  };
  EXPECT_EQ(sorted("[Name] ASC"), OrderByKeys(names, all, false));
  // Again and reversed: read from the kept ranks, still stable among equal names.
  EXPECT_EQ(sorted("[Name] DESC"), OrderByKeys(names, all, true));
  EXPECT_EQ(sorted("[Name] ASC"), OrderByKeys(names, all, false));
  // Several keys: ties of the name are broken by the second key.
  EXPECT_EQ(sorted("Name, Nr DESC"), OrderByKeys(names, V(all.rbegin(), all.rend()), false));

  // A filter narrows the rows; the kept ranks still order them.
  rs->Filter("Nr < 9000");
  EXPECT_EQ(sorted("Name"), OrderByKeys(names, V(all.begin(), all.begin() + 9000), false));
  rs->Filter("");

  // A changed value makes the kept ranks stale: the next sort sees the new name.
  rs->Sort("");
  rs->MoveFirst();
  rs->Move(17);
  rs->SetValue("Name", Variant("Aaaa"));
  rs->Update();
  names[17] = "Aaaa";
  rs->Move(1);
  rs->SetValue("Name", Variant::Null());
  rs->Update();
  names[18] = std::nullopt;
  EXPECT_EQ(sorted("Name DESC"), OrderByKeys(names, all, true));

  // A clone shares the rows and their ranks, and sorts alike.
  auto clone = rs->Clone();
  clone->Sort("Name");
  EXPECT_EQ(Numbers(*clone), OrderByKeys(names, all, false));

  // Below the rank threshold texts are compared directly, to the same order.
  names.resize(40);
  auto small = NamesRecordset(names);
  small->Sort("Name");
  EXPECT_EQ(Numbers(*small), OrderByKeys(names, V(all.begin(), all.begin() + 40), false));
}

TEST(Sort, LargeSortsWithNullOnlyOrEmptyTextsOnly) {
  for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("")}) {
    std::vector<std::optional<std::string>> names(5000, value);
    auto rs = NamesRecordset(names);
    rs->Sort("Name DESC");
    V expected(5000);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(Numbers(*rs), expected);
  }
}

TEST(Find, ForwardBackwardSkipAndStart) {
  auto rs = People();
  // Finds from the current row (or `start`); the Nr of the row found.
  auto found = [&](const char* criterion, int32_t skip = 0, int direction = adSearchForward,
                   const Variant& start = Variant()) {
    rs->Find(criterion, skip, direction, start);
    return rs->Value("Nr").ToInt32();
  };
  EXPECT_EQ(found("Ort = 'Köln'"), 1);  // the current row counts
  EXPECT_EQ(found("Ort = 'Köln'", 1), 3);
  EXPECT_EQ(found("Ort = 'Köln'", 1), 7);
  rs->Find("Ort = 'Köln'", 1);
  EXPECT_TRUE(rs->IsEOF());
  rs->MoveLast();
  EXPECT_EQ(found("Name LIKE 'M*'", 0, adSearchBackward), 6);
  EXPECT_EQ(found("Name LIKE 'M*'", 1, adSearchBackward), 3);
  rs->Find("Nr = 99", 0, adSearchBackward);
  EXPECT_TRUE(rs->IsBOF());
  EXPECT_EQ(found("Nr > 2", 0, adSearchForward), 3);  // from BOF: the first row on
  Variant start = rs->BookmarkAt(5);                  // Nr 6
  rs->Find("Ort = 'Bonn'", 0, adSearchForward, start);
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_EQ(found("Ort = 'Bonn'", 0, adSearchBackward, start), 5);
  rs->Sort("Nr DESC");
  rs->MoveFirst();
  EXPECT_EQ(found("Betrag < 35"), 3);
  const VMError e = testing::Raised([&] { rs->Find("Nr ="); });
  EXPECT_EQ(e.Number(), errc::kInvalidArgument);
  EXPECT_EQ(e.Description().rfind("Das Suchkriterium \"Nr =\" ist ungültig", 0), 0u);
  EXPECT_EQ(rs->Value("Nr").ToInt32(), 3);
}

}  // namespace
}  // namespace vmbgrid
