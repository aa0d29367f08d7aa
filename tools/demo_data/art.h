// Everything the demo game directory shows, drawn in code. Sprites are
// canvases of colour numbers 0-15 with a hot spot.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "demo_data/canvas.h"

namespace tavu::demo {

// Field 20 of the sprite headers: the kind of image, so sprite mode's
// information overlay tells what a sprite is for.
enum SpriteKind : std::uint8_t {
  kKindGlyph = 0x01,
  kKindDigit = 0x02,
  kKindIcon = 0x03,
  kKindScore = 0x10,
  kKindPlayer = 0x20,
  kKindKeeper = 0x30,
  kKindBall = 0x40,
  kKindBench = 0x50,
  kKindGamePalette = 0x70,  // shown with the Game palette, colours raised by 0x70
};

struct SpriteArt {
  Canvas image;
  int centre_x = 0;
  int centre_y = 0;
  std::uint8_t kind = 0;
};

// Colours of the sprite palette entries the art uses.
inline constexpr std::uint8_t kGrey = 1;
inline constexpr std::uint8_t kWhite = 2;
inline constexpr std::uint8_t kBlack = 3;
inline constexpr std::uint8_t kShadow = 8;  // kept as 8 by single-colour text

// Font: white glyphs with a shadow one pixel right and down, `big` glyphs 8
// rows high, small ones 6. Empty canvas for characters without a glyph.
Canvas glyph_image(char c, bool big);
// The small digits 1-9 that number the patterns of a pitch.
Canvas pattern_digit_image(int digit);
// A line of text in the font's body pixels only (value 1), for pictures.
Canvas text_mask(std::string_view text, bool big);

// The sprite table ranges, filled in place.
void draw_charset(std::span<SpriteArt, 227> out);
void draw_score(std::span<SpriteArt, 114> out);

enum class KitStyle { kPlain, kStripes, kHoops, kSash };
void draw_team(KitStyle style, std::span<SpriteArt, 303> out);
void draw_goalkeepers(std::span<SpriteArt, 116> out);
void draw_bench(std::span<SpriteArt, 155> out);
// Referees and linesmen: 48 figures.
void draw_officials(std::span<SpriteArt> out);

// Sprite numbers (relative to a team file) of the standing and running
// frames per direction 0-7, as test mode animates them.
struct DirectionFrames {
  int stand;
  int run_a;
  int run_b;
};
inline constexpr DirectionFrames kDirectionFrames[8] = {
    {0, 2, 1}, {22, 23, 21}, {6, 8, 7},   {16, 17, 15},
    {3, 5, 4}, {13, 14, 12}, {9, 11, 10}, {19, 20, 18},
};

// Ball sprites in BENCH.DAT.
inline constexpr int kBallSprite = 1179;  // four rolling frames 1179-1182
inline constexpr int kBallFrames = 4;
inline constexpr int kBallShadowSprite = 1183;

}  // namespace tavu::demo
