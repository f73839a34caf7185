// XArray: a dense two-dimensional array of variants with arbitrary bounds.
#include "host/xarray.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "host/error.h"

namespace vmbgrid {

namespace {

[[noreturn]] void ThrowOutOfRange() {
  throw VMError(errc::kSubscriptOutOfRange, "VMBGrid", "Index außerhalb des gültigen Bereichs.");
}

int64_t Extent(int32_t lb, int32_t ub) {
  return ub < lb ? 0 : static_cast<int64_t>(ub) - static_cast<int64_t>(lb) + 1;
}

}  // namespace

void XArray::ReDim(int32_t lb1, int32_t ub1, int32_t lb2, int32_t ub2, bool preserve) {
  // An empty dimension keeps its lower bound and reports ub = lb - 1.
  if (ub1 < lb1) {
    if (lb1 == INT32_MIN) lb1 = 0;
    ub1 = lb1 - 1;
  }
  if (ub2 < lb2) {
    if (lb2 == INT32_MIN) lb2 = 0;
    ub2 = lb2 - 1;
  }
  const int64_t rows = Extent(lb1, ub1), cols = Extent(lb2, ub2);
  const int64_t kMaxCells = int64_t{1} << 28;
  if (rows > 0 && cols > 0 && rows > kMaxCells / cols)
    throw VMError(errc::kOverflow, "VMBGrid", "Überlauf: das Datenfeld ist zu groß.");
  std::vector<Variant> cells(static_cast<size_t>(rows * cols));
  if (preserve && !cells_.empty()) {
    const int32_t r0 = std::max(lb1, lb1_), r1 = std::min(ub1, ub1_);
    const int32_t c0 = std::max(lb2, lb2_), c1 = std::min(ub2, ub2_);
    for (int64_t r = r0; r <= r1; ++r)
      for (int64_t c = c0; c <= c1; ++c)
        cells[static_cast<size_t>((r - lb1) * cols + (c - lb2))] =
            std::move(cells_[Offset(static_cast<int32_t>(r), static_cast<int32_t>(c))]);
  }
  lb1_ = lb1;
  ub1_ = ub1;
  lb2_ = lb2;
  ub2_ = ub2;
  cells_ = std::move(cells);
}

void XArray::Clear() {
  lb1_ = lb2_ = 0;
  ub1_ = ub2_ = -1;
  cells_.clear();
}

size_t XArray::Offset(int32_t row, int32_t col) const {
  if (row < lb1_ || row > ub1_ || col < lb2_ || col > ub2_ || cells_.empty()) ThrowOutOfRange();
  return static_cast<size_t>((static_cast<int64_t>(row) - lb1_) * Extent(lb2_, ub2_) +
                             (static_cast<int64_t>(col) - lb2_));
}

const Variant& XArray::Value(int32_t row, int32_t col) const { return cells_[Offset(row, col)]; }

void XArray::Value(int32_t row, int32_t col, Variant v) { cells_[Offset(row, col)] = std::move(v); }

int32_t XArray::Count(int dim) const {
  if (dim == 1) return static_cast<int32_t>(Extent(lb1_, ub1_));
  if (dim == 2) return static_cast<int32_t>(Extent(lb2_, ub2_));
  ThrowOutOfRange();
}

int32_t XArray::LowerBound(int dim) const {
  if (dim == 1) return lb1_;
  if (dim == 2) return lb2_;
  ThrowOutOfRange();
}

int32_t XArray::UpperBound(int dim) const {
  if (dim == 1) return ub1_;
  if (dim == 2) return ub2_;
  ThrowOutOfRange();
}

}  // namespace vmbgrid
