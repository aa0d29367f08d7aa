#include "platform/fd_io.h"

#include <io.h>

#include <climits>

namespace tavu::platform {

long write_some(int fd, const void* data, std::size_t size) {
  const unsigned chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  return static_cast<long>(::_write(fd, data, chunk));
}

bool is_terminal(int fd) {
  return ::_isatty(fd) != 0;
}

}  // namespace tavu::platform
