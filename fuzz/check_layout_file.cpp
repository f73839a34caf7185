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

// The layouts a check looks at closely: the first and the last few. Every Load
// reads the whole file, so checking each of a file's hundred layouts would make an
// input cost its square; the ends are where a save's splicing goes wrong.
std::vector<size_t> Checked(size_t count) {
  constexpr size_t kEnds = 4;
  std::vector<size_t> out;
  for (size_t i = 0; i < count; ++i)
    if (i < kEnds || i + kEnds >= count) out.push_back(i);
  return out;
}

// Layouts that load, by position in the file (unchecked positions stay empty): what
// a save must leave intact.
std::vector<std::optional<GridLayout>> LoadChecked(const LayoutFile& file,
                                                   const std::vector<std::string>& names,
                                                   const std::vector<size_t>& checked,
                                                   std::string_view input) {
  std::vector<std::optional<GridLayout>> out(names.size());
  for (size_t i : checked) {
    try {
      out[i] = file.Load(names[i]);
    } catch (const VMError& e) {
      RequireMessage(e.Description(), input);
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
  const std::vector<std::string> tried = readable ? names : std::vector<std::string>{"Standard"};
  const std::vector<size_t> checked = Checked(tried.size());
  const auto loaded = LoadChecked(file, tried, checked, input);
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
  for (const std::string& name : names) {
    if (name == probe.name) continue;
    bool kept = false;
    for (const std::string& n : after) kept = kept || n == name;
    Require(kept, "saving lost the layout \"" + name + "\"", input);
  }
  // With duplicate names the first one loads, before and after.
  for (size_t i : checked) {
    if (loaded[i] && names[i] != probe.name)
      Require(Same(*loaded[i], file.Load(names[i])),
              "saving changed the layout \"" + names[i] + "\"", input);
  }
  // A loaded layout saved back loads the same.
  for (size_t i : checked) {
    if (!loaded[i] || names[i] == probe.name || names[i].empty()) continue;
    file.Save(*loaded[i]);
    Require(Same(*loaded[i], file.Load(names[i])), "a layout saved back loads differently", input);
  }
  Require(file.Remove(probe.name), "the saved layout could not be removed", input);
}

}  // namespace vmbgrid::fuzz
