// The sprite index and one graphics file from the fuzzer (split), then the
// start-up load, drawing every sprite, sprite mode with the information
// overlay, the team switch (to the fuzzer's file when it is the team file),
// the save built in memory or, for inputs of odd size, written to disk.
#include <array>
#include <vector>

#include "harness.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_format.h"
#include "sprites/sprite_mode.h"

using namespace tavu;

namespace {

void load_again() {
  reset_sprite_files();
  (void)load_sprite_files();
}

bool no_pitch_changes() {
  return false;
}

// The demo's own copies of every sprite file and of the other team file,
// after a save or Ctrl+T's input wrote them.
void restore_sprite_files() {
  fuzz::restore_file(kSpriteIndexName);
  for (const auto& file : kSpriteFiles) fuzz::restore_file(file.name);
  fuzz::restore_file("TEAM2.DAT");
}

}  // namespace

bool fuzz::setup() {
  // What the file system can do to the start-up load and to Ctrl+T
  // whatever the bytes.
  set_pitch_changes_query(no_pitch_changes);
  fuzz::with_unreadable_file(kSpriteIndexName, load_again);
  fuzz::with_unreadable_file(kSpriteFiles[0].name, load_again);
  if (!fuzz::load_demo_sprites()) return false;
  fuzz::with_unreadable_file("TEAM2.DAT", switch_team_file);
  fuzz::put_file("TEAM2.DAT", std::vector<std::uint8_t>(10));
  switch_team_file();
  fuzz::restore_file("TEAM2.DAT");
  fuzz::reset_messages();
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
    (void)sprite_file_entry_of(e.first + picks[1]);
    if (entry == kTeamEntry) fuzz::put_file("TEAM2.DAT", parts[1]);
    switch_team_file();
    (void)team_file_digit();
    mark_sprite_modified(entry);
    const bool save = (size & 1) != 0;
    if (save)
      (void)save_sprite_files();
    else
      (void)plan_sprite_files_save();
    revert_sprites();
    if (save || entry == kTeamEntry) restore_sprite_files();
  }
  fuzz::reset_messages();
  fuzz::restore_file(kSpriteIndexName);
  fuzz::restore_file(name);
  return 0;
}
