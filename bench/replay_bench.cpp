// Replay playback on the demo game directory: one drawn frame, the team
// sprites of two teams, and the frame walk on a small and a 500-slot file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "replays/browser.h"
#include "replays/playback.h"
#include "replays/recordings.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/bytes.h"
#include "shell/modes.h"
#include "sprites/sprite_files.h"
#include "support/bench_demo.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

void enter_demo() {
  bench::enter_bench_demo("replay", bench::DemoStart::every_mode);
}

// A replay whose frames pan the camera one pixel at a time over the pitch
// and draw 25 sprites: 22 players, two goalkeepers and the ball.
std::vector<std::uint8_t> busy_replay() {
  std::vector<RecordingFrame> frames;
  for (int i = 0; i < 600; ++i) {
    RecordingFrame f;
    f.camera_x = i % 352;
    f.camera_y = (i * 2) % 648;
    f.goals_first = i / 200;
    f.goals_second = 1;
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
  h.teams[1].kit_code = 4;
  h.teams[1].first_colour = 12;
  h.pitch_type = 4;
  return build_replay_file(h, frames);
}

void play_from_start() {
  Recording& r = *playback().recording;
  r.position = start_position(r.words(), RecordingKind::kReplay);
  playback().shown.reset();
  playback().escape_posted = false;
  app().queue.clear();
}

void BM_PlaybackFrame(benchmark::State& state) {
  enter_demo();
  const auto file = busy_replay();
  if (file.empty()) std::abort();
  std::ofstream("busy.rpl", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  auto opened = open_recording_file("busy.rpl", RecordingKind::kReplay);
  if (!opened || !start_playback(std::move(*opened))) std::abort();
  playback().flags |= kShowFps;
  std::vector<std::uint8_t> fb(320 * 200);
  for (auto _ : state) {
    if (playback().recording->position.over) play_from_start();
    benchmark::DoNotOptimize(draw_recording_frame(fb.data(), 320));
  }
  stop_playback();
}
BENCHMARK(BM_PlaybackFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_PrepareTeamSpritesTwoTeams(benchmark::State& state) {
  enter_demo();
  // final.rpl: kit 4 reads "team4.dat", kit 3 copies the loaded team file.
  auto opened = open_recording_file("final.rpl", RecordingKind::kReplay);
  if (!opened) std::abort();
  for (auto _ : state) {
    if (!prepare_team_sprites(opened->teams[0], opened->teams[1])) std::abort();
    release_team_sprites();
  }
}
BENCHMARK(BM_PrepareTeamSpritesTwoTeams)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// One frame of the walk, on a file of `slots` highlight slots whose only end
// marker is the last word: a frame costs the same whatever the file's size.
void BM_WalkOneFrame(benchmark::State& state) {
  const std::size_t slots = static_cast<std::size_t>(state.range(0));
  RecordingHeader h;
  h.highlight_count = static_cast<std::uint16_t>(slots);
  std::vector<std::uint8_t> body(slots * kHighlightSlotSize, 0);
  for (std::size_t at = 0; at + 4 * 23 < body.size(); at += 4 * 23)
    put_u32(body, at, 0x80000000u | (16u << 16));
  put_u32(body, body.size() - 4, kEndMarker);
  const FrameWords words(body);
  RecordingPosition p = start_position(words, RecordingKind::kHighlight);
  std::size_t sprites = 0;
  for (auto _ : state) {
    auto f = read_frame(words, p);
    if (!f) {
      p = start_position(words, RecordingKind::kHighlight);
      continue;
    }
    sprites += f->sprite_count;
    finish_frame(words, p);
  }
  benchmark::DoNotOptimize(sprites);
}
BENCHMARK(BM_WalkOneFrame)->Arg(1)->Arg(500)->Unit(benchmark::kNanosecond);

}  // namespace
