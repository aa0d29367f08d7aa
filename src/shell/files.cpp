#include "shell/files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

#include "platform/fd_io.h"
#include "platform/file_ops.h"
#include "shell/app.h"

namespace fs = std::filesystem;

namespace tavu {

std::int64_t FileHandle::size() const {
  // fflush so that bytes written through this handle are counted.
  if (!file_ || std::fflush(file_.get()) != 0) return -1;
  return platform::open_file_size(file_.get());
}

namespace {
bool fails(FileOp op, std::string_view file);
}  // namespace

std::size_t FileHandle::read(std::span<std::uint8_t> out) {
  if (!file_ || out.empty() || fails(FileOp::read, "")) return 0;
  return std::fread(out.data(), 1, out.size(), file_.get());
}

bool FileHandle::write(std::span<const std::uint8_t> bytes) {
  if (!file_) return false;
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size();
}

bool FileHandle::seek(std::int64_t offset) {
  return file_ && offset >= 0 && std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) == 0;
}

bool FileHandle::seek_end() {
  return file_ && std::fseek(file_.get(), 0, SEEK_END) == 0;
}

namespace {

char fold(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c & ~0x20) : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// Splits "dir/name" so that only the last component is matched ignoring case.
std::pair<fs::path, std::string> split(std::string_view name) {
  fs::path p{std::string(name)};
  return {p.has_parent_path() ? p.parent_path() : fs::path("."), p.filename().string()};
}

// Every name in the directory of `name` that matches its last component
// ignoring case, with the directory in front as `name` has it, sorted by
// their bytes so that the choice among them never depends on the directory's
// order.
std::vector<std::string> matching_names(std::string_view name) {
  auto [dir, leaf] = split(name);
  const fs::path given{std::string(name)};
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (!platform::same_name_ignoring_case(candidate, leaf)) continue;
    found.push_back(given.has_parent_path() ? (given.parent_path() / candidate).string()
                                            : std::move(candidate));
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

std::string find_file(std::string_view name) {
  std::error_code ec;
  // The exact name wins, also a link that leads nowhere. Where the file
  // system ignores case itself, the scan still runs: it finds the spelling
  // on disk, which a file written back keeps.
  if (!platform::kNamesIgnoreCase &&
      fs::exists(fs::symlink_status(fs::path(std::string(name)), ec)))
    return std::string(name);
  std::vector<std::string> found = matching_names(name);
  return found.empty() ? std::string(name) : std::move(found.front());
}

std::vector<std::string> ambiguous_names(std::string_view name) {
  std::vector<std::string> found = matching_names(name);
  // Names that lead to one file (a link made for another spelling) are one.
  std::vector<platform::FileStatus> files;
  std::vector<std::string> distinct;
  for (std::string& f : found) {
    const platform::FileStatus st = platform::file_status(f);
    if (std::any_of(files.begin(), files.end(),
                    [&](const platform::FileStatus& o) { return o.same_file(st); }))
      continue;
    files.push_back(st);
    distinct.push_back(std::move(f));
  }
  if (distinct.size() < 2) distinct.clear();
  return distinct;
}

FileHandle open_for_read(std::string_view name, std::uint32_t flags) {
  const std::string path = find_file(name);
  const bool write = flags & kAccessWrite;
  std::FILE* f = platform::open_regular(path, write ? "r+b" : "rb");
  if (!f && write && (flags & kOpenAlways) && !platform::file_status(path).exists)
    f = platform::open_regular(path, (flags & kAccessRead) ? "w+b" : "wb");
  return FileHandle(f);
}

FileHandle create_for_write(std::string_view name, std::uint32_t flags) {
  const std::string path = find_file(name);
  if (flags & kOpenAlways) {
    std::FILE* f = platform::open_regular(path, "r+b");
    if (!f && !platform::file_status(path).exists) f = platform::open_regular(path, "w+b");
    return FileHandle(f);
  }
  return FileHandle(platform::open_regular(path, (flags & kAccessRead) ? "w+b" : "wb"));
}

ReadStatus read_whole_file(std::string_view name, std::vector<std::uint8_t>& out,
                           std::size_t max_size) {
  FileHandle f = open_for_read(name, kAccessRead | kAccessSequential | kShareRead);
  if (!f.valid()) return ReadStatus::cannot_open;
  std::int64_t size = f.size();
  if (size < 0) return ReadStatus::read_error;
  if (static_cast<std::uint64_t>(size) > max_size) return ReadStatus::too_large;
  if (!try_allocate(out, static_cast<std::size_t>(size))) return ReadStatus::read_error;
  if (f.read(out) != out.size()) return ReadStatus::read_error;
  return ReadStatus::ok;
}

// --- The writer and its fault seam ---------------------------------------------

namespace {

struct ArmedFault {
  FileFault fault;
  int matched = 0;  // matching calls so far
};

struct Seam {
  std::array<int, kFileOpCount> calls{};
  std::vector<ArmedFault> faults;
  std::string writing;  // the file whose bytes the write loop is writing
};

Seam& seam() {
  static Seam s;
  return s;
}

int default_error(FileOp op) {
  switch (op) {
    case FileOp::write:
    case FileOp::flush:
      return ENOSPC;
    case FileOp::create:
      return EACCES;
    case FileOp::rename:
      return EPERM;
    default:
      return EIO;
  }
}

// Counts one call of `op` for `file` and returns the fault that hits it.
const ArmedFault* count_call(FileOp op, std::string_view file) {
  Seam& s = seam();
  ++s.calls[static_cast<int>(op)];
  const ArmedFault* hit = nullptr;
  for (ArmedFault& a : s.faults) {
    if (a.fault.op != op) continue;
    if (!a.fault.file.empty() && !equal_ignoring_case(file, a.fault.file)) continue;
    ++a.matched;
    const bool hits = a.fault.how == WriteFault::one_byte && op == FileOp::write
                          ? a.matched >= a.fault.call
                          : a.matched == a.fault.call;
    if (hits && !hit) hit = &a;
  }
  return hit;
}

// True when the call is to fail; errno is set as the failure would set it.
bool fails(FileOp op, std::string_view file) {
  const ArmedFault* hit = count_call(op, file);
  if (!hit) return false;
  errno = hit->fault.error ? hit->fault.error : default_error(op);
  return true;
}

long seam_write(int fd, const void* data, std::size_t size) {
  const ArmedFault* hit = count_call(FileOp::write, seam().writing);
  if (!hit) return platform::write_some(fd, data, size);
  switch (hit->fault.how) {
    case WriteFault::short_write:
      return platform::write_some(fd, data, std::max<std::size_t>(size / 2, 1));
    case WriteFault::one_byte:
      return platform::write_some(fd, data, 1);
    case WriteFault::interrupted:
      errno = EINTR;
      return -1;
    case WriteFault::fail:
      break;
  }
  errno = hit->fault.error ? hit->fault.error : ENOSPC;
  return -1;
}

std::string leaf_of(const std::string& path) {
  return fs::path(path).filename().string();
}

std::string directory_of(const std::string& path) {
  const fs::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

std::string beside(const std::string& dir, const std::string& leaf) {
  return (fs::path(dir) / leaf).string();
}

// File systems take names of at most 255 bytes; a hidden name stays a few
// below, so that free_name() can still add digits.
constexpr std::size_t kMaxHiddenName = 250;

// ".LEAF.suffix": the hidden working name beside a file. A leaf too long for
// that keeps its start and gets a hash of the whole leaf, so that the name
// is still the same on every save. Built by appends: g++ 12 at -O2 reports a
// false -Wrestrict for "." + std::string&&.
std::string hidden_name(const std::string& leaf, std::string_view suffix) {
  std::string name;
  name.reserve(kMaxHiddenName);
  name.push_back('.');
  if (1 + leaf.size() + suffix.size() <= kMaxHiddenName) {
    name.append(leaf);
  } else {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : leaf) hash = (hash ^ c) * 1099511628211ull;
    name.append(leaf, 0, kMaxHiddenName - 1 - 17 - suffix.size());
    name.push_back('~');
    for (int shift = 60; shift >= 0; shift -= 4)
      name.push_back("0123456789abcdef"[(hash >> shift) & 15]);
  }
  name.append(suffix);
  return name;
}

// A new file written through the write loop, then flushed, fsynced and
// closed. Bytes are staged in a buffer as a stream's would be.
class NewFile {
 public:
  // `file`: the name the seam matches (the file this one will become).
  NewFile(std::string path, std::string file) : path_(std::move(path)), file_(std::move(file)) {}
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() {
    if (fd_ >= 0) platform::close_descriptor(fd_);
    if (created_ && !done_) platform::remove_path(path_);
  }

  // A temporary left by an earlier run that was cut short is ours to
  // remove: only one copy of the program runs.
  bool create(std::uint32_t mode) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      fd_ = fails(FileOp::create, file_) ? -1 : platform::create_new(path_, mode);
      if (fd_ >= 0) break;
      if (errno != EEXIST || attempt > 0 || !platform::remove_path(path_)) return false;
    }
    created_ = true;
    return true;
  }

  bool write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize && !push_buffer()) return false;
    if (bytes.size() >= kBufferSize) return push(bytes);
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
  }

  // Flush, then the original's owner and permissions (`like`), fsync and
  // close. After a failure the file is given up, never synced again.
  bool finish(const platform::FileStatus* like) {
    bool ok = !fails(FileOp::flush, file_) && push_buffer();
    if (ok && like) {
      platform::set_owner(fd_, like->owner, like->group);  // where the process may
      ok = platform::set_mode(fd_, like->mode);
    }
    ok = ok && !fails(FileOp::fsync, file_) && platform::sync_descriptor(fd_);
    const bool closed = platform::close_descriptor(fd_);
    fd_ = -1;
    ok = !fails(FileOp::close, file_) && closed && ok;
    return ok;
  }

  // The file stays: it has been renamed or linked into place.
  void keep() { done_ = true; }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  bool push(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return true;
    seam().writing = file_;
    return platform::write_fully(fd_, bytes.data(), bytes.size(), seam_write);
  }
  bool push_buffer() {
    const bool ok = push(buffer_);
    buffer_.clear();
    return ok;
  }

  std::string path_, file_;
  int fd_ = -1;
  bool created_ = false, done_ = false;
  std::vector<std::uint8_t> buffer_;
};

