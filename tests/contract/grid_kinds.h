// The grid front ends the contract suite runs against.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid::contract {

struct GridKind {
  std::string name;
  // A grid of about 8000 x 3000 twips, shown where the front end has a screen.
  std::function<std::unique_ptr<GridControl>()> make;
};

// Each front end's translation unit registers its kind at start-up.
std::vector<GridKind>& Kinds();
struct RegisterKind {
  explicit RegisterKind(GridKind kind) { Kinds().push_back(std::move(kind)); }
};

}  // namespace vmbgrid::contract
