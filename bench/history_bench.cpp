// Undo and redo of a pitch import (a map and about 300 patterns), and what
// recording costs an edit: the same edit with and without its step.
//
//   tavu_bench --benchmark_filter=History --benchmark_repetitions=10
//              --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "history/edit_history.h"
#include "history/undo.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "platform/headless/headless_platform.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"

namespace {

namespace fs = std::filesystem;
using namespace tavu;

PitchRecord random_pitch(int count, std::uint32_t seed) {
  PitchRecord p;
  std::mt19937 rng(seed);
  p.pattern_count = count;
  p.patterns.resize(static_cast<std::size_t>(count) * kPatternSize);
  for (auto& b : p.patterns) b = static_cast<std::uint8_t>(rng());
  p.cells.resize(kPitchCells);
  for (auto& c : p.cells) c = cell_for_pattern(rng() % static_cast<std::uint32_t>(count));
  p.cell_count = kPitchCells;
  return p;
}

// What a pitch import does once the file is read: tiles matched, the new
// patterns and cells put in place, the marks set.
void import_picture(PitchFilesState& st, std::span<const std::uint8_t> file) {
  std::vector<std::uint8_t> picture;
  PitchTiles tiles;
  if (!decode_pitch_bitmap(file, picture) || !match_pitch_tiles(picture, 0, tiles)) return;
  apply_pitch_tiles(st.pitches[0], std::move(tiles));
  st.pitches[0].modified = kPitchModifiedBit;
  st.map_modified = true;
}

std::vector<std::uint8_t> pitch_file(int patterns, std::uint32_t seed) {
  return make_bmp_file(game_palette(), 256, kPitchBitmapWidth, kPitchBitmapHeight,
                       pitch_picture(random_pitch(patterns, seed)));
}

// One undo and one redo of a pitch import of about 300 patterns over a
// pitch of 300 others, each checked against the data first as the editor
// does.
void BM_HistoryUndoRedoPitchImport(benchmark::State& state) {
  PitchFilesState st;
  st.pitches[0] = random_pitch(300, 1);
  const EditedData data{nullptr, &st, nullptr};
  EditSnapshot before = take_snapshot(data, EditScope::whole_pitch(0));
  import_picture(st, pitch_file(300, 2));
  const auto step = make_step(std::move(before), data);
  if (!step) state.SkipWithError("no step");
  for (auto _ : state) {
    if (!step_fits(*step, data, true)) state.SkipWithError("undo does not fit");
    apply_step(*step, data, true);
    if (!step_fits(*step, data, false)) state.SkipWithError("redo does not fit");
    apply_step(*step, data, false);
    benchmark::DoNotOptimize(st.pitches[0].patterns.data());
  }
  state.counters["patterns"] = st.pitches[0].pattern_count;
  state.counters["step_bytes"] = static_cast<double>(step->bytes());
}
BENCHMARK(BM_HistoryUndoRedoPitchImport)->Unit(benchmark::kMicrosecond);

// Pitch mode's Insert as the editor runs it (the bitmap read from its file,
// matched, put in place, the status shown) without (0) and with (1) its
// step recorded into the session's history.
void BM_HistoryPitchImportEdit(benchmark::State& state) {
  const bool record = state.range(0) != 0;
  const fs::path dir =
      fs::temp_directory_path() / ("tavu-history-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  platform::HeadlessPlatform headless{platform::ScreenSize{1920, 1080}};
  platform::set_current(&headless);
  const std::vector<std::uint8_t> files[2] = {pitch_file(300, 3), pitch_file(300, 4)};
  pitch_files().pitches[0] = random_pitch(300, 1);
  edit_history().clear();
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::ofstream out("pitch1.bmp", std::ios::binary);
      const auto& file = files[k++ & 1];
      out.write(reinterpret_cast<const char*>(file.data()),
                static_cast<std::streamsize>(file.size()));
    }
    state.ResumeTiming();
    if (record)
      record_edit(EditScope::whole_pitch(0), pitch_step(EditKind::pitch_replaced, 0),
                  [] { read_pitch_bitmap(0); });
    else
      read_pitch_bitmap(0);
    benchmark::DoNotOptimize(pitch_files().pitches[0].patterns.data());
  }
  state.counters["history_bytes"] = static_cast<double>(edit_history().bytes());
  edit_history().clear();
  platform::set_current(nullptr);
  fs::current_path(old);
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_HistoryPitchImportEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A cell edit and the redraw it leads to (the view rebuilt from its
// tiles), without (0) and with (1) its step recorded.
void BM_HistoryCellEdit(benchmark::State& state) {
  const bool record = state.range(0) != 0;
  PitchFilesState st;
  st.pitches[0] = random_pitch(300, 1);
  const EditedData data{nullptr, &st, nullptr};
  EditHistory history;
  PitchViewCache cache;
  PitchView view;
  view.pitch = &st.pitches[0];
  view.x = 32;
  view.y = 64;
  std::vector<std::uint8_t> target(320 * 200);
  const std::size_t cell = 6 * kPitchColumns + 4;
  int k = 0;
  for (auto _ : state) {
    auto edit = [&] {
      std::uint32_t& c = st.pitches[0].cells[cell];
      c = (k++ & 1) ? c + kPatternSize : c - kPatternSize;
      st.pitches[0].modified = kPitchModifiedBit;
      st.map_modified = true;
    };
    if (record) {
      EditScope scope;
      scope.pitch = 0;
      scope.cells = {cell, cell + 1};
      EditSnapshot before = take_snapshot(data, scope);
      edit();
      if (auto step = make_step(std::move(before), data)) history.push(std::move(*step));
    } else {
      edit();
    }
    cache.stale = true;
    draw_pitch_view(cache, view, target.data(), 320);
    benchmark::DoNotOptimize(target.data());
  }
}
BENCHMARK(BM_HistoryCellEdit)->Arg(0)->Arg(1);

// Sprite mode's Insert as the editor runs it (the bitmap read from its
// file, decoded, put in place over a 16x16 sprite) without (0) and with (1)
// its step recorded into the session's history.
void BM_HistorySpriteImportEdit(benchmark::State& state) {
  const bool record = state.range(0) != 0;
  const fs::path dir =
      fs::temp_directory_path() / ("tavu-history-sprite-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  platform::HeadlessPlatform headless{platform::ScreenSize{1920, 1080}};
  platform::set_current(&headless);
  std::vector<std::uint8_t> rgb(17 * 3, 0), px(40 * 30, 5);
  {
    const auto file = make_bmp_file(rgb, 17, 40, 30, px);
    std::ofstream out(sprite_bitmap_name(700), std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  SpriteRecord small;
  small.width = small.height = 16;
  small.width_words = 1;
  small.data_length = 128;
  small.pixels.assign(128, 0x11);
  for (auto& s : sprite_files().sprites) s = small;
  edit_history().clear();
  for (auto _ : state) {
    state.PauseTiming();
    sprite_files().sprites[700] = small;
    state.ResumeTiming();
    if (record)
      record_edit(EditScope::sprites(700, 1), sprite_step(EditKind::sprite_replaced, 700),
                  [] { replace_sprite_from_bitmap(700, true); });
    else
      replace_sprite_from_bitmap(700, true);
    benchmark::DoNotOptimize(sprite_files().sprites[700].pixels.data());
  }
  state.counters["history_bytes"] = static_cast<double>(edit_history().bytes());
  edit_history().clear();
  reset_sprite_files();
  platform::set_current(nullptr);
  fs::current_path(old);
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_HistorySpriteImportEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
