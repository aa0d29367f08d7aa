#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tavu::platform {

std::string instance_lock_path(const std::string& name) {
  std::string safe = name;
  for (char& c : safe)
    if (c == '/') c = '_';
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/" + safe + ".lock";
  return "/tmp/" + safe + "-" + std::to_string(getuid()) + ".lock";
}

bool acquire_instance_lock(const std::string& name) {
  const std::string path = instance_lock_path(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool held_elsewhere = errno == EWOULDBLOCK;
    close(fd);
    return !held_elsewhere;
  }
  // The descriptor stays open, and the lock held, until the process ends.
  return true;
}

}  // namespace tavu::platform
