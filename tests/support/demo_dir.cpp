#include "support/demo_dir.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "demo_data/demo_data.h"
#include "shell/bytes.h"
#include "sprites/sprite_format.h"
#include "support/run_editor.h"

namespace tavu::test {

namespace fs = std::filesystem;

namespace {

// The generated original, removed when the test program ends.
struct Cache {
  fs::path dir;
  bool tried = false;
  ~Cache() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

const fs::path& cached_demo() {
  static Cache cache;
  if (!cache.tried) {
    cache.tried = true;
    fs::path dir = make_temp_dir("demo-original");
    std::string error;
    if (!dir.empty() && write_demo_game(dir, &error)) cache.dir = dir;
  }
  return cache.dir;
}

std::string change_case(std::string s, bool upper) {
  std::transform(s.begin(), s.end(), s.begin(), [upper](unsigned char c) {
    return static_cast<char>(upper ? std::toupper(c) : std::tolower(c));
  });
  return s;
}

bool rename_all(const fs::path& dir, bool upper) {
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir, ec))
    names.push_back(e.path().filename().string());
  if (ec) return false;
  for (const auto& n : names) {
    const std::string to = change_case(n, upper);
    // Through a temporary name, for file systems that ignore case.
    if (to != n && !(rename_file(dir, n, n + ".case") && rename_file(dir, n + ".case", to)))
      return false;
  }
  return true;
}

}  // namespace

fs::path make_demo_dir(const std::string& tag) {
  const fs::path& original = cached_demo();
  if (original.empty()) return {};
  const fs::path dir = make_temp_dir(tag);
  std::error_code ec;
  fs::copy(original, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) {
    fs::remove_all(dir, ec);
    return {};
  }
  return dir;
}

DemoDir::DemoDir(const std::string& tag) : path_(make_demo_dir(tag)) {}

DemoDir::~DemoDir() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

bool write_file(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool remove_file(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  return fs::remove(dir / name, ec);
}

bool truncate_by_one(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  const auto size = fs::file_size(dir / name, ec);
  if (ec || size == 0) return false;
  fs::resize_file(dir / name, size - 1, ec);
  return !ec;
}

bool extend_by_one(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  const auto size = fs::file_size(dir / name, ec);
  if (ec) return false;
  fs::resize_file(dir / name, size + 1, ec);
  return !ec;
}

bool corrupt_sprite_header(const fs::path& dir, const std::string& name, int index) {
  std::vector<std::uint8_t> bytes = read_bytes(dir / name);
  std::size_t at = 0;
  for (int i = 0; i < index; ++i) {
    if (at + kSpriteHeaderSize > bytes.size()) return false;
    at += kSpriteHeaderSize + sprite_data_length(get_i16(bytes, at + 14), get_i16(bytes, at + 12));
  }
  if (at + kSpriteHeaderSize > bytes.size()) return false;
  put_u16(bytes, at + 12, 0x7FFF);  // height
  put_u16(bytes, at + 14, 0x7FFF);  // width in words
  return write_file(dir / name, bytes);
}

bool rename_file(const fs::path& dir, const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(dir / from, dir / to, ec);
  return !ec;
}

bool lowercase_all(const fs::path& dir) {
  return rename_all(dir, false);
}
bool uppercase_all(const fs::path& dir) {
  return rename_all(dir, true);
}

}  // namespace tavu::test
