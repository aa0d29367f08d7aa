// The steerable player of test mode: its tables, frame lists and steps.
#include "testmode/test_mode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "platform/platform.h"

using namespace tavu;

namespace {

constexpr int kUp = 1, kRight = 2, kDown = 4, kLeft = 8;

// A player that has taken `n` steps with the arrow code.
void run(TestPlayer& p, unsigned code, int n) {
  for (int i = 0; i < n; ++i) step_test_player(p, requested_direction(code));
}

TEST(TestModeTables, SineTableFollowsItsDefinitionButForFourteenEntries) {
  const std::map<int, int> off_by_one = {{25, 18867},   {29, 21402},   {93, 24812},   {125, 2411},
                                         {163, -24812}, {227, -21402}, {231, -18867}, {234, -16845},
                                         {238, -14009}, {239, -13278}, {241, -11792}, {246, -7961},
                                         {248, -6392},  {252, -3211}};
  const auto& sine = sine_table();
  for (int k = 0; k < 256; ++k) {
    const long rule = std::lround(32767.0 * std::sin(2.0 * M_PI * k / 256.0));
    if (auto it = off_by_one.find(k); it != off_by_one.end()) {
      EXPECT_EQ(sine[k], it->second) << k;
      EXPECT_EQ(std::labs(sine[k] - rule), 1) << k;
    } else {
      EXPECT_EQ(sine[k], rule) << k;
    }
  }
  EXPECT_EQ(sine[64], 32767);
  EXPECT_EQ(sine[192], -32767);
}

TEST(TestModeTables, AngleTableFollowsItsDefinition) {
  const auto& angle = angle_table();
  EXPECT_EQ(angle[0][0], -1);
  for (int dy = 0; dy < 32; ++dy)
    for (int dx = 0; dx < 32; ++dx) {
      if (dx == 0 && dy == 0) continue;
      const int want = dy <= dx ? static_cast<int>(std::floor(32.0 * dy / dx + 0.5))
                                : 64 - static_cast<int>(std::floor(32.0 * dx / dy + 0.5));
      ASSERT_EQ(angle[dy][dx], want) << dy << "," << dx;
    }
  EXPECT_EQ(angle[0][31], 0);
  EXPECT_EQ(angle[31][31], 32);
  EXPECT_EQ(angle[31][0], 64);
  EXPECT_EQ(angle[1][2], 16);  // 32 x 0.5 exactly
}

TEST(TestModeKeys, ArrowCodesChooseDirections) {
  const struct {
    unsigned code;
    int direction;
  } cases[] = {
      {0, -1},
      {kUp, 0},
      {kRight, 2},
      {kUp | kRight, 1},
      {kDown, 4},
      {kUp | kDown, 0},
      {kRight | kDown, 3},
      {kUp | kRight | kDown, 1},
      {kLeft, 6},
      {kUp | kLeft, 7},
      {kLeft | kRight, 6},  // left wins
      {kUp | kRight | kLeft, 7},
      {kDown | kLeft, 5},
      {kUp | kDown | kLeft, 7},
      {kRight | kDown | kLeft, 3},
      {kUp | kRight | kDown | kLeft, 0},  // all four: up
  };
  for (const auto& c : cases) EXPECT_EQ(requested_direction(c.code), c.direction) << c.code;

  KeyStateBytes keys{};
  keys[platform::VK_LEFT] = 0x80;
  keys[platform::VK_DOWN] = 0x81;
  keys[platform::VK_UP] = 0x01;  // toggled, not held
  EXPECT_EQ(arrow_code(keys), unsigned(kLeft | kDown));
}

TEST(TestModeSteps, EightDirectionsRunTheirWayWithTheirAnimation) {
  const struct {
    unsigned code;
    int sx, sy;  // signs of the movement
    int heading;
  } cases[] = {{kUp, 0, -1, 0},     {kUp | kRight, 1, -1, 32},
               {kRight, 1, 0, 64},  {kRight | kDown, 1, 1, 96},
               {kDown, 0, 1, 128},  {kDown | kLeft, -1, 1, 160},
               {kLeft, -1, 0, 192}, {kUp | kLeft, -1, -1, 224}};
  for (const auto& c : cases) {
    TestPlayer p;
    const int x0 = p.x, y0 = p.y;
    run(p, c.code, 30);
    const int d = requested_direction(c.code);
    EXPECT_EQ(p.direction, d);
    EXPECT_EQ(p.heading, c.heading) << d;
    EXPECT_EQ(p.moving, 1);
    EXPECT_EQ((p.x > x0) - (p.x < x0), c.sx) << d;
    EXPECT_EQ((p.y > y0) - (p.y < y0), c.sy) << d;
    EXPECT_EQ(p.animation_set, &running_set());
    const FrameList list = running_set().lists[static_cast<std::size_t>(d)];
    EXPECT_NE(std::find(list.begin(), list.end(), p.sprite), list.end()) << d;
  }
}

TEST(TestModeSteps, RightRunsAtTheWorkedSpeedThroughItsFourFrames) {
  TestPlayer p;
  EXPECT_EQ(p.sprite, 344);
  EXPECT_EQ(p.direction, 4);
  std::vector<int> sprites;
  for (int i = 0; i < 30; ++i) {
    const int x = p.x;
    step_test_player(p, requested_direction(kRight));
    // (32767 / 256) x 1158 x 41 / 64 = 94214 per frame, about 1.44 pixels.
    ASSERT_EQ(p.x - x, 94214) << "frame " << i;
    EXPECT_EQ(p.y, 409 << 16);
    sprites.push_back(p.sprite);
  }
  std::vector<int> expected;
  for (int s : {349, 347, 348, 347, 349})
    for (int k = 0; k < 6; ++k) expected.push_back(s);
  EXPECT_EQ(sprites, expected);
  EXPECT_EQ(p.step_delay, 6);
}

TEST(TestModeSteps, NoKeyStopsAtOnceOnTheStandingFrame) {
  const struct {
    unsigned code;
    int standing;
  } cases[] = {{kRight, 347}, {kUp | kLeft, 360}, {kLeft | kRight, 350}, {kDown, 344}};
  for (const auto& c : cases) {
    TestPlayer p;
    run(p, c.code, 20);
    const int x = p.x, y = p.y;
    run(p, 0, 1);
    EXPECT_EQ(p.moving, 0);
    EXPECT_EQ(p.heading, -1);
    EXPECT_EQ(p.x_velocity, 0);
    EXPECT_EQ(p.y_velocity, 0);
    EXPECT_EQ(p.sprite, c.standing) << c.code;
    EXPECT_EQ(p.direction, requested_direction(c.code)) << "the corner keeps the direction";
    // It stands on its whole pixel and stays there.
    EXPECT_EQ(p.x, whole_part(x) << 16);
    EXPECT_EQ(p.y, whole_part(y) << 16);
    run(p, 0, 40);
    EXPECT_EQ(p.sprite, c.standing);
    EXPECT_EQ(p.x, whole_part(x) << 16);
  }
}

TEST(TestModeSteps, RectangleBlocksTheDirectionsLeavingIt) {
  const struct {
    int x, y;
    unsigned code;
    bool moves;
  } cases[] = {
      {78, 409, kLeft, false},
      {78, 409, kUp | kLeft, false},
      {78, 409, kDown | kLeft, false},
      {78, 409, kUp, true},
      {78, 409, kDown, true},
      {78, 409, kRight, true},
      {79, 409, kLeft, true},
      {593, 409, kRight, false},
      {592, 409, kRight, true},
      {593, 409, kUp | kRight, false},
      {336, 110, kUp, false},
      {336, 110, kUp | kLeft, false},
      {336, 111, kUp, true},
      {336, 756, kDown, false},
      {336, 756, kRight | kDown, false},
      {336, 756, kLeft, true},
  };
  for (const auto& c : cases) {
    TestPlayer p;
    p.x = c.x << 16;
    p.y = c.y << 16;
    p.target_x = c.x;
    p.target_y = c.y;
    run(p, c.code, 1);
    const bool moved = p.x != (c.x << 16) || p.y != (c.y << 16);
    EXPECT_EQ(moved, c.moves) << c.x << "," << c.y << " code " << c.code;
    EXPECT_EQ(p.direction, requested_direction(c.code)) << "the player turns even when blocked";
  }
  EXPECT_EQ(blocked_directions(336, 409), 0u);
  EXPECT_EQ(blocked_directions(0, 0), 0xE3u);
}

TEST(TestModeSteps, BlockedPlayerTurnsToTheRequestedStandingFrame) {
  TestPlayer p;
  p.x = 70 << 16;
  run(p, kDown, 3);
  run(p, 0, 1);
  ASSERT_EQ(p.sprite, 344);
  run(p, kUp | kLeft, 6);  // blocked: stands, facing up-left
  EXPECT_EQ(p.sprite, 360);
  EXPECT_EQ(p.x, 70 << 16);
}

TEST(TestModeSteps, HeldArrowAtTheFirstStepRunsAtTheNormalSpeed) {
  TestPlayer p;
  run(p, kRight, 1);
  EXPECT_EQ(p.x, (336 << 16) + 94214);
  run(p, kDown, 1);
  EXPECT_LT(whole_part(p.y), 412);
}

// Advances a player through `list` and records the sprite after each
// advance and the step delay it leaves.
struct Trace {
  std::vector<int> sprites;
  std::vector<int> delays;
};
Trace trace(const std::vector<std::int32_t>& list, int sprite_base, std::size_t advances) {
  TestPlayer p;
  p.sprite_base = sprite_base;
  p.frame_list = FrameList(list.data(), list.size());
  p.frame_index = -1;
  p.step_delay = 6;
  p.sprite = -1;
  Trace t;
  for (std::size_t i = 0; i < advances; ++i) {
    advance_animation(p);
    t.sprites.push_back(p.sprite);
    t.delays.push_back(p.countdown);
  }
  return t;
}

TEST(TestModeFrameLists, EveryCodeOfTheFormat) {
  const struct {
    const char* what;
    std::vector<std::int32_t> list;
    int sprite_base;
    std::vector<int> sprites;
    std::vector<int> delays;
  } cases[] = {
      {"frames and a restart", {1, 2, 3, -999}, 0, {1, 2, 3, 1, 2}, {6, 6, 6, 6, 6}},
      {"-1..-99 set the step length", {1, -3, 2, -99, 3, -999}, 0, {1, 2, 3, 1}, {6, 3, 99, 99}},
      {"-101 stays on the previous frame", {4, 5, -101}, 0, {4, 5, 5, 5}, {6, 6, 6, 6}},
      {"-102 jumps back two entries", {7, 8, 9, -102}, 0, {7, 8, 9, 8, 9, 8}, {6, 6, 6, 6, 6, 6}},
      {"-103 after a length code", {1, -2, 2, 3, -103}, 0, {1, 2, 3, 2, 3}, {6, 2, 2, 2, 2}},
      {"the sprite base is added", {0, 1, -999}, 341, {341, 342, 341}, {6, 6, 6}},
      {"-100 is not valid: it holds", {6, -100}, 0, {6, 6}, {6, 6}},
      {"a list without its end code stays", {1, 2}, 0, {1, 2, 2}, {6, 6, 6}},
      {"codes only do not hang", {-999}, 0, {-1, -1}, {6, 6}},
      {"a jump before the start stays", {1, -150}, 0, {1, 1}, {6, 6}},
  };
  for (const auto& c : cases) {
    const Trace t = trace(c.list, c.sprite_base, c.sprites.size());
    EXPECT_EQ(t.sprites, c.sprites) << c.what;
    EXPECT_EQ(t.delays, c.delays) << c.what;
  }
}

}  // namespace
