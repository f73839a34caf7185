// Recordset: the view (filter and sort) and Find.
#include <algorithm>

#include "data/recordset_impl.h"
#include "host/error.h"

namespace vmbgrid::data {

void RecordsetImpl::Rebuild() {
  FetchAll();
  view_ = BuildView(filter_, sortKeys_);
  InvalidateOrdinals();
}

std::vector<uint32_t> RecordsetImpl::BuildView(const CompiledFilter& filter,
                                               const std::vector<SortKey>& keys) const {
  std::vector<uint32_t> rows = store_->LiveRows();
  std::vector<uint32_t> view;
  if (filter.Empty()) {
    view.swap(rows);
  } else {
    filter.Select(*store_, rows, view);
  }
  SortRows(*store_, keys, view);
  return view;
}

// Filter and Sort build the new view before they change anything: a text that does
// not compile, or memory that runs out half way, leaves filter, sort and rows as
// they were.
void RecordsetImpl::Filter(const std::string& expression) {
  RequireOpen();
  FetchAll();
  CommitPending();
  CompiledFilter compiled = CompiledFilter::Compile(expression, *store_);
  std::vector<uint32_t> view = BuildView(compiled, sortKeys_);
  filterText_ = expression;
  filter_ = std::move(compiled);
  view_.swap(view);
  InvalidateOrdinals();
  SetPosition(0);
  NotifyRows();
}

void RecordsetImpl::Sort(const std::string& order) {
  RequireOpen();
  FetchAll();
  CommitPending();
  std::vector<SortKey> keys = ParseSort(order, *store_);
  std::vector<uint32_t> view = BuildView(filter_, keys);
  bool had = HasCurrent();
  uint32_t current = had ? view_[static_cast<size_t>(pos_)] : 0;
  sortText_ = order;
  sortKeys_ = std::move(keys);
  view_.swap(view);
  InvalidateOrdinals();
  // The current row stays current in its new place.
  SetPosition(had ? OrdinalOfRow(current) : 0);
  NotifyRows();
}

void RecordsetImpl::Find(const std::string& criterion, int32_t skip, int direction,
                         const Variant& start) {
  RequireOpen();
  const bool forward = direction != adSearchBackward;
  // Forward, a load still running is continued only as far as the search needs.
  if (!forward) FetchAll();
  CommitPending();
  CompiledFilter f = CompiledFilter::Compile(criterion, *store_, "Das Suchkriterium");
  int64_t n = static_cast<int64_t>(view_.size());

  int64_t base;
  if (!start.IsEmpty() && !start.IsMissing() && !start.IsNull()) {
    uint32_t row = 0;
    base = RowFromBookmark(start, row) ? OrdinalOfRow(row) : -1;
    if (base < 0)
      throw VMError(errc::kBadBookmark, "VMBGrid.Recordset", "Das Lesezeichen ist ungültig.");
  } else if (onDeleted_) {
    base = forward ? pos_ : pos_ - 1;  // the neighbours of the deleted row
  } else {
    base = pos_;
  }

  std::vector<uint32_t> in, out;
  size_t chunk = 64;  // grows, so that a near hit stays cheap and a far one fast
  if (forward) {
    int64_t i = std::max<int64_t>(0, base + skip);
    for (;;) {
      if (i >= n) {
        if (!IsFetching() || fetching_) break;
        FetchMore(static_cast<int32_t>(chunk * 16));
        n = static_cast<int64_t>(view_.size());
        continue;
      }
      int64_t end = std::min<int64_t>(n, i + static_cast<int64_t>(chunk));
      in.assign(view_.begin() + i, view_.begin() + end);
      f.Select(*store_, in, out);
      if (!out.empty()) {
        auto at = std::find(in.begin(), in.end(), out.front()) - in.begin();
        SetPosition(i + at);
        return;
      }
      i = end;
      chunk = std::min<size_t>(chunk * 2, 65536);
    }
    SetPosition(n);
  } else {
    int64_t i = std::min<int64_t>(n - 1, base - skip);
    while (i >= 0) {
      int64_t lo = std::max<int64_t>(0, i - static_cast<int64_t>(chunk) + 1);
      in.assign(view_.rbegin() + (n - 1 - i), view_.rbegin() + (n - lo));
      f.Select(*store_, in, out);
      if (!out.empty()) {
        auto at = std::find(in.begin(), in.end(), out.front()) - in.begin();
        SetPosition(i - at);
        return;
      }
      i = lo - 1;
      chunk = std::min<size_t>(chunk * 2, 65536);
    }
    SetPosition(-1);
  }
}

}  // namespace vmbgrid::data