// Writes a complete new file at `path`; on failure there is none.
bool write_new_file(const std::string& path, const std::string& file,
                    std::span<const std::uint8_t> bytes, const platform::FileStatus* like) {
  NewFile f(path, file);
  // Created owner-only, so nobody reads it before its permissions are set.
  if (!f.create(like ? 0600 : 0666) || !f.write(bytes) || !f.finish(like)) return false;
  f.keep();
  return true;
}

// A copy of `from` under the new name `to` (which must not exist), for
// file systems without hard links.
bool copy_file(const std::string& from, const std::string& to, const std::string& file,
               const platform::FileStatus& like) {
  std::vector<std::uint8_t> bytes;
  {
    FileHandle in(platform::open_regular(from, "rb"));
    const std::int64_t size = in.size();
    if (size < 0 || !try_allocate(bytes, static_cast<std::size_t>(size)) ||
        in.read(bytes) != bytes.size())
      return false;
  }
  const std::string temp = beside(directory_of(to), hidden_name(leaf_of(to), ".tavu-copy"));
  if (!write_new_file(temp, file, bytes, &like)) return false;
  if (platform::file_status(to, false).exists || !platform::rename_path(temp, to)) {
    platform::remove_path(temp);
    return false;
  }
  return true;
}

// Gives `path` the extra name `to` (a hard link, else a copy).
bool link_or_copy(const std::string& path, const std::string& to, const std::string& file,
                  const platform::FileStatus& status) {
  if (!fails(FileOp::link, file) && platform::link_path(path, to)) return true;
  if (!platform::links_unsupported(errno)) return false;
  return copy_file(path, to, file, status);
}

