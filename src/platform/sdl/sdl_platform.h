// The desktop backend over SDL2: a real borderless window, native input turned
// into Windows messages, and presentation of the 320x200 picture.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace tavu::platform {

// How frames reach the window. `automatic` expands the picture into the
// window's own framebuffer where SDL has an unaccelerated one (X11 unless
// SDL_FRAMEBUFFER_ACCELERATION says otherwise), and lets an SDL renderer
// scale it elsewhere (Wayland, or where acceleration was asked for).
enum class SdlPresentation { automatic, window_surface, renderer };

struct SdlOptions {
  SdlPresentation presentation = SdlPresentation::automatic;
};

// Opens SDL's video subsystem; nullptr, with the reason on standard error,
// when that fails (no display).
std::unique_ptr<Platform> make_sdl_platform(const SdlOptions& options = {});

}  // namespace tavu::platform
