// Picture mode's draw, its start-up and browsing in a directory of 10,000
// pictures, and one frame of test mode (step plus draw), on the demo game
// directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "display/keyboard_device.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "pitch/pitch_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "testmode/test_mode.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

constexpr int kManyPictures = 10000;

// A demo directory made once; `with_many` adds 10,000 more pictures (hard
// links to one demo picture, so they cost no disk space).
class BenchDir {
 public:
  explicit BenchDir(bool with_many) {
    dir_ = fs::temp_directory_path() /
           ("tavu-pictures-bench-" + std::to_string(::getpid()) + (with_many ? "-many" : ""));
    std::string error;
    if (!write_demo_game(dir_, &error)) std::abort();
    for (int i = 0; with_many && i < kManyPictures; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "p%05d.256", i);
      fs::create_hard_link(dir_ / "night.256", dir_ / name);
    }
  }
  ~BenchDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& path() const { return dir_; }

 private:
  fs::path dir_;
};

// Enters a directory for one benchmark and leaves it again.
class Inside {
 public:
  explicit Inside(const fs::path& dir) : old_(fs::current_path()) {
    fs::current_path(dir);
    platform::set_current(&headless_);
    reset_startup_failure_text();
    static bool loaded = load_sprite_files() != 0 && load_pitches() != 0;
    if (!loaded) std::abort();
  }
  ~Inside() {
    platform::set_current(nullptr);
    fs::current_path(old_);
  }

 private:
  fs::path old_;
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
};

const fs::path& demo_dir() {
  static BenchDir dir(false);
  return dir.path();
}
const fs::path& many_dir() {
  static BenchDir dir(true);
  return dir.path();
}

// The 64000-byte copy and the picture's name.
void BM_DrawPictureMode(benchmark::State& state) {
  Inside in(demo_dir());
  if (!picture_mode_descriptor().init()) std::abort();
  picture_mode_descriptor().enter(0);
  std::vector<std::uint8_t> frame(320 * 200);
  for (auto _ : state) {
    benchmark::DoNotOptimize(draw_picture_mode(frame.data(), 320));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawPictureMode)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// Picture mode's init among 10,000 more pictures: listing, sorting, loading
// the three required ones.
void BM_StartUpWith10000Pictures(benchmark::State& state) {
  Inside in(many_dir());
  for (auto _ : state) {
    if (!build_picture_ring()) state.SkipWithError("start-up failed");
  }
  state.counters["pictures"] = static_cast<double>(picture_ring().pictures.size());
}
BENCHMARK(BM_StartUpWith10000Pictures)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One step forward and its frame in the large ring: each step selects a
// picture read ahead by the previous frame and reads the next one.
void BM_BrowseAmong10000Pictures(benchmark::State& state) {
  Inside in(many_dir());
  if (!picture_mode_descriptor().init()) std::abort();
  picture_mode_descriptor().enter(0);
  std::vector<std::uint8_t> frame(320 * 200);
  for (auto _ : state) {
    picture_mode_key(platform::VK_RIGHT);
    benchmark::DoNotOptimize(draw_picture_mode(frame.data(), 320));
  }
  release_pictures();  // after the timed loop
}
BENCHMARK(BM_BrowseAmong10000Pictures)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Test mode's frame: the key state, the player's step, then pitch, player
// and number drawn. The player runs to and fro so every part of the step
// is taken.
void BM_TestModeFrame(benchmark::State& state) {
  Inside in(demo_dir());
  test_player() = TestPlayer{};
  std::vector<std::uint8_t> frame(320 * 200);
  KeyStateBytes keys{};
  int n = 0;
  for (auto _ : state) {
    get_keyboard_state(keys);
    const unsigned code = arrow_code(keys) | ((n++ / 100) % 2 ? 8u : 2u);
    step_test_player(test_player(), requested_direction(code));
    benchmark::DoNotOptimize(draw_test_mode(frame.data(), 320));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TestModeFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace
