#include "sprites/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sprites/blit.h"
#include "sprites/sprite_files.h"

using namespace tavu;

namespace {

constexpr int W = 320, H = 200;

// A chunky sprite from rows of pixel values.
SpriteRecord sprite_from(const std::vector<std::vector<int>>& rows) {
  SpriteRecord s;
  s.height = static_cast<std::int16_t>(rows.size());
  s.width = static_cast<std::int16_t>(rows.empty() ? 0 : rows[0].size());
  s.width_words = static_cast<std::int16_t>((s.width + 15) / 16);
  s.data_length = sprite_data_length(s.width_words, s.height);
  s.pixels.assign(s.data_length, 0);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      s.pixels[y * s.width_words * 8 + x / 2] |=
          static_cast<std::uint8_t>(x % 2 ? rows[y][x] : rows[y][x] << 4);
  return s;
}

SpriteRecord solid(int w, int h, int value) {
  return sprite_from(std::vector<std::vector<int>>(h, std::vector<int>(w, value)));
}

// Glyph g is a solid block in colour 1 + g % 15: small ones 3-6 wide and 6
// high, big ones 5-8 wide and 8 high.
std::vector<SpriteRecord> test_font() {
  std::vector<SpriteRecord> font(kSpriteCount);
  for (int g = 1; g <= 52; ++g) font[g] = solid(3 + g % 4, 6, 1 + g % 15);
  for (int g = 58; g <= 109; ++g) font[g] = solid(5 + g % 4, 8, 1 + g % 15);
  return font;
}

struct Frame {
  std::vector<std::uint8_t> px = std::vector<std::uint8_t>(W * H, 0);
  std::uint8_t at(int x, int y) const { return px[y * W + x]; }
  bool empty() const {
    return std::all_of(px.begin(), px.end(), [](std::uint8_t v) { return v == 0; });
  }
  // Leftmost drawn column of row y, or -1.
  int first_in_row(int y) const {
    for (int x = 0; x < W; ++x)
      if (at(x, y)) return x;
    return -1;
  }
  int first_row() const {
    for (int y = 0; y < H; ++y)
      if (first_in_row(y) >= 0) return y;
    return -1;
  }
};

class TextTest : public ::testing::Test {
 protected:
  Frame draw(const char* text, int x, int y, int big, std::uint32_t flags, int colour = -1) {
    Frame f;
    draw_text(font_, text, x, y, f.px.data(), W, big, colour, flags);
    return f;
  }
  int width(int glyph) const { return font_[glyph].width; }
  std::vector<SpriteRecord> font_ = test_font();
};

// --- Sprite blit ----------------------------------------------------------

TEST(Blit, ClipsAtEveryEdge) {
  std::vector<std::vector<int>> rows(2, std::vector<int>(20));
  for (int x = 0; x < 20; ++x) rows[0][x] = rows[1][x] = 1 + x % 15;
  const SpriteRecord s = sprite_from(rows);

  Frame left;
  draw_sprite(-3, 0, left.px.data(), &s, W, -1);
  // Column 3 of the sprite (low nibble of source byte 1) lands on column 0.
  EXPECT_EQ(left.at(0, 0), 4);
  EXPECT_EQ(left.at(16, 0), 1 + 19 % 15);
  EXPECT_EQ(left.at(17, 0), 0);

  Frame even;
  draw_sprite(-2, 0, even.px.data(), &s, W, -1);
  for (int x = 0; x < 18; ++x) ASSERT_EQ(even.at(x, 1), 1 + (x + 2) % 15) << x;
  EXPECT_EQ(even.at(18, 1), 0);

  Frame right;
  draw_sprite(310, 0, right.px.data(), &s, W, -1);
  EXPECT_EQ(right.at(310, 0), 1);
  EXPECT_EQ(right.at(319, 0), 10);
  EXPECT_EQ(right.at(0, 1), 0) << "nothing wraps onto the next row";

  Frame off;
  draw_sprite(320, 0, off.px.data(), &s, W, -1);
  draw_sprite(0, 200, off.px.data(), &s, W, -1);
  draw_sprite(-20, 0, off.px.data(), &s, W, -1);
  EXPECT_TRUE(off.empty());

  Frame vertical;
  draw_sprite(0, -1, vertical.px.data(), &s, W, -1);
  draw_sprite(0, 199, vertical.px.data(), &s, W, -1);
  EXPECT_EQ(vertical.at(0, 0), 1);
  EXPECT_EQ(vertical.at(0, 1), 0);
  EXPECT_EQ(vertical.at(0, 199), 1);
}

TEST(Blit, TransparencyAndSingleColour) {
  const SpriteRecord s = sprite_from({{0, 8, 5, 15}});
  Frame f;
  std::fill(f.px.begin(), f.px.end(), 99);
  draw_sprite(0, 0, f.px.data(), &s, W, -1);
  EXPECT_EQ(f.at(0, 0), 99);
  EXPECT_EQ(f.at(1, 0), 8);
  EXPECT_EQ(f.at(2, 0), 5);
  EXPECT_EQ(f.at(3, 0), 15);

  draw_sprite(0, 1, f.px.data(), &s, W, 200);
  EXPECT_EQ(f.at(0, 1), 99);
  EXPECT_EQ(f.at(1, 1), 8);
  EXPECT_EQ(f.at(2, 1), 200);
  EXPECT_EQ(f.at(3, 1), 200);

  draw_sprite_raised(0, 2, f.px.data(), &s, W, 0x70);
  EXPECT_EQ(f.at(0, 2), 99);
  EXPECT_EQ(f.at(2, 2), 117);
}

TEST(Blit, InconsistentHeadersNeverLeaveTheBuffers) {
  // The frame sits inside guard bytes that must survive.
  std::vector<std::uint8_t> mem(W * H + 2 * 4096, 0xEE);
  std::uint8_t* frame = mem.data() + 4096;
  std::vector<SpriteRecord> bad;
  SpriteRecord wide = solid(16, 2, 7);
  wide.width = 300;  // one word holds 16 pixels only
  bad.push_back(wide);
  SpriteRecord tall = solid(16, 2, 7);
  tall.height = 150;  // only 2 rows are held
  bad.push_back(tall);
  SpriteRecord negative = solid(16, 2, 7);
  negative.width = -5;
  bad.push_back(negative);
  SpriteRecord no_words = solid(16, 2, 7);
  no_words.width_words = -2;
  bad.push_back(no_words);
  SpriteRecord huge = solid(16, 2, 7);
  huge.width = 32767;
  huge.width_words = 2048;  // claims far more than its 16 bytes
  bad.push_back(huge);
  for (const auto& s : bad)
    for (int x : {-32768, -400, -5, 0, 150, 319, 5000})
      for (int y : {-32768, -100, -1, 0, 199, 5000}) draw_sprite(x, y, frame, &s, W, -1);
  draw_sprite(0, 0, frame, nullptr, W, -1);
  EXPECT_TRUE(std::all_of(mem.begin(), mem.begin() + 4096, [](auto v) { return v == 0xEE; }));
  EXPECT_TRUE(std::all_of(mem.end() - 4096, mem.end(), [](auto v) { return v == 0xEE; }));
  // The wide sprite drew its 16 real columns and no more.
  Frame f;
  draw_sprite(0, 0, f.px.data(), &bad[0], W, -1);
  EXPECT_EQ(f.at(15, 0), 7);
  EXPECT_EQ(f.at(16, 0), 0);
}

TEST(Blit, AtCentreUsesTheHotSpotOfTheTable) {
  reset_sprite_files();
  SpriteRecord s = solid(4, 4, 9);
  s.centre_x = 2;
  s.centre_y = 3;
  sprite_files().sprites[700] = s;
  Frame f;
  draw_sprite_at_centre(100, 50, 700, f.px.data(), W);
  EXPECT_EQ(f.first_row(), 47);
  EXPECT_EQ(f.first_in_row(47), 98);
  Frame none;
  draw_sprite_at_centre(100, 50, 1334, none.px.data(), W);
  draw_sprite_at_centre(100, 50, -1, none.px.data(), W);
  EXPECT_TRUE(none.empty());
  reset_sprite_files();
}

// --- Characters and measuring ---------------------------------------------

TEST(Glyphs, TableAndControlCodes) {
  EXPECT_EQ(glyph_for_char('A', 0), 18);
  EXPECT_EQ(glyph_for_char('z', 0), 43);
  EXPECT_EQ(glyph_for_char('0', 1), 8 + 57);
  EXPECT_EQ(glyph_for_char(12, 0), 44);
  EXPECT_EQ(glyph_for_char(';', 1), 52 + 57);
  EXPECT_EQ(glyph_for_char('\t', 1), kGlyphTab);
  EXPECT_EQ(glyph_for_char('\r', 0), kGlyphCarriageReturn);
  EXPECT_EQ(glyph_for_char(' ', 0), kGlyphSpace);
  for (int c : {int{'!'}, int{'"'}, int{'#'}, int{'$'}, int{'&'}, int{'<'}, int{'='}, int{'>'},
                int{'['}, int{'{'}, 1, 31, 128, 255})
    EXPECT_EQ(glyph_for_char(static_cast<unsigned char>(c), 0), kGlyphNone) << c;
}

TEST_F(TextTest, MeasuresLinesIndentsAndSizes) {
  EXPECT_EQ(measure_text(font_, "", false, 0).height, 6);
  EXPECT_EQ(measure_text(font_, "", false, 1).height, 8);
  EXPECT_EQ(measure_text(font_, "", false, 1).width, 0);
  const int a = width(18) + 1, b = width(19) + 1;
  EXPECT_EQ(measure_text(font_, "AB", false, 0).width, a + b);
  EXPECT_EQ(measure_text(font_, "A B\t", false, 0).width, a + 4 + b + 32);
  EXPECT_EQ(measure_text(font_, "A\nB", false, 0).height, 6 + 1 + 6);
  EXPECT_EQ(measure_text(font_, "A\nB", false, 1).height, 8 + 2 + 8);
  EXPECT_EQ(measure_text(font_, "A\x0b", false, 0).height, 6 + 14);
  // The carriage return's column is added to every following line.
  EXPECT_EQ(measure_text(font_, "AA\rA\nBBB\nB", false, 0).width, std::max(3 * a, 2 * a + 3 * b));
  EXPECT_EQ(measure_text(font_, "AA\rA\nBBBBBB", true, 0).width, 3 * a);
  EXPECT_EQ(measure_text(font_, "A!B[", false, 0).width, a + b);
}

// --- Text drawing ---------------------------------------------------------

TEST_F(TextTest, CaseAndSkippedCharacters) {
  const Frame upper = draw("ABC", 10, 10, 0, 0);
  EXPECT_FALSE(upper.empty());
  EXPECT_EQ(draw("abc", 10, 10, 0, 0).px, upper.px);
  EXPECT_EQ(draw("A!B[C\x80", 10, 10, 0, 0).px, upper.px);
}

TEST_F(TextTest, TabsCountFromColumnZero) {
  const Frame f = draw("A\tB", 0, 0, 0, 0);
  EXPECT_EQ(f.at(32, 0), 1 + 19 % 15);
  EXPECT_EQ(f.at(31, 0), 0);
  EXPECT_EQ(draw("A\tB", 40, 0, 0, 0).first_in_row(0), 40);
  EXPECT_EQ(draw("A\tB", 40, 0, 0, 0).at(64, 0), 1 + 19 % 15);
  EXPECT_EQ(draw("A\tB", 0, 0, 1, 0).at(64, 0), 1 + (19 + 57) % 15);
}

TEST_F(TextTest, CarriageReturnGivesAHangingIndent) {
  const int a = width(18) + 1;
  const Frame f = draw("AA\rB\nC", 10, 20, 0, 0);
  // Second line: y advances by the last glyph's height + 1.
  EXPECT_EQ(f.first_in_row(20 + 6 + 1), 10 + 2 * a);
  // Without the carriage return the line starts under the first character.
  EXPECT_EQ(draw("AAB\nC", 10, 20, 0, 0).first_in_row(27), 10);
  // The indent holds for one line only.
  EXPECT_EQ(draw("A\rA\nB\nC", 10, 20, 0, 0).first_in_row(34), 10);
}

TEST_F(TextTest, FlagGroupsWithTwoBitsDrawNothing) {
  EXPECT_TRUE(draw("ABC", 10, 10, 0, 3).empty());
  EXPECT_TRUE(draw("ABC", 10, 10, 0, 8 | 16).empty());
  EXPECT_TRUE(draw("ABC", 10, 10, 0, 1 | 4 | 64).empty());
}

TEST_F(TextTest, PlacementFlags) {
  const int a = width(18) + 1;
  EXPECT_EQ(draw("A", 50, 50, 0, 1 | 8).first_in_row(0), 0);
  const Frame right = draw("A", 50, 50, 0, 2 | 16);
  EXPECT_EQ(right.first_row(), 200 - 6);
  EXPECT_EQ(right.first_in_row(194), 320 - a);
  // Flags 36: every line centred on its own width, the block centred.
  const int b = width(19 + 57) + 1, c = width(20 + 57) + 1;
  const Frame centred = draw("B\nCCC", 0, 0, 1, kTextCentreLine | kTextMiddle);
  const int top = (200 - (8 + 2 + 8)) / 2;
  EXPECT_EQ(centred.first_row(), top);
  EXPECT_EQ(centred.first_in_row(top), (320 - b) / 2);
  EXPECT_EQ(centred.first_in_row(top + 10), (320 - 3 * c) / 2);
}

TEST_F(TextTest, BoxBehindCentredTextHasTheFirstLineWidth) {
  const int b = width(19) + 1;
  const Frame f = draw("BBBBB\nB", 0, 0, 0, kTextCentreLine | kTextTop | kTextBox, 2);
  const int left = (320 - 5 * b) / 2, second = (320 - b) / 2;
  EXPECT_EQ(f.at(left, 0), 2);               // glyphs in single colour 2
  EXPECT_EQ(f.at(second, 12), 2);            // second line centred on its own width
  EXPECT_EQ(f.at(left, 12), 3);              // box: the whole height ...
  EXPECT_EQ(f.at(left + 5 * b - 1, 12), 3);  // ... and the first line's width
  EXPECT_EQ(f.at(left + 5 * b, 12), 0);
  EXPECT_EQ(f.at(left - 1, 12), 0);
  EXPECT_EQ(f.at(left, 13), 0);
}

TEST_F(TextTest, OverlongTextIsClampedAndClipped) {
  std::string text(100, 'A');  // 100 * (width + 1) > 320
  const Frame f = draw(text.c_str(), 0, 0, 0, kTextRight | kTextTop);
  EXPECT_EQ(f.first_in_row(0), 0);
  EXPECT_NE(f.at(319, 0), 0);
  // A box for a huge text stays inside the picture.
  std::string lines;
  for (int i = 0; i < 60; ++i)
    lines += "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n";
  std::vector<std::uint8_t> mem(W * H + 64, 0xEE);
  draw_text(font_, lines.c_str(), 0, 0, mem.data(), W, 1, -1, kTextBox | kTextBottom);
  EXPECT_TRUE(std::all_of(mem.end() - 64, mem.end(), [](auto v) { return v == 0xEE; }));
}

TEST_F(TextTest, NumbersUseTheLoadedTable) {
  reset_sprite_files();
  std::copy(font_.begin(), font_.end(), sprite_files().sprites.begin());
  Frame number, text;
  draw_number(-17, 5, 5, number.px.data(), W, 1);
  draw_text("-17", 5, 5, text.px.data(), W, 1, -1, 0);
  EXPECT_FALSE(number.empty());
  EXPECT_EQ(number.px, text.px);
  reset_sprite_files();
}

}  // namespace
