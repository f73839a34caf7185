#include "adapters/headless/headless.h"
#include "tests/contract/grid_kinds.h"

namespace vmbgrid::contract {

std::vector<GridKind>& Kinds() {
  static std::vector<GridKind> kinds;
  return kinds;
}

namespace {
const RegisterKind kHeadless{GridKind{
    "Headless",
    [] { return std::unique_ptr<GridControl>(new HeadlessGrid("TDBGrid1")); },
}};
}  // namespace

}  // namespace vmbgrid::contract
