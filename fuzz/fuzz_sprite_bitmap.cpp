// A sprite bitmap imported over an existing sprite (Insert, or Shift+Insert
// for every bitmap of the directory), then the sprite drawn, exported to
// disk again and the save built in memory; the sprites go back to the
// loaded ones after each input.
#include <vector>

#include "harness.h"
#include "shell/app.h"
#include "shell/files.h"
#include "sprites/blit.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

using namespace tavu;

namespace {

// Sprites of different files and shapes: a glyph, a team sprite, a goal
// sprite (two entries share its file) and the last one.
constexpr int kTargets[] = {33, 700, 1100, 1333};

// Save-all and insert-all over every sprite, and what the file system can
// do to an import and an export whatever the bytes.
void drive_once() {
  save_all_sprite_bitmaps();
  insert_all_sprite_bitmaps();
  set_file_fault_for_tests({FileOp::rename, 100});
  save_all_sprite_bitmaps();
  set_file_fault_for_tests({FileOp::create, 1});
  (void)save_sprite_bitmap(33, 0, sprite_at(33), false);
  clear_file_faults_for_tests();
  (void)save_sprite_bitmap(-1, 0, sprite_at(33), false);
  for (int k = 0; k < kSpriteCount; ++k) fuzz::restore_file(sprite_bitmap_name(k));
  revert_sprites();
  fuzz::with_unreadable_file(sprite_bitmap_name(33), [] { replace_sprite_from_bitmap(33, false); });
  // Names insert-all passes over.
  for (const char* name : {"sprABCD.bmp", "spr9999.bmp", "spr12.bmp"}) {
    fuzz::put_file(name, {});
    insert_all_sprite_bitmaps();
    fuzz::restore_file(name);
  }
  // Full screen draws the progress itself.
  set_app_flag(fullscreen, true);
  insert_all_sprite_bitmaps();
  set_app_flag(fullscreen, false);
  fuzz::reset_messages();
}

}  // namespace

bool fuzz::setup() {
  if (!fuzz::load_demo_sprites()) return false;
  drive_once();
  return true;
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
    (void)save_sprite_bitmap(number, 3, s, size % 2 == 0);
    (void)plan_sprite_files_save();
    revert_sprites();
  }
  // Shift+Insert finds the same bitmap among the directory's.
  if (size % 16 == 5) {
    fuzz::put_file(name, fuzz::Bytes(data, size));
    insert_all_sprite_bitmaps();
    revert_sprites();
  }
  fuzz::reset_messages();
  fuzz::restore_file(name);
  return 0;
}
