// Loading the rows: the database path (statement, command, client recordset) and
// the in-memory path over host-supplied rows, binding, column set-up and the
// two error handlers that keep the controller usable after a failure.
#include <new>
#include <string>

#include "core/services.h"
#include "core/strings.h"
#include "grid/vmgrid.h"
#include "host/sql_text.h"
#include "layout/layout_store.h"
#include "menus/menu_controller.h"
#include "search/criteria.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid {

namespace {
constexpr int kColumnPropInputStyle = 76;

const char* const kSortRejected = "Nach dieser Spalte kann nicht sortiert werden.";
const char* const kLoadOutOfMemory =
    "Nicht genug Arbeitsspeicher, um die Datensätze zu laden. Die Tabelle zeigt weiter die "
    "bisherigen Zeilen; bitte die Suche enger fassen oder die Zahl der Datensätze begrenzen.";
const char* const kSortOutOfMemory =
    "Nicht genug Arbeitsspeicher, um die Datensätze zu sortieren. Die Zeilen bleiben in der "
    "bisherigen Reihenfolge.";
const char* const kFilterError = "Fehler in Filter: ";
// The in-memory filter that keeps no row, as " WHERE 0 = 1" does on the database.
const char* const kNoRows = "0 = 1";
constexpr size_t kStatementExcerpt = 200;
constexpr size_t kReasonExcerpt = 300;

std::string Joined(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* l : lines) {
    if (!text.empty()) text += "\r\n";
    text += l;
  }
  return text;
}

bool IsRejectedStatement(int32_t number) {
  return number == errc::kRejectedStatement || number == errc::kIntegrityViolation;
}

// The criteria language refuses a typed value it cannot write as a literal with a
// type mismatch of the library itself; data-source errors carry provider codes.
bool IsCriterionError(const VMError& e) {
  return e.Number() == errc::kTypeMismatch && e.Source() == "VMBGrid";
}

// The allocator's failure, or a data source that ran out of memory itself.
bool IsOutOfMemory(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return true;
  auto* v = dynamic_cast<const VMError*>(&e);
  return v && v->Number() == errc::kOutOfMemory;
}

int32_t ErrorNumber(const std::exception& e) {
  if (auto* v = dynamic_cast<const VMError*>(&e)) return v->Number();
  return 0;
}

// A LIKE pattern of the filter that begins with "*" but does not end with one:
// in-memory filtering takes a leading "*" only together with a trailing "*". Each
// pattern is looked at, so that "*ül*;<=Übel" is no such pattern because the text
// as a whole ends differently.
bool LeadingStarOnly(const std::string& where) {
  for (size_t at = where.find("LIKE '"); at != std::string::npos;
       at = where.find("LIKE '", at + 1)) {
    const size_t start = at + 6;
    size_t end = start;
    while (end < where.size()) {
      if (where[end] == '\'' && end + 1 < where.size() && where[end + 1] == '\'') {
        end += 2;
      } else if (where[end] == '\'') {
        break;
      } else {
        ++end;
      }
    }
    const std::string_view pattern(where.data() + start, end - start);
    if (pattern.starts_with("*") && !pattern.ends_with("*")) return true;
  }
  return false;
}

// "12.345": the count in German notation, as the grids show numbers.
std::string GroupedCount(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}
}  // namespace

// Told when the current result's progressive load ends.
class VMGrid::LoadWatch : public RecordsetObserver {
 public:
  explicit LoadWatch(VMGrid& owner) : owner_(owner) {}
  ~LoadWatch() override { Detach(); }
  LoadWatch(const LoadWatch&) = delete;
  LoadWatch& operator=(const LoadWatch&) = delete;
  void Attach(const std::shared_ptr<Recordset>& rs) {
    Detach();
    watched_ = rs;
    rs->AddObserver(this);
  }
  void Detach() {
    if (auto rs = watched_.lock()) rs->RemoveObserver(this);
    watched_.reset();
  }
  // Inside the recordset's notification: the rest waits for the posted message, so
  // that sums and a message box never run nested in a fetch.
  void FetchComplete() override {
    auto rs = watched_.lock();
    Detach();
    if (!rs || rs != owner_.currentRecordset_) return;
    owner_.loadEnded_ = rs;
    if (owner_.grid_) owner_.grid_->PostMsg(search::kGridLoadEnded);
  }

