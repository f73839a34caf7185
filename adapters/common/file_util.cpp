#include "adapters/common/file_util.h"

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
}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& content) {
  AtomicFileWriter out(path);
  out.Write(content);
  out.Commit();
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return std::nullopt;
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
