// The Framebuffer, the palettes, redraw requests, presentation and the pixel
// primitives shared by the modes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace tavu {

using Palette = platform::PaletteBytes;

inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 200;
inline constexpr int kFramebufferSize = kScreenWidth * kScreenHeight;

const Palette& default_palette();
const Palette& game_palette();

// The Framebuffer address in use.
std::uint8_t* framebuffer();

// Returns the Framebuffer address for a surface showing `palette`.
std::uint8_t* create_window_surface(const Palette* palette);
// The palette setter: `slot` receives the Framebuffer address (the global one
// or a draw slot's own copy). Without force, a palette already in use costs
// nothing.
// In full screen the palette waits for the next present instead.
void set_palette(const Palette* palette, std::uint8_t** slot, bool force);
// The palette set in full screen since the last present, once; or nullptr.
const Palette* take_waiting_palette();
// In the window the frame is composed with the next paint; in full screen
// at once.
void request_redraw();
// Shows the Framebuffer in the window.
void present_window();

void fill_span(std::uint8_t* fb, int y, int x_from, int x_to, int stride, std::uint8_t colour);
void fill_column(std::uint8_t* fb, int stride, int x, int y_from, int y_to, std::uint8_t colour);
void zoom_centre(std::uint8_t* fb, int factor, int stride);

}  // namespace tavu
