// The demo game directory: every file the editor reads, drawn by this
// project's own code, byte for byte the same on every run and machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavu {

struct NamedFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// All files of the directory in a fixed order; false with a reason when a
// generator could not produce its files.
bool build_demo_files(std::vector<NamedFile>* files, std::string* error);

// Creates `dir` if needed and writes every file into it, each crash-safely.
// Files already in `dir` that are not demo files are left alone. Unless
// `force`, refuses (naming it) when `dir` already holds a game file it would
// write, in any letter case, that differs from the demo's: it may be a real
// game directory. Files identical to the demo's are no obstacle, so the
// demo directory can be written again.
bool write_demo_game(const std::filesystem::path& dir, std::string* error, bool force = false);

namespace demo {
// The parts, each appending its files.
void build_sprite_files(std::vector<NamedFile>* files);
bool build_pitch_files(std::vector<NamedFile>* files, std::string* error);
void build_picture_files(std::vector<NamedFile>* files);
bool build_recording_files(std::vector<NamedFile>* files, std::string* error);
}  // namespace demo

}  // namespace tavu
