// One input opened both as a replay and as a highlight file, each played
// frame by frame to its end with the team sprites, as replay mode does.
#include <vector>

#include "harness.h"
#include "replays/browser.h"
#include "replays/playback.h"
#include "replays/recordings.h"
#include "replays/team_sprites.h"
#include "shell/modes.h"

using namespace tavu;

namespace {

void play(const char* name, RecordingKind kind) {
  auto opened = open_recording_file(name, kind);
  if (!opened || !start_playback(std::move(*opened))) return;
  std::vector<std::uint8_t> frame(320 * 200);
  // Every frame is drawn; the count bounds a file of empty frames too.
  for (int n = 0; n < 200000 && playback().recording && !playback().recording->position.over; ++n) {
    if (n == 3) playback().flags |= kShowFps;
    draw_recording_frame(frame.data(), 320);
  }
  for (int number = kFirstTeamSprite; number <= kLastTeamSprite; ++number)
    (void)team_sprite(number);
  stop_playback();
}

}  // namespace

bool fuzz::setup() {
  return fuzz::load_demo_sprites() && fuzz::load_demo_pitches();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Bytes bytes(data, size);
  fuzz::put_file("ZZFUZZ.RPL", bytes);
  fuzz::put_file("ZZFUZZ.HIL", bytes);
  play("ZZFUZZ.RPL", RecordingKind::kReplay);
  play("ZZFUZZ.HIL", RecordingKind::kHighlight);
  release_team_sprites();
  reset_browser();
  fuzz::reset_messages();
  return 0;
}
