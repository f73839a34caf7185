// The client-side recordset: a cursor (position, filter, sort, edit buffer) over a
// row store that it shares with its clones. The view is the list of row ids that
// pass the filter, in sort order; bookmarks are row ids.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/connection_impl.h"
#include "data/filter.h"
#include "data/row_store.h"
#include "data/sort.h"
#include "host/data_access.h"

namespace vmbgrid::data {

class RecordsetImpl final : public Recordset, public std::enable_shared_from_this<RecordsetImpl> {
 public:
  RecordsetImpl() = default;
  ~RecordsetImpl() override;
  RecordsetImpl(const RecordsetImpl&) = delete;
  RecordsetImpl& operator=(const RecordsetImpl&) = delete;

  int CursorLocation() const override { return cursorLocation_; }
  void CursorLocation(int location) override;
  int CursorType() const override;
  int LockType() const override { return lockType_; }
  int32_t MaxRecords() const override { return maxRecords_; }
  void MaxRecords(int32_t limit) override;
  std::string Source() const override { return source_; }

  void Open(const std::string& source, std::shared_ptr<Connection> connection,
            int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
            int options = -1) override;
  void Open(const std::string& source, const std::string& connectionString,
            int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
            int options = -1) override;
  void Open(std::shared_ptr<Command> command, int cursorType = adOpenUnspecified,
            int lockType = adLockUnspecified, int options = -1) override;
  void OpenFabricated(int cursorType = adOpenStatic, int lockType = adLockBatchOptimistic) override;
  void Close() override;
  int State() const override { return store_ ? adStateOpen : adStateClosed; }
  void Requery(int options = -1) override;

  std::shared_ptr<Connection> ActiveConnection() const override { return connection_; }
  void ActiveConnection(std::shared_ptr<Connection> connection) override;

  int FieldCount() const override;
  int FieldIndex(std::string_view name) const override;
  std::string FieldName(int index) const override;
  int32_t FieldType(int index) const override;
  int32_t FieldDefinedSize(int index) const override;
  int32_t FieldPrecision(int index) const override;
  int32_t FieldNumericScale(int index) const override;
  void AppendField(const std::string& name, int32_t type, int32_t definedSize = 0,
                   int32_t attributes = adFldUnspecified, int32_t precision = 0,
                   int32_t numericScale = 0) override;

  Variant Value(int index) const override;
  Variant Value(std::string_view name) const override;
  void SetValue(int index, const Variant& value) override;
  void SetValue(std::string_view name, const Variant& value) override;

  int32_t RecordCount() const override;
  bool IsEOF() const override;
  bool IsBOF() const override;
  void MoveFirst() override;
  void MoveLast() override;
  void MoveNext() override;
  void MovePrevious() override;
  void Move(int32_t count) override;
  int32_t AbsolutePosition() const override;
  void AbsolutePosition(int32_t position) override;

  Variant Bookmark() const override;
  void Bookmark(const Variant& bookmark) override;

  Variant ValueAt(int32_t ordinal, int field) const override;
  Variant BookmarkAt(int32_t ordinal) const override;
  int32_t OrdinalOf(const Variant& bookmark) const override;
  bool NumberAt(int32_t ordinal, int field, double& out) const override;
  Variant Total(int field) const override;

  void AddNew() override;
  void Update() override;
  void Update(const std::vector<std::string>& names, const std::vector<Variant>& values) override;
  void CancelUpdate() override;
  void Delete() override;
  int EditMode() const override { return editMode_; }

  std::string Filter() const override { return filterText_; }
  void Filter(const std::string& expression) override;
  std::string Sort() const override { return sortText_; }
  void Sort(const std::string& order) override;
  void Find(const std::string& criterion, int32_t skip = 0, int direction = adSearchForward,
            const Variant& start = Variant()) override;

  std::shared_ptr<Recordset> Clone() override;

  bool IsFetching() const override { return loading_ != nullptr; }
  bool FetchMore(int32_t maxRows) override;
  void Cancel() override;
  bool FetchCancelled() const override { return fetchCancelled_; }
  std::string FetchError() const override { return fetchError_; }

  void AddObserver(RecordsetObserver* observer) override;
  void RemoveObserver(RecordsetObserver* observer) override;