// The first name among base, base1, base2... that is free.
std::string free_name(const std::string& base) {
  std::string name = base;
  for (int n = 1; platform::file_status(name, false).exists; ++n) name = base + std::to_string(n);
  return name;
}

// One file of a group on its way to disk.
struct Target {
  std::string name;  // as given
  std::span<const std::uint8_t> bytes;
  std::string path;  // the real file: existing spelling, links followed
  std::string dir, leaf;
  platform::FileStatus status;  // of the original, if there is one
  std::unique_ptr<NewFile> temp;
  std::string temp_path;
  std::string keep;    // the original's hidden second name during the renames
  std::string backup;  // a backup made by this save
  bool renamed = false;
};

// Resolves and checks one file; nullptr when it may be replaced, else why
// not. `ambiguous` is set for a name of several files.
const char* prepare(Target& t, const ReplaceOptions& options, bool& ambiguous) {
  if (options.refuse_ambiguous && !ambiguous_names(t.name).empty()) {
    ambiguous = true;
    return "differ only in letter case";
  }
  const auto real = platform::resolve_links(find_file(t.name));
  if (!real) return "Too many levels of symbolic links";
  t.path = *real;
  t.dir = directory_of(t.path);
  t.leaf = leaf_of(t.path);
  t.status = platform::file_status(t.path);
  if (t.status.exists) {
    if (!t.status.regular) return "Not a regular file";
    if (!platform::may_write_file(t.path, t.status))
      return (t.status.mode & 0222) == 0 ? "Read-only file" : "Permission denied";
    // Names this writer gave the file itself do not count as other links:
    // its backup, and a second name left by a save that was cut short.
    std::uint64_t others = t.status.links;
    if (others > 1) {
      const std::string bak = find_file(beside(t.dir, t.leaf + ".bak"));
      if (platform::file_status(bak, false).same_file(t.status)) --others;
      const std::string stale = beside(t.dir, hidden_name(t.leaf, ".tavu-old"));
      if (platform::file_status(stale, false).same_file(t.status) && platform::remove_path(stale))
        --others;
    }
    if (others > 1) return "File has other links";
  }
  if (platform::may_replace_in(t.dir, t.status)) return nullptr;
  return platform::file_status(t.dir).exists ? "Permission denied" : "No such file or directory";
}

