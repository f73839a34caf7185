// Evaluation of compiled filters: one comparison at a time over whole row lists,
// each in a tight loop over the typed column arrays.
#include <algorithm>
#include <cmath>

#include "data/filter.h"
#include "data/filter_node.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

template <class T>
inline int Three(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

template <class Pred>
void Scan(const std::vector<uint32_t>& in, std::vector<uint32_t>& out, Pred pred) {
  out.resize(in.size());
  size_t n = 0;
  for (uint32_t r : in) {
    out[n] = r;
    n += pred(r) ? 1 : 0;
  }
  out.resize(n);
}

// One loop per operator, so that the operator is not decided per row.
template <class Cmp>
void ScanOp(CmpOp op, const std::vector<uint32_t>& in, std::vector<uint32_t>& out, Cmp cmp) {
  switch (op) {
    case CmpOp::Eq:
      return Scan(in, out, [&](uint32_t r) { return cmp(r) == 0; });
    case CmpOp::Ne:
      return Scan(in, out, [&](uint32_t r) {
        int c = cmp(r);
        return c == 1 || c == -1;
      });
    case CmpOp::Lt:
      return Scan(in, out, [&](uint32_t r) { return cmp(r) == -1; });
    case CmpOp::Le:
      return Scan(in, out, [&](uint32_t r) {
        int c = cmp(r);
        return c == -1 || c == 0;
      });
    case CmpOp::Gt:
      return Scan(in, out, [&](uint32_t r) { return cmp(r) == 1; });
    case CmpOp::Ge:
      return Scan(in, out, [&](uint32_t r) {
        int c = cmp(r);
        return c == 0 || c == 1;
      });
  }
}

// A whole number against a double, exactly: (double)(2^63 - 1) is 2^63, which
// a 64-bit column never holds.
int CompareWhole(int64_t a, double b) {
  if (std::isnan(b)) return 2;
  if (b >= 9223372036854775808.0) return -1;
  if (b < -9223372036854775808.0) return 1;
  const double floor = std::floor(b);
  const auto whole = static_cast<int64_t>(floor);
  if (a != whole) return a < whole ? -1 : 1;
  return floor == b ? 0 : -1;
}

// ISO text of a date or time cell, as the SQLite provider compares stored moments.
std::string MomentText(int32_t type, double serial) {
  return FormatIsoMoment(DateValue{serial}, type == adDBTime ? MomentColumn::kTime
                                            : (type == adDBTimeStamp || type == vmDateTime)
                                                ? MomentColumn::kDateTime
                                                : MomentColumn::kDate);
}

// Numeric text as a number: exactly when it can be.
bool TextNumber(const std::string& text, Variant& out) {
  Decimal exact;
  double d = 0;
  if (Decimal::Parse(text, exact)) {
    out = Variant(exact);
  } else if (ParseNumber(text, d)) {
    out = Variant(d);
  } else {
    return false;
  }
  return true;
}

int CompareVariantCell(const Variant& cell, const FilterNode& n) {
  if (cell.IsNull() || cell.IsEmpty()) return 2;
  const Variant& lit = n.litVariant;
  try {
    Variant number;
    if (cell.IsString() && lit.IsNumberType()) {
      // A word in a column of numbers compares with no number.
      if (!TextNumber(cell.StringRef(), number)) return 2;
      return Variant::Compare(number, lit);
    }
    if (cell.IsString()) {
      if (n.op == CmpOp::Eq || n.op == CmpOp::Ne)
        return EqualsFolded(cell.StringRef(), n.litFolded) ? 0 : 1;
      return CompareNoCase(cell.StringRef(), n.litText);
    }
    if (lit.IsString()) {
      if (cell.IsDate()) {
        DateValue dv;
        if (!ParseFilterDate(lit.StringRef(), dv)) return 2;
        return Three(DateOrder(cell.DoubleRef()), DateOrder(dv.serial));
      }
      if (cell.IsBytes() || !TextNumber(lit.StringRef(), number)) return 2;
      return Variant::Compare(cell, number);
    }
    return Variant::Compare(cell, lit, true);
  } catch (const VMError&) {
    return 2;
  }
}

void EvalLeaf(const FilterNode& n, const RowStore& s, const std::vector<uint32_t>& in,
              std::vector<uint32_t>& out) {
  const Column& c = s.columns[static_cast<size_t>(n.col)];
  if (n.kind == FilterNode::Kind::IsNull) {
    bool want = !n.negate;
    Scan(in, out, [&](uint32_t r) { return c.IsNullAt(r) == want; });
    return;
  }
  if (n.kind == FilterNode::Kind::Like) {
    const LikePattern& p = *n.like;
    bool want = !n.negate;
    if (c.storage == Storage::Text) {
      Scan(in, out, [&](uint32_t r) {
        if (c.IsNullAt(r)) return false;
        return p.Match(SearchedText(c, c.TextAt(r))) == want;
      });
    } else if (c.presentation == Presentation::Date && c.storage == Storage::Double) {
      // The text form the databases match dates and times in.
      Scan(in, out, [&](uint32_t r) {
        if (c.IsNullAt(r)) return false;
        return p.Match(MomentText(c.type, c.f64[r])) == want;
      });
    } else {
      // Numbers and dates are matched in their text form.
      Scan(in, out, [&](uint32_t r) {
        if (c.IsNullAt(r)) return false;
        return p.Match(c.ValueAt(r).ToTextOrEmpty()) == want;
      });
    }
    return;
  }
  switch (n.mode) {
    case FilterNode::Mode::Int: {
      const int64_t lit = n.lit64;
      if (c.storage == Storage::Int32) {
        const int32_t* v = c.i32.data();
        const uint64_t* nb = c.nulls.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three<int64_t>(v[r], lit);
        });
      } else {
        const int64_t* v = c.i64.data();
        const uint64_t* nb = c.nulls.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three<int64_t>(v[r], lit);
        });
      }
      return;
    }
    case FilterNode::Mode::Decimal: {
      const Decimal& lit = n.litDec;
      const uint64_t* nb = c.nulls.data();
      if (c.storage == Storage::Decimal) {
        const Decimal* v = c.dec.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Decimal::Compare(v[r], lit);
        });
      } else {
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Decimal::Compare(Decimal::FromInteger(c.IntAt(r)), lit);
        });
      }
      return;
    }
    case FilterNode::Mode::Double: {
      const double lit = n.litNum;
      const uint64_t* nb = c.nulls.data();
      if (c.storage == Storage::Double && c.type == adSingle) {
        const double* v = c.f64.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three(AsSingle(v[r]), lit);
        });
      } else if (c.storage == Storage::Double && c.presentation == Presentation::Date) {
        const double* v = c.f64.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three(DateOrder(v[r]), lit);
        });
      } else if (c.storage == Storage::Double) {
        const double* v = c.f64.data();
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three(v[r], lit);
        });
      } else if (c.storage == Storage::Decimal) {
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return Three(c.dec[r].ToDouble(), lit);
        });
      } else {
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if ((nb[r >> 6] >> (r & 63)) & 1u) return 2;
          return CompareWhole(c.IntAt(r), lit);
        });
      }
      return;
    }
    case FilterNode::Mode::Truth: {
      const bool lit = n.lit64 != 0;
      ScanOp(n.op, in, out, [&](uint32_t r) {
        if (c.IsNullAt(r)) return 2;
        return (c.IntAt(r) != 0) == lit ? 0 : 1;
      });
      return;
    }
    case FilterNode::Mode::Text: {
      auto cell = [&](uint32_t r) { return SearchedText(c, c.TextAt(r)); };
      if (n.op == CmpOp::Eq || n.op == CmpOp::Ne) {
        bool want = n.op == CmpOp::Eq;
        Scan(in, out, [&](uint32_t r) {
          return !c.IsNullAt(r) && EqualsFolded(cell(r), n.litFolded) == want;
        });
      } else {
        std::string folded;
        ScanOp(n.op, in, out, [&](uint32_t r) {
          if (c.IsNullAt(r)) return 2;
          FoldTextInto(cell(r), folded);
          return CompareFolded(folded, n.litFolded);
        });
      }
      return;
    }
    case FilterNode::Mode::Variant:
      ScanOp(n.op, in, out, [&](uint32_t r) { return CompareVariantCell(c.vars[r], n); });
      return;
  }
}

