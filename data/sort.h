// Sort orders of the recordset: "[Name] ASC, Ort DESC". Stable, text in German
// collation, nulls first (last when descending).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/row_store.h"

namespace vmbgrid::data {

struct SortKey {
  int col = -1;
  bool descending = false;
};

// Raises VMError kInvalidArgument ("Die Sortierung ... ist ungültig: ...") for a
// text that cannot be parsed or names an unknown field. Blank text gives no keys.
std::vector<SortKey> ParseSort(std::string_view text, const RowStore& store);

// Orders rows (given in source order) by the keys; rows that compare equal keep
// their order.
void SortRows(const RowStore& store, const std::vector<SortKey>& keys, std::vector<uint32_t>& rows);

}  // namespace vmbgrid::data
