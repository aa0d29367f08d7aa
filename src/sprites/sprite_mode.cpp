#include "sprites/sprite_mode.h"

#include <algorithm>

namespace tavu {
namespace {

int init() { return 1; }
void enter(int) { set_palette(&default_palette(), nullptr, true); }
void leave() {}
int keys(std::uint32_t, std::int64_t) { return 0; }
std::uint8_t* draw(std::uint8_t* fb, int stride) {
  for (int y = 0; y < kScreenHeight; ++y) std::fill_n(fb + y * stride, kScreenWidth, 3);
  return fb;
}
const Palette* palette() { return &default_palette(); }

}  // namespace

ModeDescriptor sprite_mode_descriptor() {
  return {init, enter, leave, keys, draw, palette, "", "SPRITE MODE", 0x74, 0};
}

}  // namespace tavu
