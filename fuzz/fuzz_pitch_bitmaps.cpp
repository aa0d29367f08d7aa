// One input read both as a pattern bitmap and as a pitch bitmap, as the
// pattern and pitch modes import them (tile matching included), then the
// changed pitch drawn, exported to disk as both bitmaps and its save planned
// in memory.
#include <vector>

#include "harness.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "shell/files.h"

using namespace tavu;

namespace {

void after_change(int pitch, int pattern) {
  std::vector<std::uint8_t> frame(320 * 200);
  draw_pitch(frame.data(), 0, 0, 320, pitch, true, true);
  draw_pitch(frame.data(), 352, 655, 320, pitch, false, false);
  (void)save_pattern_bitmap(pitch, pattern);
  (void)save_pitch_bitmap(pitch, pattern % kPitchTypeCount);
  (void)plan_pitch_save();
}

// What the file system can do to the imports and the exports whatever the
// bytes: a bitmap missing or unreadable, a write that fails.
void drive_failures() {
  fuzz::with_unreadable_file(pattern_bitmap_name(1, 3), [] { read_pattern_bitmap(1, 3); });
  fuzz::with_unreadable_file(pitch_bitmap_read_name(1), [] { read_pitch_bitmap(1); });
  set_file_fault_for_tests({FileOp::create, 1});
  (void)save_pattern_bitmap(1, 3);
  set_file_fault_for_tests({FileOp::create, 1});
  (void)save_pitch_bitmap(1, 2);
  clear_file_faults_for_tests();
  (void)save_pattern_bitmap(1, -1);
  fuzz::reset_messages();
}

}  // namespace

bool fuzz::setup() {
  if (!fuzz::load_demo_sprites() || !fuzz::load_demo_pitches()) return false;
  drive_failures();
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const PitchFilesState pristine = pitch_files();
  const int pitch = static_cast<int>(size % kPitchCount);
  const int pattern = static_cast<int>(size / kPitchCount % 40);
  const fuzz::Bytes bytes(data, size);

  const std::string pattern_name = pattern_bitmap_name(pitch, pattern);
  fuzz::put_file(pattern_name, bytes);
  read_pattern_bitmap(pitch, pattern);
  fuzz::restore_file(pattern_name);
  if (pitch_files().patterns_modified) after_change(pitch, pattern);

  const std::string pitch_name = pitch_bitmap_read_name(pitch);
  fuzz::put_file(pitch_name, bytes);
  read_pitch_bitmap(pitch);
  fuzz::restore_file(pitch_name);
  if (pitch_files().map_modified || pitch_files().patterns_modified) after_change(pitch, pattern);

  pitch_files() = pristine;
  invalidate_pitch_view();
  fuzz::reset_messages();
  return 0;
}
