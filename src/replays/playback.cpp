#include "replays/playback.h"

#include <algorithm>
#include <cstdio>

#include "pitch/pitch_draw.h"
#include "platform/platform.h"
#include "replays/browser.h"
#include "replays/replay_gif.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

namespace tavu {

namespace {

constexpr int kFpsLabelX = 270;
constexpr int kFpsValueX = 302;

const SpriteRecord* recorded_sprite(int number) {
  if (number >= kFirstTeamSprite && number <= kLastTeamSprite) return team_sprite(number);
  return sprite_at(number);
}

// The end of the recording: the stop runs through playback_keys like the
// user's Escape, once.
void post_stop() {
  PlaybackState& p = playback();
  if (p.escape_posted) return;
  p.escape_posted = true;
  post_message(platform::WM_KEYDOWN, platform::VK_ESCAPE, 0);
}

void measure_rate() {
  PlaybackState& p = playback();
  ++p.frame_count;
  const std::uint32_t now = platform::current().tick_count();
  const std::uint32_t elapsed = now - p.measured_at;
  if (elapsed < kRateInterval) return;
  p.measured_rate = (p.flags & kPaused) ? 0 : static_cast<int>(p.frame_count * 1000u / elapsed);
  p.measured_at = now;
  p.frame_count = 0;
}

// Releases what playback holds; the draw slot goes back to the browser.
void release_playback() {
  PlaybackState& p = playback();
  mode_table()[kReplayMode].draw = draw_browser;
  start_frame_clock(nullptr);
  p.recording.reset();
  set_palette(&default_palette(), nullptr, true);
  const KeyCapture previous = set_key_capture(nullptr);
  if (previous != playback_keys) set_key_capture(previous);
  release_team_sprites();
  p.playing = false;
  p.shown.reset();
  p.flags = 0;
  p.gif_pending = false;
  p.gif_question = false;
  p.gif_bytes.clear();
}

constexpr std::uint32_t kGifStatusMs = 1000;
constexpr std::uint32_t kGifFailureMs = 2000;

void write_playback_gif() {
  PlaybackState& p = playback();
  if (replace_file(p.gif_name, p.gif_bytes))
    show_status("Saved " + p.gif_name + " OK", kGifStatusMs, kTextCentred);
  else
    show_status("Save failed\ncan't write " + p.gif_name, kGifFailureMs, kTextCentred);
  p.gif_bytes.clear();
}

// The overwrite question's keys: Y writes, N and Escape keep the file.
int gif_question_keys(std::uint32_t vk) {
  PlaybackState& p = playback();
  if (vk != platform::VK_ESCAPE && vk != 'N' && vk != 'Y') return 0;
  p.gif_question = false;
  clear_status();
  if (vk == 'Y')
    write_playback_gif();
  else
    p.gif_bytes.clear();
  return 1;
}

}  // namespace

PlaybackState& playback() {
  static PlaybackState s;
  return s;
}

void draw_playback_picture(std::uint8_t* fb, int stride, const FrameWords& words,
                           const FrameInWords& frame, int pitch_index, bool show_fps, int rate) {
  const int x = std::clamp(frame.camera_x, 0, kMaxCameraX);
  const int y = std::clamp(frame.camera_y, 0, kMaxCameraY);
  draw_pitch(fb, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), stride, pitch_index,
             false, false);
  for (std::size_t i = 0; i < frame.sprite_count; ++i) {
    const SpritePlacement s = sprite_of(words, frame, i);
    draw_sprite(s.x, s.y, fb, recorded_sprite(s.sprite), stride, kNaturalColours);
  }
  char score[24];
  std::snprintf(score, sizeof score, "%d-%d", frame.goals_first, frame.goals_second);
  draw_text(score, 0, 0, fb, stride, 1, kNaturalColours, 0);
  if (show_fps) {
    draw_text("fps", kFpsLabelX, 0, fb, stride, 1, kNaturalColours, 0);
    draw_number(rate, kFpsValueX, 0, fb, stride, 1);
  }
}