 private:
  VMGrid& owner_;
  std::weak_ptr<Recordset> watched_;
};

void VMGrid::StopLoading() {
  if (loadWatch_) loadWatch_->Detach();
  loadEnded_.reset();
  // Replaced anyway: stopped without a word, so that its statement ends at once.
  if (currentRecordset_ && currentRecordset_->IsFetching()) currentRecordset_->Cancel();
}

void VMGrid::LoadEnded() {
  auto rs = loadEnded_.lock();
  loadEnded_.reset();
  // A result replaced meanwhile was stopped without a word.
  if (rs && rs == currentRecordset_ && !rs->IsFetching()) LoadEnded(*rs);
}

void VMGrid::LoadEnded(Recordset& rs) {
  recordCount_ = rs.State() == adStateClosed ? 0 : rs.RecordCount();
  sumRow_->ComputeSums();
  if (grid_) grid_->PostMsg(search::kGridFitSumRow);
  const std::string reason = rs.FetchError();
  if (!rs.FetchCancelled() && reason.empty()) return;
  std::string text = "Laden abgebrochen: " + GroupedCount(recordCount_) +
                     (recordCount_ == 1 ? " Datensatz geladen." : " Datensätze geladen.");
  if (!reason.empty()) text += "\r\n" + sql::Excerpt(reason, kReasonExcerpt);
  ShowMessage(text);
}

// Handler B: a sorted statement that the data source rejects cannot be sorted by
// that column, and the previous sort returns; every other failure is reported with
// the statement (or the probe) that failed. A statement without ORDER BY is never
// blamed on the sort: SQLite rejects unknown tables and columns with the same code.
bool VMGrid::HandleDataError(const std::exception& e, const std::string& statement) {
  const std::string& failed = statement.empty() ? probeStatement_ : statement;
  if ((IsRejectedStatement(ErrorNumber(e)) || NamesSortColumn(e)) &&
      failed.find(" ORDER BY ") != std::string::npos) {
    ShowMessage(kSortRejected);
    sortBy_ = previousSortBy_;
  } else {
    // The statement cut to what a message box can show, and why it failed: the
    // missing table or column, a damaged file, a criterion too large.
    std::string text = kFilterError + core::Visible(sql::Excerpt(failed, kStatementExcerpt));
    if (dynamic_cast<const VMError*>(&e)) text += "\r\n" + sql::Excerpt(e.what(), kReasonExcerpt);
    ShowMessage(text);
  }
  return true;
}

// A missing column is the sort's fault only when it is the column sorted by.
bool VMGrid::NamesSortColumn(const std::exception& e) const {
  auto* v = dynamic_cast<const VMError*>(&e);
  if (!v || v->Number() != errc::kNoSuchColumn) return false;
  auto named = [v](const std::string& column) {
    return !column.empty() && v->Description().find("\"" + column + "\"") != std::string::npos;
  };
  if (!sortBy_.empty()) return named(sortBy_);
  for (const auto& sc : *sortColumns_)
    if (named(sc->sortcolumn)) return true;
  return false;
}

void VMGrid::OpenDatabaseResult(std::string& statement) {
  StopLoading();
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  // Out of memory, the rows shown so far stay: what failed is dropped, and the grid
  // is bound to the previous result again, so it stays usable.
  const std::shared_ptr<Recordset> previous = currentRecordset_;
  auto failed = [&](const std::exception& e) {
    if (IsOutOfMemory(e)) {
      currentRecordset_ = previous;
      ShowMessage(kLoadOutOfMemory);
    } else {
      HandleDataError(e, statement);
    }
  };
  currentRecordset_ = rs;
  probeStatement_.clear();
  try {
    ResolveFieldTypes();
  } catch (const std::exception& e) {
    failed(e);
    return;
  }
  try {
    statement = sql::LikeWildcardsToSql(BuildSelect());
  } catch (const search::CriterionRejected& e) {
    // The rule's own message; the grid shows no rows for a search it cannot run.
    ShowMessage(e.Description());
    return;
  } catch (const VMError& e) {
    if (IsCriterionError(e)) {
      // A criterion that cannot be made safe: nothing reaches the data source.
      ShowMessage(kFilterError + e.Description());
    } else {
      failed(e);  // the column probe of an empty field list
    }
    return;
  } catch (const std::exception& e) {
    failed(e);
    return;
  }
  try {
    auto cmd = Platform::Data().CreateCommand();
    cmd->CommandText(statement);
    cmd->CommandType(adCmdText);
    cmd->CommandTimeout(0);
    cmd->ActiveConnection(connectionString_);
    cmd->Prepared(false);
    // All rows of a large table: a grid that can show the first rows at once gets
    // them while the rest loads (the rows are the same, in the same order).
    const bool progressive = maxRecords_ == 0 && grid_ && grid_->FetchesProgressively();
    rs->Open(cmd, adOpenKeyset, readOnly_ ? adLockReadOnly : adLockOptimistic,
             progressive ? adAsyncFetch : -1);
  } catch (const std::exception& e) {
    failed(e);
  }
}

