// Test mode driven through scripts of the real editor on the demo directory:
// arrows held with `down`, frames passing with `wait`. The expected pictures
// come from the same steps run here on the frame clock's own schedule.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "display/display.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/frame_clock.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"
#include "support/screenshot.h"
#include "testmode/test_mode.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

constexpr int kUp = 1, kRight = 2, kDown = 4, kLeft = 8;

// One stretch of a script: the arrows held, then a wait and a screenshot.
struct Stretch {
  unsigned code;
  int wait_ms;
};

// Script lines that hold (`verb` "down") or release ("up") the arrows of `code`.
std::string arrow_lines(const char* verb, unsigned code) {
  std::string lines;
  const std::pair<unsigned, const char*> arrows[] = {
      {kUp, "UP"}, {kRight, "RIGHT"}, {kDown, "DOWN"}, {kLeft, "LEFT"}};
  for (const auto& [bit, name] : arrows)
    if (code & bit) lines += std::string(verb) + " " + name + "\n";
  return lines;
}

class TestModeScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("test-mode-e2e");
    platform::set_current(&headless_);
    old_ = fs::current_path();
    fs::current_path(demo_.path());
    reset_sprite_files();
    reset_startup_failure_text();
    ASSERT_TRUE(load_sprite_files());
    reset_pitch_files();
    ASSERT_TRUE(load_pitches());
    fs::current_path(old_);
  }
  void TearDown() override {
    fs::current_path(old_);
    reset_sprite_files();
    reset_pitch_files();
    test_player() = TestPlayer{};
    status_state() = StatusState{};
    app().flags = 0;
    platform::set_current(nullptr);
    fs::remove_all(work_);
  }

  std::string shot(std::size_t i) const {
    return (work_ / (std::string("s").append(std::to_string(i)).append(".bmp"))).string();
  }

  // Runs F10 and the stretches in the editor, and the same steps here: one
  // at once on entering, then one per frame the clock gives, with the arrows
  // held in that stretch. Compares every screenshot.
  void run_and_compare(const std::vector<Stretch>& stretches) {
    std::string script = "key F10\n";
    unsigned held = 0;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
      const unsigned code = stretches[i].code;
      script += arrow_lines("up", held & ~code) + arrow_lines("down", code & ~held);
      held = code;
      script += "wait " + std::to_string(stretches[i].wait_ms) + "\nshot " + shot(i) + "\n";
    }
    const auto r = test::run_editor(demo_.path(), script);
    ASSERT_EQ(r.exit_code, 0) << r.err;

    TestPlayer player;
    step_test_player(player, -1);
    FrameClock clock;
    clock.period = platform::HeadlessPlatform::kFrequency;
    clock.start(0);
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
      end += static_cast<std::uint64_t>(stretches[i].wait_ms) * 1000;
      while (clock.next_due() <= end) {
        const std::uint64_t t = clock.next_due();
        // A frame on the very moment a key changes could go either way.
        ASSERT_GT(end - t, 50u) << "stretch " << i << " ends on a frame";
        ASSERT_TRUE(clock.due(t, t));
        step_test_player(player, requested_direction(stretches[i].code));
      }
      test_player() = player;
      std::vector<std::uint8_t> frame(kFramebufferSize);
      const std::uint8_t* fb = draw_test_mode(frame.data(), kScreenWidth);
      const test::Screenshot s = test::read_screenshot(shot(i));
      ASSERT_TRUE(s.ok) << i;
      EXPECT_EQ(s.pixels, std::vector<std::uint8_t>(fb, fb + kFramebufferSize))
          << "stretch " << i << ": player at " << whole_part(player.x) << ","
          << whole_part(player.y) << " sprite " << player.sprite;
      EXPECT_EQ(s.palette, pattern_palette()) << i;
      sprites_.push_back(player.sprite);
    }
  }

  test::DemoDir demo_{"test-mode-e2e-demo"};
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path work_, old_;
  std::vector<int> sprites_;
};

// Stands facing down, runs right, stops facing right, runs left with Left and
// Right held, then runs in each of the eight directions and stops.
TEST_F(TestModeScripts, ArrowsSteerThePlayer) {
  run_and_compare({{0, 750},
                   {kRight, 160},
                   {0, 150},
                   {kLeft | kRight, 120},
                   {kUp, 110},
                   {kUp | kRight, 110},
                   {kRight | kDown, 110},
                   {kDown, 110},
                   {kDown | kLeft, 110},
                   {kUp | kLeft, 110},
                   {kUp | kRight | kDown | kLeft, 110},
                   {0, 110}});
  EXPECT_EQ(sprites_.front(), 344);
  EXPECT_EQ(sprites_[2], 347);
  EXPECT_EQ(sprites_.back(), 341);
}

}  // namespace