bool write_temporary(Target& t) {
  t.temp_path = beside(t.dir, hidden_name(t.leaf, ".tavu-new"));
  const platform::FileStatus* like = t.status.exists ? &t.status : nullptr;
  t.temp = std::make_unique<NewFile>(t.temp_path, t.leaf);
  return t.temp->create(like ? 0600 : 0666) && t.temp->write(t.bytes) && t.temp->finish(like);
}

bool make_backup(Target& t) {
  if (!t.status.exists) return true;
  const std::string wanted = beside(t.dir, t.leaf + ".bak");
  if (platform::file_status(find_file(wanted), false).exists) return true;
  if (!link_or_copy(t.path, wanted, t.leaf, t.status)) return errno == EEXIST;
  t.backup = wanted;
  return true;
}

bool keep_original(Target& t) {
  if (!t.status.exists) return true;
  // Another save's leftover holding different bytes may be all that is left
  // of an original: it is never removed, a new name is taken instead.
  const std::string keep = free_name(beside(t.dir, hidden_name(t.leaf, ".tavu-old")));
  if (!link_or_copy(t.path, keep, t.leaf, t.status)) return false;
  t.keep = keep;
  return true;
}

// Puts back every file already renamed, newest first. An original that
// cannot be put back stays under its hidden name.
void put_back(std::vector<Target>& targets) {
  for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
    Target& t = *it;
    if (!t.renamed) continue;
    bool back;
    if (t.keep.empty())
      back = platform::remove_path(t.path);
    else
      back = !fails(FileOp::rename, t.leaf) && platform::rename_path(t.keep, t.path);
    if (back) {
      t.renamed = false;
      t.keep.clear();
    }
  }
}

std::vector<std::string> directories_of(const std::vector<Target>& targets) {
  std::vector<std::string> dirs;
  for (const Target& t : targets)
    if (std::find(dirs.begin(), dirs.end(), t.dir) == dirs.end()) dirs.push_back(t.dir);
  return dirs;
}

bool sync_directories(const std::vector<Target>& targets) {
  bool ok = true;
  for (const std::string& dir : directories_of(targets))
    ok = !fails(FileOp::fsync, "") && platform::sync_directory(dir) && ok;
  return ok;
}

