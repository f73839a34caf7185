// The search criteria language: what a user types under a column of the search line
// becomes one SQL condition for that column.
//
//   Meier        ([c] = 'Meier')              >=100     ([c] >= 100)
//   Mei*         ([c] LIKE 'Mei*')            A-M, A:M  ([c] >= 'A' AND [c] <= 'M')
//   Meier;Schulz ([c] = 'Meier' OR [c] = 'Schulz')     (also with ",")
//   "a-b, c"     ([c] = 'a-b, c')             literal; only ";" still separates
//   ODER Meier   an alternative joined with OR by the statement builder
//   <-5, -10:-5  negative numbers after an operator and as ":" range bounds
//   31.7.2024    on a date-and-time column: ([c] >= '2024-07-31' AND [c] < '2024-08-01')
//   8:00-12:30   on a time column: ([c] >= '08:00:00' AND [c] < '12:30:01')
//   1,5          on a currency, decimal, numeric or single column: ([c] = '1.5')
//
// Typed text is untrusted. It only ever reaches the condition as a literal: text is
// quoted with its quotes doubled; numbers, dates, times, booleans and GUIDs are
// validated and written in a canonical form. A text that cannot be made such a
// literal raises VMError (type mismatch, source "VMBGrid"); the caller shows
// "Fehler in Filter: " + the description. A criterion that breaks the language's
// rules (wildcards in ranges, unsearchable columns) raises CriterionRejected with its
// German message. Either way no condition is built and the caller shows no rows:
// a statement without the criterion would look like an answer to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host/error.h"
#include "host/variant.h"

namespace vmbgrid::search {

struct CriteriaContext {
  // Database kind of the connection: 1 writes dates between "#" and booleans signed
  // (true = -1); every other kind writes dates between "'" and true as 1.
  int databaseKind = 0;
  // Stored key for a displayed value of the column's value list; may be empty (no
  // translation). Used for single exact comparisons only, not for ranges or patterns.
  std::function<std::string(const std::string& fieldname, const std::string& text)> untranslate;
};

// The longest criterion one cell may hold, in characters; a longer one is refused
// with a message, like a value that cannot be written.
inline constexpr size_t kMaxCriterionLength = 100000;

// A criterion the column cannot take. The description is the rule's German message
// and, on a second line, the column and what was typed (at most 80 characters).
class CriterionRejected : public VMError {
 public:
  CriterionRejected(const std::string& fieldname, std::string_view typed,
                    const std::string& reason);
};

// The condition for one restriction, or "" when the criterion yields none.
// A value that is not text (a number, date or boolean set by the host) is one exact
// value: it is never read as a range or a list.
std::string BuildSearchCondition(const std::string& fieldname, const Variant& value,
                                 int32_t datatype, const CriteriaContext& ctx);

// The text after a leading "ODER " (case-sensitive), trimmed; otherwise unchanged.
std::string StripOrPrefix(const std::string& text);
// The value as text begins with "ODER " (case-sensitive).
bool HasOrPrefix(const Variant& value);
// The value as text begins with "=": a parameter placeholder of a saved query.
bool IsPlaceholder(const Variant& value);

}  // namespace vmbgrid::search
