#include "platform/sdl/sdl_platform.h"

namespace tavu::platform {

std::unique_ptr<Platform> make_sdl_platform() { return nullptr; }

}  // namespace tavu::platform
