// Pitch drawing per frame (a view cut from the cached tiles, and a rebuild
// of all 294 tiles when the view crosses a tile boundary) and the tile
// matching of a pitch import.
//
//   tavu_bench --benchmark_filter=Pitch --benchmark_repetitions=10
//              --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "sprites/bmp.h"

namespace {

using namespace tavu;

PitchRecord bench_pitch() {
  PitchRecord p;
  std::mt19937 rng(7);
  p.pattern_count = 250;
  p.patterns.resize(250 * kPatternSize);
  for (auto& b : p.patterns) b = static_cast<std::uint8_t>(rng());
  p.cells.resize(kPitchCells);
  for (auto& c : p.cells) c = cell_for_pattern(rng() % 250);
  p.cell_count = kPitchCells;
  return p;
}

void draw_between(benchmark::State& state, std::uint32_t x0, std::uint32_t x1) {
  const PitchRecord pitch = bench_pitch();
  PitchViewCache cache;
  PitchView view;
  view.pitch = &pitch;
  std::vector<std::uint8_t> target(320 * 200);
  bool odd = false;
  for (auto _ : state) {
    view.x = odd ? x1 : x0;
    view.y = 100;
    odd = !odd;
    draw_pitch_view(cache, view, target.data(), 320);
    benchmark::DoNotOptimize(target.data());
  }
  state.counters["rebuilds_per_draw"] =
      static_cast<double>(cache.builds) / static_cast<double>(state.iterations());
}

// Scrolling within one tile column: only the 320x200 cut.
void BM_PitchDrawWithinTile(benchmark::State& state) {
  draw_between(state, 17, 30);
}
BENCHMARK(BM_PitchDrawWithinTile);

// Every draw crosses a tile boundary: 294 tiles rebuilt, then the cut.
void BM_PitchDrawCrossingTile(benchmark::State& state) {
  draw_between(state, 16, 32);
}
BENCHMARK(BM_PitchDrawCrossingTile);

// A 672x848 picture of about 250 distinct tiles, as a pitch import sees it
// once the file is read: the bitmap decoded and matched into patterns.
void BM_PitchImportTileMatching(benchmark::State& state) {
  const PitchRecord pitch = bench_pitch();
  const std::vector<std::uint8_t> file = make_bmp_file(game_palette(), 256, kPitchBitmapWidth,
                                                       kPitchBitmapHeight, pitch_picture(pitch));
  std::vector<std::uint8_t> picture;
  int patterns = 0;
  for (auto _ : state) {
    PitchTiles tiles;
    if (!decode_pitch_bitmap(file, picture) || !match_pitch_tiles(picture, 1, tiles))
      state.SkipWithError("import failed");
    patterns = tiles.count;
    benchmark::DoNotOptimize(tiles.patterns.data());
  }
  state.counters["patterns"] = patterns;
}
BENCHMARK(BM_PitchImportTileMatching)->Unit(benchmark::kMillisecond);

}  // namespace
