// One input opened both as a replay and as a highlight file, each played
// frame by frame to its end with the team sprites and the player's keys, as
// replay mode does; and walked as the tests' decoder walks it.
#include <vector>

#include "harness.h"
#include "platform/platform.h"
#include "replays/browser.h"
#include "replays/playback.h"
#include "replays/recording_format.h"
#include "replays/recordings.h"
#include "replays/team_sprites.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"

using namespace tavu;

namespace {

// The keys of playback, each at its frame: frame-rate display, pause, a
// single step while paused, faster and slower, and one it ignores.
void press_keys(int n) {
  using namespace platform;
  static constexpr std::uint32_t kKeys[] = {'F', 'P', 'N', 'N', 'P', 'N', VK_ADD, VK_SUBTRACT, 'Q'};
  if (n >= 3 && n < 3 + static_cast<int>(std::size(kKeys))) (void)playback_keys(kKeys[n - 3], 0);
  advance_unless_paused();
  if (n % 16 == 0) fuzz::advance_clock(300);
}

void play(const std::string& name, RecordingKind kind) {
  auto opened = open_recording(name, kind);
  if (!opened || !start_playback(std::move(*opened))) return;
  const int rate = get_frame_rate();
  (void)replay_palette();
  std::vector<std::uint8_t> frame(320 * 200);
  // Every frame is drawn; the count bounds a file of empty frames too.
  for (int n = 0; n < 200000 && playback().recording && !playback().recording->position.over; ++n) {
    press_keys(n);
    draw_recording_frame(frame.data(), 320);
  }
  draw_recording_frame(frame.data(), 320);  // past the end: the stop is posted
  for (int number = kFirstTeamSprite; number <= kLastTeamSprite; ++number)
    (void)team_sprite(number);
  set_frame_rate(rate);
  if (kind == RecordingKind::kReplay)
    (void)playback_keys(platform::VK_ESCAPE, 0);
  else
    end_playback_on_leave();
  stop_playback();
}

// The decoder's own walk, frame by frame into records.
void walk(fuzz::Bytes bytes, RecordingKind kind) {
  if (check_recording(bytes, kind) != RecordingCheck::kOk) return;
  std::size_t sprites = 0;
  (void)walk_recording(bytes, kind,
                       [&](std::size_t, const FrameWords& words, const FrameInWords& f) {
                         sprites += to_recording_frame(words, f).sprites.size();
                         return sprites < 100000;
                       });
}

}  // namespace

bool fuzz::setup() {
  if (!fuzz::load_demo_sprites() || !fuzz::load_demo_pitches()) return false;
  // What the file system can do to opening a recording whatever the bytes.
  fuzz::with_unreadable_file("ZZFUZZ.RPL", [] { play("ZZFUZZ", RecordingKind::kReplay); });
  // A demo replay whose body cannot be read after its header was.
  const std::vector<std::string> replays = list_directory("*.RPL");
  if (!replays.empty()) {
    set_file_fault_for_tests({FileOp::read, 2});
    play(replays[0].substr(0, replays[0].size() - 4), RecordingKind::kReplay);
    clear_file_faults_for_tests();
  }
  fuzz::reset_messages();
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Bytes bytes(data, size);
  fuzz::put_file("ZZFUZZ.RPL", bytes);
  fuzz::put_file("ZZFUZZ.HIL", bytes);
  play("ZZFUZZ", RecordingKind::kReplay);
  play("ZZFUZZ", RecordingKind::kHighlight);
  walk(bytes, RecordingKind::kReplay);
  walk(bytes, RecordingKind::kHighlight);
  release_team_sprites();
  reset_browser();
  fuzz::reset_messages();
  return 0;
}
