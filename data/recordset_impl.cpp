// Recordset: opening, closing, fields, navigation, values and clones.
#include "data/recordset_impl.h"

#include <algorithm>

#include "data/command_impl.h"
#include "data/connection_impl.h"
#include "host/error.h"

namespace vmbgrid::data {
namespace {

const char* kSource = "VMBGrid.Recordset";

int CommandTypeOf(int options) {
  if (options < 0) return adCmdUnknown;
  int t = options & 0x0F;
  if (t == adCmdText || t == adCmdTable || t == adCmdStoredProc) return t;
  return adCmdUnknown;
}

}  // namespace

RecordsetImpl::~RecordsetImpl() {
  if (store_) {
    DiscardPending();
    Detach();
  }
}

void RecordsetImpl::RequireOpen() const {
  if (!store_) {
    throw VMError(errc::kObjectClosed, kSource,
                  "Der Vorgang ist bei geschlossenem Recordset nicht zulässig.");
  }
}

void RecordsetImpl::RequireClosed() const {
  if (store_) {
    throw VMError(errc::kObjectOpen, kSource,
                  "Der Vorgang ist bei geöffnetem Recordset nicht zulässig.");
  }
}

void RecordsetImpl::CursorLocation(int location) {
  RequireClosed();
  cursorLocation_ = location;
}

int RecordsetImpl::CursorType() const {
  // All rows are held on the client, so every open recordset is static.
  if (store_ || cursorLocation_ == adUseClient) return adOpenStatic;
  return cursorType_;
}

void RecordsetImpl::MaxRecords(int32_t limit) {
  if (limit < 0) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Die Höchstzahl der Datensätze darf nicht negativ sein.");
  }
  maxRecords_ = limit;
}

// ---- opening ----

void RecordsetImpl::Attach(std::shared_ptr<RowStore> store) {
  store_ = std::move(store);
  store_->cursors.push_back(this);
  InvalidateOrdinals();
}

void RecordsetImpl::Detach() {
  loading_.reset();  // a load still running ends with the cursor
  if (!store_) return;
  auto& list = store_->cursors;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  store_.reset();
  view_.clear();
  view_.shrink_to_fit();
  ordinalOfRow_.clear();
  ordinalOfRow_.shrink_to_fit();
  InvalidateOrdinals();
}

void RecordsetImpl::Open(const std::string& source, std::shared_ptr<Connection> connection,
                         int cursorType, int lockType, int options) {
  RequireClosed();
  if (connection) {
    connection_ = std::move(connection);
    connectionString_.clear();
  }
  if (!connection_ && connectionString_.empty()) {
    throw VMError(errc::kObjectClosed, kSource, "Der Recordset hat keine Verbindung.");
  }
  source_ = source;
  commandType_ = CommandTypeOf(options);
  command_.reset();
  fabricated_ = false;
  cursorType_ = cursorType;
  lockType_ = lockType == adLockUnspecified ? adLockReadOnly : lockType;
  OpenFetched(options);
}

void RecordsetImpl::OpenFetched(int options) {
  std::unique_ptr<Loading> loading;
  auto store = Fetch(options >= 0 && (options & adAsyncFetch) != 0, &loading);
  fetchCancelled_ = false;
  fetchError_.clear();
  if (store) {
    OpenOnStore(std::move(store), source_, lockType_);
    loading_ = std::move(loading);
  }
}

void RecordsetImpl::Open(const std::string& source, const std::string& connectionString,
                         int cursorType, int lockType, int options) {
  RequireClosed();
  // An open connection with the same string is used, so that its statement log sees
  // the statement and in-memory databases stay one database.
  auto shared = ConnectionImpl::FindOpen(connectionString);
  connection_ = shared;
  connectionString_ = connectionString;
  Open(source, std::shared_ptr<Connection>(), cursorType, lockType, options);
}

void RecordsetImpl::Open(std::shared_ptr<Command> command, int cursorType, int lockType,
                         int options) {
  RequireClosed();
  if (!command) throw VMError(errc::kObjectRequired, kSource, "Es ist kein Befehl angegeben.");
  command_ = std::move(command);
  source_ = command_->CommandText();
  connection_ = command_->ActiveConnection();
  connectionString_.clear();
  fabricated_ = false;
  cursorType_ = cursorType;
  lockType_ = lockType == adLockUnspecified ? adLockReadOnly : lockType;
  OpenFetched(options);
}

