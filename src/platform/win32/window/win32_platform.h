// The Windows backend over USER32 and GDI32: the window class "TAVU", a
// WS_POPUP window whose procedure hands its messages on as they are, the
// 320x200 picture stretched with StretchDIBits, and full screen as a
// borderless window over the whole monitor.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace tavu::platform {

// nullptr, with the reason on standard error, when the window class cannot
// be registered.
std::unique_ptr<Platform> make_win32_platform();

}  // namespace tavu::platform
