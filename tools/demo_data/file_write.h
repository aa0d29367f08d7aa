#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace tavu::demo {

// Writes `bytes` to a temporary file in the target's directory, flushes it to
// disk and renames it over `path`, so a crash leaves either the old file or
// the new one, never a partial file.
bool write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace tavu::demo