void RecordsetImpl::OpenFabricated(int cursorType, int lockType) {
  RequireClosed();
  if (appended_.empty()) {
    throw VMError(errc::kOperationNotAllowed, kSource,
                  "Ein Recordset ohne Felder kann nicht geöffnet werden.");
  }
  auto store = std::make_shared<RowStore>();
  store->SetColumns(appended_, &appendedAttributes_);
  fabricated_ = true;
  command_.reset();
  source_.clear();
  cursorType_ = cursorType;
  lockType_ = lockType == adLockUnspecified ? adLockBatchOptimistic : lockType;
  OpenOnStore(std::move(store), "", lockType_);
}

void RecordsetImpl::OpenOnStore(std::shared_ptr<RowStore> store, std::string source, int lockType) {
  RequireClosed();
  source_ = std::move(source);
  lockType_ = lockType;
  Attach(std::move(store));
  filterText_.clear();
  filter_ = CompiledFilter();
  sortText_.clear();
  sortKeys_.clear();
  editMode_ = adEditNone;
  pending_.clear();
  Rebuild();
  SetPosition(0);
  NotifyRows();
}

void RecordsetImpl::Close() {
  RequireOpen();
  DiscardPending();
  Detach();
  filterText_.clear();
  filter_ = CompiledFilter();
  sortText_.clear();
  sortKeys_.clear();
  pos_ = -1;
  onDeleted_ = false;
  NotifyRows();
}

void RecordsetImpl::Requery(int /*options*/) {
  RequireOpen();
  CommitPending();
  if (!fabricated_) {
    if (!command_ && !connection_ && connectionString_.empty()) {
      throw VMError(
          errc::kObjectClosed, kSource,
          "Der Recordset ist von seiner Verbindung getrennt und kann nicht neu abgefragt werden.");
    }
    auto fresh = Fetch();
    if (!fresh) {
      throw VMError(errc::kOperationNotAllowed, kSource,
                    "Die Abfrage liefert keine Datensätze mehr.");
    }
    // Clones keep the rows they had; this cursor moves to the new rows.
    Detach();
    Attach(std::move(fresh));
  }
  // The filter and sort are applied again; if the new columns no longer fit them
  // they are dropped and the reason is raised after the rows are in place.
  std::string failure;
  try {
    filter_ = CompiledFilter::Compile(filterText_, *store_);
  } catch (const VMError& e) {
    filterText_.clear();
    filter_ = CompiledFilter();
    failure = e.Description();
  }
  try {
    sortKeys_ = ParseSort(sortText_, *store_);
  } catch (const VMError& e) {
    sortText_.clear();
    sortKeys_.clear();
    if (failure.empty()) failure = e.Description();
  }
  Rebuild();
  SetPosition(0);
  NotifyRows();
  if (!failure.empty()) throw VMError(errc::kInvalidArgument, kSource, failure);
}

void RecordsetImpl::ActiveConnection(std::shared_ptr<Connection> connection) {
  connection_ = std::move(connection);
  connectionString_.clear();
  if (!connection_) command_.reset();
}

// ---- fields ----

int RecordsetImpl::FieldCount() const {
  return static_cast<int>(store_ ? store_->columns.size() : appended_.size());
}

int RecordsetImpl::FieldIndex(std::string_view name) const {
  if (store_) return store_->FindColumn(name);
  std::string folded = FoldText(name);
  for (size_t i = 0; i < appended_.size(); ++i)
    if (FoldText(appended_[i].name) == folded) return static_cast<int>(i);
  return -1;
}

int RecordsetImpl::RequireField(std::string_view name) const {
  int i = FieldIndex(name);
  if (i < 0) {
    throw VMError(
        errc::kItemNotFound, kSource,
        "Das Feld \"" + std::string(name) + "\" ist in dieser Auflistung nicht vorhanden.");
  }
  return i;
}

