#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"
#include "shell/status.h"

using namespace tavu;
using namespace tavu::platform;

namespace {

// A headless platform and fresh shell state for each test.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_current(&platform_);
    app() = AppState{};
    status_state() = StatusState{};
    build_key_to_mode_table();
  }
  void TearDown() override { set_current(nullptr); }
  // Lets virtual time pass and fires the timers that fall due.
  void pass(std::uint32_t ms) {
    std::uint64_t end = platform_.counter() + ms * 1000ull;
    for (;;) {
      auto& timers = app().timers;
      auto it = std::min_element(timers.begin(), timers.end(),
                                 [](auto& a, auto& b) { return a.due < b.due; });
      if (it == timers.end() || it->due > end) break;
      platform_.advance(static_cast<std::uint32_t>((it->due - platform_.counter()) / 1000));
      platform_.wait(std::nullopt);
      it->due = platform_.counter() + it->interval;
      it->proc();
    }
    platform_.advance(static_cast<std::uint32_t>((end - platform_.counter()) / 1000));
    platform_.wait(std::nullopt);
  }
  HeadlessPlatform platform_{{1920, 1080}};
};

TEST_F(ShellTest, StatusTimerIsReplacedByLaterMessages) {
  show_status("first", 700, kTextTopRight);
  show_status("stays", 0, kTextCentred);
  pass(1000);
  EXPECT_TRUE(status_state().showing);
  EXPECT_EQ(status_state().text, "stays");

  show_status("brief", 300, kTextCentred);
  pass(299);
  EXPECT_TRUE(status_state().showing);
  pass(2);
  EXPECT_FALSE(status_state().showing);
  EXPECT_FALSE(status_state().timer_running);
  EXPECT_TRUE(app().timers.empty());
  EXPECT_TRUE(app().paint_pending) << "expiry asks for a redraw";

  show_status(std::string(5000, 'x'), 0, 0);
  EXPECT_EQ(status_state().text.size(), 2047u);
}

int g_number = -1;
int accept_below_100(std::int32_t v) {
  g_number = v;
  return v < 100;
}

TEST_F(ShellTest, NumberPromptKeys) {
  set_app_flag(help_visible, true);
  start_number_prompt("Number: ", 4, accept_below_100);
  EXPECT_FALSE(app_flag(help_visible));
  EXPECT_EQ(status_state().text, "Number: \x0c");
  auto key = status_state().key_capture;
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key(VK_BACK, 0), 1);  // empty prompt: nothing visible changes
  EXPECT_EQ(key(VK_RETURN, 0), 1);
  EXPECT_NE(status_state().key_capture, nullptr) << "Enter on an empty prompt keeps it open";
  for (char c : std::string("12345")) EXPECT_EQ(key(static_cast<std::uint32_t>(c), 0), 1);
  EXPECT_EQ(status_state().text, "Number: 1234\x0c");
  EXPECT_EQ(key(VK_NUMPAD0 + 5, 0), 0) << "keypad digits are not taken";
  EXPECT_EQ(key(VK_F5, 0), 0);
  EXPECT_EQ(key(VK_BACK, 0), 1);
  EXPECT_EQ(key(VK_RETURN, 0), 1);
  EXPECT_EQ(g_number, 123);
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_TRUE(status_state().showing) << "a refused number leaves the caller's message";

  start_number_prompt("N", 15, accept_below_100);
  key = status_state().key_capture;
  for (int i = 0; i < 12; ++i) key('9', 0);
  EXPECT_EQ(status_state().digits.size(), 10u);
  key(VK_ESCAPE, 0);
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_EQ(status_state().text, "");

  start_number_prompt("N", 2, accept_below_100);
  key = status_state().key_capture;
  key('4', 0);
  key(VK_RETURN, 0);
  EXPECT_EQ(g_number, 4);
  EXPECT_EQ(status_state().text, "") << "an accepted number clears the line";
}

int g_yes = 0;
void count_yes() {
  ++g_yes;
}

TEST_F(ShellTest, YesNoQuestion) {
  ask_yes_no("Revert to saved", count_yes);
  EXPECT_EQ(status_state().text, "Revert to saved? (y/n)");
  auto key = status_state().key_capture;
  EXPECT_EQ(key('X', 0), 0);
  EXPECT_EQ(key('N', 0), 1);
  EXPECT_EQ(g_yes, 0);
  EXPECT_EQ(status_state().key_capture, nullptr);
  ask_yes_no("Again", count_yes);
  status_state().key_capture('Y', 0);
  EXPECT_EQ(g_yes, 1);
  EXPECT_EQ(status_state().text, "");
}

TEST_F(ShellTest, StartupFailureReasonsAreCollectedUpToTheLimit) {
  reset_startup_failure_text();
  add_startup_failure_reason("stad.256 missing!");
  add_startup_failure_reason("fill.256 missing!");
  EXPECT_EQ(status_state().failure_text,
            "Can't init!\n\nReason:\nstad.256 missing!\nReason:\nfill.256 missing!\n");
  for (int i = 0; i < 100; ++i) add_startup_failure_reason(std::string(50, 'r'));
  EXPECT_LE(status_state().failure_text.size(), 1023u);
}

TEST_F(ShellTest, FrameRateBounds) {
  init_frame_clock(HeadlessPlatform::kFrequency);
  start_frame_clock(nullptr);
  const int cases[][2] = {{101, 100}, {100, 100}, {50, 50}, {12, 50}, {51, 51}, {-5, 50}};
  for (auto [in, out] : cases) {
    set_frame_rate(in);
    EXPECT_EQ(get_frame_rate(), out) << in;
  }
  reset_frame_rate();
  EXPECT_EQ(get_frame_rate(), 70);
}

