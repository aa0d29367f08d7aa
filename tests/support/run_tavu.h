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

}  // namespace tavu::test