const Column& RecordsetImpl::ColumnAt(int index) const {
  RequireOpen();
  if (index < 0 || static_cast<size_t>(index) >= store_->columns.size()) {
    throw VMError(errc::kItemNotFound, kSource,
                  "Das Feld mit der Nummer " + std::to_string(index) +
                      " ist in dieser Auflistung nicht vorhanden.");
  }
  return store_->columns[static_cast<size_t>(index)];
}

const ColumnMeta* RecordsetImpl::Appended(int index) const {
  if (store_ || index < 0 || static_cast<size_t>(index) >= appended_.size()) return nullptr;
  return &appended_[static_cast<size_t>(index)];
}

std::string RecordsetImpl::FieldName(int index) const {
  if (const ColumnMeta* m = Appended(index)) return m->name;
  return ColumnAt(index).name;
}

int32_t RecordsetImpl::FieldType(int index) const {
  if (const ColumnMeta* m = Appended(index)) return m->type;
  return ColumnAt(index).type;
}

int32_t RecordsetImpl::FieldDefinedSize(int index) const {
  if (const ColumnMeta* m = Appended(index)) return m->definedSize;
  return ColumnAt(index).definedSize;
}

int32_t RecordsetImpl::FieldPrecision(int index) const {
  if (const ColumnMeta* m = Appended(index)) return m->precision;
  return ColumnAt(index).precision;
}

int32_t RecordsetImpl::FieldNumericScale(int index) const {
  if (const ColumnMeta* m = Appended(index)) return m->scale;
  return ColumnAt(index).scale;
}

void RecordsetImpl::AppendField(const std::string& name, int32_t type, int32_t definedSize,
                                int32_t attributes, int32_t precision, int32_t numericScale) {
  if (store_) {
    throw VMError(errc::kObjectOpen, kSource,
                  "Einem geöffneten Recordset können keine Felder hinzugefügt werden.");
  }
  if (name.empty()) throw VMError(errc::kInvalidArgument, kSource, "Der Feldname fehlt.");
  if (FieldIndex(name) >= 0) {
    throw VMError(errc::kKeyAlreadyExists, kSource,
                  "Das Feld \"" + name + "\" ist bereits vorhanden.");
  }
  appended_.push_back(ColumnMeta{name, type, definedSize < 0 ? 0 : definedSize,
                                 precision < 0 ? 0 : precision, numericScale});
  appendedAttributes_.push_back(attributes);
}

// ---- position ----

bool RecordsetImpl::HasCurrent() const {
  return store_ && !onDeleted_ && pos_ >= 0 && pos_ < static_cast<int64_t>(view_.size());
}

uint32_t RecordsetImpl::CurrentRow() const {
  RequireOpen();
  if (onDeleted_) {
    throw VMError(errc::kNoCurrentRecord, kSource, "Der aktuelle Datensatz wurde gelöscht.");
  }
  if (!HasCurrent()) {
    throw VMError(errc::kNoCurrentRecord, kSource,
                  "Es gibt keinen aktuellen Datensatz: der Anfang oder das Ende der Datensätze ist "
                  "erreicht.");
  }
  return view_[static_cast<size_t>(pos_)];
}

void RecordsetImpl::SetPosition(int64_t pos) {
  int64_t n = static_cast<int64_t>(view_.size());
  pos_ = pos < 0 ? -1 : (pos > n ? n : pos);
  onDeleted_ = false;
  NotifyPosition();
}

int32_t RecordsetImpl::RecordCount() const {
  return store_ ? static_cast<int32_t>(view_.size()) : 0;
}

bool RecordsetImpl::IsEOF() const {
  if (!store_ || view_.empty()) return true;
  return !onDeleted_ && pos_ >= static_cast<int64_t>(view_.size());
}

bool RecordsetImpl::IsBOF() const {
  if (!store_ || view_.empty()) return true;
  return !onDeleted_ && pos_ < 0;
}

void RecordsetImpl::MoveFirst() {
  RequireOpen();
  CommitPending();
  SetPosition(0);
}

void RecordsetImpl::MoveLast() {
  FetchAll();
  RequireOpen();
  CommitPending();
  SetPosition(view_.empty() ? 0 : static_cast<int64_t>(view_.size()) - 1);
}

