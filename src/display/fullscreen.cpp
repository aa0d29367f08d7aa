#include "display/fullscreen.h"

#include <array>
#include <memory>

#include "shell/app.h"

namespace tavu {
namespace {

using BackSurface = std::array<std::uint8_t, kBackSurfaceStride * kScreenHeight>;

struct FullscreenState {
  std::unique_ptr<BackSurface> back;  // present between entering and leaving
  bool device = false;                // the platform is showing full screen
  Palette device_palette{};
};

FullscreenState& state() {
  static FullscreenState s;
  return s;
}

}  // namespace

bool find_fullscreen_device() {
  return true;
}

bool enter_fullscreen() {
  FullscreenState& s = state();
  s.device_palette.fill(0);
  if (!s.back) s.back = std::make_unique<BackSurface>();
  s.back->fill(0);
  s.device = platform::current().enter_fullscreen();
  return s.device;
}

void leave_fullscreen() {
  FullscreenState& s = state();
  if (s.device) platform::current().leave_fullscreen();
  s.device = false;
  s.back.reset();
}

bool lock_back_surface(int& stride, std::uint8_t*& address) {
  FullscreenState& s = state();
  if (!app_flag(fullscreen) || !s.back) return false;
  stride = kBackSurfaceStride;
  address = s.back->data();
  return true;
}

// The back surface is plain memory: nothing to release.
void unlock_back_surface() {}

// display.cpp's; only the screenshot needs it.
const Palette& window_surface_palette();

const Palette& shown_palette() {
  return app_flag(fullscreen) ? state().device_palette : window_surface_palette();
}

void set_device_palette(const Palette& palette) {
  state().device_palette = palette;
}

void wait_vertical_blank() {}

void present_back_surface() {
  FullscreenState& s = state();
  if (!s.back || !s.device) return;
  platform::current().present(s.back->data(), kBackSurfaceStride, s.device_palette);
}

void restore_surfaces() {
  if (state().device) platform::current().restore_fullscreen();
}

}  // namespace tavu
