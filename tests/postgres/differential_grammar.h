// Criteria over the whole search language for the columns of the types table, each
// with what it should find: a grammar draws the pieces (values of the column's
// pool, operators, ranges with "-" and ":", alternatives, "ODER", quotes, patterns,
// dates, times, negatives) and, where it knows their meaning, an oracle that decides
// a row from its raw value alone, written apart from the library's own rules.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "tests/support/generated_types.h"

namespace vmbgrid::difftest {

struct Criterion {
  std::string text;
  // What the engines should do: find rows (all the same), refuse the criterion with
  // a message (all of them), or find rows on the databases while the in-memory
  // filter of host rows refuses it (a pattern with a leading "*" only).
  enum class Expect { Rows, Refused, MemoryRefuses } expect = Expect::Rows;
  // Whether a row's raw value is found; empty when the grammar does not know.
  std::function<bool(const testsupport::Cell&)> oracle;
};

Criterion Generate(const testsupport::TypeColumn& column, std::mt19937& random);

}  // namespace vmbgrid::difftest
