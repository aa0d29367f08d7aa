// Single-instance guard over an advisory file lock.
#pragma once

#include <string>

namespace tavu::platform {

// Locks a file named after `name` in the user's runtime directory
// ($XDG_RUNTIME_DIR, else /tmp with the user id in the name) and keeps it
// locked until the process ends. False when another process holds it. When
// no lock file can be opened the guard is skipped and the answer is true.
bool acquire_instance_lock(const std::string& name);

// Path of the lock file for `name` (exposed for tests).
std::string instance_lock_path(const std::string& name);

}  // namespace tavu::platform
