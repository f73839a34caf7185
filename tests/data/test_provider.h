// A provider for the tests of the data-access layer: tables defined by the test,
// statements answered by exact text.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/provider.h"

namespace vmbgrid::testing {

struct Cell {
  enum Kind { Null, Int, Dbl, Text } kind = Null;
  int64_t i = 0;
  double d = 0;
  std::string s;
  static Cell N() { return {}; }
  static Cell I(int64_t v) { return {Int, v, 0, {}}; }
  static Cell D(double v) { return {Dbl, 0, v, {}}; }
  static Cell T(std::string v) { return {Text, 0, 0, std::move(v)}; }
};

struct Table {
  std::vector<data::ColumnMeta> columns;
  std::vector<std::vector<Cell>> rows;
};

// Shared by all sessions of the provider "Test": statement text -> result.
struct TestDatabase {
  std::map<std::string, Table> results;
};

// Registers the provider "Test" (once) and resets its database.
TestDatabase& ResetTestDatabase();

}  // namespace vmbgrid::testing