// The in-memory path over host-supplied rows: restrictions become the recordset's
// filter, the sort state its sort. Nothing here may raise to the host: what the
// user typed is refused with a message and the rows stay as they were.
void VMGrid::FilterAndSortInMemory() {
  Recordset& rs = *currentRecordset_;
  // The host's rows are the data source here: a restriction added without a type
  // takes the type of the field of that name.
  for (const auto& r : *restrictions_) {
    if (r->datatype != kTypeUndetermined) continue;
    int idx = rs.FieldIndex(r->fieldname);
    if (idx < 0) continue;
    r->TakeType(rs, idx);
  }
  // A criterion the rows cannot be filtered by shows its message and no rows, never
  // the rows unfiltered under it.
  std::string where;
  try {
    where = BuildWhere();
  } catch (const search::CriterionRejected& e) {
    ShowMessage(e.Description());
    where = kNoRows;
  } catch (const VMError& e) {
    // A criterion that cannot be made safe.
    ShowMessage(kFilterError + e.Description());
    where = kNoRows;
  }
  if (LeadingStarOnly(where)) {
    if (where != lastRejectedFilter_)
      Platform::Messages().MessageBox(
          Joined({"An dieser Stelle kann nicht mit *Suchbegriff gesucht werden.",
                  "Der Suchbegriff muss mit einem * abgeschlossen werden.",
                  "Bitte suchen Sie mit *Suchbegriff*"}));
    lastRejectedFilter_ = where;
    where = kNoRows;
  }
  try {
    rs.Filter(where);
  } catch (const std::bad_alloc&) {
    // Filter and sort stay as they were, and so do the rows: no sort is tried.
    ShowMessage(kLoadOutOfMemory);
    if (!sortBy_.empty()) sortBy_ = previousSortBy_;
    return;
  } catch (const std::exception&) {
    // Handler A: the in-memory filter cannot take this criterion.
    if (where != lastRejectedFilter_)
      Platform::Messages().MessageBox(
          Joined({"An dieser Stelle kann nicht mit ',' (Komma) als Suchbegriff gesucht werden.",
                  "Der Suchbegriff darf kein ',' (Komma) beinhalten.",
                  "Bitte versuchen Sie es mit anderem Suchbegriff"}));
    lastRejectedFilter_ = where;
    try {
      rs.Filter(kNoRows);
    } catch (const std::exception&) {
      // A recordset that takes no filter at all (closed, without fields) shows none.
    }
  }
  std::string order = SortText();
  if (order.empty()) return;
  try {
    rs.Sort(order.substr(std::string(" ORDER BY ").size()));
  } catch (const std::exception& e) {
    // The recordset's refusal is the database's rejected sort: same message, and
    // a single sort column gives way to the previous one. The rows keep their order.
    ShowMessage(IsOutOfMemory(e) ? kSortOutOfMemory : kSortRejected);
    if (!sortBy_.empty()) sortBy_ = previousSortBy_;
  }
}

