// Command line of the browser and the small text helpers its window shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vmbgrid::browser {

struct Options {
  std::string db = "examples/kunden.db";
  std::string table = "Kunden";
  std::string user;
  std::vector<std::pair<std::string, std::string>> searches;  // field, criterion
  std::vector<std::string> sums;                              // columns totalled
  std::string screenshot;                                     // PNG path; empty = interactive
  std::string exportFile;                                     // text export of the rows, then end
  std::string pdfFile;  // the rows printed to a PDF file, then end
  bool landscape = false;
  std::optional<int32_t> max;
  bool help = false;
};

// Reads the arguments after the program name. Returns an empty text on success,
// else the German message to print together with Usage().
std::string ParseOptions(const std::vector<std::string>& args, Options& out);
const char* Usage();
// True when the options ask for output without a window (screenshot, export, PDF).
bool Unattended(const Options& o);

// "10.000 Datensätze", "1 Datensatz", "Keine Datensätze".
// "1.234 Datensätze"; a count that reached the record limit (MaxRecords, 0 = none)
// says that more rows may match.
std::string RecordCountText(int64_t count, int64_t limit = 0);
// The user whose layouts and options the browser shows without --user: the login
// name, else "Benutzer".
std::string DefaultUser();

}  // namespace vmbgrid::browser