void tick() {}

TEST_F(ShellTest, StartingTheClockReturnsThePreviousCallback) {
  init_frame_clock(HeadlessPlatform::kFrequency);
  EXPECT_EQ(start_frame_clock(tick), nullptr);
  set_frame_rate(90);
  EXPECT_EQ(start_frame_clock(nullptr), tick);
  EXPECT_EQ(get_frame_rate(), 70);
  EXPECT_EQ(current_frame_callback(), nullptr);
}

TEST(FrameClock, DueOncePerPeriodWithCarry) {
  FrameClock c;
  c.period = 1'000'000;  // a microsecond counter
  c.start(0);
  int frames = 0;
  for (std::uint64_t t = 0; t <= 10'000'000; t += 7)
    if (c.due(t, t)) ++frames;
  EXPECT_NEAR(frames, 700, 2);

  c.period = 1000;  // the millisecond clock, coarser but about as fast
  c.start(0);
  frames = 0;
  for (std::uint64_t t = 0; t <= 10'000; ++t)
    if (c.due(t, t)) ++frames;
  EXPECT_NEAR(frames, 690, 10);

  // Asking often within one period neither gives a frame nor brings it closer.
  c.start(0);
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(c.due(14, 14));
  EXPECT_TRUE(c.due(15, 15));
  EXPECT_EQ(c.next_due(), 15u + 14);

  // After a pause of more than two periods the next two frames come at once,
  // the one after them two periods later.
  c.start(0);
  ASSERT_TRUE(c.due(50, 50));  // 50 ms late by 3.5 periods: carry > one period
  EXPECT_TRUE(c.due(50, 50));
  EXPECT_FALSE(c.due(50, 50));
  EXPECT_LE(c.next_due(), 50u + 29);
}

TEST(WindowDrag, SnapsWithinNinePixelsOfEachEdge) {
  ScreenSize screen{1920, 1080};
  auto drag_to = [&](int x, int y) {
    WindowPlacement p{0, 0, 1280, 800};
    // The cursor moves from the anchor (100, 100) by the requested offset.
    drag_window(p, screen, 100, 100, make_point_lparam(100 + x, 100 + y));
    return p;
  };
  EXPECT_EQ(drag_to(9, 300).x, 0);
  EXPECT_EQ(drag_to(10, 300).x, 10);
  EXPECT_EQ(drag_to(-9, 300).x, 0);
  EXPECT_EQ(drag_to(300, 9).y, 0);
  EXPECT_EQ(drag_to(1920 - 1280 - 9, 300).x, 640);
  EXPECT_EQ(drag_to(1920 - 1280 - 10, 300).x, 630);
  EXPECT_EQ(drag_to(300, 1080 - 800 + 9).y, 280);
  // Near both edges of a screen barely wider than the window: right wins.
  ScreenSize narrow{1285, 1080};
  WindowPlacement p{0, 0, 1280, 800};
  drag_window(p, narrow, 100, 100, make_point_lparam(103, 400));
  EXPECT_EQ(p.x, 5);
  // Offsets are signed 16-bit differences of the words.
  WindowPlacement q{500, 500, 1280, 800};
  drag_window(q, screen, 10, 10, make_point_lparam(5, 5));
  EXPECT_EQ(q.x, 495);
  EXPECT_EQ(centre_offset(1024, 1280), -128);
  EXPECT_EQ(centre_offset(1281, 1280), 0);
}

TEST(Display, SpansColumnsAndZoom) {
  std::vector<std::uint8_t> fb(kFramebufferSize, 0);
  fill_span(fb.data(), 3, 7, 7, kScreenWidth, 9);
  EXPECT_EQ(fb[3 * 320 + 7], 9);
  EXPECT_EQ(std::count(fb.begin(), fb.end(), 9), 1);
  fill_column(fb.data(), kScreenWidth, 5, 10, 9, 4);
  EXPECT_EQ(std::count(fb.begin(), fb.end(), 4), 0);
  fill_column(fb.data(), kScreenWidth, 5, 10, 12, 4);
  EXPECT_EQ(std::count(fb.begin(), fb.end(), 4), 3);

  // Each pixel holds a value derived from its position.
  std::vector<std::uint8_t> pic(kFramebufferSize);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) pic[y * 320 + x] = static_cast<std::uint8_t>(x * 7 + y * 13);
  for (int n : {1, 11}) {
    auto copy = pic;
    zoom_centre(copy.data(), n, kScreenWidth);
    EXPECT_EQ(copy, pic) << n;
  }
  auto at = [&](int x, int y) { return pic[y * 320 + x]; };
  auto z2 = pic;
  zoom_centre(z2.data(), 2, kScreenWidth);
  EXPECT_EQ(z2[0], at(80, 50));
  EXPECT_EQ(z2[199 * 320 + 319], at(239, 149));
  auto z3 = pic;
  zoom_centre(z3.data(), 3, kScreenWidth);
  EXPECT_EQ(z3[0], at(106, 66));
  EXPECT_EQ(z3[5 * 320 + 317], at(211, 67));   // last window column, row 1
  EXPECT_EQ(z3[5 * 320 + 318], at(212, 67));   // remainder column
  EXPECT_EQ(z3[199 * 320 + 3], at(107, 132));  // remainder row
  EXPECT_EQ(z3[199 * 320 + 319], at(212, 132));
  auto z10 = pic;
  zoom_centre(z10.data(), 10, kScreenWidth);
  EXPECT_EQ(z10[0], at(144, 90));
  EXPECT_EQ(z10[199 * 320 + 319], at(175, 109));
}

}  // namespace
