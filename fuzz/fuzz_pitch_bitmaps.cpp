// One input read both as a pattern bitmap and as a pitch bitmap, as the
// pattern and pitch modes import them (tile matching included), then the
// changed pitch drawn, exported and saved in memory.
#include <vector>

#include "harness.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"

using namespace tavu;

namespace {

void after_change(int pitch) {
  std::vector<std::uint8_t> frame(320 * 200);
  draw_pitch(frame.data(), 0, 0, 320, pitch, true, true);
  draw_pitch(frame.data(), 352, 655, 320, pitch, false, false);
  (void)pitch_picture(*pitch_at(pitch));
  (void)plan_pitch_save();
}

}  // namespace

bool fuzz::setup() {
  return fuzz::load_demo_sprites() && fuzz::load_demo_pitches();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const PitchFilesState pristine = pitch_files();
  const int pitch = static_cast<int>(size % kPitchCount);
  const int pattern = static_cast<int>(size / kPitchCount % 40);
  const fuzz::Bytes bytes(data, size);

  const std::string pattern_name = pattern_bitmap_name(pitch, pattern);
  fuzz::put_file(pattern_name, bytes);
  read_pattern_bitmap(pitch, pattern);
  if (pitch_files().patterns_modified) after_change(pitch);
  fuzz::restore_file(pattern_name);

  const std::string pitch_name = pitch_bitmap_read_name(pitch);
  fuzz::put_file(pitch_name, bytes);
  read_pitch_bitmap(pitch);
  if (pitch_files().map_modified || pitch_files().patterns_modified) after_change(pitch);
  fuzz::restore_file(pitch_name);

  pitch_files() = pristine;
  invalidate_pitch_view();
  fuzz::reset_messages();
  return 0;
}
