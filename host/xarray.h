// XArray: the in-memory two-dimensional array that carries the search row, the sum
// row and host-supplied rows. Both dimensions have arbitrary bounds (dimension 1 =
// rows, dimension 2 = columns).
#pragma once

#include <cstdint>
#include <vector>

#include "host/variant.h"

namespace vmbgrid {

class XArray {
 public:
  XArray() = default;
  XArray(int32_t lb1, int32_t ub1, int32_t lb2, int32_t ub2) { ReDim(lb1, ub1, lb2, ub2); }

  // New bounds; an upper bound below the lower bound gives an empty dimension.
  // With preserve, cells inside both the old and new bounds keep their values.
  void ReDim(int32_t lb1, int32_t ub1, int32_t lb2, int32_t ub2, bool preserve = false);
  // Removes every cell (count 0 in both dimensions).
  void Clear();

  // Cell access; indexes outside the bounds raise "subscript out of range".
  const Variant& Value(int32_t row, int32_t col) const;
  void Value(int32_t row, int32_t col, Variant v);
  const Variant& operator()(int32_t row, int32_t col) const { return Value(row, col); }

  // dim is 1 or 2; another dimension raises "subscript out of range".
  int32_t Count(int dim) const;
  int32_t LowerBound(int dim) const;
  int32_t UpperBound(int dim) const;

 private:
  size_t Offset(int32_t row, int32_t col) const;
  int32_t lb1_ = 0, ub1_ = -1, lb2_ = 0, ub2_ = -1;
  std::vector<Variant> cells_;
};

}  // namespace vmbgrid
