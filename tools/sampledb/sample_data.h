// Deterministic German customer database for examples, tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>

namespace vmbgrid::sampledb {

struct Options {
  int64_t rows = 10000;
  uint64_t seed = 20030201;
  // Tables Kunden, Orte or Status already on the server are replaced only when set;
  // otherwise GenerateOnServer refuses and names them. (The program asks for
  // --replace before it lets Generate replace a file.)
  bool replace = true;
};

// Writes the database to `path` (replacing a file of that name only once the new
// one is complete). Returns an empty text on success, else a German message.
std::string Generate(const std::string& path, const Options& options);

// Writes the same tables to a PostgreSQL server (a postgresql:// URI or a
// "Provider=PostgreSQL;..." string), replacing them in one transaction.
// Another provider's connection string is refused.
std::string GenerateOnServer(const std::string& connection, const Options& options);

}  // namespace vmbgrid::sampledb
