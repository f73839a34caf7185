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

// Holds an exclusive advisory lock on the folder of path while it lives, so that
// read-modify-write cycles of several processes on files of that folder take turns
// instead of losing each other's changes. Waits for the lock; a folder that cannot
// be opened gives no lock (the write that follows reports the folder).
class FolderLock {
 public:
  explicit FolderLock(const std::string& path);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool Held() const { return fd_ >= 0; }
  // Removes temporary files a killed writer of path left behind; only under the lock,
  // where no other writer of path is busy.
  void RemoveLeftovers(const std::string& path) const;

 private:
  int fd_ = -1;
};

}  // namespace vmbgrid
