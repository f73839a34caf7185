// Every input of the fuzzing corpus run through its check: the seeds and every
// input that once broke a property stay fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/checks.h"

namespace vmbgrid::fuzz {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Replay : public ::testing::TestWithParam<NamedCheck> {};

TEST_P(Replay, EveryCorpusInputHoldsItsProperties) {
  const fs::path folder = fs::path(VMBGRID_CORPUS_DIR) / GetParam().name;
  ASSERT_TRUE(fs::is_directory(folder)) << folder;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  EXPECT_GE(files.size(), 10u) << "a corpus of a few dozen inputs is expected";
  for (const fs::path& file : files) {
    const std::string input = Contents(file);
    try {
      GetParam().check(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    } catch (const Violation& v) {
      ADD_FAILURE() << file.filename() << ": " << v.what();
    } catch (const std::exception& e) {
      // Anything else escaping is what the fuzzer would report as a crash.
      ADD_FAILURE() << file.filename() << ": escaped: " << e.what();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, Replay, ::testing::ValuesIn(kChecks),
                         [](const ::testing::TestParamInfo<NamedCheck>& p) {
                           return std::string(p.param.name);
                         });

}  // namespace
}  // namespace vmbgrid::fuzz
