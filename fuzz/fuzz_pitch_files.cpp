// A pitch map and its pattern file from the fuzzer (split), then the
// start-up load of all pitches and views drawn at many positions with the
// numbers, grid and cursor on, the exports, and the save planned in memory
// or, for inputs of odd size, written to disk.
#include <vector>

#include "harness.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "pitch/pitch_format.h"
#include "shell/saving.h"
#include "sprites/sprite_files.h"

using namespace tavu;

namespace {

void load_again() {
  reset_pitch_files();
  (void)load_pitches();
}

// The demo's own pitch files, after a save wrote them.
void restore_pitch_files() {
  for (int n = 1; n <= kPitchCount; ++n) {
    fuzz::restore_file(pitch_map_name(n));
    fuzz::restore_file(pitch_pattern_name(n));
  }
}

}  // namespace

bool fuzz::setup() {
  if (!fuzz::load_demo_sprites()) return false;
  set_save_planner(SaveSubsystem::pitches, plan_pitch_save);
  // What the file system can do to the start-up load whatever the bytes.
  fuzz::with_unreadable_file(pitch_map_name(2), load_again);
  fuzz::with_unreadable_file(pitch_pattern_name(2), load_again);
  // No pitch loaded yet: the view is blank.
  std::vector<std::uint8_t> frame(320 * 200);
  draw_pitch_view(pitch_view_cache(), PitchView{}, frame.data(), 320);
  fuzz::reset_messages();
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int pitch = data[0] % kPitchCount;
  const auto parts = fuzz::split(fuzz::Bytes(data + 1, size - 1), 2);
  const std::string map_name = pitch_map_name(pitch + 1);
  const std::string pattern_name = pitch_pattern_name(pitch + 1);
  fuzz::put_file(map_name, parts[0]);
  fuzz::put_file(pattern_name, parts[1]);
  reset_pitch_files();
  if (load_pitches()) {
    std::vector<std::uint8_t> frame(320 * 200);
    PitchViewCache cache;
    PitchView view;
    view.pitch = pitch_at(pitch);
    view.pitch_index = pitch;
    view.font = sprite_table();
    // Corners, the middle, past the far edges and wrapped coordinates.
    const std::uint32_t xs[] = {0, 17, 352, 353, 672, 0xFFFFFFF0u};
    const std::uint32_t ys[] = {0, 7, 655, 656, 880, 0xFFFFFFFFu};
    int k = 0;
    for (std::uint32_t x : xs)
      for (std::uint32_t y : ys) {
        view.x = x;
        view.y = y;
        view.edit_mode = (k & 1) != 0;
        view.show_numbers = (k & 2) != 0;
        view.cursor_x = (k * 37) % kTileBufferWidth;
        view.cursor_y = (k * 23) % kTileBufferHeight;
        view.blink = k % 8;
        draw_pitch_view(cache, view, frame.data(), 320);
        ++k;
      }
    // The modes' own drawing of the pitch, at the fuzzer's corner.
    draw_pitch(frame.data(), xs[data[0] % 6], ys[size % 6], 320, pitch, (size & 1) != 0,
               (size & 2) != 0);
    for (int type = -1; type <= kPitchTypeCount; ++type) {
      apply_pitch_type(type);
      (void)pitch_type_name(type);
    }
    (void)pattern_palette_slot();
    pitch_type() = 0;
    (void)encode_pitch_bitmap(*pitch_at(pitch), pattern_palette());
    (void)encode_pattern_bitmap(*pitch_at(pitch), 0, pattern_palette());
    mark_pitch_changed(pitch, PitchChange::patterns);
    mark_pitch_changed(pitch, PitchChange::map);
    if (size & 1) {
      (void)save_pitches();
      restore_pitch_files();
    } else {
      (void)plan_pitch_save();
    }
  }
  invalidate_pitch_view();
  fuzz::reset_messages();
  fuzz::restore_file(map_name);
  fuzz::restore_file(pattern_name);
  return 0;
}