void VMGrid::Requery(const std::string& Key2KeepCurrent) {
  Screen& screen = Platform::ScreenService();
  screen.MousePointer(kPointerHourglass);
  Variant keep;
  if (!Key2KeepCurrent.empty()) keep = GetValue(Key2KeepCurrent);
  menus_->ApplyCustomization(disableCustomization_);
  AddKeyFieldsToColumns();
  int leftCol = grid_ ? grid_->LeftCol() : 0;

  std::string statement;
  if (clientData_ && currentRecordset_) {
    FilterAndSortInMemory();
  } else if (!clientData_) {
    OpenDatabaseResult(statement);
  }

  if (grid_) {
    if (!firstLoad_) grid_->HoldFields();
    grid_->DataSource(currentRecordset_);
  }
  recordCount_ = (!currentRecordset_ || currentRecordset_->State() == adStateClosed)
                     ? 0
                     : currentRecordset_->RecordCount();

  if (firstLoad_) LoadInitialLayout();
  if (grid_) grid_->Rebind();
  ApplyValueTranslation();
  // Later results go the lines' one way of following the grid's columns: rebuilt
  // when they are others (also after a first load without columns), else mirrored.
  if (firstLoad_) {
    searchRow_->SetUp();
    sumRow_->SetUp();
  } else {
    interaction_->FollowColumns();
  }
  // While rows still load the totals wait for the end of the load (LoadEnded).
  const bool sumsWait = currentRecordset_ && currentRecordset_->IsFetching();
  sumRow_->ComputeSums();
  ApplyCaptions();
  ApplyInputDropDowns();
  if (grid_) grid_->SortMarks(SortMarks());
  firstLoad_ = false;
  if (grid_) grid_->LeftCol(leftCol);
  if (!Key2KeepCurrent.empty()) {
    try {
      SelectValue(Key2KeepCurrent, keep);
    } catch (const std::exception&) {
    }
  }
  ApplyGridBehaviour();
  if (currentRecordset_ && currentRecordset_->IsFetching()) {
    if (!loadWatch_) loadWatch_ = std::make_shared<LoadWatch>(*this);
    loadWatch_->Attach(currentRecordset_);
  } else if (sumsWait && currentRecordset_) {
    LoadEnded(*currentRecordset_);  // a step above needed every row and fetched the rest
  }
  if (grid_) grid_->PostMsg(search::kGridFitSumRow);
  screen.MousePointer(kPointerDefault);
}

void VMGrid::LoadInitialLayout() {
  if (!grid_) return;
  bool applied = layoutStore_->LoadStartLayout();
  if (applied && saveMode_ == velmDB) {
    grid_->HoldFields();
    // A first load that failed (a refused criterion, a missing table) stays empty:
    // running it again would only repeat its message.
    if (sortColumns_->Count() > 0 && currentRecordset_ &&
        (clientData_ || currentRecordset_->State() != adStateClosed)) {
      std::string order = SortText();
      if (clientData_) {
        try {
          currentRecordset_->Sort(order.substr(std::string(" ORDER BY ").size()));
        } catch (const std::exception&) {
        }
      } else {
        std::string statement;
        try {
          statement = sql::LikeWildcardsToSql(BuildSelect());
          currentRecordset_->Close();
          currentRecordset_->Open(statement, connectionString_, adOpenKeyset,
                                  readOnly_ ? adLockReadOnly : adLockOptimistic, adCmdText);
          grid_->DataSource(currentRecordset_);
        } catch (const std::exception& e) {
          HandleDataError(e, statement);
        }
      }
    }
  } else if (!applied) {
    if (layoutName_ == "Standard" || !layoutStore_->LoadAndApply("Standard")) grid_->ClearFields();
  }
}

void VMGrid::RefreshGrid(const std::string& Key2KeepCurrent) {
  Variant keep;
  if (!Key2KeepCurrent.empty()) keep = GetValue(Key2KeepCurrent);
  if (currentRecordset_) currentRecordset_->Requery(-1);
  recordCount_ = (!currentRecordset_ || currentRecordset_->State() == adStateClosed)
                     ? 0
                     : currentRecordset_->RecordCount();
  if (grid_) grid_->Rebind();
  sumRow_->ComputeSums();
  if (!Key2KeepCurrent.empty()) {
    try {
      SelectValue(Key2KeepCurrent, keep);
    } catch (const std::exception&) {
    }
  }
}

void VMGrid::ApplyValueTranslation() {
  if (!grid_) return;
  for (const auto& field : *gridFields_) {
    GridColumn* col = grid_->ColumnByField(field->fieldname);
    if (!col) continue;
    if (field->valuelist) {
      col->ClearValueItems();
      for (const auto& item : *field->valuelist) col->AddValueItem(item);
      col->Translate(true);
    }
    search::ApplyColumnFormat(*col, *field);
  }
}

