// Sprite mode (F5): one sprite at a time on a plain background, with zoom,
// header information, bitmap export and import, revert and the team switch.
#pragma once

#include <array>
#include <cstdint>

#include "shell/modes.h"

namespace tavu {

struct SpriteModeState {
  std::int16_t current = 0;  // wrapped into 0..1333 by the draw slot
  std::int8_t zoom = 1;      // 1..10
  std::uint8_t background = 3;
};

SpriteModeState& sprite_mode_state();

// The background colours of keys 0 to 9.
inline constexpr std::array<std::uint8_t, 10> kBackgroundKeys = {3,  2,  1,  114, 66,
                                                                 15, 10, 11, 50,  46};

inline constexpr int kGamePaletteFirst = 1209;  // sprites shown with the Game palette
inline constexpr int kGamePaletteLast = 1272;
inline constexpr std::uint8_t kGamePaletteRaise = 0x70;

extern const char* const kSpriteModeHelp;

ModeDescriptor sprite_mode_descriptor();

// The current sprite number as drawn: above 1333 becomes 0, below 0 1333.
int wrap_sprite_number(int number);
// Background index as shown with the Game palette.
std::uint8_t game_palette_background(std::uint8_t background);
// The key slot with the modifier state given (the slot reads it from the
// keyboard).
int sprite_mode_key(std::uint32_t vk, bool shift, bool ctrl);
// Draws the mode's picture for the current state.
std::uint8_t* draw_sprite_mode(std::uint8_t* framebuffer, int stride);

}  // namespace tavu
