// Export of the grid's rows to a text file the user chooses: a header line with
// the captions of the visible columns, then the rows as the grid shows them,
// fields in double quotes separated by ";", CRLF line ends. The folder last used
// is remembered per user ("ParentFolderName").
//
// The file is UTF-8 with a byte-order mark: spreadsheet programs take a text file
// without one for the Windows code page and show "MÃ¼ller". Header and rows both
// follow the display order of the columns, so that a moved column keeps its
// caption. The file appears complete or not at all.
#pragma once

#include <string>

#include "output/output_host.h"

namespace vmbgrid::output {

inline constexpr const char* kFolderSetting = "ParentFolderName";
inline constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

class TextExport {
 public:
  explicit TextExport(OutputHost& host) : host_(host) {}

  // Asks for the file and writes it. False when cancelled or failed; a failure is
  // shown to the user in German and leaves no file of ours behind.
  bool Run();
  // Writes the export to a path without asking (the command-line hosts).
  bool ExportTo(const std::string& path);

  // The folder held for the controller's life; ends in the path separator once a
  // file was chosen.
  const std::string& Folder() const { return folder_; }
  // Reads the stored folder; a missing entry gives "".
  void ReadFolder();
  // Holds and stores a folder (the separator is added when missing).
  void RememberFolder(const std::string& folder);

 private:
  void WriteExport(const std::string& path);

  OutputHost& host_;
  std::string folder_;
};

// The header line: the captions of the visible columns in display order, each in
// double quotes, joined by ";" (empty without visible columns).
std::string HeaderLine(GridControl& grid);
// The folder of a path with a trailing separator ("" for a bare file name).
std::string FolderOf(const std::string& path);

}  // namespace vmbgrid::output
