// Animated GIFs as a viewer sees them (read back with Pillow, a decoder
// outside the project) and the pictures playback draws, to compare them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "display/display.h"
#include "replays/recordings.h"

namespace tavu::test {

// What Pillow sees in a GIF: size, loop, each frame's duration (ms) and the
// RGB pictures of the frames asked for, as the viewer composes them.
struct GifSeen {
  bool ok = false;
  int width = 0;
  int height = 0;
  int loop = -1;
  std::vector<int> durations;
  std::vector<std::vector<std::uint8_t>> frames;  // RGB of the frames asked for
};

bool have_pillow();

// `wanted`: frame numbers; -1 asks for the frame two thirds of the way in.
// Leaves its script and pictures beside the GIF.
GifSeen read_with_pillow(const std::filesystem::path& gif, const std::vector<int>& wanted);

// A 320x200 picture in `palette`'s colours, enlarged `scale` times.
std::vector<std::uint8_t> to_rgb(const std::vector<std::uint8_t>& picture, const Palette& palette,
                                 int scale);

// The recorded frames of `file` (one highlight, or all with 0) as playback
// draws them, and the palette it shows them in; sprites and pitches loaded
// from the current directory.
std::vector<std::vector<std::uint8_t>> playback_frames(const std::string& file, RecordingKind kind,
                                                       int highlight, Palette& palette);

}  // namespace tavu::test
