#include "adapters/common/layout_file.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "adapters/common/file_util.h"
#include "host/error.h"

namespace vmbgrid {

namespace {

using nlohmann::json;

constexpr const char* kFormatName = "VMBGrid-Layouts";
constexpr int kVersion = 1;
constexpr size_t kMaxFileBytes = 32u * 1024u * 1024u;
constexpr int kMaxDepth = 64;
// More columns than any database returns in one row (SQLite: 2000, PostgreSQL:
// 1664): a layout beyond that can only be damaged or forged.
constexpr int kMaxColumns = 2000;

[[noreturn]] void Corrupt(const std::string& path) {
  throw VMError(errc::kPathFileAccess, "VMBGrid",
                "Die Layoutdatei \"" + path + "\" ist beschädigt oder unvollständig.");
}

// Nesting deeper than any layout needs is refused before parsing.
bool NestingWithin(const std::string& text, int limit) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
      continue;
    }
    if (c == '"')
      inString = true;
    else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The parsed file; an absent file gives an empty document, or raises when it must exist.
json ReadDocument(const std::string& path, bool mustExist = false) {
  std::optional<std::string> text = ReadWholeFile(path, kMaxFileBytes);
  if (!text && mustExist) {
    throw VMError(errc::kFileNotFound, "VMBGrid",
                  "Die Layoutdatei \"" + path + "\" wurde nicht gefunden.");
  }
  if (!text)
    return json{{"format", kFormatName}, {"version", kVersion}, {"layouts", json::array()}};
  if (!NestingWithin(*text, kMaxDepth)) Corrupt(path);
  json doc = json::parse(*text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) Corrupt(path);
  auto layouts = doc.find("layouts");
  if (layouts == doc.end() || !layouts->is_array()) Corrupt(path);
  for (const json& l : *layouts) {
    if (!l.is_object()) Corrupt(path);
    auto name = l.find("name");
    if (name == l.end() || !name->is_string()) Corrupt(path);
  }
  auto version = doc.find("version");
  if (version != doc.end() && version->is_number_integer() && version->get<int64_t>() > kVersion) {
    throw VMError(errc::kPathFileAccess, "VMBGrid",
                  "Die Layoutdatei \"" + path +
                      "\" stammt von einer neueren Programmversion und kann nicht gelesen werden.");
  }
  return doc;
}

json::iterator FindLayout(json& doc, const std::string& name) {
  json& list = doc["layouts"];
  for (auto it = list.begin(); it != list.end(); ++it) {
    if ((*it)["name"].get_ref<const std::string&>() == name) return it;
  }
  return list.end();
}

class LayoutReader {
 public:
  LayoutReader(const std::string& path, const std::string& name) : path_(path), name_(name) {}

  [[noreturn]] void Invalid(const std::string& detail) const {
    throw VMError(errc::kPathFileAccess, "VMBGrid",
                  "Das Layout \"" + name_ + "\" in der Layoutdatei \"" + path_ +
                      "\" ist ungültig: " + detail + ".");
  }

  const json* Member(const json& obj, const char* key, bool required,
                     const std::string& where) const {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) {
      if (required) Invalid(where + "der Eintrag \"" + key + "\" fehlt");
      return nullptr;
    }
    return &*it;
  }

  std::string Text(const json& obj, const char* key, bool required,
                   const std::string& where) const {
    const json* v = Member(obj, key, required, where);
    if (v == nullptr) return "";
    if (!v->is_string()) Invalid(where + "\"" + key + "\" ist kein Text");
    return v->get<std::string>();
  }

  bool Flag(const json& obj, const char* key, bool required, bool fallback,
            const std::string& where) const {
    const json* v = Member(obj, key, required, where);
    if (v == nullptr) return fallback;
    if (!v->is_boolean()) Invalid(where + "\"" + key + "\" ist kein Wahrheitswert");
    return v->get<bool>();
  }

