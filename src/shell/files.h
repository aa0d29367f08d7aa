// File and memory helpers used by every data subsystem. Names are relative to
// the current directory (the game directory) and are matched ignoring case,
// so "charset.dat" on disk serves for "CHARSET.DAT"; an existing file keeps
// its own spelling when it is written back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavu {

// Access flags.
enum AccessFlag : std::uint32_t {
  kAccessRead = 1,
  kAccessWrite = 2,
  kAccessSequential = 4,
  kShareRead = 8,
  kShareWrite = 16,
  kOpenAlways = 32,
};

// An open file; invalid when opening failed. Closes itself.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(std::FILE* f) : file_(f) {}
  bool valid() const { return file_ != nullptr; }
  // Size in bytes as the file system has it, or -1.
  std::int64_t size() const;
  // Reads up to out.size() bytes; returns how many were read (fewer at the
  // end of the file or on error).
  std::size_t read(std::span<std::uint8_t> out);
  // True only when every byte was written.
  bool write(std::span<const std::uint8_t> bytes);
  bool seek(std::int64_t offset);
  bool seek_end();
  void close() { file_.reset(); }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// The name of the existing file in the current directory that matches `name`
// ignoring case, or `name` itself when there is none. An exact match wins;
// among other spellings the first in byte order does, whatever order the
// directory lists them in.
std::string find_file(std::string_view name);
// The spellings of `name` that lead to different files ("CHARSET.DAT" and
// "charset.dat" both there), sorted; empty when the name is unambiguous
// (one file, or links of other spellings to the same file).
std::vector<std::string> ambiguous_names(std::string_view name);

// Both open regular files only: a directory, device or pipe of that name
// gives an invalid handle.
FileHandle open_for_read(std::string_view name, std::uint32_t flags);
FileHandle create_for_write(std::string_view name, std::uint32_t flags);

enum class ReadStatus { ok, cannot_open, read_error, too_large };
// Reads a whole file found by find_file(); refuses files above max_size.
ReadStatus read_whole_file(std::string_view name, std::vector<std::uint8_t>& out,
                           std::size_t max_size);

// --- Saving -----------------------------------------------------------------
// The one writer behind every save and export. Each file is written to a
// temporary beside it (beside the real file when the name is a symbolic
// link, which stays), every byte going out through short writes and
// interruptions; the temporary is flushed, given the original's permission
// bits (and owner and group where the process may), fsynced and closed, each
// step checked; a failed fsync is never retried, the temporary is given up.
// Only when every temporary of the group is complete are they renamed over
// their targets, and then the directories are fsynced.
//
// Refused before anything is written, naming the file: a name that is no
// regular file (a directory, a device), a file this process may not write
// (a read-only file, also for the superuser), a file with other hard links
// (replacing it would cut them, rewriting it would change the other names
// too), a file its directory does not let this user replace (a sticky
// directory and another user's file), and, with `refuse_ambiguous`, a name
// whose spellings lead to different files (see ambiguous_names()).
//
// A group lands whole or not at all: each original is kept under a hidden
// name (".NAME.tavu-old") until every rename is done, and a rename or
// directory fsync that fails puts back the files already replaced. No
// temporary stays behind; only an original that could not be put back stays
// under its hidden name, and no later save removes it.
struct FileReplacement {
  std::string name;  // as the program knows it; the existing spelling is kept
  std::span<const std::uint8_t> bytes;
};
struct ReplaceOptions {
  // Before the first overwrite of a file, keep its pristine copy as
  // "NAME.bak" beside it (NAME in its own spelling). A backup that exists,
  // in any letter case, is never overwritten.
  bool keep_backups = false;
  // Refuse a name that matches different files ignoring case: which of them
  // the game reads is not known, so neither is replaced.
  bool refuse_ambiguous = false;
};
// Why a group was not written.
struct ReplaceFailure {
  std::string name;    // the file, as given
  int error = 0;       // errno of the step that failed; 0 when a check refused the file
  std::string reason;  // in words: "No space left on device", "Read-only file", ...
  // The name matches different files ignoring case (see ambiguous_names()).
  bool ambiguous = false;
};
// True when every file was replaced. On failure nothing on disk has changed
// (backups made on the way are removed again) and `failure` tells which
// file could not be written and why.
bool replace_files(std::span<const FileReplacement> files, ReplaceFailure* failure,
                   const ReplaceOptions& options = {});
