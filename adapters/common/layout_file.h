// The layout file: one JSON file holding named column layouts of a grid. Every
// change rewrites the file through a temporary file, so the layouts of other names
// stay intact and a crash never leaves a half-written file. A file that cannot be
// read as a layout file is never overwritten.
#pragma once

#include <string>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid {

// One grid column as a layout keeps it.
struct ColumnLayout {
  int index = 0;  // position in the columns collection
  std::string dataField;
  std::string caption;
  double width = 0;  // twips
  bool visible = true;
  int order = 0;      // display position
  int alignment = 3;  // dbgGeneral
  std::string numberFormat;
  std::string dropDown;
  bool translate = false;
  int presentation = 0;
};

// A column's layout record, and the record applied to a column (all but the display
// position, which the grid sets once all columns exist). Shared by both front ends so
// that they read and write the same records.
ColumnLayout DescribeColumn(const GridColumn& column, int index);
void ApplyColumnLayout(GridColumn& column, const ColumnLayout& layout);

struct GridLayout {
  std::string name;
  std::vector<ColumnLayout> columns;  // by index
  double headerLines = 1;
  double rowHeight = 240;
  bool recordSelectors = true;
};

class LayoutFile {
 public:
  explicit LayoutFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // Names in file order; none when the file does not exist. A malformed file raises
  // VMError with a German description.
  std::vector<std::string> Names() const;
  bool Contains(const std::string& name) const;
  // The named layout, checked field by field; absent or malformed raises VMError.
  GridLayout Load(const std::string& name) const;
  // Adds the layout or replaces the one of the same name.
  void Save(const GridLayout& layout);
  // Removes the named layout; false when there was none.
  bool Remove(const std::string& name);

 private:
  std::string path_;
};

}  // namespace vmbgrid
