// Runs the tavu program as a user would: its own process, no display.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavu::test {

struct TavuRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// `tavu ARGS...` started in `cwd` with DISPLAY and WAYLAND_DISPLAY unset.
TavuRun run_tavu(const std::vector<std::string>& args, const std::filesystem::path& cwd = {});

std::string tavu_path();

// The same commands run in this process (for the file fault seam), with the
// headless backend installed as the program installs it.
TavuRun run_tavu_here(const std::vector<std::string>& args);

// A directory for many files: on a tmpfs where one can be mounted (fsyncs
// cost nothing there), else an ordinary temporary directory. Removed when
// it goes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  bool mounted_ = false;
};

}  // namespace tavu::test
