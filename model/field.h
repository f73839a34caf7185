// VMGridField: one database column as the grid uses it — a shown column (caption,
// format, type, sum-row settings, value translation, drop-downs) or, in other
// collections, a restriction (name, value, OR flag, fixed value).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/data_access.h"
#include "host/grid_control.h"
#include "host/variant.h"
#include "model/enums.h"

namespace vmbgrid {

// Value translation of a column: stored values with their display values, in the
// order added, keyed by the stored value's text without regard to letter case.
class VMValueList {
 public:
  using const_iterator = std::vector<ValueItem>::const_iterator;

  // False (and nothing added) when the key is already present.
  bool Add(std::string_view key, ValueItem item);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // 0-based; out of range raises "subscript out of range".
  const ValueItem& Item(int32_t index) const;
  // nullptr when the key is absent.
  const ValueItem* Find(std::string_view key) const;
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  std::vector<ValueItem> items_;
  std::unordered_map<std::string, size_t> index_;  // folded key -> position
};

class VMGridField {
 public:
  VMGridField() = default;
  // Copies describe the same column but do not share the cached recordsets.
  VMGridField(const VMGridField&) = default;
  VMGridField& operator=(const VMGridField&) = default;
  ~VMGridField() = default;

  std::string caption;
  std::string fieldname;
  std::string FormatString;
  int32_t datatype = 0;  // data-type code; -1 = not yet determined
  int32_t size = 0;
  // Beyond the declared interface: precision and scale of an exact number column
  // (currency, decimal, numeric), filled with the type. Precision 0: none declared.
  int32_t precision = 0;
  int32_t scale = 0;
  Variant value;
  std::string parametername;
  int32_t sumDatatype = vmValue;              // VMSumGridDataTypes
  Variant sumvalue = Variant(std::string());  // Null leaves the sum cell empty
  int32_t sumalignment = 0;                   // -1 = not set
  std::string sumformatstring;
  bool combo = false;
  bool comboInput = false;
  std::shared_ptr<VMValueList> valuelist;  // nullptr until the first AddValue
  bool useOr = false;
  bool fixedRestriction = false;
  Variant fixedRestrictionValue;
  bool Merge = false;

  // False while the field is hidden, whatever was set.
  bool visible() const { return !hidden_ && visible_; }
  void visible(bool on) { visible_ = hidden_ ? false : on; }
  // Hiding also switches visible off; un-hiding does not switch it back on.
  bool Hidden() const { return hidden_; }
  void Hidden(bool on) {
    hidden_ = on;
    if (on) visible_ = false;
  }
  int32_t Instance() const { return instance_; }
  void Instance(int32_t v) { instance_ = v; }
  // Row source of the input drop-down: an SQL text or a table name.
  const std::string& DatasourceDropdown() const { return datasourceDropdown_; }
  void DatasourceDropdown(std::string source) { datasourceDropdown_ = std::move(source); }

  // Takes data type, defined size, precision and scale from a recordset field.
  void TakeType(const vmbgrid::Recordset& rs, int index);

  // One value translation; a duplicate key or a key without text form adds nothing.
  void AddValue(const Variant& key, const Variant& display);

  // The distinct values of the column, ascending. The same recordset object is
  // re-filled and returned on every call, detached from the connection.
  std::shared_ptr<vmbgrid::Recordset> Recordset(std::shared_ptr<Connection> conn,
                                                const std::string& tablename);
  // The rows of DatasourceDropdown, likewise kept between calls.
  std::shared_ptr<vmbgrid::Recordset> InputDropDownRecordset(std::shared_ptr<Connection> conn);

 private:
  // Holder of the recordsets kept between calls: a copy starts without any, and the
  // distinct-values recordset is closed when its descriptor goes.
  struct CachedRecordsets {
    CachedRecordsets() = default;
    CachedRecordsets(const CachedRecordsets&) {}
    CachedRecordsets& operator=(const CachedRecordsets&) { return *this; }
    ~CachedRecordsets();
    std::shared_ptr<vmbgrid::Recordset> distinct;
    std::shared_ptr<vmbgrid::Recordset> input;
  };

  bool visible_ = false;
  bool hidden_ = false;
  int32_t instance_ = 0;
  std::string datasourceDropdown_;
  CachedRecordsets cache_;
};

}  // namespace vmbgrid
