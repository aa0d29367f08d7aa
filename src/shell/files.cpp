#include "shell/files.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

#include "platform/posix/file_sync.h"
#include "shell/app.h"

namespace fs = std::filesystem;

namespace tavu {

std::int64_t FileHandle::size() const {
  if (!file_) return -1;
  std::FILE* f = file_.get();
  long here = std::ftell(f);
  if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(f);
  std::fseek(f, here, SEEK_SET);
  return end;
}

std::size_t FileHandle::read(std::span<std::uint8_t> out) {
  if (!file_ || out.empty()) return 0;
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

std::string g_failing_write;

// Splits "dir/name" so that only the last component is matched ignoring case.
std::pair<fs::path, std::string> split(std::string_view name) {
  fs::path p{std::string(name)};
  return {p.has_parent_path() ? p.parent_path() : fs::path("."), p.filename().string()};
}

}  // namespace

std::string find_file(std::string_view name) {
  auto [dir, leaf] = split(name);
  std::error_code ec;
  if (fs::exists(fs::path(std::string(name)), ec)) return std::string(name);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string found = it->path().filename().string();
    if (equal_ignoring_case(found, leaf)) {
      fs::path parent{std::string(name)};
      return parent.has_parent_path() ? (parent.parent_path() / found).string() : found;
    }
  }
  return std::string(name);
}

FileHandle open_for_read(std::string_view name, std::uint32_t flags) {
  std::string path = find_file(name);
  const bool write = flags & kAccessWrite;
  const bool read = flags & kAccessRead;
  std::FILE* f = nullptr;
  if (flags & kOpenAlways) {
    f = std::fopen(path.c_str(), read ? "r+b" : (write ? "r+b" : "rb"));
    if (!f && write) f = std::fopen(path.c_str(), read ? "w+b" : "wb");
  } else {
    f = std::fopen(path.c_str(), write ? "r+b" : "rb");
  }
  return FileHandle(f);
}

FileHandle create_for_write(std::string_view name, std::uint32_t flags) {
  std::string path = find_file(name);
  if (flags & kOpenAlways) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) f = std::fopen(path.c_str(), "w+b");
    return FileHandle(f);
  }
  return FileHandle(std::fopen(path.c_str(), (flags & kAccessRead) ? "w+b" : "wb"));
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

bool replace_files(std::span<const FileReplacement> files, std::string* failed) {
  struct Staged {
    std::string target;
    std::string temp;
  };
  std::vector<Staged> staged;
  auto discard = [&] {
    std::error_code ec;
    for (const auto& s : staged) fs::remove(s.temp, ec);
  };
  for (const auto& file : files) {
    std::string target = find_file(file.name);
    auto [dir, leaf] = split(target);
    std::string temp = (dir / ("." + leaf + ".tavu-tmp")).string();
    staged.push_back({target, temp});
    bool ok = false;
    if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
      ok = !equal_ignoring_case(leaf, g_failing_write) &&
           (file.bytes.empty() ||
            std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) == file.bytes.size()) &&
           platform::flush_to_disk(f);
      ok = (std::fclose(f) == 0) && ok;
    }
    if (!ok) {
      discard();
      if (failed) *failed = file.name;
      return false;
    }
  }
  for (std::size_t i = 0; i < staged.size(); ++i) {
    std::error_code ec;
    fs::rename(staged[i].temp, staged[i].target, ec);
    if (ec) {
      // Earlier files are already replaced; leave the rest as they were.
      std::error_code ignore;
      for (std::size_t j = i; j < staged.size(); ++j) fs::remove(staged[j].temp, ignore);
      if (failed) *failed = files[i].name;
      return false;
    }
  }
  if (!staged.empty()) platform::sync_directory(split(staged.front().target).first.string());
  return true;
}

bool replace_file(std::string_view name, std::span<const std::uint8_t> bytes) {
  FileReplacement one{std::string(name), bytes};
  return replace_files(std::span<const FileReplacement>(&one, 1), nullptr);
}

void set_write_failure_for_tests(std::string name) {
  g_failing_write = std::move(name);
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

std::vector<std::string> list_directory(std::string_view pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (matches_pattern(name, pattern)) names.push_back(std::move(name));
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
