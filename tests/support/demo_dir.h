// Demo game directories for tests: a fresh copy of the generated demo data
// in a temporary directory, and small edits that derive broken variants.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavu::test {

// A fresh copy of the demo directory under the temporary directory, named
// after `tag`; the caller removes it. Empty path when it cannot be made.
// The demo data is generated once per test run and copied from then on.
std::filesystem::path make_demo_dir(const std::string& tag);

// make_demo_dir as an object that removes the copy when it goes.
class DemoDir {
 public:
  explicit DemoDir(const std::string& tag = "demo");
  ~DemoDir();
  DemoDir(const DemoDir&) = delete;
  DemoDir& operator=(const DemoDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(const std::string& name) const { return path_ / name; }
  bool ok() const { return !path_.empty(); }

 private:
  std::filesystem::path path_;
};

bool write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Variants; each returns false when the file is missing or cannot be changed.
bool remove_file(const std::filesystem::path& dir, const std::string& name);
bool truncate_by_one(const std::filesystem::path& dir, const std::string& name);
bool extend_by_one(const std::filesystem::path& dir, const std::string& name);
// Gives sprite `index` (counted within the file) a header whose pixel data
// runs far past the end of the file.
bool corrupt_sprite_header(const std::filesystem::path& dir, const std::string& name, int index);
// Renames one file, e.g. "CHARSET.DAT" to "charset.dat".
bool rename_file(const std::filesystem::path& dir, const std::string& from, const std::string& to);
// Renames every file of the directory to lower or upper case.
bool lowercase_all(const std::filesystem::path& dir);
bool uppercase_all(const std::filesystem::path& dir);

}  // namespace tavu::test
