#include "support/bench_demo.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "demo_data/demo_data.h"
#include "pitch/pitch_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/modes.h"
#include "sprites/sprite_files.h"

namespace fs = std::filesystem;

namespace tavu::bench {
namespace {

struct Directory {
  fs::path path;
  ~Directory() {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(path, ec);
  }
};

}  // namespace

const fs::path& enter_bench_demo(const std::string& tag, DemoStart start) {
  static platform::HeadlessPlatform headless{platform::ScreenSize{1920, 1080}};
  static std::map<std::string, std::unique_ptr<Directory>> made;
  static std::string loaded_tag;
  static DemoStart loaded_start = DemoStart::files;
  platform::set_current(&headless);
  auto& dir = made[tag];
  if (!dir) {
    dir = std::make_unique<Directory>();
    dir->path =
        fs::temp_directory_path() / ("tavu-" + tag + "-bench-" + std::to_string(::getpid()));
    std::string error;
    if (!write_demo_game(dir->path, &error)) std::abort();
  }
  fs::current_path(dir->path);
  if (loaded_tag == tag && loaded_start == start) return dir->path;
  bool ok = true;
  switch (start) {
    case DemoStart::files:
      break;
    case DemoStart::sprites:
      ok = load_sprite_files() != 0;
      break;
    case DemoStart::sprites_and_pitches:
      ok = load_sprite_files() != 0 && load_pitches() != 0;
      break;
    case DemoStart::every_mode:
      for (auto& m : mode_table()) ok = ok && m.init();
      break;
  }
  if (!ok) std::abort();
  loaded_tag = tag;
  loaded_start = start;
  return dir->path;
}

}  // namespace tavu::bench
