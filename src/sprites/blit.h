// Copying sprites onto 8-bit targets: clipping, transparency and the
// single-colour mode every text drawing uses.
#pragma once

#include <cstdint>

#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr int kNaturalColours = -1;

struct SpriteSize {
  int width = 0;
  int height = 0;
};

// Width and height of the record (0, 0 for none).
SpriteSize get_sprite_size(const SpriteRecord* sprite);

// Draws `sprite` with its top-left corner at (x, y), clipped to 320x200.
// Pixel 0 is transparent; colour < 0 writes the pixel values, colour 0..255
// writes every non-zero pixel except 8 in that colour.
void draw_sprite(int x, int y, std::uint8_t* target, const SpriteRecord* sprite, int pitch,
                 int colour);

// draw_sprite with other clip limits, for targets smaller than the screen.
void draw_sprite_clipped(int x, int y, std::uint8_t* target, const SpriteRecord* sprite, int pitch,
                         int colour, int clip_width, int clip_height);

// Writes pixel | mask for every non-zero pixel: sprite mode raises the Game
// palette sprites into entries 113-127 this way.
void draw_sprite_raised(int x, int y, std::uint8_t* target, const SpriteRecord* sprite, int pitch,
                        std::uint8_t mask);

// Draws sprite `number` of the Sprite table so that its centre point lands on
// (x, y); numbers outside the table draw nothing.
void draw_sprite_at_centre(int x, int y, int number, std::uint8_t* target, int pitch);

}  // namespace tavu
