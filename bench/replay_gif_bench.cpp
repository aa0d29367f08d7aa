// Recordings as animated GIF at scale 2: how many times faster than real
// time each demo highlight and a busy panning replay encode, and the file
// sizes against the raw frames (recorded frames x 640 x 400 bytes). Wall
// time: the frames are compressed on every processor.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pitch/pitch_draw.h"
#include "replays/recordings.h"
#include "replays/replay_gif.h"
#include "replays/team_sprites.h"
#include "shell/files.h"
#include "shell/modes.h"
#include "support/bench_demo.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// A replay panning the camera one pixel a frame under 25 sprites: every
// frame changes nearly everywhere.
std::vector<std::uint8_t> panning_replay() {
  std::vector<RecordingFrame> frames;
  for (int i = 0; i < 700; ++i) {
    RecordingFrame f;
    f.camera_x = i % 352;
    f.camera_y = (i * 2) % 648;
    f.goals_first = i / 200;
    for (int p = 0; p < 11; ++p) {
      f.sprites.push_back({(p * 29 + i) % 300, 20 + p * 15, 341 + p});
      f.sprites.push_back({(p * 31 + 2 * i) % 300, 30 + p * 14, 644 + p});
    }
    f.sprites.push_back({150, 10, 947});
    f.sprites.push_back({150, 170, 1063});
    f.sprites.push_back({(i * 3) % 316, 100, 1179});
    frames.push_back(std::move(f));
  }
  RecordingHeader h;
  h.teams[0].first_colour = 10;
  h.teams[1].first_colour = 12;
  h.pitch_type = 4;
  return build_replay_file(h, frames);
}

void enter_demo() {
  bench::enter_bench_demo("gif", bench::DemoStart::every_mode);
}

void encode(benchmark::State& state, const std::string& file, RecordingKind kind, int highlight) {
  enter_demo();
  auto opened = open_recording_file(file, kind);
  if (!opened || !prepare_team_sprites(opened->teams[0], opened->teams[1])) {
    state.SkipWithError("cannot open the recording");
    return;
  }
  Palette palette = game_palette();
  apply_pitch_colours(palette, opened->pitch_type);
  GifOutcome gif;
  for (auto _ : state) {
    gif = encode_recording_gif(opened->recording, palette, {highlight, 2, 70});
    benchmark::DoNotOptimize(gif.file.data());
  }
  release_team_sprites();
  if (gif.file.empty()) {
    state.SkipWithError(gif.reason.c_str());
    return;
  }
  const double seconds = gif.recorded_frames / 70.0;
  state.counters["x_realtime"] =
      benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["seconds"] = seconds;
  state.counters["gif_bytes"] = static_cast<double>(gif.file.size());
  state.counters["raw_per_gif"] =
      static_cast<double>(gif.recorded_frames) * 640 * 400 / static_cast<double>(gif.file.size());
}

void BM_GifDemoHighlight(benchmark::State& state) {
  const int file = static_cast<int>(state.range(0));
  encode(state, file == 1 ? "match1.hil" : "match2.hil", RecordingKind::kHighlight,
         static_cast<int>(state.range(1)));
}
BENCHMARK(BM_GifDemoHighlight)
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({1, 3})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_GifDemoReplay(benchmark::State& state) {
  encode(state, "final.rpl", RecordingKind::kReplay, 0);
}
BENCHMARK(BM_GifDemoReplay)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifPanningReplay(benchmark::State& state) {
  enter_demo();
  static const bool written = replace_file("panning.rpl", panning_replay());
  if (!written) {
    state.SkipWithError("cannot write panning.rpl");
    return;
  }
  encode(state, "panning.rpl", RecordingKind::kReplay, 0);
}
BENCHMARK(BM_GifPanningReplay)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
