// Whole-file reads and crash-safe writes: a file is written next to its target
// under a temporary name and renamed into place, so a reader sees either the old
// or the new content, never a half-written file.
#pragma once

#include <optional>
#include <string>

namespace vmbgrid {

// Writes content to path through a temporary file in the same folder. Failure raises
// VMError (errc::kPathFileAccess) with a German description; the target is untouched.
void WriteFileAtomically(const std::string& path, const std::string& content);

// The content of the file, nothing when it does not exist. A file larger than
// maxBytes, or one that exists but cannot be read, raises VMError.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes);

}  // namespace vmbgrid
