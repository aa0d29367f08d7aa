// Shared by the pitch tests: generated pitches, a working directory per test
// holding their files, and a headless backend so Status messages, timers and
// the frame clock work without a window.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pitch/pattern_mode.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "pitch/pitch_format.h"
#include "pitch/pitch_mode.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/status.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace tavu::test {

// `count` patterns of random pixels; cell i shows pattern (i * 7 + seed) % count.
inline PitchRecord make_test_pitch(int count, std::uint32_t seed = 1, int cells = kPitchCells) {
  PitchRecord p;
  std::mt19937 rng(seed);
  p.patterns.resize(static_cast<std::size_t>(count) * kPatternSize);
  for (auto& b : p.patterns) b = static_cast<std::uint8_t>(rng());
  p.pattern_count = count;
  p.cells.resize(static_cast<std::size_t>(cells));
  for (int i = 0; i < cells; ++i)
    p.cells[static_cast<std::size_t>(i)] =
        cell_for_pattern(static_cast<std::uint32_t>((i * 7 + static_cast<int>(seed)) % count));
  p.cell_count = cells;
  return p;
}

inline void write_pitch_files(const std::filesystem::path& dir, int index, const PitchRecord& p) {
  write_file(dir / pitch_map_name(index + 1), encode_pitch_map(p.cells));
  write_file(dir / pitch_pattern_name(index + 1), p.patterns);
}

// The headless backend with a beep counter and a switchable active window.
class PitchTestPlatform : public platform::HeadlessPlatform {
 public:
  PitchTestPlatform() : HeadlessPlatform(platform::ScreenSize{1920, 1080}) {}
  void message_beep(std::uint32_t) override { ++beeps; }
  bool window_active() override { return active; }
  // Key state as the window's messages would leave it.
  void hold(std::uint32_t vk, bool down) {
    push_input({down ? platform::WM_KEYDOWN : platform::WM_KEYUP, vk, 1}, std::make_pair(vk, down));
    (void)next_input();
  }
  int beeps = 0;
  bool active = true;
};

// A working directory with six generated pitches, loaded; the current
// directory while the test runs.
class PitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::set_current(&headless_);
    init_frame_clock(headless_.counter_frequency());
    dir_ = make_temp_dir("pitch");
    old_ = std::filesystem::current_path();
    for (int i = 0; i < kPitchCount; ++i)
      write_pitch_files(dir_, i, make_test_pitch(10 + i, static_cast<std::uint32_t>(i + 1)));
    std::filesystem::current_path(dir_);
    reset_state();
    ASSERT_TRUE(load_pitches());
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    std::filesystem::current_path(old_);
    reset_state();
    platform::set_current(nullptr);
    std::filesystem::remove_all(dir_);
  }
  static void reset_state() {
    reset_pitch_files();
    reset_startup_failure_text();
    status_state() = StatusState{};
    app().flags = 0;
    app().timers.clear();
    pitch_mode_state() = PitchModeState{};
    pattern_mode_state() = PatternModeState{};
    pitch_type() = 0;
    start_frame_clock(nullptr);
  }
  static std::string status() { return status_state().showing ? status_state().text : ""; }

  PitchTestPlatform headless_;
  std::filesystem::path dir_, old_;
};

}  // namespace tavu::test
