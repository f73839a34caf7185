#include "model/field.h"

#include "host/error.h"
#include "host/platform.h"
#include "model/keys.h"

namespace vmbgrid {

namespace {

// Re-fills a recordset kept by the descriptor: created on first use with a client
// cursor, closed (it may not be open) and opened on the connection, then detached.
std::shared_ptr<Recordset> Refill(std::shared_ptr<Recordset>& rs,
                                  const std::shared_ptr<Connection>& conn,
                                  const std::string& source, int options) {
  if (!conn) throw VMError(errc::kObjectRequired, "VMBGrid", "Objekt erforderlich.");
  if (!rs) {
    rs = Platform::Data().CreateRecordset();
    rs->CursorLocation(adUseClient);
  }
  try {
    rs->Close();
  } catch (const VMError&) {
    // not open yet
  }
  rs->Open(source, conn, adOpenForwardOnly, adLockBatchOptimistic, options);
  rs->ActiveConnection(nullptr);
  return rs;
}

}  // namespace

bool VMValueList::Add(std::string_view key, ValueItem item) {
  if (!index_.emplace(FoldKey(key), items_.size()).second) return false;
  items_.push_back(std::move(item));
  return true;
}

const ValueItem& VMValueList::Item(int32_t index) const {
  if (index < 0 || index >= Count()) model_detail::ThrowOutOfRange();
  return items_[static_cast<size_t>(index)];
}

const ValueItem* VMValueList::Find(std::string_view key) const {
  auto it = index_.find(FoldKey(key));
  return it == index_.end() ? nullptr : &items_[it->second];
}

VMGridField::CachedRecordsets::~CachedRecordsets() {
  if (!distinct) return;
  try {
    distinct->Close();
  } catch (const std::exception&) {
    // a recordset that is not open, or a provider gone first: nothing to release
  }
}

void VMGridField::TakeType(const vmbgrid::Recordset& rs, int index) {
  datatype = rs.FieldType(index);
  size = rs.FieldDefinedSize(index);
  precision = rs.FieldPrecision(index);
  scale = rs.FieldNumericScale(index);
}

void VMGridField::AddValue(const Variant& key, const Variant& display) {
  if (!valuelist) valuelist = std::make_shared<VMValueList>();
  try {
    valuelist->Add(key.ToText(), ValueItem{key, display});
  } catch (const VMError&) {
    // a key without text form (Null) is not added
  }
}

std::shared_ptr<Recordset> VMGridField::Recordset(std::shared_ptr<Connection> conn,
                                                  const std::string& tablename) {
  // Host-configured names, inserted as stored.
  const std::string sql =
      "SELECT DISTINCT " + fieldname + " FROM " + tablename + " ORDER BY " + fieldname + " ASC";
  return Refill(cache_.distinct, conn, sql, adCmdText);
}

std::shared_ptr<Recordset> VMGridField::InputDropDownRecordset(std::shared_ptr<Connection> conn) {
  return Refill(cache_.input, conn, datasourceDropdown_, adCmdUnknown);
}

}  // namespace vmbgrid
