// Colour matching of decoded pictures against the editor's palettes.
#include "imaging/colour_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <vector>

using namespace tavu;

namespace {

using Rgba = std::array<std::uint8_t, 4>;

// Eight entries of game colours (multiples of four), entry 7 the same
// colour as entry 3, as a sprite's transparent entry is on the default
// background.
std::vector<std::uint8_t> target_rgb() {
  std::vector<std::uint8_t> rgb;
  for (int e = 0; e < 8; ++e) {
    const int s = e == 7 ? 3 : e;
    rgb.insert(rgb.end(), {static_cast<std::uint8_t>(4 * s), static_cast<std::uint8_t>(8 * s),
                           static_cast<std::uint8_t>(252 - 4 * s)});
  }
  return rgb;
}

Rgba colour_of(const std::vector<std::uint8_t>& rgb, int e, std::uint8_t alpha = 255) {
  const auto at = static_cast<std::size_t>(e) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2], alpha};
}

// 8-bit values scaled as many programs do: 252 becomes 255.
Rgba scaled(Rgba c) {
  for (int k = 0; k < 3; ++k) c[k] = static_cast<std::uint8_t>(c[k] * 255 / 252);
  return c;
}

Image indexed(int w, int h, std::vector<std::uint8_t> indices, std::vector<Rgba> palette) {
  Image im;
  im.width = w;
  im.height = h;
  im.indexed = true;
  im.indices = std::move(indices);
  im.palette = std::move(palette);
  return im;
}

Image true_colour(int w, int h, const std::vector<Rgba>& pixels) {
  Image im;
  im.width = w;
  im.height = h;
  for (const Rgba& p : pixels) im.rgba.insert(im.rgba.end(), p.begin(), p.end());
  return im;
}

}  // namespace

TEST(ColourMatch, IndexedFilesGiveTheNumbersOfTheirColours) {
  const auto rgb = target_rgb();
  ColourTarget target{{rgb}, 8, -1};
  std::vector<Rgba> same;
  for (int e = 0; e < 8; ++e) same.push_back(colour_of(rgb, e));
  // The picture 0 1 2 3 / 4 5 6 7 in each file's own numbering.
  const std::vector<std::uint8_t> want = {0, 1, 2, 3, 4, 5, 6, 7};

  std::vector<Rgba> reversed(same.rbegin(), same.rend());
  std::vector<std::uint8_t> reversed_px;
  for (auto v : want) reversed_px.push_back(static_cast<std::uint8_t>(7 - v));
  // Entry 7 has entry 3's colour: with nothing to prefer, the lowest.

  std::vector<Rgba> scaled_palette;
  for (const Rgba& c : same) scaled_palette.push_back(scaled(c));

  // Only the used colours, in the order first used, as optimising programs
  // write them.
  const std::vector<Rgba> reduced = {colour_of(rgb, 6), colour_of(rgb, 1), colour_of(rgb, 0)};

  // Longer palette than the target's, used colours at numbers above 8.
  std::vector<Rgba> long_palette(256, Rgba{1, 2, 3, 255});
  long_palette[200] = colour_of(rgb, 5);
  long_palette[9] = colour_of(rgb, 2);

  struct Case {
    const char* name;
    Image image;
    std::vector<std::uint8_t> want;
  };
  const Case cases[] = {
      {"palette as written", indexed(4, 2, want, same), want},
      {"reordered", indexed(4, 2, reversed_px, reversed), {0, 1, 2, 3, 4, 5, 6, 3}},
      {"255-scaled", indexed(4, 2, want, scaled_palette), want},
      {"reduced", indexed(3, 1, {0, 1, 2}, reduced), {6, 1, 0}},
      {"long palette", indexed(2, 1, {200, 9}, long_palette), {5, 2}},
  };
  for (const Case& c : cases) {
    const ColourMatch m = match_colours(c.image, target);
    EXPECT_TRUE(m.ok()) << c.name;
    EXPECT_TRUE(m.colours_matched) << c.name;
    EXPECT_EQ(m.numbers, c.want) << c.name;
  }
}

TEST(ColourMatch, IndexedFileWithAForeignColourKeepsItsNumbers) {
  const auto rgb = target_rgb();
  ColourTarget target{{rgb}, 8, -1};
  struct Case {
    const char* name;
    std::vector<Rgba> palette;
  };
  const Case cases[] = {
      {"off-palette colour", {colour_of(rgb, 1), Rgba{0x0D, 0xC8, 0x4D, 255}, colour_of(rgb, 2)}},
      {"number past the palette", {colour_of(rgb, 1), colour_of(rgb, 4)}},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> px = {2, 0, 1, 2};
    const ColourMatch m = match_colours(indexed(2, 2, px, c.palette), target);
    EXPECT_TRUE(m.ok()) << c.name;
    EXPECT_FALSE(m.colours_matched) << c.name;
    EXPECT_EQ(m.numbers, px) << c.name;
  }
  // A foreign colour the picture does not use changes nothing.
  const ColourMatch unused = match_colours(
      indexed(2, 1, {1, 1}, {Rgba{0x0D, 0xC8, 0x4D, 255}, colour_of(rgb, 5)}), target);
  EXPECT_TRUE(unused.colours_matched);
  EXPECT_EQ(unused.numbers, (std::vector<std::uint8_t>{5, 5}));
}