// Rows of `in` that are not in `part` (a subsequence of `in`), in the order of `in`.
void Subtract(const std::vector<uint32_t>& in, const std::vector<uint32_t>& part,
              std::vector<uint32_t>& out) {
  out.clear();
  out.reserve(in.size() - part.size());
  size_t j = 0;
  for (uint32_t r : in) {
    if (j < part.size() && part[j] == r)
      ++j;
    else
      out.push_back(r);
  }
}

// Merges two disjoint subsequences of `in` back into the order of `in`.
void Merge(const std::vector<uint32_t>& in, const std::vector<uint32_t>& a,
           const std::vector<uint32_t>& b, std::vector<uint32_t>& out) {
  out.clear();
  out.reserve(a.size() + b.size());
  size_t i = 0, j = 0;
  for (uint32_t r : in) {
    if (i < a.size() && a[i] == r) {
      out.push_back(r);
      ++i;
    } else if (j < b.size() && b[j] == r) {
      out.push_back(r);
      ++j;
    }
    if (i == a.size() && j == b.size()) break;
  }
}

void Eval(const FilterNode& n, const RowStore& s, const std::vector<uint32_t>& in,
          std::vector<uint32_t>& out) {
  switch (n.kind) {
    case FilterNode::Kind::And: {
      std::vector<uint32_t> cur = in, next;
      for (const auto& child : n.children) {
        if (cur.empty()) break;
        Eval(*child, s, cur, next);
        cur.swap(next);
      }
      out.swap(cur);
      return;
    }
    case FilterNode::Kind::Or: {
      // Each alternative looks only at the rows no earlier one took.
      std::vector<uint32_t> taken, rest = in, hit, merged, left;
      for (const auto& child : n.children) {
        if (rest.empty()) break;
        Eval(*child, s, rest, hit);
        if (hit.empty()) continue;
        Subtract(rest, hit, left);
        rest.swap(left);
        Merge(in, taken, hit, merged);
        taken.swap(merged);
      }
      out.swap(taken);
      return;
    }
    default:
      EvalLeaf(n, s, in, out);
  }
}

}  // namespace

void CompiledFilter::Select(const RowStore& store, const std::vector<uint32_t>& in,
                            std::vector<uint32_t>& out) const {
  if (root_ == nullptr) {
    out = in;
    return;
  }
  Eval(*root_, store, in, out);
}

bool CompiledFilter::Matches(const RowStore& store, uint32_t row) const {
  if (root_ == nullptr) return true;
  std::vector<uint32_t> in{row}, out;
  Eval(*root_, store, in, out);
  return !out.empty();
}

}  // namespace vmbgrid::data
