// Pitch drawing for every caller (pitch mode, replay playback, test mode):
// a 320x200 view of a pitch at any scroll position, and the Pattern palette
// whose pitch colours follow the pitch type.
#pragma once

#include <cstdint>

#include "display/display.h"

namespace tavu {

inline constexpr int kPitchTypeCount = 7;

// "frozen", "muddy", "wet", "soft", "normal", "dry", "hard"; types outside
// 0..6 have no name ("").
const char* pitch_type_name(int type);

// The Game palette with the colours of the last pitch type applied.
const Palette& pattern_palette();

// Writes the type's nine colours into the Pattern palette and hands it to
// the display with force.
void apply_pitch_type(int type);

// Draws the view of pitch `pitch_index` (0-5) whose top-left corner is pitch
// pixel (x, y) into 200 rows of 320 bytes, `stride` bytes apart.
void draw_pitch(std::uint8_t* target, std::uint32_t x, std::uint32_t y, int stride, int pitch_index,
                bool edit_mode, bool show_numbers);

// Marks the cached tiles stale (after any change of cells or patterns).
void invalidate_pitch_view();

}  // namespace tavu
