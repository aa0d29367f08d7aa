#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace tavu::platform {
namespace {
Platform* g_platform = nullptr;
}

Platform& current() {
  if (!g_platform) {
    std::fputs("no platform backend installed\n", stderr);
    std::abort();
  }
  return *g_platform;
}

void set_current(Platform* platform) {
  g_platform = platform;
}

}  // namespace tavu::platform
