// Reads back what the saver left in a folder (layout file, layout tables, options)
// and says whether each entry is one complete version.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tests/reliability/saver_protocol.h"

namespace vmbgrid::reliability {

// A fresh folder in the temp folder holding the database (table Kunden) and the
// layout "Andere" in both stores, as the saver's "prepare" leaves them.
std::filesystem::path PreparedFolder(const std::string& name);

struct Entry {
  std::optional<Version> version;  // none: not stored (yet)
  std::string problem;             // not empty: torn, mixed or unreadable
};

Entry FileLayout(const std::filesystem::path& folder, const std::string& name);
Entry DatabaseLayout(const std::filesystem::path& folder, const std::string& name);
Entry StoredMaxRecords(const std::filesystem::path& folder);
// Layout "Andere", saved before the loop, is still whole in both stores.
std::string UntouchedProblem(const std::filesystem::path& folder);

}  // namespace vmbgrid::reliability
