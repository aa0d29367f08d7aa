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
  // Size in bytes, or -1.
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
// ignoring case (an exact match wins), or `name` itself when there is none.
std::string find_file(std::string_view name);

FileHandle open_for_read(std::string_view name, std::uint32_t flags);
FileHandle create_for_write(std::string_view name, std::uint32_t flags);

enum class ReadStatus { ok, cannot_open, read_error, too_large };
// Reads a whole file found by find_file(); refuses files above max_size.
ReadStatus read_whole_file(std::string_view name, std::vector<std::uint8_t>& out,
                           std::size_t max_size);

// One file to be replaced as part of a save.
struct FileReplacement {
  std::string name;  // as the program knows it; the existing spelling is kept
  std::span<const std::uint8_t> bytes;
};
// Writes every file to a temporary in the current directory, flushes it to
// disk, and only when all are written renames each over its original. On
// failure nothing is renamed, the temporaries are removed, and `failed`
// names the file that could not be written. A rename that fails part way is
// reported the same way.
bool replace_files(std::span<const FileReplacement> files, std::string* failed);
// A single-file replace_files().
bool replace_file(std::string_view name, std::span<const std::uint8_t> bytes);

// Test seam: when set, writing the temporary of a file whose name matches
// (ignoring case) fails as a full disk would.
void set_write_failure_for_tests(std::string name);

// Names in the current directory matching a pattern with '?' and '*',
// ignoring case, in the order the directory returns them.
std::vector<std::string> list_directory(std::string_view pattern);
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