// The same, giving only the name, as given, of the file that failed.
bool replace_files(std::span<const FileReplacement> files, std::string* failed,
                   const ReplaceOptions& options = {});
// The words for an errno value, the same on every system ("Permission
// denied"); the system's own text for the rarer ones.
std::string error_text(int error);
// The writer for one file (every export): no backup.
bool replace_file(std::string_view name, std::span<const std::uint8_t> bytes);
// Many files, each replaced on its own as replace_file() does, in order,
// stopping at the first that fails; the directories are fsynced once at the
// end. Returns how many were replaced, or 0 when that last fsync failed
// (then none of them is sure to last).
std::size_t replace_each(std::span<const FileReplacement> files);

// --- Fault injection for tests -----------------------------------------------
// Every operation of the writer above passes through this seam, which counts
// the calls per operation and can make a chosen call fail. Typical use:
//
//   clear_file_faults_for_tests();
//   <save>;                                    // a clean save
//   int n = file_op_calls_for_tests(FileOp::fsync);
//   for (int k = 1; k <= n; ++k) {
//     set_file_fault_for_tests({FileOp::fsync, k});
//     <save, expect failure and the old files>;
//   }
//
// create: a temporary (or a copy) is created; write: one write(2) inside the
// write loop; flush: the writer's buffered bytes are handed on; fsync: a
// file or (with no file name) a directory is fsynced; close; rename: a
// temporary renamed over its target, or an original put back; link: a hard
// link for a backup or for keeping an original during the renames; read:
// one read through a FileHandle (every reader's; `file` never matches it),
// which then returns 0 bytes.
enum class FileOp { create, write, flush, fsync, close, rename, link, read };
inline constexpr int kFileOpCount = 8;
const char* file_op_name(FileOp op);

enum class WriteFault {
  fail,         // the call fails (ENOSPC unless `error` says otherwise)
  short_write,  // the call writes only half of what it was given
  one_byte,     // this call and every later one write a single byte
  interrupted,  // the call is interrupted (EINTR) before writing anything
};
struct FileFault {
  FileOp op = FileOp::write;
  int call = 1;                       // the call that fails, counted from 1 over the matching calls
  WriteFault how = WriteFault::fail;  // for write only
  // errno of the failure; 0 gives ENOSPC for write and flush, EACCES for
  // create, EPERM for rename, EIO for the others. EPERM on link is a file
  // system without hard links, after which the writer copies instead.
  int error = 0;
  // Only calls for this file count (its name in any letter case, without
  // directory); empty: every call.
  std::string file = {};
};
// Replaces every armed fault with `fault` and sets the counts to zero.
void set_file_fault_for_tests(const FileFault& fault);
// Arms one more fault (counted on its own), e.g. for a failing put-back.
void add_file_fault_for_tests(const FileFault& fault);
// Disarms every fault and sets the counts to zero.
void clear_file_faults_for_tests();
// Calls of `op` since the faults were last set or cleared, faulted or not.
int file_op_calls_for_tests(FileOp op);

// Regular files in the current directory matching a pattern with '?' and
// '*', ignoring case, in the order the directory returns them. With
// `short_names`, a file's 8.3 name where the system keeps one (Windows).
std::vector<std::string> list_directory(std::string_view pattern, bool short_names = false);
bool matches_pattern(std::string_view name, std::string_view pattern);

// Memory: try_allocate reports failure; allocate_or_stop retries ten times
// and then ends the program with "Out of memory!".
bool try_allocate(std::vector<std::uint8_t>& block, std::size_t size);
void allocate_or_stop(std::vector<std::uint8_t>& block, std::size_t size);

// Names and numbers.
int compare_names(std::string_view a, std::string_view b);
void sort_names(std::vector<std::string>& names);
std::size_t copy_bounded(char* destination, const char* source, std::size_t limit);
char* format_decimal(std::int32_t value, char* buffer);  // at least 12 bytes
std::string format_decimal(std::int32_t value);
std::uint32_t parse_decimal(std::string_view text);
std::uint32_t integer_sqrt(std::uint32_t n);

}  // namespace tavu