// Removes what a save made and no longer needs: temporaries that were not
// renamed, the originals' second names, and (after a failure) its backups.
void clean_up(std::vector<Target>& targets, bool failed) {
  for (Target& t : targets) {
    t.temp.reset();  // removes the file unless it was renamed
    if (!t.keep.empty() && !t.renamed) platform::remove_path(t.keep);
    if (!t.keep.empty() && t.renamed && !failed) platform::remove_path(t.keep);
    if (failed && !t.backup.empty() && !t.renamed) platform::remove_path(t.backup);
  }
}

}  // namespace

const char* file_op_name(FileOp op) {
  static constexpr std::array<const char*, kFileOpCount> names = {
      "create", "write", "flush", "fsync", "close", "rename", "link", "read"};
  return names[static_cast<int>(op)];
}

void set_file_fault_for_tests(const FileFault& fault) {
  clear_file_faults_for_tests();
  add_file_fault_for_tests(fault);
}

void add_file_fault_for_tests(const FileFault& fault) {
  seam().faults.push_back({fault, 0});
}

void clear_file_faults_for_tests() {
  Seam& s = seam();
  s.faults.clear();
  s.calls.fill(0);
}

int file_op_calls_for_tests(FileOp op) {
  return seam().calls[static_cast<int>(op)];
}

namespace {

// replace_files(); with `sync` false the directories are left for the
// caller to fsync.
bool replace_group(std::span<const FileReplacement> files, ReplaceFailure* failure,
                   const ReplaceOptions& options, bool sync) {
  std::vector<Target> targets;
  // `error` is taken where the step failed, before anything else runs.
  auto fail = [&](const std::string& name, int error, const char* refusal = nullptr,
                  bool ambiguous = false) {
    clean_up(targets, true);
    if (failure) {
      failure->name = name;
      failure->error = refusal ? 0 : error;
      failure->reason = refusal ? refusal : error_text(error);
      failure->ambiguous = ambiguous;
    }
    return false;
  };
  for (const auto& file : files) {
    Target t;
    t.name = file.name;
    t.bytes = file.bytes;
    bool ambiguous = false;
    if (const char* refusal = prepare(t, options, ambiguous))
      return fail(t.name, 0, refusal, ambiguous);
    // Two names for one file: the later bytes win.
    std::erase_if(targets, [&](const Target& o) {
      return o.status.exists
                 ? o.status.same_file(t.status)
                 : fs::path(o.path).lexically_normal() == fs::path(t.path).lexically_normal();
    });
    targets.push_back(std::move(t));
  }
  for (Target& t : targets)
    if (!write_temporary(t)) return fail(t.name, errno);
  if (options.keep_backups)
    for (Target& t : targets)
      if (!make_backup(t)) return fail(t.name, errno);
  for (Target& t : targets)
    if (!keep_original(t)) return fail(t.name, errno);
  for (Target& t : targets) {
    if (fails(FileOp::rename, t.leaf) || !platform::rename_path(t.temp_path, t.path)) {
      const int error = errno;
      const std::string name = t.name;
      put_back(targets);
      sync_directories(targets);
      return fail(name, error);
    }
    t.renamed = true;
    t.temp->keep();
  }
  if (sync && !sync_directories(targets)) {
    const int error = errno;
    put_back(targets);
    sync_directories(targets);
    return fail(targets.front().name, error);
  }
  clean_up(targets, false);
  return true;
}

}  // namespace

std::string error_text(int error) {
  // Written out here so that every build says the same.
  switch (error) {
    case EACCES:
      return "Permission denied";
    case EPERM:
      return "Operation not permitted";
    case ENOSPC:
      return "No space left on device";
#ifdef EDQUOT
    case EDQUOT:
      return "Disk quota exceeded";
#endif
    case EROFS:
      return "Read-only file system";
    case EIO:
      return "Input/output error";
    case EFBIG:
      return "File too large";
    case ENAMETOOLONG:
      return "File name too long";
    case ENOENT:
      return "No such file or directory";
    case EISDIR:
      return "Is a directory";
    case EBUSY:
      return "Device or resource busy";
    case 0:
      return "Unknown error";
    default:
      return std::strerror(error);
  }
}

bool replace_files(std::span<const FileReplacement> files, ReplaceFailure* failure,
                   const ReplaceOptions& options) {
  return replace_group(files, failure, options, true);
}

