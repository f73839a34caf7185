// The controller fixture with a scratch folder and the helpers the output tests
// share: reading files, host-filled rows, recorded components.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/controller/controller_fixture.h"
#include "tests/output/recording_component.h"

namespace vmbgrid::testing {

namespace fs = std::filesystem;

class OutputTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("vmbgrid_output_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ControllerTest::TearDown();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The names in the folder, sorted.
  std::vector<std::string> FilesIn(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // A controller on rows the host fills: Name and Ort, one row per pair.
  VMGrid& HostRows(const std::vector<std::pair<std::string, std::string>>& rows) {
    VMGrid& g = Make();
    g.RecordSource("");
    g.AddField("Name", "Name", false, false, adVarChar);
    g.AddField("Ort", "Ort", false, false, adVarChar);
    auto xarr = std::make_shared<XArray>(0, static_cast<int32_t>(rows.size()) - 1, 0, 1);
    for (size_t r = 0; r < rows.size(); ++r) {
      xarr->Value(static_cast<int32_t>(r), 0, Variant(rows[r].first));
      xarr->Value(static_cast<int32_t>(r), 1, Variant(rows[r].second));
    }
    g.SetArray(xarr);
    g.Requery();
    return g;
  }

  // Registers a recording component under the program identifier.
  std::shared_ptr<RecordingComponent::Log> Record(const std::string& progId) {
    auto log = std::make_shared<RecordingComponent::Log>();
    platform_->components.Register(progId,
                                   [log] { return std::make_shared<RecordingComponent>(log); });
    return log;
  }

  int ColumnOf(const std::string& field) {
    for (int i = 0; i < main_.ColumnCount(); ++i)
      if (main_.Column(i).DataField() == field) return i;
    return -1;
  }

  fs::path dir_;
};

}  // namespace vmbgrid::testing
