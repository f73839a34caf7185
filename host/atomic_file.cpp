#include "host/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
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

// What stands at a path that is no regular file, as the message names it.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "ein Ordner";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "eine Gerätedatei";
  if (S_ISFIFO(mode)) return "eine Pipe (FIFO)";
  if (S_ISSOCK(mode)) return "ein Socket";
  return "keine gewöhnliche Datei";
}

std::string RefusedText(const std::string& path, const std::string& why) {
  return "Die Datei \"" + path + "\" konnte nicht geschrieben werden: " + why +
         " Es wurde nichts geschrieben.";
}

// The problem of a node that is not a regular file; lstat semantics, so that a link
// that appeared at the resolved target is refused too.
std::string NodeProblem(const std::string& shown, const std::string& path, bool followLink) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "";  // nothing there yet, or the open says why
  if (S_ISLNK(st.st_mode)) {
    if (!followLink) return RefusedText(shown, "An dieser Stelle steht jetzt eine Verknüpfung.");
    if (::stat(path.c_str(), &st) != 0)
      return RefusedText(shown, "Die Verknüpfung zeigt auf eine Datei, die es nicht gibt.");
  }
  if (S_ISREG(st.st_mode)) return "";
  return RefusedText(shown, std::string("An dieser Stelle steht ") + KindOf(st.st_mode) +
                                ", keine gewöhnliche Datei.");
}

}  // namespace

std::string ReplaceTargetProblem(const std::string& path) { return NodeProblem(path, path, true); }

FileWriteError::FileWriteError(const std::string& path, int error)
    : VMError(errc::kPathFileAccess, "VMBGrid", WriteFailureText(path, error)), error_(error) {}

FileWriteError::FileWriteError(const std::string& path, const std::string& description)
    : VMError(errc::kPathFileAccess, "VMBGrid",
              description.empty() ? WriteFailureText(path, 0) : description) {}

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
  if (path_.empty()) throw FileWriteError(path_, std::string("Es wurde kein Dateiname angegeben."));
  if (std::string problem = ReplaceTargetProblem(path_); !problem.empty())
    throw FileWriteError(path_, problem);
  // A link is followed: the file it names is replaced, the link stays a link.
  target_ = path_;
  std::error_code ec;
  if (std::filesystem::is_symlink(path_, ec)) {
    const std::filesystem::path resolved = std::filesystem::canonical(path_, ec);
    if (!ec) target_ = resolved.string();
  }
  // One name per process and call, so that writers never share a temporary file.
  static std::atomic<int> counter{0};
  temp_ = target_ + ".tmp" + std::to_string(static_cast<long>(::getpid())) + "-" +
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
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    error_ = errno ? errno : EIO;
}

void AtomicFileWriter::Commit() {
  if (file_ == nullptr) Fail(EIO);
  int error = error_;
  if (std::fflush(file_) != 0 && error == 0) error = errno;
  if (::fsync(::fileno(file_)) != 0 && error == 0) error = errno;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  std::error_code ec;
  // Whatever took the target's place while the file was written is not replaced
  // either.
  if (std::string problem = error == 0 ? NodeProblem(path_, target_, false) : "";
      !problem.empty()) {
    std::filesystem::remove(temp_, ec);
    throw FileWriteError(path_, problem);
  }
  if (error == 0) {
    std::filesystem::rename(temp_, target_, ec);
    if (ec) error = ec.value();
  }
  if (error != 0) {
    std::filesystem::remove(temp_, ec);
    Fail(error);
  }
  SyncFolder(target_);
}

void AtomicFileWriter::Fail(int error) { throw FileWriteError(path_, error); }

}  // namespace vmbgrid
