// The SDL2 backend: a real window.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace tavu::platform {

std::unique_ptr<Platform> make_sdl_platform();

}  // namespace tavu::platform
