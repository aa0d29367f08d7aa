#include "platform/file_ops.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/win32_text.h"

namespace tavu::platform {
namespace win32 {

std::wstring wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

int errno_for(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    default:
      return EIO;
  }
}

bool fail_with_last_error() {
  errno = errno_for(GetLastError());
  return false;
}

}  // namespace win32

namespace {

using win32::wide;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileStatus status_of(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return {};
  FileStatus s;
  s.exists = true;
  s.regular =
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && GetFileType(h) == FILE_TYPE_DISK;
  // Read-only is the one permission Windows keeps.
  s.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  s.links = info.nNumberOfLinks;
  s.size = static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  s.device = info.dwVolumeSerialNumber;
  s.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  // 100 ns ticks since 1601.
  const std::uint64_t ticks = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                              info.ftLastWriteTime.dwLowDateTime;
  s.modified_ns = (static_cast<std::int64_t>(ticks) - 116444736000000000) * 100;
  return s;
}

// A descriptor of the C runtime over `h`; closes `h` when that fails.
int descriptor_for(HANDLE h, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return fd;
}

HANDLE handle_of(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

FileStatus file_status(const std::string& path, bool /*follow_links*/) {
  // Directories open only with backup semantics; no access right is needed
  // to read the attributes.
  HANDLE h = CreateFileW(wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  FileStatus s = status_of(h);
  CloseHandle(h);
  return s;
}

std::optional<std::string> resolve_links(const std::string& path) {
  return path;
}

std::FILE* open_regular(const std::string& path, const char* mode) {
  const bool plus = std::strchr(mode, '+') != nullptr;
  DWORD access = GENERIC_READ;
  if (plus || mode[0] == 'w') access = plus ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  const DWORD disposition = mode[0] == 'r' ? OPEN_EXISTING : OPEN_ALWAYS;
  HANDLE h = CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    win32::fail_with_last_error();
    return nullptr;
  }
  if (!status_of(h).regular) {
    CloseHandle(h);
    errno = EISDIR;
    return nullptr;
  }
  // Only now that it is a regular file may "w" empty it.
  if (mode[0] == 'w' && !SetEndOfFile(h)) {
    win32::fail_with_last_error();
    CloseHandle(h);
    return nullptr;
  }
  const int flags = _O_BINARY | (access == GENERIC_READ ? _O_RDONLY : 0);
  const int fd = descriptor_for(h, flags);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, mode);
  if (!f) _close(fd);
  return f;
}

std::int64_t open_file_size(std::FILE* file) {
  if (!file) return -1;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_of(_fileno(file)), &size)) return -1;
  return size.QuadPart;
}

int create_new(const std::string& path, std::uint32_t /*mode*/) {
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    win32::fail_with_last_error();
    return -1;
  }
  return descriptor_for(h, _O_BINARY);
}

bool sync_descriptor(int fd) {
  return FlushFileBuffers(handle_of(fd)) ? true : win32::fail_with_last_error();
}

bool close_descriptor(int fd) {
  return ::_close(fd) == 0;
}

bool set_owner(int /*fd*/, std::uint32_t /*owner*/, std::uint32_t /*group*/) {
  return true;
}

bool set_mode(int /*fd*/, std::uint32_t /*mode*/) {
  // A read-only original is refused before a save; nothing else to carry.
  return true;
}

bool rename_path(const std::string& from, const std::string& to) {
  return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? true
             : win32::fail_with_last_error();
}

bool link_path(const std::string& from, const std::string& to) {
  return CreateHardLinkW(wide(to).c_str(), wide(from).c_str(), nullptr)
             ? true
             : win32::fail_with_last_error();
}

bool remove_path(const std::string& path) {
  return DeleteFileW(wide(path).c_str()) ? true : win32::fail_with_last_error();
}

bool sync_directory(const std::string& /*directory*/) {
  return true;
}

bool links_unsupported(int error) {
  return error == EOPNOTSUPP || error == EMLINK || error == EXDEV || error == EPERM;
}

bool may_write_file(const std::string& /*path*/, const FileStatus& status) {
  return (status.mode & 0222) != 0;
}

bool may_replace_in(const std::string& directory, const FileStatus& /*file*/) {
  const DWORD attributes = GetFileAttributesW(wide(directory).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  const std::wstring x = wide(std::string(a));
  const std::wstring y = wide(std::string(b));
  return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                              static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// A name that is an 8.3 name already, letter case aside: NTFS keeps no short
// name for it, and neither should Wine's made-up ones (for mixed case) count.
bool fits_8_3(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::size_t base = dot == std::string::npos ? name.size() : dot;
  const std::size_t extension = dot == std::string::npos ? 0 : name.size() - dot - 1;
  if (base == 0 || base > 8 || extension > 3) return false;
  if (dot != std::string::npos && name.find('.', dot + 1) != std::string::npos) return false;
  for (char c : name)
    if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
      return false;
  return true;
}

}  // namespace

std::vector<DirectoryEntry> list_files(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA found{};
  const std::string pattern = directory + "\\*";
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string name = found.cFileName;
    std::string short_name = fits_8_3(name) ? "" : found.cAlternateFileName;
    entries.push_back({std::move(name), std::move(short_name)});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

}  // namespace tavu::platform
