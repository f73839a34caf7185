// Recordset: progressive loading. The first rows are fetched by Open, the rest in
// portions by FetchMore on the same thread, so the provider's connection is only
// ever used by one thread; other statements may run on it between portions.
#include <atomic>
#include <new>

#include "data/command_impl.h"
#include "data/connection_impl.h"
#include "data/recordset_impl.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

// Rows fetched by Open before it returns: more than any window shows.
constexpr int32_t kFirstRows = 500;

}  // namespace

std::shared_ptr<RowStore> RecordsetImpl::Fetch(bool progressive,
                                               std::unique_ptr<Loading>* loading) {
  auto store = std::make_shared<RowStore>();
  auto load = std::make_unique<Loading>();
  load->store = store;
  load->sink = std::make_unique<StoreSink>(*store, maxRecords_);
  StoreSink& sink = *load->sink;
  if (command_) {
    auto* cmd = dynamic_cast<CommandImpl*>(command_.get());
    if (cmd == nullptr) {
      throw VMError(errc::kObjectRequired, "VMBGrid.Recordset",
                    "Der Befehl stammt nicht aus dieser Datenzugriffsschicht.");
    }
    if (progressive)
      load->cursor = cmd->OpenCursor(sink, maxRecords_, load->cancel, load->connection);
    else
      cmd->Run(&sink, maxRecords_);
  } else {
    ConnectionLease lease;
    lease.Acquire(connection_, connectionString_);
    StatementRequest request;
    request.text = source_;
    request.commandType = commandType_;
    request.maxRows = maxRecords_;
    if (progressive) {
      load->cursor = lease.Get().OpenCursor(request, sink, load->cancel);
      if (load->cursor) load->connection = lease.Keep();
    } else {
      lease.Get().Run(request, &sink);
    }
  }
  if (load->cursor) {
    // The columns are known once the first rows (or, for expression columns, their
    // first values) have come; a failure this early fails the open.
    RowCursor::Status status;
    try {
      do {
        status = load->cursor->Fetch(sink, kFirstRows);
      } while (status == RowCursor::Status::kMore && !sink.HasColumns());
    } catch (const VMError& e) {
      if (load->connection) load->connection->RecordFailure(e);
      throw;
    }
    if (status != RowCursor::Status::kMore) load->cursor.reset();
  }
  if (!sink.HasColumns()) return nullptr;
  if (load->cursor && loading) {
    *loading = std::move(load);
  } else {
    sink.Finish();
  }
  return store;
}

bool RecordsetImpl::FetchMore(int32_t maxRows) {
  if (!loading_ || fetching_) return IsFetching();
  // An observer told below may let go of this recordset.
  const auto keep = weak_from_this().lock();
  fetching_ = true;
  const size_t before = store_->rowCount;
  RowCursor::Status status = RowCursor::Status::kDone;
  try {
    status = loading_->cursor->Fetch(*loading_->sink, maxRows < 0 ? 0 : maxRows);
  } catch (const VMError& e) {
    // The rows fetched so far stay; the load ends with the data source's message.
    fetchError_ = e.Description();
    if (loading_->connection) loading_->connection->RecordFailure(e);
  } catch (const std::bad_alloc&) {
    // Out of memory half way: the same, never an exception out of the event loop.
    fetchError_ = "Nicht genug Arbeitsspeicher für weitere Datensätze.";
  }
  fetching_ = false;
  // While loading, the view is every row in source order (whatever needs another
  // order fetches the rest first), so new rows are appended.
  const bool wasEmpty = view_.empty();
  const bool atEnd = !wasEmpty && pos_ == static_cast<int64_t>(view_.size());
  for (size_t r = before; r < store_->rowCount; ++r) view_.push_back(static_cast<uint32_t>(r));
  InvalidateOrdinals();
  if (wasEmpty && !view_.empty() && pos_ <= 0) pos_ = 0;
  if (atEnd) pos_ = static_cast<int64_t>(view_.size());
  if (status == RowCursor::Status::kCancelled) fetchCancelled_ = true;
  const bool ended = status != RowCursor::Status::kMore;
  if (ended) EndLoading();
  if (store_->rowCount != before) NotifyRows();
  if (ended) NotifyFetchComplete();
  return IsFetching();
}

void RecordsetImpl::Cancel() {
  if (!loading_) return;
  const auto keep = weak_from_this().lock();
  loading_->cancel->store(true);
  fetchCancelled_ = true;
  EndLoading();
  NotifyFetchComplete();
}

void RecordsetImpl::FetchAll() const {
  auto* self = const_cast<RecordsetImpl*>(this);
  while (self->loading_ && !self->fetching_) self->FetchMore(0);
}

void RecordsetImpl::EndLoading() {
  if (!loading_) return;
  std::unique_ptr<Loading> done = std::move(loading_);
  done->cursor.reset();
  done->sink->Finish();
}

void RecordsetImpl::NotifyFetchComplete() {
  if (observers_.empty()) return;
  auto list = observers_;
  for (auto* o : list) o->FetchComplete();
}

}  // namespace vmbgrid::data
