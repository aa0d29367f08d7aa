// Pattern mode's keys, its range rule, delete and renumbering, and its picture.
#include "pitch_test_support.h"

using namespace tavu;

namespace {

using platform::VK_DOWN, platform::VK_END, platform::VK_HOME, platform::VK_LEFT, platform::VK_NEXT,
    platform::VK_PRIOR, platform::VK_RIGHT, platform::VK_UP;

class PatternMode : public test::PitchTest {
 protected:
  void press(std::initializer_list<std::uint32_t> keys) {
    for (std::uint32_t k : keys) EXPECT_EQ(pattern_mode_key(k), 1) << k;
  }
  // Digits and Enter into an open prompt.
  void answer(const std::string& text) {
    for (char c : text) status_state().key_capture(static_cast<std::uint32_t>(c), 0);
    status_state().key_capture(platform::VK_RETURN, 0);
  }
  int shown() {
    apply_range_rule(pattern_mode_state());
    return pattern_mode_state().pattern;
  }
};

TEST_F(PatternMode, KeysMovePastTheEndsAndTheRangeRuleBringsThemBack) {
  pitch_files().pitches[2] = PitchRecord{};  // no patterns at all
  struct Case {
    int pitch, pattern;
    std::vector<std::uint32_t> keys;
    int want_pitch, want_pattern;
  };
  const std::vector<Case> cases = {
      {0, 3, {VK_PRIOR}, 0, 0},
      {0, 3, {VK_END}, 0, 9},
      {0, 5, {VK_NEXT}, 0, 9},
      {0, 0, {VK_UP}, 0, 0},
      {0, 9, {VK_DOWN, VK_UP}, 0, 8},
      {0, 4, {VK_HOME}, 0, 0},
      {5, 14, {VK_RIGHT}, 5, 14},
      {0, 1, {VK_LEFT}, 0, 1},
      {1, 10, {VK_LEFT}, 0, 9},
      {2, 0, {VK_END}, 2, 0},
      {4, -20, {VK_DOWN, VK_DOWN}, 4, 2},
  };
  for (const Case& c : cases) {
    pattern_mode_state() = {static_cast<std::int8_t>(c.pitch), c.pattern, 1};
    for (std::uint32_t k : c.keys) pattern_mode_key(k);
    EXPECT_EQ(shown(), c.want_pattern) << c.pitch << "/" << c.pattern;
    EXPECT_EQ(pattern_mode_state().pitch_index, c.want_pitch);
  }
  EXPECT_EQ(pattern_mode_title(), "PITCH 5 - PATTERN 2");
}

TEST_F(PatternMode, DeleteRenumbersTheMapAndShowsTheFollowingPattern) {
  PitchRecord& p = pitch_files().pitches[1];
  p = test::make_test_pitch(5, 3);
  const PitchRecord before = p;
  pattern_mode_state() = {1, 2, 1};
  press({platform::VK_DELETE});
  EXPECT_EQ(status(), "Delete pattern? (y/n)");
  status_state().key_capture('Y', 0);
  EXPECT_EQ(p.pattern_count, 4);
  EXPECT_EQ(p.patterns.size(), before.patterns.size()) << "the block keeps its size";
  for (int k : {2, 3})
    EXPECT_TRUE(std::equal(p.patterns.begin() + k * 256, p.patterns.begin() + k * 256 + 256,
                           before.patterns.begin() + (k + 1) * 256));
  for (std::size_t i = 0; i < p.cells.size(); ++i) {
    const std::uint32_t was = before.cells[i] / 256;
    EXPECT_EQ(p.cells[i] / 256, was == 2 ? 0 : was > 2 ? was - 1 : was) << i;
  }
  EXPECT_EQ(shown(), 2);
  EXPECT_TRUE(pitch_files().map_modified);
  EXPECT_TRUE(pitch_at(1)->modified);
  EXPECT_TRUE(app_flag(unsaved_changes));
}

TEST_F(PatternMode, TheLastPatternCannotBeDeleted) {
  pitch_files().pitches[0] = test::make_test_pitch(1);
  press({platform::VK_DELETE});
  EXPECT_EQ(status(), "Can't delete the last pattern");
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_EQ(pitch_at(0)->pattern_count, 1);
  EXPECT_FALSE(pitch_changes_pending());
}

TEST_F(PatternMode, GoToAndChangeNumberCheckTheRange) {
  pitch_files().pitches[0] = test::make_test_pitch(9, 2);
  press({'G'});
  answer("9");
  EXPECT_EQ(status(), "Pattern number out of range");
  press({'G'});
  answer("8");
  EXPECT_EQ(shown(), 8);

  // Change 5 to 7: the graphics swap, the cells stay, number 7 is shown.
  PitchRecord& p = pitch_files().pitches[0];
  const PitchRecord before = p;
  pattern_mode_state().pattern = 5;
  press({'C'});
  answer("9");
  EXPECT_EQ(status(), "Pattern number out of range");
  EXPECT_EQ(p.patterns, before.patterns);
  press({'C'});
  answer("7");
  EXPECT_EQ(shown(), 7);
  EXPECT_TRUE(std::equal(p.patterns.begin() + 7 * 256, p.patterns.begin() + 8 * 256,
                         before.patterns.begin() + 5 * 256));
  EXPECT_TRUE(std::equal(p.patterns.begin() + 5 * 256, p.patterns.begin() + 6 * 256,
                         before.patterns.begin() + 7 * 256));
  EXPECT_EQ(p.cells, before.cells);
  EXPECT_TRUE(pitch_files().patterns_modified);
  EXPECT_FALSE(pitch_files().map_modified);
}

TEST_F(PatternMode, ZoomTenShowsThePatternWithItsMarginTenTimes) {
  const PitchRecord& p = pitch_files().pitches[0];
  pattern_mode_state() = {0, 4, 1};
  std::vector<std::uint8_t> fb(320 * 200);
  draw_pattern_mode(fb.data(), 320);
  EXPECT_EQ(fb[92 * 320 + 152], p.patterns[4 * 256]);
  EXPECT_EQ(fb[107 * 320 + 167], p.patterns[4 * 256 + 255]);
  EXPECT_EQ(fb[199 * 320], 3);
  press({platform::VK_ADD, platform::VK_ADD, platform::VK_ADD, platform::VK_ADD, platform::VK_ADD,
         platform::VK_ADD, platform::VK_ADD, platform::VK_ADD, platform::VK_ADD, platform::VK_ADD});
  EXPECT_EQ(pattern_mode_state().zoom, 10);
  draw_pattern_mode(fb.data(), 320);
  // The 32x20 centre from (144, 90): pattern pixel (x, y) covers output
  // (80 + 10x .. 89 + 10x, 20 + 10y .. 29 + 10y).
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(fb[(25 + 10 * y) * 320 + 85 + 10 * x], p.patterns[4 * 256 + y * 16 + x]);
  EXPECT_EQ(fb[199 * 320 + 319], 3);
  EXPECT_EQ(fb[25 * 320 + 75], 3);
}

}  // namespace
