#include "support/run_tavu.h"

#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <sstream>

#include "cli.h"
#include "pictures/pictures.h"
#include "pitch/pitch_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "sprites/sprite_files.h"
#include "support/run_editor.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;

namespace tavu::test {

std::string tavu_path() {
#ifdef TAVU_CLI_PATH
  return TAVU_CLI_PATH;
#else
  return "tavu";
#endif
}

TavuRun run_tavu(const std::vector<std::string>& args, const fs::path& cwd) {
  const fs::path work = make_temp_dir("tavu-run");
  std::string command;
  if (!cwd.empty()) command += "cd " + shell_quote(cwd.string()) + " && ";
  command += "env -u DISPLAY -u WAYLAND_DISPLAY " + shell_quote(tavu_path());
  for (const std::string& a : args) command += " " + shell_quote(a);
  command +=
      " >" + shell_quote((work / "out").string()) + " 2>" + shell_quote((work / "err").string());
  const int status = std::system(command.c_str());
  TavuRun run;
  run.exit_code = (status >> 8) & 0xFF;
  run.out = read_text(work / "out");
  run.err = read_text(work / "err");
  fs::remove_all(work);
  return run;
}

TavuRun run_tavu_here(const std::vector<std::string>& args) {
  platform::HeadlessPlatform headless({320, 200});
  platform::set_current(&headless);
  std::ostringstream out, err;
  cli::Streams io{out, err, false};
  TavuRun run;
  run.exit_code = cli::run(args, io);
  // What the command loaded is not left for other tests.
  reset_sprite_files();
  reset_pitch_files();
  reset_picture_ring();
  app() = AppState{};
  platform::set_current(nullptr);
  run.out = out.str();
  run.err = err.str();
  return run;
}

ScratchDir::ScratchDir(const std::string& tag) : path_(make_temp_dir(tag)) {
  static bool can_mount = ::geteuid() == 0;
  if (can_mount) {
    const std::string command =
        "mount -t tmpfs -o size=131072k tmpfs '" + path_.string() + "' 2>/dev/null";
    mounted_ = std::system(command.c_str()) == 0;
    can_mount = mounted_;
  }
}

ScratchDir::~ScratchDir() {
  if (mounted_) std::system(("umount -l '" + path_.string() + "' 2>/dev/null").c_str());
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace tavu::test
