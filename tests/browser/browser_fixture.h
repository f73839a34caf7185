// A sample database shared by the browser tests and a window opened on it, with
// the Qt platform installed the way the program installs it.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/browser/browser_window.h"
#include "gtest/gtest.h"

class QDialog;

namespace vmbgrid {
class QtGrid;
}

namespace vmbgrid::browser::testing {

using Strings = std::vector<std::string>;

constexpr int kSampleRows = 2000;

// Created once per run in a temporary folder, removed at the end.
const std::filesystem::path& SampleDb();
const std::filesystem::path& TempDir();

// The index of the column showing the field, -1 when the grid has none.
int FindColumn(QtGrid& g, const std::string& field);
// The whole content of a file, "" when it cannot be read.
std::string ReadAll(const std::filesystem::path& p);

class BrowserTest : public ::testing::Test {
 protected:
  void TearDown() override;
  // A window on the database, shown offscreen, messages recorded.
  BrowserWindow& OpenWindow(Options options = {});
  BrowserWindow& Window() { return *window_; }

  // A copy of the sample database of this test's own (layouts, options and filters
  // are written into it), opened as the user; RemovePrivate deletes it again.
  static Options Private(const std::string& file, const std::string& user);
  static void RemovePrivate(const std::string& file);
  // Plays the user in the next modal dialog; it is closed afterwards whatever
  // happened. The dialog opens later (a menu defers it until its popup has closed),
  // so this looks for it every few milliseconds, for at most five seconds.
  static void InDialog(std::function<void(QDialog&)> play, int triesLeft = 500);
  // Triggers the entry with that text in one of the menu bar's menus.
  void Trigger(const std::string& text);
  // The shown values of one column of the data grid.
  Strings Column(const std::string& field);

  std::unique_ptr<BrowserWindow> window_;
};

}  // namespace vmbgrid::browser::testing
