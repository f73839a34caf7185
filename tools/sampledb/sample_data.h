// Deterministic German customer database for examples, tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>

namespace vmbgrid::sampledb {

struct Options {
  int64_t rows = 10000;
  uint64_t seed = 20030201;
};

// Writes the database to `path` (replacing a file of that name only once the new
// one is complete). Returns an empty text on success, else a German message.
std::string Generate(const std::string& path, const Options& options);

}  // namespace vmbgrid::sampledb