void RecordsetImpl::MoveNext() {
  RequireOpen();
  CommitPending();
  // After a deletion the position already stands on the following row.
  if (onDeleted_)
    SetPosition(pos_);
  else if (pos_ < static_cast<int64_t>(view_.size()))
    SetPosition(pos_ + 1);
}

void RecordsetImpl::MovePrevious() {
  RequireOpen();
  CommitPending();
  if (onDeleted_ || pos_ >= 0) SetPosition(pos_ - 1);
}

void RecordsetImpl::Move(int32_t count) {
  RequireOpen();
  CommitPending();
  if (count == 0) return;
  int64_t base = pos_;
  if (onDeleted_ && count > 0) base = pos_ - 1;
  SetPosition(base + count);
}

int32_t RecordsetImpl::AbsolutePosition() const {
  return HasCurrent() ? static_cast<int32_t>(pos_ + 1) : 0;
}

void RecordsetImpl::AbsolutePosition(int32_t position) {
  RequireOpen();
  if (position < 1 || static_cast<size_t>(position) > view_.size()) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Die Position " + std::to_string(position) + " liegt außerhalb der Datensätze.");
  }
  CommitPending();
  SetPosition(position - 1);
}

// ---- bookmarks ----

bool RecordsetImpl::RowFromBookmark(const Variant& bookmark, uint32_t& row) {
  if (!bookmark.IsNumberType() && !bookmark.IsString()) return false;
  int64_t v = 0;
  try {
    v = bookmark.ToInt64();
  } catch (const VMError&) {
    return false;
  }
  if (v < 1 || v > 0x7FFFFFFF) return false;
  row = static_cast<uint32_t>(v - 1);
  return true;
}

int64_t RecordsetImpl::OrdinalOfRow(uint32_t row) const {
  if (!store_ || row >= store_->rowCount) return -1;
  if (!ordinalsValid_) {
    ordinalOfRow_.assign(store_->rowCount, -1);
    for (size_t i = 0; i < view_.size(); ++i) ordinalOfRow_[view_[i]] = static_cast<int32_t>(i);
    ordinalsValid_ = true;
  }
  return row < ordinalOfRow_.size() ? ordinalOfRow_[row] : -1;
}

Variant RecordsetImpl::Bookmark() const { return Variant(static_cast<int32_t>(CurrentRow() + 1)); }

void RecordsetImpl::Bookmark(const Variant& bookmark) {
  RequireOpen();
  uint32_t row = 0;
  int64_t ordinal = RowFromBookmark(bookmark, row) ? OrdinalOfRow(row) : -1;
  if (ordinal < 0) {
    throw VMError(errc::kBadBookmark, kSource, "Das Lesezeichen ist ungültig.");
  }
  CommitPending();
  SetPosition(OrdinalOfRow(row));  // the commit may have changed the view
}

uint32_t RecordsetImpl::RowAtOrdinal(int32_t ordinal) const {
  RequireOpen();
  if (ordinal < 0 || static_cast<size_t>(ordinal) >= view_.size()) {
    throw VMError(errc::kInvalidArgument, kSource,
                  "Die Position " + std::to_string(ordinal) + " liegt außerhalb der Datensätze.");
  }
  return view_[static_cast<size_t>(ordinal)];
}

Variant RecordsetImpl::BookmarkAt(int32_t ordinal) const {
  return Variant(static_cast<int32_t>(RowAtOrdinal(ordinal) + 1));
}

int32_t RecordsetImpl::OrdinalOf(const Variant& bookmark) const {
  uint32_t row = 0;
  if (!store_ || !RowFromBookmark(bookmark, row)) return -1;
  return static_cast<int32_t>(OrdinalOfRow(row));
}

// ---- values ----

Variant RecordsetImpl::Value(int index) const {
  const Column& c = ColumnAt(index);
  uint32_t row = CurrentRow();
  if (editMode_ != adEditNone && row == editRow_ && pending_[static_cast<size_t>(index)])
    return *pending_[static_cast<size_t>(index)];
  return c.ValueAt(row);
}

Variant RecordsetImpl::Value(std::string_view name) const {
  RequireOpen();
  return Value(RequireField(name));
}

