// Start-up loading of the sprites, the help overlay's text and save-all of
// the sprite bitmaps, on the demo game directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/modes.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "sprites/text.h"
#include "support/bench_demo.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

void enter_demo_dir() {
  bench::enter_bench_demo("sprites", bench::DemoStart::sprites);
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
