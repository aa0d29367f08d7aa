#include "support/gif_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "pitch/pitch_draw.h"
#include "replays/playback.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;

namespace tavu::test {

namespace {

// Debian's python3, which python3-pil serves, before any other on the path.
std::string python() {
  return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

}  // namespace

bool have_pillow() {
  static const int status = std::system((python() + " -c 'import PIL' >/dev/null 2>&1").c_str());
  return status == 0;
}

GifSeen read_with_pillow(const fs::path& gif, const std::vector<int>& wanted) {
  GifSeen seen;
  const fs::path dir = gif.parent_path();
  const fs::path script = dir / "read_gif.py";
  std::ofstream(script) << R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
out = open(sys.argv[2], 'w')
out.write('%d %d %d\n' % (im.width, im.height, im.info.get('loop', -1)))
# -1 asks for the frame two thirds of the way in.
wanted = [int(a) if int(a) >= 0 else im.n_frames * 2 // 3 for a in sys.argv[4:]]
durations = []
for i in range(im.n_frames):
    im.seek(i)
    durations.append(im.info.get('duration', 0))
    for k, w in enumerate(wanted):
        if w == i:
            open('%s/frame%d.rgb' % (sys.argv[3], k), 'wb').write(im.convert('RGB').tobytes())
out.write(' '.join(str(d) for d in durations) + '\n')
)";
  std::string command = python() + " '" + script.string() + "' '" + gif.string() + "' '" +
                        (dir / "seen.txt").string() + "' '" + dir.string() + "'";
  for (int w : wanted) command += " " + std::to_string(w);
  if (std::system(command.c_str()) != 0) return seen;
  std::ifstream in(dir / "seen.txt");
  in >> seen.width >> seen.height >> seen.loop;
  for (int d; in >> d;) seen.durations.push_back(d);
  for (std::size_t k = 0; k < wanted.size(); ++k)
    seen.frames.push_back(read_bytes(dir / ("frame" + std::to_string(k) + ".rgb")));
  seen.ok = true;
  return seen;
}

// A 320x200 picture in `palette`'s colours, enlarged `scale` times.
std::vector<std::uint8_t> to_rgb(const std::vector<std::uint8_t>& picture, const Palette& palette,
                                 int scale) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(picture.size() * 3 * scale * scale);
  for (int y = 0; y < 200 * scale; ++y)
    for (int x = 0; x < 320 * scale; ++x) {
      const int v = picture[(y / scale) * 320 + x / scale];
      rgb.insert(rgb.end(), {palette[v * 3], palette[v * 3 + 1], palette[v * 3 + 2]});
    }
  return rgb;
}

// The recorded frames of `file` (one highlight, or all with 0) as
// playback draws them, and the palette it shows them in.
std::vector<std::vector<std::uint8_t>> playback_frames(const std::string& file, RecordingKind kind,
                                                       int highlight, Palette& palette) {
  std::vector<std::vector<std::uint8_t>> out;
  auto opened = open_recording_file(file, kind);
  EXPECT_TRUE(opened);
  if (!opened) return out;
  EXPECT_TRUE(start_playback(std::move(*opened)));
  palette = pattern_palette();
  // Playback's own draw slot, frame after frame, to the end.
  PlaybackState& p = playback();
  while (p.playing && !p.escape_posted) {
    std::vector<std::uint8_t> fb(320 * 200);
    const auto before = p.shown;
    draw_recording_frame(fb.data(), 320);
    const bool drawn = p.shown && (!before || before->read_position != p.shown->read_position ||
                                   before->highlight_index != p.shown->highlight_index);
    if (!drawn) break;
    if (highlight == 0 || static_cast<int>(p.shown_highlight) + 1 == highlight)
      out.push_back(std::move(fb));
  }
  stop_playback();
  return out;
}

}  // namespace tavu::test
