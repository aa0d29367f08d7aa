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

#include "demo_data/demo_data.h"
#include "history/edit_history.h"
#include "history/undo.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_mode.h"
#include "platform/allocator.h"
#include "platform/headless/headless_platform.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_mode.h"

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

// The editor started on the demo directory in a headless window, for edits
// timed from the key to the frame that shows them.
class Editor {
 public:
  Editor()
      : dir_(fs::temp_directory_path() / ("tavu-history-editor-" + std::to_string(::getpid()))) {
    std::string error;
    if (!write_demo_game(dir_, &error)) std::abort();
    old_ = fs::current_path();
    fs::current_path(dir_);
    platform::set_current(&headless_);
    // As the editor's start-up does.
    platform::keep_freed_memory(2 * kHistoryLimit);
    reset_startup_failure_text();
    build_key_to_mode_table();
    for (auto& m : mode_table())
      if (!m.init()) std::abort();
    edit_history().clear();
  }
  ~Editor() {
    edit_history().clear();
    set_edit_recording(true);
    platform::set_current(nullptr);
    fs::current_path(old_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path dir_, old_;
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
};

// A cell edit in pitch mode's edit mode (Ctrl+Up, then Ctrl+Down), from the
// key to the frame, without (0) and with (1) recording.
void BM_HistoryCellEditKeyToFrame(benchmark::State& state) {
  Editor editor;
  set_edit_recording(state.range(0) != 0);
  switch_mode(kPitchMode);
  PitchModeState& st = pitch_mode_state();
  st.edit_mode = true;
  st.cursor_x = 64;
  st.cursor_y = 48;
  // A cell that can go one pattern up.
  PitchRecord& pitch = pitch_files().pitches[0];
  pitch.cells[4 * kPitchColumns + 4] = 0;
  int k = 0;
  for (auto _ : state) {
    pitch_mode_key((k++ & 1) ? platform::VK_DOWN : platform::VK_UP, 0, true);
    compose_frame();
  }
  state.counters["steps"] = static_cast<double>(edit_history().undo_count());
}
BENCHMARK(BM_HistoryCellEditKeyToFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Sprite mode's Insert of a 40x30 bitmap over sprite 700 (two bitmaps in
// turn, so every Insert changes it), from the key to the frame.
void BM_HistorySpriteImportKeyToFrame(benchmark::State& state) {
  Editor editor;
  set_edit_recording(state.range(0) != 0);
  switch_mode(kSpriteMode);
  sprite_mode_state().current = 700;
  // Two colours of the game's palette, so that each Insert changes the sprite.
  const std::vector<std::uint8_t> px[2] = {std::vector<std::uint8_t>(40 * 30, 5),
                                           std::vector<std::uint8_t>(40 * 30, 6)};
  const std::vector<std::uint8_t> files[2] = {make_bmp_file(game_palette(), 256, 40, 30, px[0]),
                                              make_bmp_file(game_palette(), 256, 40, 30, px[1])};
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    editor.write(sprite_bitmap_name(700), files[k++ & 1]);
    state.ResumeTiming();
    sprite_mode_key(platform::VK_INSERT, false, false);
    compose_frame();
  }
  state.counters["steps"] = static_cast<double>(edit_history().undo_count());
}
BENCHMARK(BM_HistorySpriteImportKeyToFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Pitch mode's Insert of a pitch of about 300 patterns (two bitmaps in
// turn), from the key to the frame.
void BM_HistoryPitchImportKeyToFrame(benchmark::State& state) {
  Editor editor;
  set_edit_recording(state.range(0) != 0);
  switch_mode(kPitchMode);
  pitch_mode_state().edit_mode = false;
  const std::vector<std::uint8_t> files[2] = {pitch_file(300, 3), pitch_file(300, 4)};
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    editor.write("pitch1.bmp", files[k++ & 1]);
    state.ResumeTiming();
    pitch_mode_key(platform::VK_INSERT, 0, false);
    compose_frame();
  }
  state.counters["history_bytes"] = static_cast<double>(edit_history().bytes());
}
BENCHMARK(BM_HistoryPitchImportKeyToFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
