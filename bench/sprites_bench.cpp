// Start-up loading of the sprites, the help overlay's text and save-all of
// the sprite bitmaps, on the demo game directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "shell/modes.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "sprites/text.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// The demo directory, made once and entered for the whole run.
class DemoDir {
 public:
  DemoDir() {
    dir_ = fs::temp_directory_path() / ("tavu-sprites-bench-" + std::to_string(::getpid()));
    std::string error;
    if (!write_demo_game(dir_, &error)) std::abort();
    fs::current_path(dir_);
  }
  ~DemoDir() {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(dir_, ec);
  }

 private:
  fs::path dir_;
};

void enter_demo_dir() {
  static DemoDir dir;
  static bool loaded = load_sprite_files() != 0;
  if (!loaded) std::abort();
}

void BM_LoadAllSprites(benchmark::State& state) {
  enter_demo_dir();
  for (auto _ : state) {
    int ok = load_sprite_files();
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_LoadAllSprites)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_DrawSpriteModeHelp(benchmark::State& state) {
  enter_demo_dir();
  const std::string help = std::string(kCommonHelp) + kSpriteModeHelp;
  std::vector<std::uint8_t> frame(320 * 200, 3);
  for (auto _ : state) {
    draw_text(help.c_str(), 16, 16, frame.data(), 320, 0, -1, kTextMiddle);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawSpriteModeHelp)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The work of save-all (every sprite exported in turn) without the screen.
void BM_SaveAllSpriteBitmaps(benchmark::State& state) {
  enter_demo_dir();
  for (auto _ : state) {
    int saved = 0;
    while (saved < kSpriteCount && save_sprite_bitmap(saved, 3, sprite_at(saved), true)) ++saved;
    if (saved != kSpriteCount) state.SkipWithError("not all sprites saved");
  }
}
BENCHMARK(BM_SaveAllSpriteBitmaps)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
