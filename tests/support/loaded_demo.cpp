#include "support/loaded_demo.h"

#include "pitch/pitch_files.h"
#include "replays/browser.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"

namespace fs = std::filesystem;

namespace tavu::test {

LoadedDemo::LoadedDemo(const std::string& tag, bool with_pitches) : dir_(tag) {
  if (!dir_.ok()) return;
  platform::set_current(&headless_);
  old_ = fs::current_path();
  std::error_code ec;
  fs::current_path(dir_.path(), ec);
  if (ec) return;
  entered_ = true;
  reset_sprite_files();
  reset_pitch_files();
  reset_startup_failure_text();
  reset_browser();
  ok_ = load_sprite_files() && (!with_pitches || load_pitches());
}

LoadedDemo::~LoadedDemo() {
  release_team_sprites();
  reset_browser();
  reset_sprite_files();
  reset_pitch_files();
  status_state() = StatusState{};
  app() = AppState{};
  std::error_code ec;
  if (entered_) fs::current_path(old_, ec);
  platform::set_current(nullptr);
}

}  // namespace tavu::test
