// What a directory holds, to show that a save changed exactly what it
// should: names, file identities (a replaced file gets a new inode) and
// bytes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavu::test {

// Name -> (inode, bytes); pipes, directories and links are listed with no
// bytes (a link by its own inode).
using Snapshot = std::map<std::string, std::pair<ino_t, std::vector<std::uint8_t>>>;
Snapshot snapshot(const std::filesystem::path& dir);

// The names that differ (replaced, added or removed) between two snapshots,
// sorted.
std::vector<std::string> changed(const Snapshot& before, const Snapshot& after);

// Names starting with "." (the writer's temporaries and kept originals).
std::vector<std::string> hidden_names(const std::filesystem::path& dir);

}  // namespace tavu::test
