#include "platform/fd_io.h"

#include <unistd.h>

namespace tavu::platform {

long write_some(int fd, const void* data, std::size_t size) {
  return static_cast<long>(::write(fd, data, size));
}

bool is_terminal(int fd) {
  return ::isatty(fd) == 1;
}

}  // namespace tavu::platform
