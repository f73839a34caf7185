// What the saver process and the tests that kill it agree on: the names it saves
// under, and how a saved width tells the round and the process that wrote it.
#pragma once

#include <optional>
#include <string>

namespace vmbgrid::reliability {

inline constexpr const char* kUser = "meier";
inline constexpr const char* kShared = "Gemeinsam";  // saved by every process
inline constexpr const char* kUntouched = "Andere";  // saved once before, never again
inline constexpr double kUntouchedWidth = 777;
inline constexpr int kColumns = 3;  // Name, Ort, Nr
inline std::string OwnName(int tag) { return "Eigen-" + std::to_string(tag); }

// Every column of round n of process tag (0..9) gets this width; so does MaxRecords
// (never its default 1000, which would not count as a change).
inline int WidthOf(int round, int tag) { return 2000 + round * 10 + tag; }
struct Version {
  int round = 0, tag = 0;
};
inline std::optional<Version> VersionOf(double width) {
  const int w = static_cast<int>(width);
  if (w != width || w < 2000) return std::nullopt;
  return Version{(w - 2000) / 10, (w - 2000) % 10};
}

}  // namespace vmbgrid::reliability
