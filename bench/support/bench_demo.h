// The demo game for the benchmarks: written once per tag to a temporary
// directory (removed at exit), entered again by every benchmark that asks
// for it, with the headless backend as the platform.
#pragma once

#include <filesystem>
#include <string>

namespace tavu::bench {

enum class DemoStart {
  files,                // the files only
  sprites,              // the sprite files loaded
  sprites_and_pitches,  // the sprite files and the pitches loaded
  every_mode,           // every mode's start, as the editor's
};

// Enters the demo directory of `tag` and loads what `start` names (again
// only when the directory or the start differs from the last call);
// aborts when the demo cannot be made or loaded.
const std::filesystem::path& enter_bench_demo(const std::string& tag, DemoStart start);

}  // namespace tavu::bench