  double Number(const json& obj, const char* key, bool required, double fallback, double lo,
                double hi, const std::string& where) const {
    const json* v = Member(obj, key, required, where);
    if (v == nullptr) return fallback;
    if (!v->is_number()) Invalid(where + "\"" + key + "\" ist keine Zahl");
    double d = v->get<double>();
    if (!std::isfinite(d) || d < lo || d > hi)
      Invalid(where + "\"" + key + "\" liegt außerhalb des zulässigen Bereichs");
    return d;
  }

  int Whole(const json& obj, const char* key, bool required, int fallback, int lo, int hi,
            const std::string& where) const {
    double d = Number(obj, key, required, fallback, lo, hi, where);
    if (std::floor(d) != d) Invalid(where + "\"" + key + "\" ist keine ganze Zahl");
    return static_cast<int>(d);
  }

  GridLayout Read(const json& l) const {
    GridLayout layout;
    layout.name = name_;
    layout.headerLines = Number(l, "headerLines", false, 1, 0, 100, "");
    layout.rowHeight = Number(l, "rowHeight", false, 240, 0, 1e6, "");
    layout.recordSelectors = Flag(l, "recordSelectors", false, true, "");
    const json* columns = Member(l, "columns", true, "");
    if (!columns->is_array()) Invalid("\"columns\" ist keine Liste");
    if (columns->size() > static_cast<size_t>(kMaxColumns))
      Invalid("zu viele Spalten (höchstens " + std::to_string(kMaxColumns) + ")");
    std::set<int> indexes;
    int position = 0;
    for (const json& c : *columns) {
      std::string where = "Spalte " + std::to_string(position + 1) + ": ";
      if (!c.is_object()) Invalid(where + "kein Spalteneintrag");
      ColumnLayout col;
      col.index = Whole(c, "index", false, position, 0, kMaxColumns - 1, where);
      if (!indexes.insert(col.index).second) Invalid(where + "der Index kommt doppelt vor");
      col.dataField = Text(c, "dataField", true, where);
      col.caption = Text(c, "caption", true, where);
      col.width = Number(c, "width", true, 0, 0, 1e7, where);
      col.visible = Flag(c, "visible", true, true, where);
      col.order = Whole(c, "order", true, 0, -1000000, 1000000, where);
      col.alignment = Whole(c, "alignment", false, 3, 0, 3, where);
      col.numberFormat = Text(c, "numberFormat", false, where);
      col.dropDown = Text(c, "dropDown", false, where);
      col.translate = Flag(c, "translate", false, false, where);
      col.presentation = Whole(c, "presentation", false, 0, 0, 4, where);
      layout.columns.push_back(std::move(col));
      ++position;
    }
    // Unique indexes from 0 whose largest is count - 1 are exactly 0 .. count - 1.
    if (!indexes.empty() && static_cast<size_t>(*indexes.rbegin()) + 1 != layout.columns.size()) {
      Invalid("die Spaltenindizes sind nicht fortlaufend");
    }
    std::sort(layout.columns.begin(), layout.columns.end(),
              [](const ColumnLayout& a, const ColumnLayout& b) { return a.index < b.index; });
    // A layout never leaves a grid without a column to see (the column chooser's
    // rule): when every column is hidden, the first in display order shows.
    if (std::none_of(layout.columns.begin(), layout.columns.end(),
                     [](const ColumnLayout& c) { return c.visible; })) {
      auto first = std::min_element(
          layout.columns.begin(), layout.columns.end(),
          [](const ColumnLayout& a, const ColumnLayout& b) { return a.order < b.order; });
      if (first != layout.columns.end()) first->visible = true;
    }
    return layout;
  }

 private:
  const std::string& path_;
  const std::string& name_;
};

json ToJson(const GridLayout& layout) {
  json columns = json::array();
  for (const ColumnLayout& c : layout.columns) {
    columns.push_back({{"index", c.index},
                       {"dataField", c.dataField},
                       {"caption", c.caption},
                       {"width", c.width},
                       {"visible", c.visible},
                       {"order", c.order},
                       {"alignment", c.alignment},
                       {"numberFormat", c.numberFormat},
                       {"dropDown", c.dropDown},
                       {"translate", c.translate},
                       {"presentation", c.presentation}});
  }
  return {{"name", layout.name},
          {"headerLines", layout.headerLines},
          {"rowHeight", layout.rowHeight},
          {"recordSelectors", layout.recordSelectors},
          {"columns", std::move(columns)}};
}