bool replace_files(std::span<const FileReplacement> files, std::string* failed,
                   const ReplaceOptions& options) {
  ReplaceFailure failure;
  if (replace_group(files, &failure, options, true)) return true;
  if (failed) *failed = failure.name;
  return false;
}

std::size_t replace_each(std::span<const FileReplacement> files) {
  std::size_t replaced = 0;
  std::vector<std::string> dirs;
  for (const FileReplacement& f : files) {
    if (!replace_group(std::span<const FileReplacement>(&f, 1), nullptr, {}, false)) break;
    ++replaced;
    const auto real = platform::resolve_links(find_file(f.name));
    const std::string dir = directory_of(real.value_or(f.name));
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
  }
  bool synced = true;
  for (const std::string& dir : dirs)
    synced = !fails(FileOp::fsync, "") && platform::sync_directory(dir) && synced;
  return synced ? replaced : 0;
}

bool replace_file(std::string_view name, std::span<const std::uint8_t> bytes) {
  FileReplacement one{std::string(name), bytes};
  return replace_group(std::span<const FileReplacement>(&one, 1), nullptr, {}, true);
}

bool matches_pattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (std::size_t i = 0; i <= name.size(); ++i)
      if (matches_pattern(name.substr(i), pattern.substr(1))) return true;
    return false;
  }
  if (name.empty()) return false;
  if (pattern[0] != '?' && fold(pattern[0]) != fold(name[0])) return false;
  return matches_pattern(name.substr(1), pattern.substr(1));
}

std::vector<std::string> list_directory(std::string_view pattern, bool short_names) {
  std::vector<std::string> names;
  for (platform::DirectoryEntry& e : platform::list_files(".")) {
    // A pattern may match either name, as Windows' search does.
    if (!matches_pattern(e.name, pattern) &&
        (e.short_name.empty() || !matches_pattern(e.short_name, pattern)))
      continue;
    const bool use_short = short_names && !e.short_name.empty();
    names.push_back(use_short ? std::move(e.short_name) : std::move(e.name));
  }
  return names;
}

bool try_allocate(std::vector<std::uint8_t>& block, std::size_t size) {
  try {
    block.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

int compare_names(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  for (;; ++i) {
    int ca = i < a.size() ? static_cast<signed char>(a[i]) : 0;
    int cb = i < b.size() ? static_cast<signed char>(b[i]) : 0;
    if (ca >= 'a' && ca <= 'z') ca &= ~0x20;
    if (cb >= 'a' && cb <= 'z') cb &= ~0x20;
    if (ca != cb || ca == 0) return ca - cb;
  }
}

void sort_names(std::vector<std::string>& names) {
  if (names.size() < 2) return;
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
      if (compare_names(names[i], names[i + 1]) > 0) {
        std::swap(names[i], names[i + 1]);
        swapped = true;
      }
    }
  }
}

std::size_t copy_bounded(char* destination, const char* source, std::size_t limit) {
  std::size_t i = 0;
  for (; i < limit; ++i) {
    destination[i] = source[i];
    if (source[i] == '\0') return i + 1;
  }
  return i;
}

char* format_decimal(std::int32_t value, char* buffer) {
  // Work in 64 bits so that the most negative value is safe too.
  std::int64_t v = value;
  std::uint64_t magnitude = v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
  std::size_t n = 0;
  do {
    buffer[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) buffer[n++] = '-';
  std::reverse(buffer, buffer + n);
  buffer[n] = '\0';
  return buffer;
}

std::string format_decimal(std::int32_t value) {
  char buffer[12];
  return format_decimal(value, buffer);
}

std::uint32_t parse_decimal(std::string_view text) {
  std::uint32_t value = 0;
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < '0' || u > '9') break;
    value = value * 10u + (u - '0');
  }
  return value;
}

std::uint32_t integer_sqrt(std::uint32_t n) {
  // Counting odd numbers is O(sqrt n); the same result comes from a binary
  // search, which is also safe for the largest inputs.
  std::uint32_t lo = 0, hi = 65536;
  while (hi - lo > 1) {
    std::uint32_t mid = (lo + hi) / 2;
    if (static_cast<std::uint64_t>(mid) * mid <= n)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace tavu
