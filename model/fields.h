// VMGridFields: the ordered collection of field descriptors, keyed by field name
// without regard to letter case; positions count from 1. A descriptor is shared, so
// the same one may sit in two collections.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/variant.h"
#include "model/field.h"
#include "model/keys.h"

namespace vmbgrid {

class VMGridFields {
 public:
  using const_iterator = model_detail::KeyedList<VMGridField>::const_iterator;

  // Arguments of Add, for designated initializers.
  struct AddOptions {
    std::string fieldname = {};
    std::string caption = {};
    std::string parametername = {};
    Variant value = Variant::Missing();
    int32_t datatype = -1;
    bool cbo = false;
    bool cboInput = false;
    bool OrUse = false;
    bool Hidden = false;
    bool Fixed = false;
    Variant FixedValue = Variant::Missing();
    std::string FormatString = {};
    int32_t size = 0;
    int32_t sumDatatype = vmValue;
    Variant sumvalue = Variant::Missing();  // missing: an empty text
    int32_t sumalignment = -1;
    std::string sumformatstring = {};
  };

  // Appends the descriptor under its fieldname; a name already present raises
  // "key already exists" and nothing is appended.
  std::shared_ptr<VMGridField> AddField(std::shared_ptr<VMGridField> field);
  std::shared_ptr<VMGridField> Add(
      const std::string& fieldname, const std::string& caption = "",
      const std::string& parametername = "", const Variant& value = Variant::Missing(),
      int32_t datatype = -1, bool cbo = false, bool cboInput = false, bool OrUse = false,
      bool Hidden = false, bool Fixed = false, const Variant& FixedValue = Variant::Missing(),
      const std::string& FormatString = "", int32_t size = 0, int32_t sumDatatype = vmValue,
      const Variant& sumvalue = Variant::Missing(), int32_t sumalignment = -1,
      const std::string& sumformatstring = "");
  std::shared_ptr<VMGridField> Add(const AddOptions& o);

  // By name (absent raises "invalid procedure call") or 1-based position (out of
  // range raises "subscript out of range").
  const std::shared_ptr<VMGridField>& Item(std::string_view name) const { return list_.Item(name); }
  const std::shared_ptr<VMGridField>& Item(const char* name) const {
    return list_.Item(std::string_view(name));
  }
  const std::shared_ptr<VMGridField>& Item(const std::string& name) const {
    return list_.Item(std::string_view(name));
  }
  const std::shared_ptr<VMGridField>& Item(int32_t position) const { return list_.Item(position); }
  const std::shared_ptr<VMGridField>& Item(const Variant& indexKey) const {
    return list_.Item(indexKey);
  }
  // nullptr when absent; never raises.
  std::shared_ptr<VMGridField> Find(std::string_view name) const { return list_.Find(name); }
  bool Contains(std::string_view name) const { return list_.Contains(name); }
  int32_t Count() const { return list_.Count(); }

  void Remove(std::string_view name) { list_.Remove(name); }
  void Remove(const char* name) { list_.Remove(std::string_view(name)); }
  void Remove(const std::string& name) { list_.Remove(std::string_view(name)); }
  void Remove(int32_t position) { list_.Remove(position); }
  void Remove(const Variant& indexKey) { list_.Remove(indexKey); }
  void Clear() { list_.Clear(); }

  const_iterator begin() const { return list_.begin(); }
  const_iterator end() const { return list_.end(); }

  int32_t Instance() const { return instance_; }
  void Instance(int32_t v) { instance_ = v; }

 private:
  model_detail::KeyedList<VMGridField> list_;
  int32_t instance_ = 0;
};

}  // namespace vmbgrid
