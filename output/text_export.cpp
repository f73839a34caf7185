#include "output/text_export.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/settings_store.h"
#include "host/atomic_file.h"
#include "host/delimited_text.h"
#include "host/error.h"
#include "host/platform.h"
#include "output/grid_rows.h"

namespace vmbgrid::output {

namespace {

constexpr char kSeparator = std::filesystem::path::preferred_separator;

std::string Describe(const std::exception& e) {
  if (auto* vm = dynamic_cast<const VMError*>(&e)) return vm->Description();
  return e.what();
}

// Removes a file of ours when it goes out of scope.
struct TempFile {
  std::string path;
  ~TempFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

void CopyInto(AtomicFileWriter& out, const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) {
    throw VMError(errc::kPathFileAccess, "VMBGrid",
                  "Die Datei \"" + path + "\" konnte nicht gelesen werden.");
  }
  std::string buffer(1 << 20, '\0');
  size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0)
    out.Write(std::string_view(buffer.data(), n));
  if (std::ferror(in.get()) != 0) {
    throw VMError(errc::kPathFileAccess, "VMBGrid",
                  "Die Datei \"" + path + "\" konnte nicht gelesen werden.");
  }
}

}  // namespace

std::string HeaderLine(GridControl& grid) {
  std::string line;
  for (int c : VisibleColumns(grid)) {
    if (!line.empty()) line += ';';
    AppendQuotedField(line, grid.Column(c).Caption(), "\"", "\"");
  }
  return line;
}

std::string FolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (!folder.empty() && folder.back() != kSeparator) folder += kSeparator;
  return folder;
}

void TextExport::ReadFolder() {
  const std::string section = host_.SettingsSection();
  if (section.empty()) return;
  folder_ = host_.Settings().ReadSetting(section, kFolderSetting, host_.User(), "Standard", "");
}

void TextExport::RememberFolder(const std::string& folder) {
  folder_ = folder;
  if (!folder_.empty() && folder_.back() != kSeparator) folder_ += kSeparator;
  const std::string section = host_.SettingsSection();
  if (section.empty()) return;
  try {
    host_.Settings().WriteSetting(section, kFolderSetting, folder_, host_.User());
  } catch (const std::exception&) {
    // A database that takes no writes only forgets the folder; the export goes on.
  }
}

bool TextExport::Run() {
  GridControl* grid = host_.DataGrid();
  if (grid == nullptr) return false;
  ReadFolder();
  FileDialogRequest request;
  request.title = "Exportdatei auswählen";
  request.filter = "Textdateien:*.txt";
  // The whole proposed path: a folder read back without its separator stays as it is.
  request.fileName = folder_ + host_.Table() + ".txt";
  request.save = true;
  std::optional<std::string> chosen = Platform::Files().Show(request);
  if (!chosen || chosen->empty()) return false;
  RememberFolder(FolderOf(*chosen));
  return ExportTo(*chosen);
}

bool TextExport::ExportTo(const std::string& path) {
  try {
    WriteExport(path);
    Platform::Messages().StatusText("Tabelle exportiert: " + path);
    return true;
  } catch (const std::exception& e) {
    host_.ShowMessage("Die Tabelle konnte nicht exportiert werden.\n" + Describe(e));
    return false;
  }
}

void TextExport::WriteExport(const std::string& path) {
  GridControl* grid = host_.DataGrid();
  if (grid == nullptr) {
    throw VMError(errc::kObjectRequired, "VMBGrid", "Es ist keine Tabelle angeschlossen.");
  }
  // The target is checked and its temporary file made first, so that a target that
  // may not be replaced or a folder that cannot be written is named as chosen. The
  // grid writes the rows aside; the header goes in front of them in the file that
  // then replaces the target in one step.
  AtomicFileWriter out(path);
  TempFile rows{path + ".zeilen" + std::to_string(static_cast<long>(::getpid()))};
  try {
    grid->Export(rows.path, true, ";", "\"", "\"");
  } catch (const FileWriteError& e) {
    // The rows file is ours, not the user's: the message names the chosen file.
    throw FileWriteError(path, e.SystemError());
  }
  out.Write(kByteOrderMark);
  out.Write(HeaderLine(*grid));
  out.Write("\r\n");
  CopyInto(out, rows.path);
  out.Commit();
}

}  // namespace vmbgrid::output
