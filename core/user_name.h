// User names come from the host (a command line, a login) and end up as the owner
// of stored settings and in file names: they are checked like the names of layouts.
#pragma once

#include <cstddef>
#include <string>

namespace vmbgrid::core {

inline constexpr size_t kMaxUserNameLength = 100;

// "" when the name may be used, otherwise the German reason.
std::string UserNameProblem(const std::string& name);

// The name as a part of a file name: a path separator, a control character or a
// name of dots alone becomes "_", so the file stays in the folder it is meant for.
std::string UserNameForFile(const std::string& name);

}  // namespace vmbgrid::core
