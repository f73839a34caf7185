// A component factory over registered makers: what a front end offers under the
// program identifiers the library asks for.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/platform.h"

namespace vmbgrid {

class ComponentRegistry : public ComponentFactory {
 public:
  using Maker = std::function<std::shared_ptr<Component>()>;
  std::shared_ptr<Component> Create(const std::string& progId) override;
  // Program identifiers compare without regard to case.
  void Register(const std::string& progId, Maker maker);
  void Unregister(const std::string& progId);
  // Every identifier asked for, created or not.
  const std::vector<std::string>& Requested() const { return requested_; }

 private:
  std::vector<std::pair<std::string, Maker>> makers_;
  std::vector<std::string> requested_;
};

}  // namespace vmbgrid
