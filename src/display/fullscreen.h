// Full-screen presentation: the platform's full-screen output with a 320x200
// back surface that modes draw into during the frame composition, and the
// device palette that takes a palette with the next present.
#pragma once

#include <cstdint>

#include "display/display.h"

namespace tavu {

// Row stride of the back surface. It is not 320, like a real display
// surface's pitch, so drawing that ignores the stride it is handed shows.
inline constexpr int kBackSurfaceStride = 352;

// Whether the platform can show full screen at all; nothing to load here.
bool find_fullscreen_device();
// Creates the back surface and a black device palette and switches the
// platform to full screen; false when it cannot (the caller then runs
// leave_fullscreen).
bool enter_fullscreen();
// Back to the window, releasing whatever enter_fullscreen created; safe to
// call at any time, also twice or without having entered.
void leave_fullscreen();
// The back surface's address and stride; false unless `fullscreen` is set
// and the back surface exists.
bool lock_back_surface(int& stride, std::uint8_t*& address);
void unlock_back_surface();
// Loads the palette into the device; it shows with the next present.
void set_device_palette(const Palette& palette);
// The colours the screen shows now: the window surface's, or in full screen
// the device palette's.
const Palette& shown_palette();
// Shown pictures are paced by the frame clock; there is no blank to wait for.
void wait_vertical_blank();
// Shows the back surface through the device palette.
void present_back_surface();
// After re-activation: brings back what the platform lost meanwhile.
void restore_surfaces();

}  // namespace tavu
