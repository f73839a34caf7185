#include "layout/option_store.h"

#include "grid/vmgrid.h"

namespace vmbgrid::layout {

// Option persistence arrives with the settings subsystem; until then nothing is
// read and the controller keeps its defaults.
bool OptionStore::Load() { return false; }

void OptionStore::SaveIfChanged() {
  if (owner_.SettingsChanged()) Save();
}

void OptionStore::Save() { owner_.SettingsChanged(false); }

}  // namespace vmbgrid::layout
