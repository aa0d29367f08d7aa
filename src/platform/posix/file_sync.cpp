#include "platform/posix/file_sync.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavu::platform {

bool flush_to_disk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  return ::fsync(::fileno(file)) == 0;
}

void sync_directory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace tavu::platform
