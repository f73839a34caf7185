// What a provider hands over to a result sink, recorded, for checking a provider's
// results without a recordset in between: the columns, and each cell with the call
// that delivered it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "data/provider.h"
#include "host/variant.h"

namespace vmbgrid::testing {

// One cell as handed over: the Put call ('n'ull, 'i'nteger, 'd'ouble, 'D'ate,
// 't'ext, 'b'lob, e'x'act decimal) and the value.
struct Cell {
  char kind = '?';
  Variant value;
};

class RecordingSink : public data::ResultSink {
 public:
  std::vector<data::ColumnMeta> columns;
  std::vector<std::vector<Cell>> rows;
  int setColumnsCalls = 0;
  std::function<void()> onRow;  // after each row, e.g. to disturb a load half way

  void SetColumns(std::vector<data::ColumnMeta> c) override {
    columns = std::move(c);
    ++setColumnsCalls;
  }
  void BeginRow() override { rows.emplace_back(columns.size()); }
  void PutNull(int col) override { rows.back().at(col) = {'n', Variant::Null()}; }
  void PutInteger(int col, int64_t v) override { rows.back().at(col) = {'i', Variant(v)}; }
  void PutDouble(int col, double v) override { rows.back().at(col) = {'d', Variant(v)}; }
  void PutDate(int col, double d) override { rows.back().at(col) = {'D', Variant::Date(d)}; }
  void PutText(int col, std::string_view s) override { rows.back().at(col) = {'t', Variant(s)}; }
  void PutBlob(int col, std::string_view s) override { rows.back().at(col) = {'b', Variant(s)}; }
  void PutDecimal(int col, const Decimal& d) override { rows.back().at(col) = {'x', Variant(d)}; }
  void EndRow() override {
    if (onRow) onRow();
  }

  // One column of whole numbers, in row order.
  std::vector<int64_t> Integers(size_t col = 0) const {
    std::vector<int64_t> out;
    for (const auto& r : rows) out.push_back(r.at(col).value.ToInt64());
    return out;
  }
};

}  // namespace vmbgrid::testing
