// Raw descriptor I/O that is safe to call anywhere, a signal handler
// included: no allocation, no stdio, only async-signal-safe system calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavu::platform {

// Writes all `size` bytes, going on after short writes and EINTR; false on
// any other failure.
bool write_fully(int fd, const void* data, std::size_t size);

}  // namespace tavu::platform
