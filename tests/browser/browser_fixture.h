// A sample database shared by the browser tests and a window opened on it, with
// the Qt platform installed the way the program installs it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "apps/browser/browser_window.h"
#include "gtest/gtest.h"

namespace vmbgrid::browser::testing {

constexpr int kSampleRows = 2000;

// Created once per run in a temporary folder, removed at the end.
const std::filesystem::path& SampleDb();
const std::filesystem::path& TempDir();

class BrowserTest : public ::testing::Test {
 protected:
  void TearDown() override;
  // A window on the database, shown offscreen, messages recorded.
  BrowserWindow& OpenWindow(Options options = {});
  BrowserWindow& Window() { return *window_; }

  std::unique_ptr<BrowserWindow> window_;
};

}  // namespace vmbgrid::browser::testing
