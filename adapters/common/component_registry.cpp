#include "adapters/common/component_registry.h"

#include "adapters/common/text_util.h"

namespace vmbgrid {

std::shared_ptr<Component> ComponentRegistry::Create(const std::string& progId) {
  requested_.push_back(progId);
  for (const auto& [id, maker] : makers_) {
    if (EqualsIgnoreCase(id, progId)) return maker ? maker() : nullptr;
  }
  return nullptr;
}

void ComponentRegistry::Register(const std::string& progId, Maker maker) {
  Unregister(progId);
  makers_.emplace_back(progId, std::move(maker));
}

void ComponentRegistry::Unregister(const std::string& progId) {
  std::erase_if(makers_, [&progId](const auto& m) { return EqualsIgnoreCase(m.first, progId); });
}

}  // namespace vmbgrid
