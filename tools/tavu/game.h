// The game directory as the tool sees it: entered for the length of one
// command (the editor's readers work in the current directory), with file
// names shown as the user gave the directory.
#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>

#include "display/display.h"

namespace tavu::cli {

// Enters the game directory and goes back to the directory it came from
// when it goes.
class GameDirectory {
 public:
  // `given`: the --dir value, empty for the current directory.
  explicit GameDirectory(std::string given);
  ~GameDirectory();
  GameDirectory(const GameDirectory&) = delete;
  GameDirectory& operator=(const GameDirectory&) = delete;

  // False when it could not be entered; error() says why.
  bool entered() const { return entered_; }
  const std::string& error() const { return error_; }
  // "GAMEDIR/NAME" as the user gave GAMEDIR, or NAME alone.
  std::string shown(const std::string& name) const;
  // A path the user gave, relative to where the command started, made
  // usable from inside the game directory.
  std::filesystem::path outside(const std::string& given) const;

 private:
  std::string given_;
  std::filesystem::path start_;
  bool entered_ = false;
  std::string error_;
};

// "DIR/NAME" as the user gave DIR.
std::string shown_in(const std::string& dir, const std::string& name);

// Loads sprites, pitches and (with `pictures`) the pictures' list as the
// editor's start does; when the editor would not start, says so on `err`
// with the reasons, one a line, and returns false. `dir`: the --dir value.
bool load_game(std::ostream& err, const std::string& dir, bool pictures = true);

// The palette of pitch and pattern files: the Game palette in the normal
// pitch type's colours.
const Palette& normal_pitch_palette();
inline constexpr int kNormalPitchType = 4;
// Sprite mode's background when it starts: the colour of entry 16.
std::uint8_t default_sprite_background();

// A progress bar on standard error for work that takes longer than a
// second, and only on a terminal.
class Progress {
 public:
  Progress(std::ostream& err, bool terminal, std::string label, std::size_t total);
  ~Progress();
  void step(std::size_t done);

 private:
  std::ostream& err_;
  bool terminal_;
  std::string label_;
  std::size_t total_;
  std::chrono::steady_clock::time_point start_;
  bool shown_ = false;
  int last_width_ = -1;
};

}  // namespace tavu::cli
