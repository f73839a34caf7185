// Filter expressions of the recordset: parsed once against the columns of a store,
// then evaluated over whole row lists, one comparison at a time over the typed
// column arrays (no value object per cell).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/row_store.h"

namespace vmbgrid::data {

struct FilterNode;

class CompiledFilter {
 public:
  // Raises VMError kInvalidArgument ("Der Filter ... ist ungültig: ...") for a text
  // that cannot be parsed or names an unknown field. An empty text matches all rows.
  // `what` names the text in the message ("Der Filter", "Das Suchkriterium").
  static CompiledFilter Compile(std::string_view text, const RowStore& store,
                                std::string_view what = "Der Filter");

  CompiledFilter();
  CompiledFilter(CompiledFilter&&) noexcept;
  CompiledFilter& operator=(CompiledFilter&&) noexcept;
  ~CompiledFilter();

  bool Empty() const { return root_ == nullptr; }
  // The rows of `in` that pass, in the order of `in`.
  void Select(const RowStore& store, const std::vector<uint32_t>& in,
              std::vector<uint32_t>& out) const;
  bool Matches(const RowStore& store, uint32_t row) const;

 private:
  std::unique_ptr<FilterNode> root_;
};

}  // namespace vmbgrid::data
