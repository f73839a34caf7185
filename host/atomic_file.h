// A file written next to its target under a temporary name and renamed into place
// when complete, so that a reader sees the old content or the new, never a half
// written file. Shared by the library and the front ends.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vmbgrid {

// "Die Datei "…" konnte nicht geschrieben werden" with the cause the system's
// error code names (disk full, folder read-only or missing).
std::string WriteFailureText(const std::string& path, int error);

class AtomicFileWriter {
 public:
  // Creates the temporary file; raises VMError (errc::kPathFileAccess) with a
  // German description when the folder cannot be written.
  explicit AtomicFileWriter(std::string path);
  // Without Commit the temporary file is removed and the target left untouched.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Buffered; a failure (full disk) is remembered and raised by Commit.
  void Write(std::string_view bytes);
  // Flushes to disk and renames over the target; raises VMError on any failure.
  void Commit();

  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(int error);
  std::string path_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  int error_ = 0;  // the first failure's errno, raised by Commit
};

}  // namespace vmbgrid
