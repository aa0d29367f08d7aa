#include "game.h"

#include <system_error>

#include "pictures/pictures.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "shell/app.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

namespace fs = std::filesystem;

namespace tavu::cli {

GameDirectory::GameDirectory(std::string given) : given_(std::move(given)) {
  std::error_code ec;
  start_ = fs::current_path(ec);
  if (ec) {
    error_ = "cannot tell the current directory: " + ec.message();
    return;
  }
  if (given_.empty()) {
    entered_ = true;
    return;
  }
  fs::current_path(given_, ec);
  if (ec) {
    error_ = "cannot enter '" + given_ + "': " + ec.message();
    return;
  }
  entered_ = true;
}

GameDirectory::~GameDirectory() {
  std::error_code ec;
  if (entered_ && !given_.empty()) fs::current_path(start_, ec);
}

std::string shown_in(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string GameDirectory::shown(const std::string& name) const {
  return shown_in(given_, name);
}

fs::path GameDirectory::outside(const std::string& given) const {
  const fs::path p(given);
  return p.is_absolute() ? p : start_ / p;
}

bool load_game(std::ostream& err, const std::string& dir, bool pictures) {
  reset_sprite_files();
  reset_pitch_files();
  reset_picture_ring();
  reset_startup_failure_text();
  app() = AppState{};
  const bool ok = load_sprite_files() && load_pitches() && (!pictures || build_picture_ring());
  if (!ok) {
    // "Reason:\n" heads each reason in the start-up failure text.
    std::string text = status_state().failure_text;
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(at, end - at);
      if (!line.empty() && line != "Reason:" && line != "Can't init!") out += line + "\n";
      at = end + 1;
    }
    err << "tavu: the editor would not start in " << (dir.empty() ? "." : dir) << ":\n"
        << out << "(tavu check names every problem)\n";
  }
  return ok;
}

const Palette& normal_pitch_palette() {
  static const Palette palette = [] {
    Palette p = game_palette();
    apply_pitch_colours(p, kNormalPitchType);
    return p;
  }();
  return palette;
}

std::uint8_t default_sprite_background() {
  return SpriteModeState{}.background;
}

Progress::Progress(std::ostream& err, bool terminal, std::string label, std::size_t total)
    : err_(err),
      terminal_(terminal),
      label_(std::move(label)),
      total_(total),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (shown_) err_ << "\r\033[K" << std::flush;
}

void Progress::step(std::size_t done) {
  if (!terminal_ || total_ == 0) return;
  if (!shown_ && std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
  shown_ = true;
  constexpr int kBar = 30;
  const int width = static_cast<int>(done * kBar / total_);
  if (width == last_width_) return;
  last_width_ = width;
  err_ << "\r" << label_ << " [" << std::string(static_cast<std::size_t>(width), '#')
       << std::string(static_cast<std::size_t>(kBar - width), ' ') << "] " << done << "/" << total_
       << std::flush;
}

}  // namespace tavu::cli
