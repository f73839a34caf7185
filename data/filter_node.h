// The compiled form of a filter expression, shared by its parser and evaluator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/text_rules.h"
#include "host/variant.h"

namespace vmbgrid::data {

enum class CmpOp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

struct FilterNode {
  enum class Kind : uint8_t { And, Or, Compare, Like, IsNull };
  Kind kind = Kind::Compare;
  std::vector<std::unique_ptr<FilterNode>> children;  // And, Or

  // Leaves.
  int col = -1;
  CmpOp op = CmpOp::Eq;
  bool negate = false;  // Like, IsNull
  // The literal, in the forms the column's storage compares with.
  enum class Mode : uint8_t { Int, Double, Decimal, Truth, Text, Variant } mode = Mode::Double;
  int64_t lit64 = 0;
  double litNum = 0;
  Decimal litDec;         // the number literal exactly, for exact columns
  std::string litText;    // as written
  std::string litFolded;  // folded, for equality without regard to case
  Variant litVariant;
  std::unique_ptr<LikePattern> like;
};

}  // namespace vmbgrid::data
