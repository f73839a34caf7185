#include "layout/database_layouts.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numeric>
#include <optional>
#include <unordered_set>
#include <vector>

#include "core/database_service.h"
#include "core/strings.h"
#include "grid/vmgrid_events.h"
#include "host/platform.h"
#include "layout/layout_names.h"
#include "model/grid_controller.h"

namespace vmbgrid::layout {

namespace {

// Field sizes of the procedures' parameters.
constexpr int32_t kNameSize = 50;

// One field record as read back. Stored records are untrusted: anything may be
// Null or out of range.
struct StoredColumn {
  std::string fieldname;
  std::optional<std::string> caption;
  std::optional<double> width;
  std::optional<int> order;
  bool visible = true;
  int32_t sortdirection = 0;
};

Variant ValueOf(Recordset& rs, const char* name) {
  const int idx = rs.FieldIndex(name);
  return idx < 0 ? Variant::Null() : rs.Value(idx);
}

bool IsBlankValue(const Variant& v) { return v.IsNull() || v.IsEmpty() || v.IsMissing(); }

std::optional<double> NumberOf(const Variant& v) {
  if (IsBlankValue(v)) return std::nullopt;
  try {
    const double d = v.ToDouble();
    if (std::isfinite(d)) return d;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

StoredColumn ReadColumn(Recordset& rs) {
  StoredColumn c;
  c.fieldname = core::Trim(ValueOf(rs, "fieldname").ToTextOrEmpty());
  const Variant caption = ValueOf(rs, "caption");
  if (!IsBlankValue(caption)) c.caption = caption.ToTextOrEmpty();
  if (auto w = NumberOf(ValueOf(rs, "width")); w && *w >= 0) c.width = *w;
  if (auto o = NumberOf(ValueOf(rs, "order")); o && std::fabs(*o) < 1e6) {
    c.order = static_cast<int>(*o);
  }
  const Variant visible = ValueOf(rs, "visible");
  if (!IsBlankValue(visible)) {
    try {
      c.visible = visible.ToBool();
    } catch (const std::exception&) {
    }
  }
  if (auto d = NumberOf(ValueOf(rs, "sortdirection")); d && std::fabs(*d) < 1e6) {
    c.sortdirection = static_cast<int32_t>(*d);
  }
  return c;
}

std::vector<StoredColumn> ReadAll(Recordset& rs) {
  std::vector<StoredColumn> out;
  if (rs.State() == adStateClosed) return out;
  if (rs.RecordCount() > 0) rs.MoveFirst();
  while (!rs.IsEOF()) {
    out.push_back(ReadColumn(rs));
    rs.MoveNext();
  }
  return out;
}

void CloseQuietly(const std::shared_ptr<Recordset>& rs) {
  try {
    if (rs && rs->State() != adStateClosed) rs->Close();
  } catch (const std::exception&) {
  }
}

// Header and field records of one save take effect together: a save that fails or
// a process killed half-way leaves the layout as it was, never a header without
// (all of) its fields. The procedure commands reach the controller's open
// connection by its connection string, so the transaction is begun there.
class SaveTransaction {
 public:
  explicit SaveTransaction(GridController& owner) {
    std::shared_ptr<Connection> c = owner.Connection();
    if (c && c->State() == adStateOpen && c->ConnectionString() == owner.ConnectionString()) {
      c->BeginTrans();
      connection_ = std::move(c);
    }
  }
  ~SaveTransaction() {
    if (!connection_) return;
    try {
      connection_->RollbackTrans();
    } catch (const std::exception&) {
    }
  }
  SaveTransaction(const SaveTransaction&) = delete;
  SaveTransaction& operator=(const SaveTransaction&) = delete;
  void Commit() {
    if (!connection_) return;
    connection_->CommitTrans();
    connection_.reset();
  }

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace

// ---------------------------------------------------------------- commands

std::shared_ptr<Command> DatabaseLayouts::NewCommand(const char* procedure, int16_t action) {
  core::DatabaseService& db = owner_.Database();
  command_ = db.CreateProcedureCommand(procedure, owner_.ConnectionString());
  db.SetCommandParameter(*command_, "SPAction", Variant(action), adParamInput);
  return command_;
}

std::shared_ptr<Recordset> DatabaseLayouts::OpenOn(const std::shared_ptr<Command>& command) {
  std::shared_ptr<Recordset> rs = Platform::Data().CreateRecordset();
  rs->CursorLocation(adUseClient);
  rs->Open(command, adOpenStatic, adLockBatchOptimistic, -1);
  return rs;
}

std::shared_ptr<Recordset> DatabaseLayouts::FieldRecords(int32_t layoutid, int16_t action) {
  auto cmd = NewCommand(kLayoutFieldProcedure, action);
  owner_.Database().SetCommandParameter(*cmd, "layoutid", Variant(layoutid), adParamInput);
  return OpenOn(cmd);
}

// ---------------------------------------------------------------- lookups

int32_t DatabaseLayouts::FindLayoutId(const std::string& mainlayout, const std::string& name,
                                      const std::string& user) {
  std::shared_ptr<Recordset> rs;
  int32_t id = 0;
  try {
    auto cmd = NewCommand(kLayoutProcedure, 5);
    core::DatabaseService& db = owner_.Database();
    db.SetCommandParameter(*cmd, "layout", Variant(mainlayout), adParamInput);
    db.SetCommandParameter(*cmd, "sublayout", Variant(name), adParamInput);
    db.SetCommandParameter(*cmd, "user", Variant(user), adParamInput);
    rs = OpenOn(cmd);
    if (rs->State() != adStateClosed && !rs->IsEOF()) id = ValueOf(*rs, "layoutid").ToInt32();
  } catch (const std::exception&) {
    id = 0;
  }
  CloseQuietly(rs);
  return id;
}

int32_t DatabaseLayouts::FindLayoutId() {
  return FindLayoutId(owner_.mainlayout(), owner_.layout(), owner_.user());
}

bool DatabaseLayouts::StandardLayoutExists() {
  return FindLayoutId(owner_.mainlayout(), kStandardLayout, kStandardOwner) != 0;
}

std::shared_ptr<Recordset> DatabaseLayouts::ListLayouts(bool addStandard) {
  std::shared_ptr<Recordset> rs = Platform::Data().CreateRecordset();
  try {
    auto cmd = NewCommand(kLayoutProcedure, 1);
    core::DatabaseService& db = owner_.Database();
    db.SetCommandParameter(*cmd, "layout", Variant(owner_.mainlayout()), adParamInput);
    db.SetCommandParameter(*cmd, "sublayout", Variant::Null(), adParamInput);
    db.SetCommandParameter(*cmd, "user", Variant(owner_.user()), adParamInput);
    rs = OpenOn(cmd);
  } catch (const std::exception&) {
    return rs;
  }
  try {
    if (addStandard && !core::EqualsNoCase(owner_.user(), kStandardOwner) &&
        StandardLayoutExists()) {
      // Shown in the lists only; the row is never written back.
      rs->AddNew();
      rs->Update({"sublayout"}, {Variant(kStandardLayout)});
    }
    if (rs->RecordCount() > 0) {
      rs->MoveLast();
      rs->MoveFirst();
    }
  } catch (const std::exception&) {
  }
  return rs;
}

// ---------------------------------------------------------------- sort values

int32_t DatabaseLayouts::SortOrderCode(const std::string& text) {
  if (text == "ASC") return 1;
  if (text == "DESC") return 2;
  return 0;
}

int32_t DatabaseLayouts::SortDirectionOf(const std::string& fieldname) const {
  GridController& g = owner_;
  if (!g.SortBy().empty()) {
    if (g.SortBy() != fieldname) return 0;
    return g.SortAscending() ? 1 : 2;
  }
  auto sc = g.SortColumns().Find(fieldname);
  return sc ? SortOrderCode(sc->SortOrder) : 0;
}

int32_t DatabaseLayouts::SortPositionOf(const std::string& fieldname) const {
  GridController& g = owner_;
  if (g.SortBy().empty()) {
    auto sc = g.SortColumns().Find(fieldname);
    if (!sc) return 0;
    int32_t position = 0;
    for (const auto& entry : g.SortColumns()) {
      ++position;
      if (entry->sortcolumn == sc->sortcolumn) return position;
    }
    return 0;
  }
  return g.SortBy() == fieldname ? 1 : 0;
}

bool DatabaseLayouts::IsKeyField(const std::string& fieldname) const {
  for (const auto& key : owner_.PrimaryKeyRestrictions()) {
    if (core::EqualsNoCase(key->fieldname, fieldname)) return true;
  }
  return false;
}

std::string DatabaseLayouts::StoredFieldName(const std::string& dataField) const {
  // A column the host bound without a field descriptor keeps its data field, so
  // that such a column does not make the whole save fail.
  auto field = owner_.GridFields().Find(dataField);
  return field ? field->fieldname : dataField;
}

// ---------------------------------------------------------------- writing

int32_t DatabaseLayouts::CreateLayoutHeader(const std::string& user) {
  auto cmd = NewCommand(kLayoutProcedure, 2);
  core::DatabaseService& db = owner_.Database();
  db.AddParameterFromField(*cmd, "layout", adVarChar, kNameSize, Variant(owner_.mainlayout()),
                           adParamInput);
  db.AddParameterFromField(*cmd, "sublayout", adVarChar, kNameSize, Variant(owner_.layout()),
                           adParamInput);
  db.AddParameterFromField(*cmd, "user", adVarChar, kNameSize, Variant(user), adParamInput);
  db.AddParameterFromField(*cmd, "layoutid", adInteger, 0, Variant(), adParamOutput);
  cmd->Execute();
  return cmd->ParameterByName("@layoutid").value.ToInt32();
}

void DatabaseLayouts::WriteLayoutFields(int32_t layoutid) {
  GridControl* grid = owner_.grid();
  if (!grid) return;
  const bool temp = core::EqualsNoCase(owner_.layout(), kTempLayout);
  core::DatabaseService& db = owner_.Database();
  for (int i = 0; i < grid->ColumnCount(); ++i) {
    GridColumn& col = grid->Column(i);
    const std::string dataField = col.DataField();
    if (dataField.empty() || IsKeyField(dataField)) continue;
    const std::string fieldname = StoredFieldName(dataField);
    const int32_t direction = temp ? 0 : SortDirectionOf(fieldname);
    const int32_t position = temp ? 0 : SortPositionOf(fieldname);
    const double w = col.Width();
    const int32_t width =
        std::isfinite(w) && w > 0 ? static_cast<int32_t>(std::min(std::lround(w), 2147483647L)) : 0;
    const int32_t order = std::clamp(col.Order(), -32768, 32767);

    auto cmd = NewCommand(kLayoutFieldProcedure, 2);
    db.AddParameterFromField(*cmd, "layoutid", adInteger, 0, Variant(layoutid), adParamInput);
    db.AddParameterFromField(*cmd, "caption", adVarChar, kNameSize, Variant(col.Caption()),
                             adParamInput);
    db.AddParameterFromField(*cmd, "fieldname", adVarChar, kNameSize, Variant(fieldname),
                             adParamInput);
    db.AddParameterFromField(*cmd, "order", adInteger, 0, Variant(order), adParamInput);
    db.AddParameterFromField(*cmd, "sortdirection", adInteger, 0, Variant(direction), adParamInput);
    db.AddParameterFromField(*cmd, "sortorder", adInteger, 0, Variant(position), adParamInput);
    db.AddParameterFromField(*cmd, "visible", adBoolean, 0, Variant(col.Visible()), adParamInput);
    db.AddParameterFromField(*cmd, "width", adInteger, 0, Variant(width), adParamInput);
    cmd->Execute();
  }
}

bool DatabaseLayouts::SaveLayoutToDatabase(const std::string& name) {
  // An empty name saves nothing and keeps the current layout name, so that the
  // last layout in use is still recorded at shutdown.
  if (name.empty()) return false;
  const std::string old = owner_.layout();
  owner_.SetLayoutName(name);
  std::string user = owner_.user();
  if (core::EqualsNoCase(name, kStandardLayout)) {
    // The shared layout is ADMIN's alone (on a server the admin role's), also while
    // none is stored: the first user to save it would otherwise fix every user's
    // default for good.
    if (const std::string refused = StandardRefusalFor(owner_, false); !refused.empty()) {
      owner_.SetLayoutName(old);
      owner_.ShowMessage(refused);
      return false;
    }
    user = kStandardOwner;
  }
  try {
    owner_.Events().BeforeLayoutSave(owner_.layout());
    SaveTransaction transaction(owner_);
    const int32_t id = CreateLayoutHeader(user);
    WriteLayoutFields(id);
    transaction.Commit();
    owner_.IsTempLayout(false);
    owner_.Events().AfterLayoutSave(owner_.layout());
  } catch (const std::exception& e) {
    owner_.SetLayoutName(old);
    if (!core::EqualsNoCase(name, kTempLayout)) {
      owner_.ShowMessage("Fehler beim Speichern des Layouts " + name + "." + RefusalLine(e));
    }
    return false;
  }
  return true;
}

void DatabaseLayouts::SaveTempLayout() {
  SaveTransaction transaction(owner_);
  const int32_t id = CreateLayoutHeader(owner_.user());
  WriteLayoutFields(id);
  transaction.Commit();
}

// ---------------------------------------------------------------- reading

bool DatabaseLayouts::LoadLayoutFromDatabase() {
  GridControl* grid = owner_.grid();
  if (!grid) return false;
  std::string user = owner_.user();
  if (!core::EqualsNoCase(user, kStandardOwner) &&
      core::EqualsNoCase(owner_.layout(), kStandardLayout)) {
    user = kStandardOwner;
  }
  const int32_t id = FindLayoutId(owner_.mainlayout(), owner_.layout(), user);
  if (id == 0) return false;

  std::shared_ptr<Recordset> rs = FieldRecords(id, 1);
  std::vector<StoredColumn> rows = ReadAll(*rs);
  CloseQuietly(rs);
  const int32_t n = static_cast<int32_t>(rows.size());
  if (n == 0) return false;
  VMGridFields& fields = owner_.GridFields();
  VMGridFields& keys = owner_.PrimaryKeyRestrictions();
  if (owner_.FirstLoad() && fields.Count() - keys.Count() != n) return false;

  // Records that cannot make a column of this grid are passed over: no field
  // name, a field the grid does not have, a field that has its column already.
  // Names compare folded, looked up in sets, so that a layout with many records
  // (stored ones are untrusted) loads in time linear in its size.
  std::unordered_set<std::string> placed;
  for (const auto& key : keys) placed.insert(core::FoldCase(key->fieldname));
  std::vector<StoredColumn> usable;
  for (StoredColumn& c : rows) {
    if (c.fieldname.empty()) continue;
    std::string folded = core::FoldCase(c.fieldname);
    if (placed.count(folded) != 0) continue;
    if (fields.Count() > 0 && !fields.Contains(c.fieldname)) continue;
    placed.insert(std::move(folded));
    usable.push_back(std::move(c));
  }
  if (usable.empty()) return false;

  // The sort is read before the grid changes, so a failure leaves the grid alone.
  std::vector<StoredColumn> sorts;
  if (!owner_.IsTempLayout()) {
    std::shared_ptr<Recordset> sortRs = FieldRecords(id, 4);
    sorts = ReadAll(*sortRs);
    CloseQuietly(sortRs);
  }

  while (grid->ColumnCount() != 0) grid->RemoveColumn(0);
  int i = 0;
  for (const auto& key : keys) {
    GridColumn& col = grid->AddColumn(i++);
    col.DataField(key->fieldname);
    col.Visible(false);
  }
  const int keyCount = i;
  std::vector<GridColumn*> added;
  for (const StoredColumn& c : usable) {
    GridColumn& col = grid->AddColumn(i++);
    col.DataField(c.fieldname);
    col.Caption(c.caption ? *c.caption : c.fieldname);
    if (c.width) col.Width(*c.width);
    col.Visible(c.visible);
    added.push_back(&col);
  }
  // Display positions once all columns exist, in the stored order (duplicates and
  // gaps keep the record order), behind the key columns.
  std::vector<size_t> byOrder(usable.size());
  std::iota(byOrder.begin(), byOrder.end(), size_t{0});
  std::stable_sort(byOrder.begin(), byOrder.end(), [&usable](size_t a, size_t b) {
    const int oa = usable[a].order.value_or(static_cast<int>(a));
    const int ob = usable[b].order.value_or(static_cast<int>(b));
    return oa < ob;
  });
  for (int k = 0; k < keyCount; ++k) grid->Column(k).Order(k);
  for (size_t rank = 0; rank < byOrder.size(); ++rank) {
    added[byOrder[rank]]->Order(keyCount + static_cast<int>(rank));
  }

  if (owner_.IsTempLayout()) return true;  // the current sort stays
  owner_.SortColumns().Clear();
  for (const StoredColumn& c : sorts) {
    if (c.sortdirection == 0 || c.fieldname.empty()) continue;
    // Only fields of this grid become sort columns: the name goes into ORDER BY.
    auto field = fields.Find(c.fieldname);
    if (!field) continue;
    owner_.AddSortColumn(field->fieldname, c.sortdirection);
  }
  return true;
}

// ---------------------------------------------------------------- deleting

void DatabaseLayouts::DeleteLayoutFromDatabase(const std::string& name, const std::string& user) {
  auto cmd = NewCommand(kLayoutProcedure, 3);
  core::DatabaseService& db = owner_.Database();
  db.SetCommandParameter(*cmd, "layout", Variant(owner_.mainlayout()), adParamInput);
  db.SetCommandParameter(*cmd, "sublayout", Variant(name), adParamInput);
  db.SetCommandParameter(*cmd, "user", Variant(user), adParamInput);
  cmd->Execute();
}

void DatabaseLayouts::DeleteTempLayout() {
  auto cmd = NewCommand(kLayoutProcedure, 3);
  core::DatabaseService& db = owner_.Database();
  db.SetCommandParameter(*cmd, "layout", Variant(LayoutKey(owner_) + kTempSuffix), adParamInput);
  db.SetCommandParameter(*cmd, "sublayout", Variant(kTempLayout), adParamInput);
  db.SetCommandParameter(*cmd, "user", Variant(owner_.user()), adParamInput);
  cmd->Execute();
}

}  // namespace vmbgrid::layout
