// Playback driven in this process: the draw slot, the keys, the end of a
// recording and the stop, over recordings made for each case.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "pitch/pitch_draw.h"
#include "platform/headless/headless_platform.h"
#include "replays/browser.h"
#include "replays/playback.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// Frame `id` of a recording: its third word is the id, its score and
// sprites make every frame's picture its own.
RecordingFrame frame(int id) {
  RecordingFrame f;
  f.camera_x = id * 3;
  f.camera_y = id;
  f.goals_first = id / 10;
  f.goals_second = id % 10;
  f.third = static_cast<std::uint32_t>(id);
  f.sprites = {{10 + id * 7 % 300, 50, 1179}, {200, 20 + id * 3 % 150, 341}};
  return f;
}

std::vector<RecordingFrame> frames(int first, int count) {
  std::vector<RecordingFrame> out;
  for (int i = 0; i < count; ++i) out.push_back(frame(first + i));
  return out;
}

RecordingHeader header(std::uint16_t kit = 0) {
  RecordingHeader h;
  h.teams[0].kit_code = kit;
  h.teams[0].first_colour = 10;
  h.teams[1].first_colour = 12;
  h.pitch_type = 3;
  h.pitch_index = 2;
  return h;
}

class PlaybackOnDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    platform::set_current(&headless_);
    init_frame_clock(headless_.counter_frequency());
    old_ = fs::current_path();
    fs::current_path(demo_.path());
    reset_sprite_files();
    reset_startup_failure_text();
    reset_browser();
    ASSERT_TRUE(load_sprite_files());
  }
  void TearDown() override {
    if (playback().playing) stop_playback();
    stop_animation_timer();
    reset_browser();
    reset_sprite_files();
    status_state() = StatusState{};
    app() = AppState{};
    fs::current_path(old_);
    platform::set_current(nullptr);
  }

  bool play(const std::string& name, const std::vector<std::uint8_t>& file, RecordingKind kind) {
    EXPECT_TRUE(test::write_file(demo_.file(name), file));
    auto opened = open_recording_file(name, kind);
    EXPECT_TRUE(opened);
    return opened && start_playback(std::move(*opened));
  }
  // One redraw as the shell makes it: returns the id of the frame on screen
  // (-1 when nothing was drawn), 14 ms later than the last.
  void pass(std::uint32_t ms) {
    headless_.advance(ms);
    headless_.wait(std::nullopt);
  }
  int redraw() {
    pass(14);
    std::fill(fb_.begin(), fb_.end(), 0);
    mode_table()[kReplayMode].draw(fb_.data(), 320);
    if (!playback().shown) return -1;
    const Recording& r = *playback().recording;
    RecordingPosition at = *playback().shown;
    const auto f = read_frame(r.words(), at);
    return f ? static_cast<int>(f->third) : -1;
  }
  // Escape key messages posted to the window.
  static int posted_escapes() {
    int n = 0;
    for (const auto& m : app().queue)
      n += m.message == platform::WM_KEYDOWN && m.wparam == platform::VK_ESCAPE;
    return n;
  }

  test::DemoDir demo_{"playback"};
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path old_;
  std::vector<std::uint8_t> fb_ = std::vector<std::uint8_t>(320 * 200);
};

TEST_F(PlaybackOnDemo, ThreeHighlightsInTurnThenTheBrowser) {
  const std::vector<std::vector<RecordingFrame>> h = {frames(0, 2), frames(10, 3), frames(20, 4)};
  ASSERT_TRUE(play("three.hil", build_highlight_file(header(), h), RecordingKind::kHighlight));
  EXPECT_EQ(mode_table()[kReplayMode].draw, draw_recording_frame);
  EXPECT_EQ(status_state().key_capture, playback_keys);
  EXPECT_EQ(current_frame_callback(), advance_unless_paused);
  EXPECT_EQ(replay_palette(), &pattern_palette());
  std::vector<int> shown;
  for (int i = 0; i < 12 && posted_escapes() == 0; ++i) shown.push_back(redraw());
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 10, 11, 12, 20, 21, 22, 23}));
  redraw();
  EXPECT_EQ(posted_escapes(), 1) << "the end is posted once";
  // The posted Escape reaches the capture, not the quit flow.
  EXPECT_EQ(playback_keys(platform::VK_ESCAPE, 0), 0);
  EXPECT_EQ(mode_table()[kReplayMode].draw, draw_browser);
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_EQ(current_frame_callback(), nullptr);
  EXPECT_FALSE(playback().recording);
  EXPECT_EQ(team_sprite(341), nullptr);
  EXPECT_EQ(replay_palette(), &default_palette());
  EXPECT_FALSE(status_state().quit_question);
}

TEST_F(PlaybackOnDemo, ReplayStopsAtItsFirstEndMarker) {
  auto file = build_replay_file(header(), frames(0, 3));
  const auto more = build_replay_file(header(), frames(50, 3));
  file.insert(file.end(), more.begin() + kRecordingHeaderSize, more.end());
  ASSERT_TRUE(play("two.rpl", file, RecordingKind::kReplay));
  EXPECT_TRUE(playback().flags & kIsReplay);
  std::vector<int> shown;
  for (int i = 0; i < 6 && posted_escapes() == 0; ++i) shown.push_back(redraw());
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
}

