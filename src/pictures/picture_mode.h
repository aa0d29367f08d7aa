// Picture mode (F6): every .256 picture of the game directory, one at a time.
#pragma once

#include <cstdint>
#include <span>

#include "pictures/picture_format.h"
#include "shell/modes.h"

namespace tavu {

extern const char* const kPictureModeHelp;

inline constexpr int kGammaMin = -15;
inline constexpr int kGammaMax = 30;
// Outside the range of gamma: the next rebuild of the working palette runs.
inline constexpr int kGammaNotApplied = 31;

struct PictureModeState {
  std::int8_t gamma = 0;  // brightness step, kept across pictures and modes
  int applied_gamma = kGammaNotApplied;
  Palette working{};  // what the display shows
  // The working palette has been handed to the display since it changed.
  bool display_palette_current = false;
};

PictureModeState& picture_mode_state();

ModeDescriptor picture_mode_descriptor();

// Every byte of `picture_palette` plus 2 x gamma, clamped to 0..255; the
// label colour's entry (when 0 or more) keeps the picture's own colour.
void build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes> picture_palette,
                           int gamma, int label_colour, Palette& out);
// Builds the working palette from the current picture unless it was last
// built with the current gamma.
void rebuild_working_palette();

// The shell calls this after a switch between window and full screen while
// picture mode is current: the working palette is built afresh (applied_gamma
// reset, then rebuild_working_palette).
void picture_mode_display_switched();

// The mode's key slot and draw slot.
// Ctrl matters only for F2 (Ctrl+F2 exports PNG).
int picture_mode_key(std::uint32_t vk, bool ctrl = false);
std::uint8_t* draw_picture_mode(std::uint8_t* framebuffer, int stride);

}  // namespace tavu