  // Opens over rows delivered by a provider (command execution).
  void OpenOnStore(std::shared_ptr<RowStore> store, std::string source, int lockType);

  // Told by the shared store when another cursor added, deleted or changed a row.
  void OnRowAdded(uint32_t row);
  void OnRowDeleted(uint32_t row);
  void OnRowChanged(uint32_t row);

 private:
  void RequireOpen() const;
  void RequireClosed() const;
  void RequireEditable() const;
  int RequireField(std::string_view name) const;
  const Column& ColumnAt(int index) const;
  // The appended field of a recordset not yet opened; null once it is open.
  const ColumnMeta* Appended(int index) const;
  bool HasCurrent() const;
  uint32_t CurrentRow() const;  // raises without a current row
  uint32_t RowAtOrdinal(int32_t ordinal) const;
  int64_t OrdinalOfRow(uint32_t row) const;
  static bool RowFromBookmark(const Variant& bookmark, uint32_t& row);

  void Attach(std::shared_ptr<RowStore> store);
  void Detach();
  // A progressive load in progress (recordset_fetch.cpp).
  struct Loading;
  // Runs the source (command or text) and returns its rows; null when it returned none.
  // With `progressive` and a provider that can, only the first rows are fetched and
  // the rest is left in `loading`.
  std::shared_ptr<RowStore> Fetch(bool progressive = false,
                                  std::unique_ptr<Loading>* loading = nullptr);
  // Runs the source and opens on its rows, progressively with adAsyncFetch.
  void OpenFetched(int options);
  // Fetches the rest of a progressive load (operations that need every row).
  void FetchAll() const;
  // Ends a progressive load: the cursor goes, the store is trimmed.
  void EndLoading();
  void NotifyFetchComplete();
  // Rebuilds the view from the store with the current filter and sort.
  void Rebuild();
  // The rows the filter selects, in the order of the keys; changes nothing.
  std::vector<uint32_t> BuildView(const CompiledFilter& filter,
                                  const std::vector<SortKey>& keys) const;
  void InvalidateOrdinals() { ordinalsValid_ = false; }
  void SetPosition(int64_t pos);
  void CommitPending();
  void DiscardPending();
  Variant Coerce(const Column& c, const Variant& v) const;
  void NotifyRows();
  void NotifyPosition();
  void NotifyRow(uint32_t row);

  // Settings.
  int cursorLocation_ = adUseServer;
  int cursorType_ = adOpenForwardOnly;
  int lockType_ = adLockReadOnly;
  int32_t maxRecords_ = 0;
  std::string source_;
  int commandType_ = adCmdUnknown;
  std::shared_ptr<Connection> connection_;
  std::string connectionString_;  // when opened by string: reopened for Requery
  std::shared_ptr<Command> command_;
  std::vector<ColumnMeta> appended_;
  std::vector<int32_t> appendedAttributes_;
  bool fabricated_ = false;

  // Cursor state.
  std::shared_ptr<RowStore> store_;  // null while closed
  std::vector<uint32_t> view_;
  int64_t pos_ = -1;        // -1 BOF, view_.size() EOF
  bool onDeleted_ = false;  // the current row was deleted; the next move leaves it
  std::string filterText_;
  CompiledFilter filter_;
  std::string sortText_;
  std::vector<SortKey> sortKeys_;

  // Editing: values set but not yet written, per field.
  int editMode_ = adEditNone;
  std::vector<std::optional<Variant>> pending_;
  uint32_t editRow_ = 0;
  int64_t posBeforeAdd_ = -1;

  // Progressive loading.
  std::unique_ptr<Loading> loading_;
  bool fetchCancelled_ = false;
  bool fetching_ = false;  // inside FetchMore
  std::string fetchError_;

  mutable std::vector<int32_t> ordinalOfRow_;
  mutable bool ordinalsValid_ = false;
  std::vector<RecordsetObserver*> observers_;
};

// A progressive load in progress: the cursor and what it fills.
struct RecordsetImpl::Loading {
  std::shared_ptr<RowStore> store;             // the store the sink fills
  std::shared_ptr<ConnectionImpl> connection;  // kept open for the cursor
  std::unique_ptr<StoreSink> sink;
  std::unique_ptr<RowCursor> cursor;
  std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace vmbgrid::data