TEST(ColourMatch, TrueColourPixelsMatchOrAreRefusedNamingTheFirst) {
  const auto rgb = target_rgb();
  ColourTarget target{{rgb}, 8, 7};
  std::vector<Rgba> px;
  for (int e = 0; e < 6; ++e) px.push_back(scaled(colour_of(rgb, e)));
  px.push_back(Rgba{9, 9, 9, 0});        // transparent whatever its colour
  px.push_back(colour_of(rgb, 6, 127));  // alpha below 128: transparent
  const ColourMatch ok = match_colours(true_colour(4, 2, px), target);
  ASSERT_TRUE(ok.ok()) << ok.refusal;
  EXPECT_EQ(ok.numbers, (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 7, 7}));

  std::vector<Rgba> bad = px;
  bad[6] = Rgba{0x0D, 0xC8, 0x4D, 255};
  bad[7] = Rgba{0x0D, 0xC8, 0x4D, 255};
  const ColourMatch refused = match_colours(true_colour(4, 2, bad), target);
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.refusal, "colour 0DC84D at 2,1 not in the palette");
  EXPECT_TRUE(refused.numbers.empty());

  // One step of six bits off is another colour.
  Rgba near = colour_of(rgb, 2);
  near[1] = static_cast<std::uint8_t>(near[1] + 4);
  const ColourMatch off = match_colours(true_colour(1, 1, {near}), target);
  EXPECT_EQ(off.refusal, "colour 0814F4 at 0,0 not in the palette");
}

TEST(ColourMatch, EqualColoursDecidedByWhatWasThereThenLowest) {
  const auto rgb = target_rgb();
  ColourTarget target{{rgb}, 8, 7};
  // Entries 3 and 7 share a colour: a true-colour pixel of it becomes what
  // the old picture had there when that is 3 or 7, otherwise 3.
  const Rgba c3 = colour_of(rgb, 3);
  const Image im = true_colour(4, 1, {c3, c3, c3, c3});
  const std::vector<std::uint8_t> before = {7, 3, 5, 7};
  const ColourMatch m = match_colours(im, target, before);
  EXPECT_EQ(m.numbers, (std::vector<std::uint8_t>{7, 3, 3, 7}));
  EXPECT_EQ(match_colours(im, target).numbers, (std::vector<std::uint8_t>{3, 3, 3, 3}));

  // An indexed file that moved the colour to another number: the same rule
  // per pixel.
  const Image moved = indexed(4, 1, {0, 0, 0, 0}, {c3});
  EXPECT_EQ(match_colours(moved, target, before).numbers, (std::vector<std::uint8_t>{7, 3, 3, 7}));
  // The file's own number 3 or 7 stays whatever was there.
  const Image own = indexed(4, 1, {3, 7, 3, 7}, std::vector<Rgba>(8, c3));
  EXPECT_EQ(match_colours(own, target, before).numbers, (std::vector<std::uint8_t>{3, 7, 3, 7}));
}

TEST(ColourMatch, OtherPalettesKeepNumbersAndFindColours) {
  // Two "pitch types": entry 2 is green in the first, white in the second.
  std::vector<std::uint8_t> first = target_rgb(), second = target_rgb();
  const std::uint8_t white[3] = {252, 252, 252};
  std::copy_n(white, 3, second.begin() + 6);
  ColourTarget target{{first, second}, 8, -1};
  // Exported under the second type, read under the first: the number stays.
  std::vector<Rgba> palette;
  for (int e = 0; e < 8; ++e) palette.push_back(colour_of(second, e));
  const ColourMatch kept = match_colours(indexed(3, 1, {2, 1, 2}, palette), target);
  EXPECT_TRUE(kept.colours_matched);
  EXPECT_EQ(kept.numbers, (std::vector<std::uint8_t>{2, 1, 2}));
  // The same in true colour, and reordered.
  const ColourMatch found =
      match_colours(true_colour(2, 1, {scaled(colour_of(second, 2)), colour_of(first, 2)}), target);
  ASSERT_TRUE(found.ok()) << found.refusal;
  EXPECT_EQ(found.numbers, (std::vector<std::uint8_t>{2, 2}));
  const ColourMatch moved = match_colours(indexed(1, 1, {0}, {Rgba{252, 252, 252, 255}}), target);
  EXPECT_TRUE(moved.colours_matched);
  EXPECT_EQ(moved.numbers, (std::vector<std::uint8_t>{2}));

  // White is entry 5 in the first palette too: a picture whose colours only
  // the second palette has in full was made with it, and its white is 2.
  std::copy_n(white, 3, first.begin() + 15);
  second[3 * 6] = 200;  // a colour of the second type alone
  const Rgba only_second = colour_of(second, 6);
  const ColourMatch made_with_second =
      match_colours(true_colour(2, 1, {Rgba{252, 252, 252, 255}, only_second}), target);
  ASSERT_TRUE(made_with_second.ok()) << made_with_second.refusal;
  EXPECT_EQ(made_with_second.numbers, (std::vector<std::uint8_t>{2, 6}));
  EXPECT_EQ(match_colours(true_colour(1, 1, {Rgba{252, 252, 252, 255}}), target).numbers,
            (std::vector<std::uint8_t>{5}))
      << "both have it: the first palette's";
}
