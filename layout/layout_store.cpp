#include "layout/layout_store.h"

#include "grid/vmgrid.h"

namespace vmbgrid::layout {

// The layout stores arrive with the layout subsystem; until then no layout is
// applied and the first load shows the column fields in their own order.
bool LayoutStore::LoadStartLayout() { return false; }

bool LayoutStore::LoadAndApply(const std::string& /*name*/) { return false; }

void LayoutStore::SaveOnShutdown() {}

}  // namespace vmbgrid::layout
