// Playback of an opened recording inside replay mode: one recorded frame per
// frame of the frame clock, drawn as the pitch under the recorded camera, the
// recorded sprites and the score. Playback takes over the mode's draw slot
// and every key until it stops and hands the screen back to the browser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/display.h"
#include "replays/recordings.h"

namespace tavu {

enum PlaybackFlag : std::uint8_t {
  kPaused = 1,
  kShowFps = 2,
  kSingleStep = 4,
  kIsReplay = 8,
};

// The view's top-left corner is kept where the pitch can be drawn.
inline constexpr int kMaxCameraX = 352;
inline constexpr int kMaxCameraY = 655;
inline constexpr std::uint32_t kRateInterval = 400;  // ms between rate measurements

struct PlaybackState {
  std::optional<Recording> recording;
  std::uint8_t flags = 0;
  bool playing = false;
  // Where the frame on screen started, so that a redraw while paused shows
  // that same frame again.
  std::optional<RecordingPosition> shown;
  std::size_t shown_highlight = 0;  // slot of the frame on screen
  // Ctrl+F2: the GIF being made, and the overwrite question about it. The
  // frame on screen stays until both are over.
  bool gif_pending = false;
  bool gif_question = false;
  std::string gif_name;
  std::vector<std::uint8_t> gif_bytes;
  bool escape_posted = false;
  // Rate measurement.
  int frame_count = 0;
  std::uint32_t measured_at = 0;  // milliseconds
  int measured_rate = 0;
};

PlaybackState& playback();

// One frame's picture: the pitch, the frame's sprites (341-1178 from the
// team sprites, others from the Sprite table) and the score, and with
// `show_fps` the rate at the top right.
void draw_playback_picture(std::uint8_t* fb, int stride, const FrameWords& words,
                           const FrameInWords& frame, int pitch_index, bool show_fps, int rate);

// Starts playing a recording that the browser opened; false (and the
// browser as before) when the team sprites cannot be made.
bool start_playback(OpenedRecording opened);
std::uint8_t* draw_recording_frame(std::uint8_t* fb, int stride);
int playback_keys(std::uint32_t vk, std::int64_t lparam);
void stop_playback();
void advance_unless_paused();
// Ctrl+F2's work once "Please wait..." is on screen: the recording being
// played (the whole replay, or the highlight on screen) as "NAME.gif" or
// "NAME-N.gif" beside it, asking before it replaces a different file.
void save_playback_gif();
// Replay mode left while a recording plays: everything playback holds is
// released, the browser's animation stays stopped.
void end_playback_on_leave();

// The mode's palette slot: the Pattern palette while a recording is loaded.
const Palette* replay_palette();

}  // namespace tavu
