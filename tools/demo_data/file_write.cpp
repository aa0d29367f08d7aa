#include "demo_data/file_write.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define TAVU_POSIX_FILES 1
#else
#include <fstream>
#endif

namespace tavu::demo {

namespace {

#ifdef TAVU_POSIX_FILES
bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool write_and_sync(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

void sync_directory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename itself has happened; this only hurries it to disk
  ::fsync(fd);
  ::close(fd);
}
#else
bool write_and_sync(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

void sync_directory(const std::filesystem::path&) {}
#endif

}  // namespace

bool write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  if (!write_and_sync(temp, bytes)) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  sync_directory(path.parent_path());
  return true;
}

}  // namespace tavu::demo
