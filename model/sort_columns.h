// Sort columns: a column name with the direction text as it goes into SQL, and
// their ordered collection (entries keyed by name when a key is given).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/variant.h"
#include "model/keys.h"

namespace vmbgrid {

enum SortOrders : int32_t { ascending = 1, descending = 2 };

// 1 "ASC", 2 "DESC", anything else the empty text.
std::string SortOrderText(int32_t order);

struct VMGridSortColumn {
  std::string sortcolumn;
  std::string SortOrder;  // "ASC", "DESC" or ""
};

class VMGridSortColumns {
 public:
  using const_iterator = model_detail::KeyedList<VMGridSortColumn>::const_iterator;

  // Keyed by sKey when it is not empty; a key already present raises.
  std::shared_ptr<VMGridSortColumn> Add(const std::string& sortcolumn, const std::string& SortOrder,
                                        const std::string& sKey = "");

  const std::shared_ptr<VMGridSortColumn>& Item(std::string_view key) const {
    return list_.Item(key);
  }
  const std::shared_ptr<VMGridSortColumn>& Item(const char* key) const {
    return list_.Item(std::string_view(key));
  }
  const std::shared_ptr<VMGridSortColumn>& Item(const std::string& key) const {
    return list_.Item(std::string_view(key));
  }
  const std::shared_ptr<VMGridSortColumn>& Item(int32_t position) const {
    return list_.Item(position);
  }
  const std::shared_ptr<VMGridSortColumn>& Item(const Variant& indexKey) const {
    return list_.Item(indexKey);
  }
  std::shared_ptr<VMGridSortColumn> Find(std::string_view key) const { return list_.Find(key); }
  bool Contains(std::string_view key) const { return list_.Contains(key); }
  int32_t Count() const { return list_.Count(); }

  void Remove(std::string_view key) { list_.Remove(key); }
  void Remove(const char* key) { list_.Remove(std::string_view(key)); }
  void Remove(const std::string& key) { list_.Remove(std::string_view(key)); }
  void Remove(int32_t position) { list_.Remove(position); }
  void Remove(const Variant& indexKey) { list_.Remove(indexKey); }
  void Clear() { list_.Clear(); }

  const_iterator begin() const { return list_.begin(); }
  const_iterator end() const { return list_.end(); }

 private:
  model_detail::KeyedList<VMGridSortColumn> list_;
};

}  // namespace vmbgrid
