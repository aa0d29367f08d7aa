#include "pitch/pitch_draw.h"

#include <algorithm>

namespace tavu {
namespace {

Palette& palette_copy() {
  static Palette p = game_palette();
  return p;
}

}  // namespace

const char* pitch_type_name(int type) {
  static const char* const kNames[kPitchTypeCount] = {"frozen", "muddy", "wet", "soft",
                                                      "normal", "dry",   "hard"};
  return type >= 0 && type < kPitchTypeCount ? kNames[type] : "";
}

const Palette& pattern_palette() {
  return palette_copy();
}

// Until the pitch files are loaded the view is blank.
void apply_pitch_type(int) {
  set_palette(&palette_copy(), nullptr, true);
}

void draw_pitch(std::uint8_t* target, std::uint32_t, std::uint32_t, int stride, int, bool, bool) {
  for (int y = 0; y < kScreenHeight; ++y) std::fill_n(target + y * stride, kScreenWidth, 0);
}

void invalidate_pitch_view() {}

}  // namespace tavu