Variant RecordsetImpl::ValueAt(int32_t ordinal, int field) const {
  uint32_t row = RowAtOrdinal(ordinal);
  const Column& c = ColumnAt(field);
  if (editMode_ != adEditNone && row == editRow_ && pending_[static_cast<size_t>(field)])
    return *pending_[static_cast<size_t>(field)];
  return c.ValueAt(row);
}

bool RecordsetImpl::NumberAt(int32_t ordinal, int field, double& out) const {
  if (!store_ || ordinal < 0 || static_cast<size_t>(ordinal) >= view_.size() || field < 0 ||
      static_cast<size_t>(field) >= store_->columns.size())
    return false;
  uint32_t row = view_[static_cast<size_t>(ordinal)];
  if (editMode_ != adEditNone && row == editRow_ && pending_[static_cast<size_t>(field)]) {
    const Variant& v = *pending_[static_cast<size_t>(field)];
    if (!v.IsNumberType()) return false;
    out = v.ToDouble();
    return true;
  }
  return store_->columns[static_cast<size_t>(field)].NumberAt(row, out);
}

Variant RecordsetImpl::Total(int field) const {
  FetchAll();
  if (!store_ || field < 0 || static_cast<size_t>(field) >= store_->columns.size())
    return Variant(Decimal());
  // A pending edit of this field overrides the stored cell: take the general path.
  if (editMode_ != adEditNone && pending_[static_cast<size_t>(field)])
    return Recordset::Total(field);
  const Column& c = store_->columns[static_cast<size_t>(field)];
  auto isNull = [&c](uint32_t row) { return (c.nulls[row >> 6] >> (row & 63)) & 1u; };
  NumberTotal total;
  // One loop per storage straight over the column arrays.
  switch (c.storage) {
    case Storage::Int32:
      for (uint32_t row : view_)
        if (!isNull(row)) total.AddInteger(c.i32[row]);
      break;
    case Storage::Int64:
      for (uint32_t row : view_)
        if (!isNull(row)) total.AddInteger(c.i64[row]);
      break;
    case Storage::Double:
      if (c.presentation == Presentation::Date) break;
      for (uint32_t row : view_)
        if (!isNull(row)) total.AddDouble(c.f64[row]);
      break;
    case Storage::Decimal:
      for (uint32_t row : view_)
        if (!isNull(row)) total.AddExact(c.dec[row]);
      break;
    case Storage::Text:
    case Storage::Variant:
      for (uint32_t row : view_) total.AddValue(c.ValueAt(row));
      break;
  }
  return total.Result();
}

// ---- clones and observers ----

std::shared_ptr<Recordset> RecordsetImpl::Clone() {
  RequireOpen();
  FetchAll();
  CommitPending();
  auto c = std::make_shared<RecordsetImpl>();
  c->cursorLocation_ = cursorLocation_;
  c->cursorType_ = cursorType_;
  c->lockType_ = lockType_;
  c->maxRecords_ = maxRecords_;
  c->source_ = source_;
  c->commandType_ = commandType_;
  c->connection_ = connection_;
  c->connectionString_ = connectionString_;
  c->command_ = command_;
  c->appended_ = appended_;
  c->appendedAttributes_ = appendedAttributes_;
  c->fabricated_ = fabricated_;
  // A clone starts without filter and sort, on its first row.
  c->Attach(store_);
  c->Rebuild();
  c->SetPosition(0);
  return c;
}

void RecordsetImpl::AddObserver(RecordsetObserver* observer) {
  if (observer == nullptr) return;
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void RecordsetImpl::RemoveObserver(RecordsetObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// Observers may add or remove observers while being told, so a copy is walked.
void RecordsetImpl::NotifyRows() {
  if (observers_.empty()) return;
  auto list = observers_;
  for (auto* o : list) o->RowsChanged();
}

void RecordsetImpl::NotifyPosition() {
  if (observers_.empty()) return;
  auto list = observers_;
  for (auto* o : list) o->PositionChanged();
}

void RecordsetImpl::NotifyRow(uint32_t row) {
  if (observers_.empty()) return;
  auto list = observers_;
  Variant bm(static_cast<int32_t>(row + 1));
  for (auto* o : list) o->RowChanged(bm);
}

}  // namespace vmbgrid::data
