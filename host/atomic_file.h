// A file written next to its target under a temporary name and renamed into place
// when complete, so that a reader sees the old content or the new, never a half
// written file. Shared by the library and the front ends.
//
// Only a regular file is ever replaced: a folder, a device, a pipe or a socket
// standing at the target is refused before anything is written (renaming over it
// would replace the node itself, as root even /dev/null). A symbolic link is
// followed, so that the file it names is replaced and the link stays.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "host/error.h"

namespace vmbgrid {

// "Die Datei "…" konnte nicht geschrieben werden" with the cause the system's
// error code names (disk full, folder read-only or missing).
std::string WriteFailureText(const std::string& path, int error);

// Why a file may not be written at path: "" when path names no file yet or a
// regular file (also through a symbolic link), else the German message naming
// path and what stands there ("ein Ordner", "eine Gerätedatei", ...).
std::string ReplaceTargetProblem(const std::string& path);

// A write of a file that failed: the message names the file and the cause, and
// the system's error code stays available, so that a caller writing through an
// intermediate file can name its own target with the same cause.
class FileWriteError : public VMError {
 public:
  FileWriteError(const std::string& path, int error);
  FileWriteError(const std::string& path, const std::string& description);
  // The errno of the failure; 0 when the target was refused for what it is.
  int SystemError() const { return error_; }

 private:
  int error_ = 0;
};

class AtomicFileWriter {
 public:
  // Checks the target and creates the temporary file; raises FileWriteError
  // (errc::kPathFileAccess) with a German description when the target may not be
  // replaced or the folder cannot be written.
  explicit AtomicFileWriter(std::string path);
  // Without Commit the temporary file is removed and the target left untouched.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Buffered; a failure (full disk) is remembered and raised by Commit.
  void Write(std::string_view bytes);
  // Flushes to disk and renames over the target; raises FileWriteError on any
  // failure, also when something other than a regular file took the target's
  // place meanwhile.
  void Commit();

  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(int error);
  std::string path_;    // as given: the name every message uses
  std::string target_;  // the file replaced: path_, or what its link names
  std::string temp_;
  std::FILE* file_ = nullptr;
  int error_ = 0;  // the first failure's errno, raised by Commit
};

}  // namespace vmbgrid
