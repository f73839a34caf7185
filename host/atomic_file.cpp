#include "host/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "host/error.h"

namespace vmbgrid {
namespace {

std::string FolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// The rename is durable only once the folder's entry is on disk too.
void SyncFolder(const std::string& path) {
  int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string WriteFailureText(const std::string& path, int error) {
  std::string text = "Die Datei \"" + path + "\" konnte nicht geschrieben werden";
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return text + ": Der Datenträger ist voll. Die bisherige Fassung ist erhalten.";
    case EACCES:
    case EPERM:
    case EROFS:
      return text + ": Der Ordner ist schreibgeschützt.";
    case ENOENT:
    case ENOTDIR:
      return text + ": Den Ordner gibt es nicht.";
    default:
      return text + ".";
  }
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  if (path_.empty())
    throw VMError(errc::kPathFileAccess, "VMBGrid", "Es wurde kein Dateiname angegeben.");
  // One name per process and call, so that writers never share a temporary file.
  static std::atomic<int> counter{0};
  temp_ = path_ + ".tmp" + std::to_string(static_cast<long>(::getpid())) + "-" +
          std::to_string(++counter);
  file_ = std::fopen(temp_.c_str(), "wb");
  if (file_ == nullptr) Fail(errno);
  // Large writes go straight through; small ones are gathered.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
  }
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (error_ != 0 || file_ == nullptr || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) error_ = errno ? errno : EIO;
}

void AtomicFileWriter::Commit() {
  if (file_ == nullptr) Fail(EIO);
  int error = error_;
  if (std::fflush(file_) != 0 && error == 0) error = errno;
  if (::fsync(::fileno(file_)) != 0 && error == 0) error = errno;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  std::error_code ec;
  if (error == 0) {
    std::filesystem::rename(temp_, path_, ec);
    if (ec) error = ec.value();
  }
  if (error != 0) {
    std::filesystem::remove(temp_, ec);
    Fail(error);
  }
  SyncFolder(path_);
}

void AtomicFileWriter::Fail(int error) {
  throw VMError(errc::kPathFileAccess, "VMBGrid", WriteFailureText(path_, error));
}

}  // namespace vmbgrid