void VMGrid::ApplyCaptions() {
  for (GridControl* g : {grid_, searchGrid_, sumGrid_}) {
    if (!g) continue;
    for (int i = 0; i < g->ColumnCount(); ++i) {
      GridColumn& col = g->Column(i);
      if (auto field = gridFields_->Find(col.DataField())) col.Caption(field->caption);
    }
  }
}

void VMGrid::ApplyInputDropDowns() {
  if (!grid_) return;
  for (int i = 0; i < grid_->ColumnCount(); ++i) {
    GridColumn& col = grid_->Column(i);
    col.SetProperty(kColumnPropInputStyle, 1);
    auto field = gridFields_->Find(col.DataField());
    if (field && dropdownInput_ && (!field->DatasourceDropdown().empty() || field->comboInput))
      col.DropDown(dropdownInput_->Name());
  }
}

// ---------------------------------------------------------------- host-supplied rows

void VMGrid::SetRS(std::shared_ptr<Recordset> rs) { AdoptRecordset(std::move(rs), true); }

void VMGrid::AdoptRecordset(std::shared_ptr<Recordset> rs, bool rebuildFields) {
  Errors().Clear();
  if (!rs) {
    if (!currentRecordset_) return;
  } else {
    if (rs != currentRecordset_) StopLoading();
    currentRecordset_ = std::move(rs);
  }
  try {
    clientData_ = true;
    if (maxRecords_ != 0) MaxRecordsFromDialog(0);
    Recordset& r = *currentRecordset_;
    if (!rebuildFields) {
      for (const auto& f : *gridFields_) {
        if (f->datatype != kTypeUndetermined) continue;
        int idx = r.FieldIndex(f->fieldname);
        if (idx < 0) continue;
        f->TakeType(r, idx);
      }
      return;
    }
    gridFields_->Clear();
    for (int i = 0; i < r.FieldCount(); ++i) {
      std::string name = r.FieldName(i);
      if (core::EqualsNoCase(name, "upsize_ts")) continue;
      gridFields_
          ->Add(name, "", "", Variant::Missing(), r.FieldType(i), false, false, false, false, false,
                Variant::Missing(), "", r.FieldDefinedSize(i))
          ->TakeType(r, i);
    }
  } catch (const std::exception&) {
    ReportError(vmGridErrorWrongDatatype, "Fehler bei der Übertragung des 'Recordsets'.");
  }
}

void VMGrid::SetArray(std::shared_ptr<XArray> xarr) {
  Errors().Clear();
  if (!xarr) return;
  try {
    ResolveFieldTypes();
  } catch (const std::exception&) {
    // Without a database the fields keep the types the host gave them.
  }
  auto rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  int32_t c0 = xarr->LowerBound(2);
  int32_t columns = xarr->Count(2);
  int taken = 0;
  for (const auto& f : *gridFields_) {
    if (taken >= columns) break;
    try {
      if (f->datatype == vmFormattedText)
        rs->AppendField(f->fieldname, adVarWChar, 15, adFldUnspecified);
      else
        rs->AppendField(f->fieldname, f->datatype == kTypeUndetermined ? adVariant : f->datatype,
                        f->size, adFldUnspecified, f->precision, f->scale);
      ++taken;
    } catch (const std::exception&) {
      ReportError(vmGridErrorInvalidField,
                  "Das Feld \"" + f->fieldname + "\" konnte nicht hinzugefügt werden.");
    }
  }
  try {
    if (taken == 0) {
      AdoptRecordset(rs, false);
      return;
    }
    rs->OpenFabricated(adOpenStatic, adLockBatchOptimistic);
    for (int32_t r = xarr->LowerBound(1); r <= xarr->UpperBound(1); ++r) {
      rs->AddNew();
      for (int k = 0; k < rs->FieldCount(); ++k) {
        const Variant& v = xarr->Value(r, c0 + k);
        if (rs->FieldType(k) == adDate && core::Trim(v.ToTextOrEmpty()).empty()) continue;
        rs->SetValue(k, v);
      }
      rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
  } catch (const std::exception&) {
    ReportError(vmGridErrorWrongDatatype,
                "Fehler bei der Übertragung des 'XArray' in das Recordset.");
    return;
  }
  AdoptRecordset(rs, false);
}

}  // namespace vmbgrid
