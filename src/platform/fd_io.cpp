#include "platform/fd_io.h"

#include <cerrno>

namespace tavu::platform {

// The loop is the same on every system; only write_some is the system's.
bool write_fully(int fd, const void* data, std::size_t size, WriteCall call) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const long n = call(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      // write returns 0 only for a zero-byte request; treat it as a full
      // device rather than spin.
      errno = ENOSPC;
      return false;
    }
    const std::size_t done =
        static_cast<std::size_t>(n) < size ? static_cast<std::size_t>(n) : size;
    p += done;
    size -= done;
  }
  return true;
}

bool write_fully(int fd, const void* data, std::size_t size) {
  return write_fully(fd, data, size, write_some);
}

}  // namespace tavu::platform
