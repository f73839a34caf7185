#include "model/sort_columns.h"

#include <gtest/gtest.h>

#include "host/error.h"

namespace vmbgrid {
namespace {

TEST(SortColumns, DirectionText) {
  EXPECT_EQ(SortOrderText(ascending), "ASC");
  EXPECT_EQ(SortOrderText(descending), "DESC");
  EXPECT_EQ(SortOrderText(3), "");
  EXPECT_EQ(SortOrderText(0), "");
}

TEST(SortColumns, KeyedAndUnkeyedEntries) {
  VMGridSortColumns cols;
  cols.Add("Name", "ASC", "Name");
  cols.Add("Ort", "DESC");  // no key
  cols.Add("Ort", "ASC");   // unkeyed entries never collide
  EXPECT_EQ(cols.Count(), 3);
  EXPECT_EQ(cols.Item("NAME")->SortOrder, "ASC");
  EXPECT_EQ(cols.Find("Ort"), nullptr);
  EXPECT_THROW(cols.Add("Name", "DESC", "name"), VMError);
  EXPECT_EQ(cols.Count(), 3);
  cols.Remove("Name");
  EXPECT_EQ(cols.Item(1)->sortcolumn, "Ort");
  EXPECT_EQ(cols.Item(Variant(2))->SortOrder, "ASC");
  try {
    cols.Remove("Name");
    ADD_FAILURE();
  } catch (const VMError& e) {
    EXPECT_EQ(e.Number(), errc::kInvalidProcedureCall);
  }
  EXPECT_THROW(cols.Item(3), VMError);
}

TEST(SortColumns, ReAddingMovesColumnToTheEnd) {
  // The controller re-adds a column by removing its keyed entry first.
  VMGridSortColumns cols;
  auto add = [&](const std::string& name, int order) {
    if (cols.Contains(name)) cols.Remove(name);
    cols.Add(name, SortOrderText(order), name);
  };
  add("A", ascending);
  add("B", descending);
  add("a", descending);
  std::string order;
  for (const auto& c : cols) order += c->sortcolumn + " " + c->SortOrder + ";";
  EXPECT_EQ(order, "B DESC;a DESC;");
  EXPECT_EQ(cols.Item("A")->sortcolumn, "a");
}

}  // namespace
}  // namespace vmbgrid
