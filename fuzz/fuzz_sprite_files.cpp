// The sprite index and one graphics file from the fuzzer (split), then the
// start-up load, drawing every sprite, sprite mode with the information
// overlay, the team switch, and the save built in memory.
#include <array>
#include <vector>

#include "harness.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_format.h"
#include "sprites/sprite_mode.h"

using namespace tavu;

bool fuzz::setup() {
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the graphics file; entries 4 and 5 are one file.
  const int entry = data[0] % 6 == 5 ? 6 : data[0] % 6;
  const auto parts = fuzz::split(fuzz::Bytes(data + 1, size - 1), 2);
  const std::string name = kSpriteFiles[entry].name;
  fuzz::put_file(kSpriteIndexName, parts[0]);
  fuzz::put_file(name, parts[1]);
  reset_sprite_files();
  if (load_sprite_files()) {
    std::vector<std::uint8_t> frame(320 * 200);
    for (const SpriteRecord& s : sprite_table()) {
      draw_sprite(-7, -3, frame.data(), &s, 320, kNaturalColours);
      draw_sprite(250, 150, frame.data(), &s, 320, 5);
    }
    // Sprite mode shows one sprite with its header at every zoom.
    sprite_files().flags |= kInfoOverlayBit;
    const auto& e = sprite_files().entries[entry];
    // The first, a middle and the last sprite of the file, at three zooms.
    const int picks[] = {0, e.count / 2, e.count - 1};
    for (int k = 0; k < 3; ++k) {
      sprite_mode_state().current = static_cast<std::int16_t>(e.first + picks[k]);
      sprite_mode_state().zoom = static_cast<std::int8_t>(k == 0 ? 1 : k * 5);
      draw_sprite_mode(frame.data(), 320);
    }
    switch_team_file();
    mark_sprite_modified(entry);
    (void)plan_sprite_files_save();
    revert_sprites();
  }
  fuzz::reset_messages();
  fuzz::restore_file(kSpriteIndexName);
  fuzz::restore_file(name);
  return 0;
}
