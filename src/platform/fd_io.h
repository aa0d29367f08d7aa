// Raw descriptor I/O that is safe to call anywhere, a signal handler
// included: no allocation, no stdio, only async-signal-safe system calls.
// Descriptors are the C runtime's (on Windows, over a file HANDLE).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavu::platform {

// One write(2)-like call: bytes written, or -1 with errno set.
using WriteCall = long (*)(int fd, const void* data, std::size_t size);

// Writes all `size` bytes, going on after short writes and EINTR; false on
// any other failure (errno tells which).
bool write_fully(int fd, const void* data, std::size_t size);
// The same loop over another write call (the file layer's fault seam).
bool write_fully(int fd, const void* data, std::size_t size, WriteCall call);

// write(2) itself.
long write_some(int fd, const void* data, std::size_t size);

// isatty(3): whether the descriptor is a terminal (a progress bar is drawn
// only there).
bool is_terminal(int fd);

}  // namespace tavu::platform
