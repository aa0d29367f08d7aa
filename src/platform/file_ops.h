// The file operations behind the shell's file layer, one system call each
// (errno tells why one failed). Paths are used as given. On Windows the
// device is the volume serial number and the inode the file index; owner,
// group and the permission bits other than write are not kept there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavu::platform {

struct FileStatus {
  bool exists = false;
  bool regular = false;
  bool symlink = false;    // only from file_status(path, false)
  std::uint32_t mode = 0;  // permission bits, setuid, setgid and sticky included
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint64_t links = 0;
  std::int64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // Last modification, nanoseconds since 1970 (Windows: to 100 ns).
  std::int64_t modified_ns = 0;
  // The same file (both exist and share device and inode).
  bool same_file(const FileStatus& o) const {
    return exists && o.exists && device == o.device && inode == o.inode;
  }
};
// stat(2), or lstat(2) when `follow_links` is false.
FileStatus file_status(const std::string& path, bool follow_links = true);

// The file a chain of symbolic links ends at (`path` itself when it is no
// link); the last target need not exist. Nothing on a loop or a dead end.
std::optional<std::string> resolve_links(const std::string& path);

// fopen(3) modes "rb", "r+b", "wb", "w+b" that open regular files only: a
// directory, device or pipe gives nullptr (and never blocks).
std::FILE* open_regular(const std::string& path, const char* mode);
// The size of an open file from the file system, or -1.
std::int64_t open_file_size(std::FILE* file);

// A new file that must not exist yet, opened for writing; -1 on failure.
int create_new(const std::string& path, std::uint32_t mode);
bool sync_descriptor(int fd);
bool close_descriptor(int fd);
// fchown(2) to owner and group, else to the group alone (a process may give
// its files any group it belongs to); false when neither is allowed.
bool set_owner(int fd, std::uint32_t owner, std::uint32_t group);
bool set_mode(int fd, std::uint32_t mode);

// Replaces `to` when it exists (on Windows MoveFileExW, written through).
bool rename_path(const std::string& from, const std::string& to);
// A hard link; fails when `to` exists.
bool link_path(const std::string& from, const std::string& to);
bool remove_path(const std::string& path);
// fsync(2) of a directory, so that renames in it last. A directory that
// cannot be opened for it (no read permission) counts as done, as does
// every directory on Windows, whose renames are written through.
bool sync_directory(const std::string& directory);

// Whether a link failed because the file system has no hard links (rather
// than because of a fault): the caller copies instead.
bool links_unsupported(int error);

// Whether this process may write the file: its permissions allow it, and
// for the superuser, whom permissions do not bind, the file must not be
// marked read-only (no write bit at all).
bool may_write_file(const std::string& path, const FileStatus& status);
// Whether this process may create and rename files in `directory`, and may
// replace `file` there (a sticky directory lets only the owners of the file
// or of the directory replace it).
bool may_replace_in(const std::string& directory, const FileStatus& file);

// Whether the file system matches names ignoring case by itself (Windows).
#ifdef _WIN32
inline constexpr bool kNamesIgnoreCase = true;
#else
inline constexpr bool kNamesIgnoreCase = false;
#endif
// Two file names equal ignoring case: ASCII letters on POSIX, the file
// system's own rules (CompareStringOrdinal) on Windows.
bool same_name_ignoring_case(std::string_view a, std::string_view b);

struct DirectoryEntry {
  std::string name;
  std::string short_name;  // the 8.3 name where the system keeps one, else ""
};
// The regular files of a directory in the order the system returns them
// (FindFirstFileA on Windows).
std::vector<DirectoryEntry> list_files(const std::string& directory);

}  // namespace tavu::platform
