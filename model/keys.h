// Collection keys: names compare without regard to letter case by Unicode case
// folding ("Müller" and "MÜLLER" are one key), and an ordered list with a hash index
// on the folded keys that the public collections build on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/variant.h"

namespace vmbgrid {

// The folded form of a key; equal for names that differ only in letter case.
std::string FoldKey(std::string_view key);

namespace model_detail {

[[noreturn]] void ThrowDuplicateKey();
[[noreturn]] void ThrowAbsentKey();
[[noreturn]] void ThrowOutOfRange();

// Ordered collection of shared objects; entries may carry a key. Positions are 1-based.
template <class T>
class KeyedList {
 public:
  using const_iterator = typename std::vector<std::shared_ptr<T>>::const_iterator;

  // Appends under key (nullopt: without key). A key already present raises and
  // leaves the list unchanged.
  void Add(std::shared_ptr<T> item, const std::optional<std::string_view>& key) {
    std::string folded;
    if (key) {
      folded = FoldKey(*key);
      if (index_.count(folded)) ThrowDuplicateKey();
    }
    items_.push_back(std::move(item));
    keys_.push_back(key ? std::optional<std::string>(folded) : std::nullopt);
    if (key) index_.emplace(std::move(folded), items_.size() - 1);
  }

  std::shared_ptr<T> Find(std::string_view key) const {
    auto it = index_.find(FoldKey(key));
    return it == index_.end() ? nullptr : items_[it->second];
  }
  bool Contains(std::string_view key) const { return index_.count(FoldKey(key)) != 0; }

  const std::shared_ptr<T>& Item(std::string_view key) const {
    auto it = index_.find(FoldKey(key));
    if (it == index_.end()) ThrowAbsentKey();
    return items_[it->second];
  }
  const std::shared_ptr<T>& Item(int32_t position) const { return items_[CheckedOffset(position)]; }
  // A text selects by key; a number by position.
  const std::shared_ptr<T>& Item(const Variant& indexKey) const {
    if (indexKey.IsString()) return Item(std::string_view(indexKey.StringRef()));
    return Item(PositionOf(indexKey));
  }

  void Remove(std::string_view key) {
    auto it = index_.find(FoldKey(key));
    if (it == index_.end()) ThrowAbsentKey();
    EraseAt(it->second);
  }
  void Remove(int32_t position) { EraseAt(CheckedOffset(position)); }
  void Remove(const Variant& indexKey) {
    if (indexKey.IsString())
      Remove(std::string_view(indexKey.StringRef()));
    else
      Remove(PositionOf(indexKey));
  }

  void Clear() {
    items_.clear();
    keys_.clear();
    index_.clear();
  }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  static int32_t PositionOf(const Variant& v) {
    if (!v.IsNumberType()) ThrowAbsentKey();
    return v.ToInt32();
  }
  size_t CheckedOffset(int32_t position) const {
    if (position < 1 || position > Count()) ThrowOutOfRange();
    return static_cast<size_t>(position - 1);
  }
  void EraseAt(size_t offset) {
    if (keys_[offset]) index_.erase(*keys_[offset]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(offset));
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(offset));
    for (auto& [k, pos] : index_)
      if (pos > offset) --pos;
  }

  std::vector<std::shared_ptr<T>> items_;
  std::vector<std::optional<std::string>> keys_;  // folded, parallel to items_
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace model_detail
}  // namespace vmbgrid
