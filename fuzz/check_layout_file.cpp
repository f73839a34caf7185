// Layout file content as found on disk. Input: the whole file.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "adapters/common/layout_file.h"
#include "fuzz/checks.h"
#include "host/error.h"

namespace vmbgrid::fuzz {

namespace {

namespace fs = std::filesystem;

// One folder per process, removed at exit.
class Folder {
 public:
  Folder() {
    path_ = fs::temp_directory_path() / ("vmbgrid_fuzz_layout_" + std::to_string(::getpid()));
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

void Write(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Same(const GridLayout& a, const GridLayout& b) {
  if (a.name != b.name || a.headerLines != b.headerLines || a.rowHeight != b.rowHeight ||
      a.recordSelectors != b.recordSelectors || a.columns.size() != b.columns.size())
    return false;
  for (size_t i = 0; i < a.columns.size(); ++i) {
    const ColumnLayout& x = a.columns[i];
    const ColumnLayout& y = b.columns[i];
    if (x.index != y.index || x.dataField != y.dataField || x.caption != y.caption ||
        x.width != y.width || x.visible != y.visible || x.order != y.order ||
        x.alignment != y.alignment || x.numberFormat != y.numberFormat ||
        x.dropDown != y.dropDown || x.translate != y.translate || x.presentation != y.presentation)
      return false;
  }
  return true;
}

GridLayout Probe() {
  GridLayout l;
  l.name = "Fuzz-Tmp";
  l.columns.push_back({0, "Nr", "Nummer", 900, true, 0, 1, "0", "", false, 0});
  return l;
}

// Layouts that load, by position in the file: what a save must leave intact.
std::vector<std::optional<GridLayout>> LoadAll(const LayoutFile& file,
                                               const std::vector<std::string>& names,
                                               std::string_view input) {
  std::vector<std::optional<GridLayout>> out;
  for (const std::string& name : names) {
    try {
      out.push_back(file.Load(name));
    } catch (const VMError& e) {
      RequireMessage(e.Description(), input);
      out.push_back(std::nullopt);
    }
  }
  return out;
}

}  // namespace

void CheckLayoutFile(const uint8_t* data, size_t size) {
  static Folder folder;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = folder.File("layouts.grx");
  Write(path, input);
  LayoutFile file(path);

  std::vector<std::string> names;
  bool readable = true;
  try {
    names = file.Names();
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    readable = false;
  }
  const auto loaded = LoadAll(file, readable ? names : std::vector<std::string>{"Standard"}, input);
  Require(Read(path) == input, "reading the layouts changed the file", input);

  // A save keeps every other layout; a file that cannot be read is left alone.
  const GridLayout probe = Probe();
  try {
    file.Save(probe);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(Read(path) == input, "a refused save changed the file", input);
    return;
  }
  Require(readable, "a file that could not be read was overwritten", input);
  const std::vector<std::string> after = file.Names();
  bool probeThere = false;
  for (const std::string& n : after) probeThere = probeThere || n == probe.name;
  Require(probeThere && file.Load(probe.name).columns.size() == 1, "the saved layout is missing",
          input);
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == probe.name) continue;
    bool kept = false;
    for (const std::string& n : after) kept = kept || n == names[i];
    Require(kept, "saving lost the layout \"" + names[i] + "\"", input);
    // With duplicate names the first one loads, before and after.
    if (loaded[i])
      Require(Same(*loaded[i], file.Load(names[i])),
              "saving changed the layout \"" + names[i] + "\"", input);
  }
  // A loaded layout saved back loads the same.
  for (size_t i = 0; i < names.size(); ++i) {
    if (!loaded[i] || names[i] == probe.name || names[i].empty()) continue;
    file.Save(*loaded[i]);
    Require(Same(*loaded[i], file.Load(names[i])), "a layout saved back loads differently", input);
  }
  Require(file.Remove(probe.name), "the saved layout could not be removed", input);
}

}  // namespace vmbgrid::fuzz
