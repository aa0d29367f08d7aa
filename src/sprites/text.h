// Text drawn with the game's character sprites (small font: sprites 1-52,
// big font: the same plus 57), with the placement flags of every caller.
#pragma once

#include <cstdint>
#include <span>

#include "sprites/sprite_format.h"

namespace tavu {

// Placement flags: bits 0-2 horizontal, bits 3-5 vertical, bit 6 a box.
enum TextFlag : std::uint32_t {
  kTextLeft = 1,
  kTextRight = 2,
  kTextCentreLine = 4,
  kTextTop = 8,
  kTextBottom = 16,
  kTextMiddle = 32,
  kTextBox = 64,
};

// Control results of glyph_for_char.
enum GlyphCode : int {
  kGlyphCarriageReturn = 250,
  kGlyphVerticalTab = 251,
  kGlyphTab = 252,
  kGlyphSpace = 253,
  kGlyphLineFeed = 254,
  kGlyphNone = 255,
};

// Sprite number of the character's glyph, or a control result.
int glyph_for_char(unsigned char c, int big);

struct TextSize {
  int width = 0;
  int height = 0;
};

// Size of `text` drawn with the glyphs in `font` (indexed by sprite number).
TextSize measure_text(std::span<const SpriteRecord> font, const char* text, bool first_line_only,
                      int big);
// Draws `text`; big selects the big font, colour is -1 for natural colours or
// 0..255 for single-colour mode.
void draw_text(std::span<const SpriteRecord> font, const char* text, int x, int y,
               std::uint8_t* target, int pitch, int big, int colour, std::uint32_t flags);

// The same with the loaded Sprite table.
TextSize measure_text(const char* text, bool first_line_only, int big);
void draw_text(const char* text, int x, int y, std::uint8_t* target, int pitch, int big, int colour,
               std::uint32_t flags);
// `value` in decimal, natural colours, flags 0.
void draw_number(std::int32_t value, int x, int y, std::uint8_t* target, int pitch, int big);

}  // namespace tavu
