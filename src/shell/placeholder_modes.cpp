#include "shell/placeholder_modes.h"

#include <algorithm>

namespace tavu {
namespace {

int init() {
  return 1;
}
void enter(int) {}
void leave() {}
int keys(std::uint32_t, std::int64_t) {
  return 0;
}
std::uint8_t* draw(std::uint8_t* fb, int stride) {
  for (int y = 0; y < kScreenHeight; ++y) std::fill_n(fb + y * stride, kScreenWidth, 0);
  return fb;
}
const Palette* palette() {
  return &default_palette();
}

}  // namespace

ModeDescriptor placeholder_mode(const char* help, const char* name, std::uint32_t hot_key) {
  return {init, enter, leave, keys, draw, palette, help, name, hot_key, 0};
}

}  // namespace tavu
