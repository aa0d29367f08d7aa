// Pitch mode: the accelerating scroll, the limits, edit mode with its
// cursor, cell editing and blink timer, and the title.
#include <algorithm>

#include "pitch_test_support.h"
#include "shell/modes.h"

using namespace tavu;

namespace {

using platform::VK_DOWN, platform::VK_END, platform::VK_NEXT, platform::VK_PRIOR,
    platform::VK_RIGHT, platform::VK_UP;

class PitchMode : public test::PitchTest {
 protected:
  void SetUp() override {
    PitchTest::SetUp();
    mode_ = pitch_mode_descriptor();
    mode_.init();
  }
  PitchModeState& st() { return pitch_mode_state(); }
  int key(std::uint32_t vk, bool ctrl = false) { return pitch_mode_key(vk, 1, ctrl); }
  int polled(std::uint32_t vk) { return pitch_mode_key(vk, -1, false); }
  bool blink_timer_set() const {
    return std::any_of(app().timers.begin(), app().timers.end(),
                       [](const Timer& t) { return t.id == kBlinkTimer; });
  }
  ModeDescriptor mode_{};
};

TEST_F(PitchMode, HeldArrowAcceleratesToSixAndStopsAtTheEdge) {
  mode_.enter(0);
  ASSERT_EQ(current_frame_callback(), scroll_pitch_frame);
  headless_.hold(VK_RIGHT, true);
  std::vector<int> moves;
  for (int frame = 0; frame < 80; ++frame) {
    const int before = st().scroll_x;
    scroll_pitch_frame();
    if (st().scroll_x != before) moves.push_back(st().scroll_x - before);
  }
  EXPECT_EQ(st().scroll_x, kMaxScrollX);
  ASSERT_GE(moves.size(), 7u);
  EXPECT_EQ(std::vector<int>(moves.begin(), moves.begin() + 7),
            (std::vector<int>{2, 3, 4, 5, 6, 6, 6}));
  // Released and pressed again: from 2 once more.
  headless_.hold(VK_RIGHT, false);
  app().arrow_key_released();
  headless_.hold(platform::VK_LEFT, true);
  scroll_pitch_frame();
  EXPECT_EQ(st().scroll_x, kMaxScrollX - 2);
  headless_.hold(platform::VK_LEFT, false);
  // The key-down messages of the arrows do nothing while the frames poll.
  EXPECT_EQ(key(VK_RIGHT), 0);
  mode_.leave();
  EXPECT_EQ(current_frame_callback(), nullptr);
}

TEST_F(PitchMode, WithoutSmoothScrollingTheStepGrowsToSixteen) {
  st().smooth_scrolling = false;
  mode_.enter(0);
  EXPECT_EQ(current_frame_callback(), nullptr);
  std::vector<int> moves;
  for (int i = 0; i < 17; ++i) {
    const int before = st().scroll_y;
    key(VK_DOWN);
    moves.push_back(st().scroll_y - before);
  }
  EXPECT_EQ(moves.front(), 2);
  EXPECT_EQ(moves[14], 16);
  EXPECT_EQ(moves[16], 16);
}

TEST_F(PitchMode, ScrollLimits) {
  struct Case {
    int x, y;
    std::uint32_t vk;
    int want_x, want_y;
  };
  const Case cases[] = {
      {0, 645, VK_DOWN, 0, 647},  {0, 640, VK_NEXT, 0, 648}, {0, 50, VK_PRIOR, 0, 0},
      {350, 0, VK_RIGHT, 352, 0}, {7, 9, VK_END, 352, 648},  {1, 1, platform::VK_LEFT, 0, 1},
      {0, 600, VK_NEXT, 0, 648},  {0, 2, VK_UP, 0, 0},
  };
  for (const Case& c : cases) {
    st().scroll_x = static_cast<std::int16_t>(c.x);
    st().scroll_y = static_cast<std::int16_t>(c.y);
    st().scroll_step = 5;
    EXPECT_EQ(polled(c.vk), 1);
    EXPECT_EQ(st().scroll_x, c.want_x) << c.vk << " from " << c.x << "," << c.y;
    EXPECT_EQ(st().scroll_y, c.want_y) << c.vk << " from " << c.x << "," << c.y;
  }
}

TEST_F(PitchMode, EditModeEntryPagingAndTheBottomEdge) {
  st().scroll_x = 37;
  st().scroll_y = 21;
  key('E', true);
  EXPECT_TRUE(st().edit_mode);
  EXPECT_EQ((std::array<int, 4>{st().scroll_x, st().scroll_y, st().cursor_x, st().cursor_y}),
            (std::array<int, 4>{32, 16, 0, 0}));
  EXPECT_TRUE(blink_timer_set());
  EXPECT_EQ(pitch_mode_title(), "PITCH 1 - frozen (edit mode)");

  st().scroll_y = 600;
  key(VK_NEXT);
  EXPECT_EQ(st().scroll_y, 640);
  EXPECT_EQ(st().cursor_y, kMaxCursorY);
  key(VK_END);
  key(VK_DOWN);
  EXPECT_EQ(st().scroll_y, 647);
  EXPECT_EQ(st().cursor_y, kMaxCursorY);
  EXPECT_EQ(st().cursor_x, kMaxCursorX);
  key(VK_RIGHT);
  EXPECT_EQ(st().scroll_x, kMaxScrollX);
  EXPECT_EQ(st().cursor_x, kMaxCursorX);
  key(platform::VK_HOME);
  key(VK_UP);
  key(platform::VK_LEFT);
  EXPECT_EQ((std::array<int, 4>{st().scroll_x, st().scroll_y, st().cursor_x, st().cursor_y}),
            (std::array<int, 4>{0, 0, 0, 0}));

  key('E', true);
  EXPECT_FALSE(st().edit_mode);
  EXPECT_FALSE(blink_timer_set());
  EXPECT_FALSE(st().blink_timer_running);
  EXPECT_EQ(headless_.beeps, 2);
}

TEST_F(PitchMode, CtrlUpAndDownStepTheCellUnderTheCursorWithinThePatterns) {
  key('E', true);
  // Cursor one cell right and one down of (0, 0): map row 2, column 1.
  key(VK_RIGHT);
  key(VK_DOWN);
  std::uint32_t& cell = pitch_at(0)->cells[2 * 42 + 1];
  const int last = pitch_at(0)->pattern_count - 1;
  struct Case {
    std::uint32_t start;
    std::uint32_t vk;
    std::uint32_t want;
  };
  const Case cases[] = {
      {cell_for_pattern(last), VK_UP, cell_for_pattern(last)},
      {0, VK_DOWN, 0},
      {cell_for_pattern(3), VK_UP, cell_for_pattern(4)},
      {cell_for_pattern(3) + 7, VK_DOWN, cell_for_pattern(2) + 7},
  };
  for (const Case& c : cases) {
    cell = c.start;
    pitch_view_cache().stale = false;
    EXPECT_EQ(key(c.vk, true), 1);
    EXPECT_EQ(cell, c.want) << c.start;
    EXPECT_TRUE(pitch_view_cache().stale) << "rebuilt whether or not it changed";
  }
  EXPECT_TRUE(pitch_files().map_modified);
  EXPECT_EQ(st().cursor_x, 16) << "Ctrl+arrows do not move the cursor";
}

TEST_F(PitchMode, BlinkTimerRunsOnlyWhilePitchModeIsCurrent) {
  mode_.enter(0);
  key('E', true);
  blink_tick();
  EXPECT_EQ(st().blink, 1);
  mode_.leave();
  EXPECT_FALSE(blink_timer_set());
  EXPECT_TRUE(st().edit_mode);
  mode_.enter(3);
  EXPECT_TRUE(blink_timer_set());
  for (int i = 0; i < 7; ++i) blink_tick();
  EXPECT_EQ(st().blink, 0);
}

TEST_F(PitchMode, UnreadableKeyboardDeviceIsClosedOnlyWhileTheWindowIsActive) {
  mode_.enter(0);
  headless_.hold(VK_RIGHT, true);
  set_app_flag(keyboard_device, true);
  headless_.active = false;
  scroll_pitch_frame();
  EXPECT_TRUE(app_flag(keyboard_device));
  headless_.active = true;
  scroll_pitch_frame();
  EXPECT_FALSE(app_flag(keyboard_device));
  EXPECT_EQ(st().scroll_x, 0) << "no scrolling in a frame that could not read the keys";
  scroll_pitch_frame();
  EXPECT_EQ(st().scroll_x, 2) << "the window's key state serves from then on";
  headless_.hold(VK_RIGHT, false);
}

TEST_F(PitchMode, PitchAndTypeKeysStopAtTheirEnds) {
  for (int i = 0; i < 8; ++i) key(platform::VK_SPACE);
  EXPECT_EQ(st().pitch_index, 5);
  for (int i = 0; i < 8; ++i) key(platform::VK_ADD);
  EXPECT_EQ(pitch_type(), 6);
  EXPECT_EQ(pitch_mode_title(), "PITCH 6 - hard");
  key('N', true);
  EXPECT_TRUE(st().show_numbers);
  EXPECT_EQ(pitch_mode_title(), "PITCH 6 - hard");
  for (int i = 0; i < 3; ++i) key(platform::VK_SUBTRACT), key(platform::VK_BACK);
  EXPECT_EQ(pitch_mode_title(), "PITCH 3 - soft");
  EXPECT_EQ(key('X'), 0);
  EXPECT_EQ(key('E'), 1) << "E without Ctrl is used and does nothing";
  EXPECT_FALSE(st().edit_mode);
}

}  // namespace

namespace {

TEST_F(PitchMode, WheelScrollsSixteenPixelsAStepWithinThePitch) {
  struct Case {
    bool edit;
    int y;
    int steps;  // > 0 away from the user: up
    int want_y;
  };
  const Case cases[] = {
      {false, 100, -1, 116}, {false, 100, 2, 68},    {false, 10, 1, 0},  {false, 640, -1, 648},
      {false, 0, 5, 0},      {false, 648, -41, 648}, {true, 32, -2, 64}, {true, 640, -1, 640},
      {true, 647, 1, 624},   {true, 16, 3, 0},
  };
  for (const Case& c : cases) {
    st().edit_mode = c.edit;
    st().scroll_x = 37;
    st().scroll_y = static_cast<std::int16_t>(c.y);
    st().cursor_y = 48;
    EXPECT_EQ(pitch_mode_wheel(c.steps), 1);
    EXPECT_EQ(st().scroll_y, c.want_y) << c.edit << " " << c.y << " " << c.steps;
    // Across only, and the cursor stays where it is on the screen.
    EXPECT_EQ(st().scroll_x, 37);
    EXPECT_EQ(st().cursor_y, 48);
  }
}

}  // namespace
