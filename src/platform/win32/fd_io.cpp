#include "platform/fd_io.h"

#include <io.h>

#include <cerrno>
#include <climits>

namespace tavu::platform {

long write_some(int fd, const void* data, std::size_t size) {
  const unsigned chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  return static_cast<long>(::_write(fd, data, chunk));
}

bool write_fully(int fd, const void* data, std::size_t size, WriteCall call) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const long n = call(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
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
