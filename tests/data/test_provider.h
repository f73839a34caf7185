// A provider for the tests of the data-access layer: tables and procedures defined
// by the test, statements answered by exact text.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/provider.h"

namespace vmbgrid::testing {

struct Cell {
  enum Kind { Null, Int, Dbl, Date, Text, Blob } kind = Null;
  int64_t i = 0;
  double d = 0;
  std::string s;
  static Cell N() { return {}; }
  static Cell I(int64_t v) {
    Cell c;
    c.kind = Int;
    c.i = v;
    return c;
  }
  static Cell D(double v) {
    Cell c;
    c.kind = Dbl;
    c.d = v;
    return c;
  }
  static Cell T(std::string v) {
    Cell c;
    c.kind = Text;
    c.s = std::move(v);
    return c;
  }
};

struct Table {
  std::vector<data::ColumnMeta> columns;
  std::vector<std::vector<Cell>> rows;
};

// Shared by all sessions of the provider "Test": statement text -> result.
struct TestDatabase {
  std::map<std::string, Table> results;
  // Statements that only count (INSERT and the like): text -> rows affected.
  std::map<std::string, int64_t> commands;
  std::map<std::string, data::ProcedureBody> procedures;
  std::vector<std::string> received;  // every request the sessions got
  int opens = 0;
  int openSessions = 0;
};

TestDatabase& TheTestDatabase();
// Registers the provider "Test" (once) and resets its database.
TestDatabase& ResetTestDatabase();
// Delivers a table to a sink.
void Deliver(const Table& t, data::ResultSink& sink, int32_t maxRows = 0);

}  // namespace vmbgrid::testing
