#include "host/atomic_file.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "host/error.h"

namespace vmbgrid {

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  if (path_.empty())
    throw VMError(errc::kPathFileAccess, "VMBGrid", "Es wurde kein Dateiname angegeben.");
  // The process id keeps two programs writing the same file from sharing a temp.
  temp_ = path_ + ".tmp" + std::to_string(static_cast<long>(::getpid()));
  file_ = std::fopen(temp_.c_str(), "wb");
  if (file_ == nullptr) Fail();
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
  if (failed_ || file_ == nullptr || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

void AtomicFileWriter::Commit() {
  if (file_ == nullptr) Fail();
  bool ok = !failed_;
  ok = std::fflush(file_) == 0 && ok;
  ok = ::fsync(::fileno(file_)) == 0 && ok;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  std::error_code ec;
  if (ok) std::filesystem::rename(temp_, path_, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp_, ec);
    Fail();
  }
}

void AtomicFileWriter::Fail() {
  throw VMError(errc::kPathFileAccess, "VMBGrid",
                "Die Datei \"" + path_ + "\" konnte nicht geschrieben werden.");
}

}  // namespace vmbgrid