// Called under the folder lock of path.
void WriteDocument(const FolderLock& lock, const std::string& path, json& doc) {
  lock.RemoveLeftovers(path);
  doc["format"] = kFormatName;
  doc["version"] = kVersion;
  // Invalid UTF-8 in a caption is replaced rather than refused, so a save never fails on it.
  WriteFileAtomically(path, doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
}

}  // namespace

std::vector<std::string> LayoutFile::Names() const {
  json doc = ReadDocument(path_);
  std::vector<std::string> names;
  for (const json& l : doc["layouts"]) names.push_back(l["name"].get<std::string>());
  return names;
}

bool LayoutFile::Contains(const std::string& name) const {
  json doc = ReadDocument(path_);
  return FindLayout(doc, name) != doc["layouts"].end();
}

GridLayout LayoutFile::Load(const std::string& name) const {
  json doc = ReadDocument(path_, true);
  auto it = FindLayout(doc, name);
  if (it == doc["layouts"].end()) {
    throw VMError(
        errc::kItemNotFound, "VMBGrid",
        "Das Layout \"" + name + "\" ist in der Layoutdatei \"" + path_ + "\" nicht vorhanden.");
  }
  return LayoutReader(path_, name).Read(*it);
}

void LayoutFile::Save(const GridLayout& layout) {
  if (layout.name.empty()) {
    throw VMError(errc::kInvalidProcedureCall, "VMBGrid", "Der Layoutname darf nicht leer sein.");
  }
  // What could not be read back is not written either.
  if (layout.columns.size() > static_cast<size_t>(kMaxColumns)) {
    throw VMError(errc::kInvalidProcedureCall, "VMBGrid",
                  "Das Layout \"" + layout.name + "\" hat zu viele Spalten (höchstens " +
                      std::to_string(kMaxColumns) + ") und wird nicht gespeichert.");
  }
  // Read and rewrite under the lock, so that a concurrent save of another layout is
  // not overwritten with the file as it was before.
  FolderLock lock(path_);
  json doc = ReadDocument(path_);  // a damaged file raises here and stays as it is
  auto it = FindLayout(doc, layout.name);
  if (it != doc["layouts"].end()) {
    *it = ToJson(layout);
  } else {
    doc["layouts"].push_back(ToJson(layout));
  }
  WriteDocument(lock, path_, doc);
}

bool LayoutFile::Remove(const std::string& name) {
  FolderLock lock(path_);
  json doc = ReadDocument(path_);
  auto it = FindLayout(doc, name);
  if (it == doc["layouts"].end()) return false;  // also when there is no file
  doc["layouts"].erase(it);
  WriteDocument(lock, path_, doc);
  return true;
}

ColumnLayout DescribeColumn(const GridColumn& c, int index) {
  ColumnLayout col;
  col.index = index;
  col.dataField = c.DataField();
  col.caption = c.Caption();
  col.width = c.Width();
  col.visible = c.Visible();
  col.order = c.Order();
  col.alignment = c.Alignment();
  col.numberFormat = c.NumberFormat();
  col.dropDown = c.DropDown();
  col.translate = c.Translate();
  col.presentation = c.Presentation();
  return col;
}

void ApplyColumnLayout(GridColumn& c, const ColumnLayout& l) {
  c.DataField(l.dataField);
  c.Caption(l.caption);
  c.Width(l.width);
  c.Visible(l.visible);
  c.Alignment(l.alignment);
  c.NumberFormat(l.numberFormat);
  c.DropDown(l.dropDown);
  c.Translate(l.translate);
  c.Presentation(l.presentation);
}

}  // namespace vmbgrid
