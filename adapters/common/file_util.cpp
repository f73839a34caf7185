#include "adapters/common/file_util.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "host/atomic_file.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
[[noreturn]] void Fail(const std::string& description) {
  throw VMError(errc::kPathFileAccess, "VMBGrid", description);
}

std::string FolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

FolderLock::FolderLock(const std::string& path) {
  fd_ = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    ::close(fd_);  // a file system without locks: work unlocked, as before
    fd_ = -1;
    return;
  }
}

void FolderLock::RemoveLeftovers(const std::string& path) const {
  if (fd_ < 0) return;
  namespace fs = std::filesystem;
  const std::string prefix = fs::path(path).filename().string() + ".tmp";
  std::error_code ec;
  for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().starts_with(prefix)) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
  AtomicFileWriter out(path);
  out.Write(content);
  out.Commit();
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return std::nullopt;
  // A pipe would block the reader for good, a device never ends: only a regular
  // file is read.
  if (!std::filesystem::is_regular_file(path, ec))
    Fail("Die Datei \"" + path + "\" ist keine gewöhnliche Datei und kann nicht gelesen werden.");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) Fail("Die Datei \"" + path + "\" konnte nicht gelesen werden.");
  std::string content;
  char buf[65536];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    content.append(buf, n);
    if (content.size() > maxBytes) {
      std::fclose(f);
      Fail("Die Datei \"" + path + "\" ist zu groß.");
    }
  }
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) Fail("Die Datei \"" + path + "\" konnte nicht gelesen werden.");
  return content;
}

}  // namespace vmbgrid
