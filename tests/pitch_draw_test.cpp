// The pitch view: what lands where for any position, when the tile cache is
// rebuilt, the overlays, and the pitch colours.
#include "pitch/pitch_draw.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pitch_test_support.h"

using namespace tavu;

namespace {

constexpr int kW = 320, kH = 200;

// Straight from the map: view pixel (vx, vy) is pitch pixel (x + vx, y + vy),
// map row 1 at the top; everything off the map or the pattern data is 0.
std::vector<std::uint8_t> reference_view(const PitchRecord& p, std::uint32_t x, std::uint32_t y) {
  std::vector<std::uint8_t> out(kW * kH, 0);
  for (int vy = 0; vy < kH; ++vy)
    for (int vx = 0; vx < kW; ++vx) {
      const std::uint64_t px = std::uint64_t{x} + vx, py = std::uint64_t{y} + vy;
      const std::uint64_t col = px / 16, row = py / 16 + 1;
      if (col >= 42 || row >= 55) continue;
      const std::uint64_t cell = p.cells[row * 42 + col];
      if (cell + 256 > static_cast<std::uint64_t>(p.pattern_count) * 256) continue;
      out[vy * kW + vx] = p.patterns[cell + (py % 16) * 16 + px % 16];
    }
  return out;
}

// Digit sprites 162-170 of width w and height 5 in colour d + 4.
std::vector<SpriteRecord> digit_font(int w) {
  std::vector<SpriteRecord> font(171);
  for (int d = 1; d <= 9; ++d) {
    SpriteRecord& s = font[static_cast<std::size_t>(161 + d)];
    s.width = static_cast<std::int16_t>(w);
    s.height = 5;
    s.width_words = 1;
    s.data_length = 8 * 5;
    const std::uint8_t c = static_cast<std::uint8_t>(d + 4);
    s.pixels.assign(s.data_length, static_cast<std::uint8_t>(c << 4 | c));
  }
  return font;
}

class PitchDraw : public ::testing::Test {
 protected:
  void SetUp() override { pitch_ = test::make_test_pitch(120, 5); }
  std::vector<std::uint8_t> draw(std::uint32_t x, std::uint32_t y, bool edit = false,
                                 bool numbers = false, int pitch_index = 0) {
    PitchView v;
    v.pitch = pitch_index >= 0 && pitch_index < 6 ? &pitch_ : nullptr;
    v.pitch_index = pitch_index;
    v.x = x;
    v.y = y;
    v.edit_mode = edit;
    v.show_numbers = numbers;
    v.cursor_x = cursor_x_;
    v.cursor_y = cursor_y_;
    v.blink = blink_;
    v.font = font_;
    std::vector<std::uint8_t> out(kW * kH, 0xAA);
    draw_pitch_view(cache_, v, out.data(), kW);
    return out;
  }
  PitchRecord pitch_;
  PitchViewCache cache_;
  std::vector<SpriteRecord> font_ = digit_font(4);
  int cursor_x_ = 320, cursor_y_ = 0, blink_ = 0;  // (320, 0): no box
};

TEST_F(PitchDraw, EveryPositionShowsTheMapAndNothingBeyondIt) {
  pitch_.cells[42] = 120 * 256;       // at the end of the pattern data
  pitch_.cells[43] = 120 * 256 - 10;  // runs past it
  pitch_.cells[44] = 0xFFFFFFFFu;
  pitch_.cells[45] = 5;  // not a multiple of 256: drawn from byte 5 on
  const std::pair<std::uint32_t, std::uint32_t> positions[] = {
      {0, 0},   {352, 648}, {17, 5},          {351, 655},       {5, 700},
      {400, 0}, {0, 860},   {0xFFFFFFF0u, 3}, {3, 0xFFFFFFFFu},
  };
  for (auto [x, y] : positions)
    EXPECT_EQ(draw(x, y), reference_view(pitch_, x, y)) << x << "," << y;
  // The end position: the bottom view row is the last pixel row of map row 53.
  const auto end = draw(352, 648);
  EXPECT_EQ(end[199 * kW], pitch_.patterns[pitch_.cells[53 * 42 + 22] + 15 * 16]);
  const auto top = draw(0, 0);
  EXPECT_EQ(std::count(top.begin(), top.begin() + 48, 0), 48) << "three blank tiles";
}

TEST_F(PitchDraw, PitchIndexOutsideTheTableBlanksTheView) {
  for (int index : {6, -1, 200}) {
    const auto v = draw(0, 0, true, true, index);
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](std::uint8_t b) { return b == 0; })) << index;
  }
}