bool start_playback(OpenedRecording opened) {
  PlaybackState& p = playback();
  start_frame_clock(advance_unless_paused);
  p.recording = std::move(opened.recording);
  p.flags = 0;
  p.shown.reset();
  p.escape_posted = false;
  p.frame_count = 0;
  p.measured_at = platform::current().tick_count();
  p.measured_rate = 0;
  apply_pitch_type(opened.pitch_type);
  if (!prepare_team_sprites(opened.teams[0], opened.teams[1])) {
    stop_playback();
    return false;
  }
  set_app_flag(help_visible, false);
  set_frame_rate(70);
  stop_animation_timer();
  mode_table()[kReplayMode].draw = draw_recording_frame;
  if (p.recording->is_replay()) p.flags |= kIsReplay;
  set_key_capture(playback_keys);
  app().save_recording_gif = save_playback_gif;
  p.playing = true;
  return true;
}

std::uint8_t* draw_recording_frame(std::uint8_t* fb, int stride) {
  PlaybackState& p = playback();
  if (!p.recording) return fb;
  Recording& r = *p.recording;
  const FrameWords words = r.words();
  const bool saving = p.gif_pending || p.gif_question;
  const bool hold = (((p.flags & kPaused) && !(p.flags & kSingleStep)) || saving) && p.shown;
  if (!hold && r.position.over) {
    post_stop();
    return fb;
  }
  measure_rate();
  RecordingPosition at = hold ? *p.shown : r.position;
  const RecordingPosition before = at;
  const auto frame = read_frame(words, at);
  if (frame && !hold) p.shown_highlight = at.highlight_index;
  if (!frame) {
    // Nothing but words that start no frame were left.
    r.position = at;
    post_stop();
    return fb;
  }
  draw_playback_picture(fb, stride, words, *frame, r.pitch_index, (p.flags & kShowFps) != 0,
                        p.measured_rate);
  if (hold) return fb;
  p.flags &= static_cast<std::uint8_t>(~kSingleStep);
  p.shown = before;
  finish_frame(words, at);
  r.position = at;
  if (r.position.over) post_stop();
  return fb;
}

int playback_keys(std::uint32_t vk, std::int64_t) {
  using namespace platform;
  PlaybackState& p = playback();
  if (p.gif_question) return gif_question_keys(vk);
  if (p.gif_pending) return 0;
  switch (vk) {
    case VK_F2:
      if (!current().key_down(VK_CONTROL)) return 0;
      show_status("Please wait...", 0, kTextCentred);
      p.gif_pending = true;
      post_message(MSG_SAVE_RECORDING_GIF);
      return 1;
    case VK_ESCAPE:
      stop_playback();
      return 0;
    case 'F':
      p.flags ^= kShowFps;
      return 0;
    case 'P':
      p.flags ^= kPaused;
      return 0;
    case 'N':
      if (!(p.flags & kPaused)) return 0;
      p.flags |= kSingleStep;
      return 1;
    case VK_ADD:
      set_frame_rate(get_frame_rate() + 1);
      return 0;
    case VK_SUBTRACT:
      set_frame_rate(get_frame_rate() - 1);
      return 0;
    default:
      return 0;
  }
}

void save_playback_gif() {
  PlaybackState& p = playback();
  if (!p.gif_pending) return;
  p.gif_pending = false;
  if (!p.recording) return;
  const Recording& r = *p.recording;
  ReplayGifOptions options;
  options.highlight = r.is_replay() ? 0 : static_cast<int>(p.shown_highlight) + 1;
  GifOutcome gif = encode_recording_gif(r, pattern_palette(), options);
  if (gif.file.empty()) {
    show_status("Save failed\n" + gif.reason, kGifFailureMs, kTextCentred);
    return;
  }
  p.gif_name = find_file(recording_gif_name(r.file_name, options.highlight));
  p.gif_bytes = std::move(gif.file);
  std::vector<std::uint8_t> old;
  const ReadStatus read = read_whole_file(p.gif_name, old, p.gif_bytes.size());
  if (read == ReadStatus::cannot_open || (read == ReadStatus::ok && old == p.gif_bytes)) {
    write_playback_gif();
    return;
  }
  p.gif_question = true;
  show_status("Overwrite " + p.gif_name + "? (y/n)", 0, kTextCentred);
}

void stop_playback() {
  release_playback();
  start_animation_timer();
  request_redraw();
}

void end_playback_on_leave() {
  release_playback();
}

void advance_unless_paused() {
  if (!(playback().flags & kPaused)) request_redraw();
}

const Palette* replay_palette() {
  return playback().recording ? &pattern_palette() : &default_palette();
}

}  // namespace tavu
