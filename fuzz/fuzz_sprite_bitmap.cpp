// A sprite bitmap imported over an existing sprite (Insert), then the
// sprite drawn, exported again and the save built in memory; the sprites go
// back to the loaded ones after each input.
#include <vector>

#include "harness.h"
#include "sprites/blit.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

using namespace tavu;

namespace {

// Sprites of different files and shapes: a glyph, a team sprite, a goal
// sprite (two entries share its file) and the last one.
constexpr int kTargets[] = {33, 700, 1100, 1333};

}  // namespace

bool fuzz::setup() {
  return fuzz::load_demo_sprites();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int number = kTargets[size % 4];
  const std::string name = sprite_bitmap_name(number);
  fuzz::put_file(name, fuzz::Bytes(data, size));
  if (replace_sprite_from_bitmap(number, size % 8 < 4)) {
    const SpriteRecord* s = sprite_at(number);
    std::vector<std::uint8_t> frame(320 * 200);
    draw_sprite(-3, -2, frame.data(), s, 320, kNaturalColours);
    sprite_files().flags |= kInfoOverlayBit;
    sprite_mode_state().current = static_cast<std::int16_t>(number);
    sprite_mode_state().zoom = 10;
    draw_sprite_mode(frame.data(), 320);
    (void)encode_sprite_bitmap(*s, 3);
    (void)plan_sprite_files_save();
    revert_sprites();
  }
  fuzz::reset_messages();
  fuzz::restore_file(name);
  return 0;
}
