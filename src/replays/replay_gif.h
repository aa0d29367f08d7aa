// Recordings as animated GIF: the frames playback draws, walked as playback
// walks them, timed to the frame rate in the GIF's 1/100 s, each frame after
// the first only the rectangle that changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "display/display.h"
#include "replays/recordings.h"

namespace tavu {

inline constexpr int kMinGifScale = 1;
inline constexpr int kMaxGifScale = 4;
inline constexpr int kDefaultGifScale = 2;
// Viewers slow down shorter delays; frames are dropped instead.
inline constexpr int kMinGifDelay = 2;

// One GIF frame: the recorded frame it shows (counted from 0 in the walk)
// and for how long, in 1/100 s.
struct GifTimedFrame {
  std::size_t frame = 0;
  int delay = 0;
  bool operator==(const GifTimedFrame&) const = default;
};

// Which of `frames` recorded frames played at `fps` a GIF shows, and their
// delays. Each frame's start is its exact time rounded, so the rounding
// error is carried forward and the delays add up to the recording's length
// (within half a hundredth, or 2/100 s for a single frame). A frame that
// would start less than 2/100 s after the one before, or end less than
// 2/100 s before the end, is dropped.
std::vector<GifTimedFrame> plan_gif_frames(std::size_t frames, int fps);

// An animated GIF of 320x200 indexed pictures enlarged `scale` times,
// looping forever. The first picture's palette is the global colour table;
// a picture with another palette carries its own. Each picture after the
// first stores the rectangle that differs from the one before, with a
// transparent index for its unchanged pixels when the picture leaves an
// entry unused there; a picture equal to the one before lengthens that one.
// Pictures are compressed on worker threads, one per processor, and put in
// the file in order: the bytes are those of compressing them one by one.
class GifAnimation {
 public:
  // `workers`: compressing threads, 0 for one per processor; under 2 the
  // caller's thread compresses.
  GifAnimation(int width, int height, int scale, unsigned workers = 0);
  ~GifAnimation();
  GifAnimation(const GifAnimation&) = delete;
  GifAnimation& operator=(const GifAnimation&) = delete;

  // `pixels` is width x height palette numbers, shown for delay (1/100 s).
  void add(std::span<const std::uint8_t> pixels, const Palette& palette, int delay);
  // The file, or empty with the reason.
  std::vector<std::uint8_t> finish(std::string* reason);

  std::size_t frames_written() const { return written_; }

  struct Block;  // one picture, compressed apart from the file

 private:
  struct Encoder;
  void write_pending();
  void put_block(Block& block);
  void fail(int error);

  int width_;
  int height_;
  int scale_;
  unsigned workers_;
  std::vector<std::uint8_t> pending_;
  Palette pending_palette_{};
  int pending_delay_ = 0;
  bool have_pending_ = false;
  std::vector<std::uint8_t> shown_;  // the picture as the viewer has it so far
  Palette shown_palette_{};
  Palette global_palette_{};
  std::size_t written_ = 0;
  int last_transparent_ = 255;
  std::vector<std::uint8_t> out_;
  std::unique_ptr<Encoder> encoder_;
  std::string error_;
};

struct ReplayGifOptions {
  int highlight = 0;  // 1-based; 0 plays every highlight one after another
  int scale = kDefaultGifScale;
  int fps = 70;
};

// Called now and then with the recorded frames done so far and their count.
using GifProgress = std::function<void(std::size_t done, std::size_t total)>;

struct GifOutcome {
  std::vector<std::uint8_t> file;  // empty on failure
  std::string reason;
  std::size_t recorded_frames = 0;  // frames of the recording played
  std::size_t gif_frames = 0;
  int length = 0;  // 1/100 s
};

// The whole recording (or one highlight) from its start, drawn as playback
// draws it with the loaded sprites and pitches and the team sprites prepared
// for it, in `palette`. The recording's own position is not moved.
GifOutcome encode_recording_gif(const Recording& recording, const Palette& palette,
                                const ReplayGifOptions& options, const GifProgress& progress = {});

// "final.gif" for a replay, "match1-2.gif" for highlight 2 of match1.hil.
std::string recording_gif_name(const std::string& recording_file, int highlight);

struct ReplayGifResult {
  bool ok = false;
  std::string reason;  // why not, in the browser's words where it has them
  std::size_t gif_frames = 0;
  std::size_t bytes = 0;
};

// `tavu replay`: with the game's sprites and pitches loaded from the current
// directory (load_sprite_files(), load_pitches()), plays `recording_file`
// (".hil" or ".rpl", checked as the browser checks it) into an animated GIF
// written to `output` through the shared writer. On failure no file is left
// and the reason says why.
ReplayGifResult make_replay_gif(const std::string& recording_file, const std::string& output,
                                const ReplayGifOptions& options, const GifProgress& progress = {});

}  // namespace tavu