TEST_F(PitchDraw, TilesAreRebuiltOnlyWhenTheViewCrossesATileOrItsInputsChange) {
  draw(17, 0);
  const auto builds = cache_.builds;
  draw(30, 0);
  draw(30, 15);
  EXPECT_EQ(cache_.builds, builds);
  struct Step {
    std::uint32_t x, y;
    bool edit, numbers;
    int pitch;
  };
  const Step rebuilding[] = {{32, 15, false, false, 0},
                             {32, 16, false, false, 0},
                             {32, 16, false, true, 0},
                             {32, 16, true, true, 0},
                             {32, 16, true, true, 1}};
  for (const Step& s : rebuilding) {
    const auto before = cache_.builds;
    draw(s.x, s.y, s.edit, s.numbers, s.pitch);
    EXPECT_EQ(cache_.builds, before + 1) << s.x << "," << s.y;
  }
  cache_.stale = true;  // invalidate_pitch_view
  draw(32, 16, true, true, 1);
  EXPECT_EQ(cache_.builds, builds + 6);
}

TEST_F(PitchDraw, PatternNumbersUseTheZeroGlyphAndTheDigitSprites) {
  pitch_.cells[42] = 0;
  pitch_.cells[43] = 12 * 256;
  const auto v = draw(0, 0, false, true);
  // The zero: outline 2, inside and shadow 3, from (1, 1) of the tile.
  const char* zero[] = {"222.", "2323", "2323", "2323", "2223", ".333"};
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 4; ++c)
      if (zero[r][c] != '.') {
        EXPECT_EQ(v[(1 + r) * kW + 1 + c], zero[r][c] - '0') << r << c;
      }
  // 12: sprite 162 at (1, 1), sprite 163 one pixel after its width.
  EXPECT_EQ(v[1 * kW + 16 + 1], 5);
  EXPECT_EQ(v[5 * kW + 16 + 4], 5);
  EXPECT_EQ(v[1 * kW + 16 + 6], 6);
  EXPECT_EQ(v[1 * kW + 16 + 5], reference_view(pitch_, 0, 0)[1 * kW + 16 + 5]);
}

TEST_F(PitchDraw, WideNumbersAtTheRightEdgeNeverWrapIntoOtherTiles) {
  font_ = digit_font(7);  // "111" is 23 pixels wide
  std::fill(pitch_.cells.begin(), pitch_.cells.end(), 111u * 256);
  const auto v = draw(0, 0, false, true), plain = reference_view(pitch_, 0, 0);
  // Below the 5-pixel digits every tile shows its pattern.
  for (int vy = 0; vy < kH; ++vy)
    for (int vx = 0; vx < kW; ++vx)
      if (vy % 16 == 0 || vy % 16 >= 6) {
        ASSERT_EQ(v[vy * kW + vx], plain[vy * kW + vx]) << vx << "," << vy;
      }
}

TEST_F(PitchDraw, EditGridAndTheCursorBox) {
  const auto plain = reference_view(pitch_, 16, 16);
  const auto grid = draw(16, 16, true);  // cursor at (320, 0): not drawn
  for (int vy = 0; vy < kH; ++vy)
    for (int vx = 0; vx < kW; ++vx)
      ASSERT_EQ(grid[vy * kW + vx], vx % 16 == 0 || vy % 16 == 0 ? 254 : plain[vy * kW + vx])
          << vx << "," << vy;

  // (304, 192) is drawn, two pixels thick, cut by the view's bottom edge.
  cursor_x_ = 304;
  cursor_y_ = 192;
  blink_ = 3;
  const auto box = draw(16, 24, true);
  for (auto [x, y] : {std::pair{304, 184}, {305, 185}, {319, 184}, {304, 199}, {319, 199}})
    EXPECT_EQ(box[y * kW + x], 55) << x << "," << y;
  EXPECT_NE(box[190 * kW + 310], 55);

  // A moved cursor leaves nothing behind, even without a rebuild.
  cursor_x_ = cursor_y_ = 0;
  EXPECT_EQ(draw(16, 16, true)[1 * kW + 1], 55);
  cursor_x_ = 16;
  EXPECT_EQ(draw(16, 16, true)[1 * kW + 1], plain[1 * kW + 1]);
}

TEST(PitchColours, TypesWriteTheirNineEntriesAndOutOfRangeGivesTheGamePalette) {
  const Palette& game = game_palette();
  Palette p = game;
  apply_pitch_colours(p, 6);
  EXPECT_NE(p, game);
  apply_pitch_colours(p, 1);
  EXPECT_EQ(p, game) << "muddy is the Game palette";
  apply_pitch_colours(p, 3);
  EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{48, 112, 0}));
  EXPECT_EQ((std::array<int, 3>{p[321], p[322], p[323]}), (std::array<int, 3>{164, 164, 128}));
  int differing = 0;
  for (int i = 0; i < 256; ++i)
    differing += !std::equal(p.begin() + 3 * i, p.begin() + 3 * i + 3, game.begin() + 3 * i);
  EXPECT_EQ(differing, 9);
  for (int bad : {7, 200, -1}) {
    apply_pitch_colours(p, bad);
    EXPECT_EQ(p, game) << bad;
  }
  EXPECT_STREQ(pitch_type_name(4), "normal");
  EXPECT_STREQ(pitch_type_name(7), "");
}

}  // namespace
