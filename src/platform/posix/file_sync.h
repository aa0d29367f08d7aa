// Operating-system file operations the portable helpers cannot express.
#pragma once

#include <cstdio>
#include <string>

namespace tavu::platform {

// Flushes the stream and asks the system to put its data on disk.
bool flush_to_disk(std::FILE* file);
// Makes a rename in `directory` durable.
void sync_directory(const std::string& directory);

}  // namespace tavu::platform
