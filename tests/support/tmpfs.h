// A small tmpfs mounted for one test (a full disk on demand, or fast
// fsyncs); only the superuser can mount one, elsewhere ok() is false.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace tavu::test {

class Tmpfs {
 public:
  // Mounts a tmpfs of `kib` KiB at `at` (made if missing).
  Tmpfs(const std::filesystem::path& at, std::size_t kib);
  ~Tmpfs();
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  bool ok() const { return mounted_; }
  const std::filesystem::path& path() const { return at_; }
  // Fills the free space with a file named `name`; false when the disk did
  // not become full.
  bool fill(const std::string& name = "filler") const;

 private:
  std::filesystem::path at_;
  bool mounted_ = false;
};

}  // namespace tavu::test
