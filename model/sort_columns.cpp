#include "model/sort_columns.h"

#include <optional>

namespace vmbgrid {

std::string SortOrderText(int32_t order) {
  switch (order) {
    case ascending:
      return "ASC";
    case descending:
      return "DESC";
    default:
      return {};
  }
}

std::shared_ptr<VMGridSortColumn> VMGridSortColumns::Add(const std::string& sortcolumn,
                                                         const std::string& SortOrder,
                                                         const std::string& sKey) {
  auto c = std::make_shared<VMGridSortColumn>(VMGridSortColumn{sortcolumn, SortOrder});
  list_.Add(c, sKey.empty() ? std::nullopt : std::optional<std::string_view>(sKey));
  return c;
}

}  // namespace vmbgrid
