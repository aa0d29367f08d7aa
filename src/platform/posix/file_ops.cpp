#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tavu::platform {
namespace {

FileStatus from_stat(const struct stat& st) {
  FileStatus s;
  s.exists = true;
  s.regular = S_ISREG(st.st_mode);
  s.symlink = S_ISLNK(st.st_mode);
  s.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  s.owner = static_cast<std::uint32_t>(st.st_uid);
  s.group = static_cast<std::uint32_t>(st.st_gid);
  s.links = static_cast<std::uint64_t>(st.st_nlink);
  s.size = static_cast<std::int64_t>(st.st_size);
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileStatus file_status(const std::string& path, bool follow_links) {
  struct stat st {};
  const int r = follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return r == 0 ? from_stat(st) : FileStatus{};
}

std::optional<std::string> resolve_links(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0) {
      if (errno == ENOENT) return at;  // a link to a file still to be made
      return std::nullopt;
    }
    if (!S_ISLNK(st.st_mode)) return at;
    std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
    std::string next(target.data(), static_cast<std::size_t>(n));
    if (next.empty()) return std::nullopt;
    at = next[0] == '/' ? next : directory_of(at) + "/" + next;
  }
  return std::nullopt;
}

std::FILE* open_regular(const std::string& path, const char* mode) {
  int flags = O_CLOEXEC | O_NONBLOCK;
  const bool plus = std::strchr(mode, '+') != nullptr;
  if (mode[0] == 'r')
    flags |= plus ? O_RDWR : O_RDONLY;
  else
    flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT;
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  // Only now that it is a regular file may "w" empty it.
  if (mode[0] == 'w' && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) ::close(fd);
  return f;
}

std::int64_t open_file_size(std::FILE* file) {
  struct stat st {};
  if (!file || ::fstat(::fileno(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

int create_new(const std::string& path, std::uint32_t mode) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                static_cast<mode_t>(mode));
}

bool sync_descriptor(int fd) {
  return ::fsync(fd) == 0;
}

bool close_descriptor(int fd) {
  // Linux releases the descriptor even when close reports an error, so it
  // is never closed twice.
  return ::close(fd) == 0;
}

bool set_owner(int fd, std::uint32_t owner, std::uint32_t group) {
  if (::fchown(fd, static_cast<uid_t>(owner), static_cast<gid_t>(group)) == 0) return true;
  return ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(group)) == 0;
}

bool set_mode(int fd, std::uint32_t mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
}

bool rename_path(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool link_path(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str()) == 0;
}

bool remove_path(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool sync_directory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  ::close(fd);
  return ok;
}

bool links_unsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == EMLINK || error == EXDEV;
}

bool may_write_file(const std::string& path, const FileStatus& status) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
  return ::geteuid() != 0 || (status.mode & 0222) != 0;
}

bool may_replace_in(const std::string& directory, const FileStatus& file) {
  if (::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
  const FileStatus dir = file_status(directory);
  if (!file.exists || !(dir.mode & S_ISVTX)) return true;
  const std::uint32_t me = static_cast<std::uint32_t>(::geteuid());
  return me == 0 || me == file.owner || me == dir.owner;
}

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'a' && a[i] <= 'z') ? static_cast<char>(a[i] & ~0x20) : a[i];
    const char y = (b[i] >= 'a' && b[i] <= 'z') ? static_cast<char>(b[i] & ~0x20) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::vector<DirectoryEntry> list_files(const std::string& directory) {
  namespace fs = std::filesystem;
  std::vector<DirectoryEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) entries.push_back({it->path().filename().string(), {}});
  }
  return entries;
}

}  // namespace tavu::platform
