// German text rules of the recordset engine: case folding, collation and LIKE
// patterns. Plain ASCII takes fast paths; everything else goes through ICU.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vmbgrid::data {

bool IsAscii(std::string_view text);
// Full case folding ("MÜLLER" and "Müller" fold alike, "ß" folds to "ss").
std::string FoldText(std::string_view text);
// Writes the folding into out (reusing its capacity).
void FoldTextInto(std::string_view text, std::string& out);

// Collation for locale "de". Secondary strength ignores case ("Müller" = "MÜLLER",
// "Muller" < "Müller"); tertiary strength is the sort order.
int CollateNoCase(std::string_view a, std::string_view b);
int CollateSort(std::string_view a, std::string_view b);
// The order of text in search criteria, the same on every data source: the texts
// case-folded (FoldText), compared by the German collation, ties broken by their
// bytes. Two texts are equal exactly when their foldings are, so "=" and ranges
// agree with each other and with LIKE ("Straße" = "STRASSE", "Ärger" between "A"
// and "B"). SQLite's collation "VMDE_NOCASE" and PostgreSQL's comparison of folded
// texts under "de-x-icu" (which breaks ties by bytes as well) give this order.
int CompareFolded(std::string_view foldedA, std::string_view foldedB);
int CompareNoCase(std::string_view a, std::string_view b);

// Sort key of the tertiary collation, appended to out with its terminating zero;
// keys compare bytewise in the order of CollateSort.
void AppendSortKey(std::string_view text, std::string& out);

// A LIKE pattern: "*" and "%" match any run, "?" and "_" one character; letters
// compare without regard to case.
class LikePattern {
 public:
  explicit LikePattern(std::string_view pattern);
  bool Match(std::string_view text) const;

 private:
  bool MatchFolded(std::string_view folded) const;
  static constexpr int kAnyRun = -1;
  static constexpr int kAnyOne = -2;
  // Folded pattern: bytes, or the two wildcard markers.
  std::vector<int> pattern_;
  // Simple shapes handled without the general matcher.
  enum class Shape { General, Exact, Prefix, Contains, Suffix };
  Shape shape_ = Shape::General;
  std::string literal_;  // the literal of a simple shape
};

// Equality without regard to case against a folded literal.
bool EqualsFolded(std::string_view text, std::string_view foldedLiteral);

}  // namespace vmbgrid::data