TEST_F(PlaybackOnDemo, EmptyReplayEndsAtOnce) {
  ASSERT_TRUE(play("empty.rpl", encode_recording_header(header()), RecordingKind::kReplay));
  EXPECT_EQ(redraw(), -1);
  EXPECT_EQ(posted_escapes(), 1);
}

TEST_F(PlaybackOnDemo, PauseStepAndRedrawsWhilePaused) {
  const std::vector<std::vector<RecordingFrame>> h = {frames(0, 8), frames(10, 2)};
  ASSERT_TRUE(play("pause.hil", build_highlight_file(header(), h), RecordingKind::kHighlight));
  EXPECT_EQ(playback_keys('N', 0), 0) << "N does nothing while playing";
  EXPECT_EQ(redraw(), 0);
  EXPECT_EQ(redraw(), 1);
  EXPECT_EQ(playback_keys('P', 0), 0);
  const std::vector<std::uint8_t> paused = (redraw(), fb_);
  EXPECT_EQ(redraw(), 1) << "a redraw while paused shows the same frame";
  EXPECT_EQ(fb_, paused);
  for (int step = 2; step <= 4; ++step) {
    EXPECT_EQ(playback_keys('N', 0), 1);
    EXPECT_EQ(redraw(), step);
    EXPECT_EQ(redraw(), step) << "and a redraw after the step keeps it";
  }
  // Paused just before the last frame of a highlight: redraws neither skip
  // the next highlight nor end playback.
  EXPECT_EQ(playback_keys('P', 0), 0);
  for (int id = 5; id <= 6; ++id) EXPECT_EQ(redraw(), id);
  playback_keys('P', 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(redraw(), 6);
  EXPECT_EQ(playback().recording->position.highlight_index, 0u);
  EXPECT_EQ(posted_escapes(), 0);
  playback_keys('P', 0);
  EXPECT_EQ(redraw(), 7);
  EXPECT_EQ(redraw(), 10);
}

TEST_F(PlaybackOnDemo, SpeedKeysAndTheRateDisplay) {
  ASSERT_TRUE(
      play("speed.rpl", build_replay_file(header(), frames(0, 200)), RecordingKind::kReplay));
  EXPECT_EQ(get_frame_rate(), 70);
  for (int i = 0; i < 40; ++i) playback_keys(platform::VK_ADD, 0);
  EXPECT_EQ(get_frame_rate(), 100);
  for (int i = 0; i < 60; ++i) playback_keys(platform::VK_SUBTRACT, 0);
  EXPECT_EQ(get_frame_rate(), 50);
  playback_keys('F', 0);
  for (int i = 0; i < 40; ++i) redraw();
  EXPECT_GE(playback().measured_rate, 70) << "a frame every 14 ms";
  EXPECT_LE(playback().measured_rate, 72);
  playback_keys('P', 0);
  pass(500);
  playback_keys('N', 0);
  redraw();
  EXPECT_EQ(playback().measured_rate, 0) << "paused";
  EXPECT_EQ(playback_keys(platform::VK_ESCAPE, 0), 0);
  EXPECT_EQ(get_frame_rate(), 70);
  ASSERT_TRUE(play("speed.rpl", build_replay_file(header(), frames(0, 2)), RecordingKind::kReplay));
  EXPECT_EQ(get_frame_rate(), 70) << "a new playback starts at 70";
  EXPECT_FALSE(playback().flags & kShowFps);
}

TEST_F(PlaybackOnDemo, FailedTeamsLeaveTheBrowserAsItWas) {
  ASSERT_TRUE(test::write_file(demo_.file("kit5.rpl"), build_replay_file(header(5), frames(0, 3))));
  auto opened = open_recording_file("kit5.rpl", RecordingKind::kReplay);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(start_playback(std::move(*opened)));
  ASSERT_NE(first_warning(kReplayMode), nullptr);
  EXPECT_EQ(first_warning(kReplayMode)->text, "Could not load team5.dat");
  EXPECT_EQ(mode_table()[kReplayMode].draw, draw_browser);
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_EQ(current_frame_callback(), nullptr);
  EXPECT_FALSE(playback().recording);
  EXPECT_FALSE(playback().playing);
}

TEST_F(PlaybackOnDemo, UnknownSpritesAndWildCamerasDrawSafely) {
  RecordingFrame plain = frame(1), odd = frame(1);
  odd.sprites.push_back({0, 0, 2047});
  odd.sprites.push_back({-1, -3, 1334});
  RecordingFrame wild = frame(2);
  wild.camera_x = 65535;
  wild.camera_y = 32750;  // one more is the end marker
  wild.sprites = {{-512, -512, 1179}, {511, 511, 1179}, {318, 198, 1179}, {-1, 100, 1179}};
  ASSERT_TRUE(play("odd.rpl",
                   build_replay_file(header(), std::vector<RecordingFrame>{plain, odd, wild}),
                   RecordingKind::kReplay));
  redraw();
  const std::vector<std::uint8_t> first = fb_;
  redraw();
  EXPECT_EQ(fb_, first) << "sprite numbers without a sprite draw nothing";
  EXPECT_EQ(redraw(), 2);
}

}  // namespace
