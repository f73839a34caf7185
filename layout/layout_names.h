// Reserved layout names, owners and the layout key of a grid.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::layout {

// The shared default layout and its owner in the database store.
inline constexpr const char* kStandardLayout = "Standard";
inline constexpr const char* kStandardOwner = "Standard";
// The temporary layout: name, and the suffix of its key.
inline constexpr const char* kTempLayout = "Temp";
inline constexpr const char* kTempSuffix = "-Tmp";
// Application of the last-layout entries in the settings store.
inline constexpr const char* kLayoutSection = "GridLayouts";

// The user whose name in upper case is "ADMIN".
bool IsAdmin(std::string_view user);
// What another user is told when saving or deleting "Standard": the shared layout
// is ADMIN's alone, also while none is stored yet.
std::string StandardRefusal(bool deleting);
// Why this grid's user may not save or delete "Standard" in the database store, ""
// when it may: where the server decides who writes what (the connection's
// StoreRules), its refusal for the owner "Standard" (only the admin role); elsewhere
// the "ADMIN" name rule, as the file's permissions are the boundary there.
std::string StandardRefusalFor(GridController& grid, bool deleting);
// The second line of a save or delete message when the store refused the write
// (no right, a store not set up): the reason, which says what the administrator
// must do; "" for other failures.
std::string RefusalLine(const std::exception& e);
// The grid's name in the last-layout entries and the temporary store:
// LayoutFileBaseName in file mode, mainlayout otherwise.
std::string LayoutKey(const GridController& grid);

}  // namespace vmbgrid::layout
