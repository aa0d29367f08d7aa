// Files far larger than a fuzzer's inputs: for every reader the largest file
// the game could plausibly hold and hostile ones of a few MB and of tens of
// MB, read by the editor's own load or import. Each must give the expected
// outcome without a time or memory blow-up: a size taken from a header, a
// quadratic scan or a copy per frame would show here.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "pictures/pictures.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "replays/browser.h"
#include "replays/menus.h"
#include "replays/recording_format.h"
#include "replays/recordings.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/bytes.h"
#include "shell/status.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_format.h"
#include "support/demo_dir.h"
#include "support/loaded_demo.h"

namespace tavu {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kMiB = 1u << 20;

// --- Generators (run in a child process, so their memory is not counted) ---

Bytes sprite_image(int count, int width_words, int height, std::size_t trailing = 0) {
  SpriteRecord s;
  s.width = static_cast<std::int16_t>(width_words * 16);
  s.height = static_cast<std::int16_t>(height);
  s.width_words = static_cast<std::int16_t>(width_words);
  s.data_length = sprite_data_length(s.width_words, s.height);
  s.pixels.assign(s.data_length, 0x5A);
  Bytes image = build_file_image(std::vector<SpriteRecord>(static_cast<std::size_t>(count), s), 0);
  image.resize(image.size() + trailing, 0xEE);
  return image;
}

// A header claiming 32767 x 32767 words of pixels, then `size` bytes.
Bytes overlong_sprite(std::size_t size) {
  Bytes image = sprite_image(1, 1, 1);
  put_u16(image, 12, 0x7FFF);
  put_u16(image, 14, 0x7FFF);
  image.resize(size, 0x33);
  return image;
}

Bytes bitmap_with(Bytes bmp, std::int32_t width, std::int32_t height, std::size_t size) {
  put_u32(bmp, 18, static_cast<std::uint32_t>(width));
  put_u32(bmp, 22, static_cast<std::uint32_t>(height));
  bmp.resize(size, 0x07);
  return bmp;
}

Bytes big_sprite_bitmap() {
  SpriteRecord s;
  s.width = kMaxSpriteBitmapWidth;
  s.height = kMaxSpriteBitmapHeight;
  s.width_words = kMaxSpriteBitmapWidth / 16;
  s.data_length = sprite_data_length(s.width_words, s.height);
  s.pixels.assign(s.data_length, 0x12);
  return encode_sprite_bitmap(s, 3);
}

PitchRecord full_pitch() {
  PitchRecord p;
  p.pattern_count = kPatternLimit;
  p.patterns.assign(static_cast<std::size_t>(kPatternLimit) * kPatternSize, 0);
  for (std::size_t i = 0; i < p.patterns.size(); ++i)
    p.patterns[i] = static_cast<std::uint8_t>(i / kPatternSize + i);
  p.cell_count = kPitchCells;
  for (int i = 0; i < kPitchCells; ++i)
    p.cells.push_back(cell_for_pattern(static_cast<std::uint32_t>(i % kPatternLimit)));
  return p;
}

RecordingFrame busy_frame(int i) {
  RecordingFrame f;
  f.camera_x = i % 352;
  f.camera_y = i % 655;
  f.third = static_cast<std::uint32_t>(i);
  for (int k = 0; k < 24; ++k) f.sprites.push_back({(i + k) % 320, k * 8, 341 + (i + k) % 800});
  return f;
}

// A replay of about `bytes` of busy frames, as a whole match gives.
Bytes long_replay(std::size_t bytes) {
  std::vector<RecordingFrame> frames;
  for (int i = 0; static_cast<std::size_t>(i) * 27 * 4 < bytes; ++i)
    frames.push_back(busy_frame(i));
  return build_replay_file(RecordingHeader{}, frames);
}

Bytes full_highlights(int slots) {
  std::vector<std::vector<RecordingFrame>> highlights(static_cast<std::size_t>(slots));
  for (auto& h : highlights)
    for (int i = 0; i < 170; ++i) h.push_back(busy_frame(i));
  return build_highlight_file(RecordingHeader{}, highlights);
}

// A recording header and `words` copies of one body word.
Bytes recording_of_words(std::size_t words, std::uint32_t word, std::uint16_t highlights = 0) {
  RecordingHeader h;
  h.highlight_count = highlights;
  Bytes file = encode_recording_header(h);
  const std::size_t at = file.size();
  file.resize(at + words * 4);
  for (std::size_t i = 0; i < words; ++i) put_u32(file, at + i * 4, word);
  return file;
}

// --- The readers, as the editor runs them -----------------------------------

enum class Reader {
  sprite_file,
  team_file,
  sprite_bitmap,
  pattern_bitmap,
  pitch_bitmap,
  pitch_files,
  picture,
  replay,
  highlights
};

// Plays every frame as playback walks it; nothing when the file is refused.
bool play_through(const char* name, RecordingKind kind) {
  auto opened = open_recording_file(name, kind);
  if (!opened) return false;
  Recording& r = opened->recording;
  while (!r.position.over && read_frame(r.words(), r.position)) finish_frame(r.words(), r.position);
  return true;
}

bool run_reader(Reader reader) {
  switch (reader) {
    case Reader::sprite_file:
      return load_sprite_files() != 0;
    case Reader::team_file: {
      TeamRecord first;
      first.kit_code = 4;
      return prepare_team_sprites(first, TeamRecord{});
    }
    case Reader::sprite_bitmap:
      return replace_sprite_from_bitmap(33, true);
    case Reader::pattern_bitmap:
      read_pattern_bitmap(0, 0);
      return pitch_files().patterns_modified;
    case Reader::pitch_bitmap:
      read_pitch_bitmap(0);
      return pitch_files().map_modified || pitch_files().patterns_modified;
    case Reader::pitch_files:
      return load_pitches() != 0;
    case Reader::picture: {
      Picture p;
      p.file_name = "zz.256";
      load_picture(p);
      return p.loaded();
    }
    case Reader::replay:
      return play_through("zz.rpl", RecordingKind::kReplay);
    case Reader::highlights:
      return play_through("zz.hil", RecordingKind::kHighlight);
  }
  return false;
}

struct SizeCase {
  const char* name;
  Reader reader;
  std::function<std::vector<NamedFile>()> files;
  bool accepted;
};

std::vector<NamedFile> one(const char* name, Bytes bytes) {
  return {{name, std::move(bytes)}};
}

const SizeCase kCases[] = {
    {"SpriteFileLargest", Reader::sprite_file,
     [] { return one("CHARSET.DAT", sprite_image(227, 20, 200)); }, true},
    {"SpriteFileTruncatedMB", Reader::sprite_file,
     [] {
       Bytes b = sprite_image(227, 20, 200);
       b.resize(2 * kMiB);
       return one("CHARSET.DAT", b);
     },
     false},
    {"SpriteFileOverlongTensOfMB", Reader::sprite_file,
     [] { return one("CHARSET.DAT", overlong_sprite(40 * kMiB)); }, false},
    {"TeamFileLargest", Reader::team_file,
     [] { return one("team4.dat", sprite_image(303, 20, 200)); }, true},
    {"TeamFileOverlongMB", Reader::team_file,
     [] { return one("team4.dat", overlong_sprite(2 * kMiB)); }, false},
    {"TeamFileTrailingTensOfMB", Reader::team_file,
     [] { return one("team4.dat", sprite_image(303, 2, 16, 40 * kMiB)); }, true},
    {"SpriteBitmapLargest", Reader::sprite_bitmap,
     [] { return one("spr0033.bmp", big_sprite_bitmap()); }, true},
    {"SpriteBitmapHugeSizesMB", Reader::sprite_bitmap,
     [] { return one("spr0033.bmp", bitmap_with(big_sprite_bitmap(), 30000, 30000, 2 * kMiB)); },
     false},
    {"SpriteBitmapNegativeSizesTensOfMB", Reader::sprite_bitmap,
     [] {
       return one("spr0033.bmp", bitmap_with(big_sprite_bitmap(), -320, -0x7FFFFFFF, 40 * kMiB));
     },
     false},
    {"PatternBitmapHugeSizesMB", Reader::pattern_bitmap,
     [] {
       const PitchRecord p = full_pitch();
       return one("pt1-0.bmp", bitmap_with(encode_pattern_bitmap(p, 0, default_palette()), 0x10000,
                                           0x10000, 2 * kMiB));
     },
     false},
    {"PitchBitmapLargest", Reader::pitch_bitmap,
     [] { return one("pitch1.bmp", encode_pitch_bitmap(full_pitch(), default_palette())); }, true},
    {"PitchBitmapHugeSizesTensOfMB", Reader::pitch_bitmap,
     [] {
       return one("pitch1.bmp", bitmap_with(encode_pitch_bitmap(full_pitch(), default_palette()),
                                            6720, 8480, 40 * kMiB));
     },
     false},
    {"PitchFilesLargest", Reader::pitch_files,
     [] {
       const PitchRecord p = full_pitch();
       return std::vector<NamedFile>{{"pitch1.dat", encode_pitch_map(p.cells)},
                                     {"pitch1.blk", p.patterns}};
     },
     true},
    {"PitchPatternsMB", Reader::pitch_files,
     [] { return one("pitch1.blk", Bytes(2 * kMiB, 0x21)); }, true},
    {"PitchMapTensOfMB", Reader::pitch_files, [] { return one("pitch1.dat", Bytes(40 * kMiB, 0)); },
     true},
    {"PictureMB", Reader::picture, [] { return one("zz.256", Bytes(2 * kMiB, 1)); }, false},
    {"PictureTensOfMB", Reader::picture, [] { return one("zz.256", Bytes(40 * kMiB, 1)); }, false},
    {"ReplayWholeMatch", Reader::replay, [] { return one("zz.rpl", long_replay(4 * kMiB)); }, true},
    {"ReplayAllNegativeWordsMB", Reader::replay,
     [] { return one("zz.rpl", recording_of_words(kMiB / 2, 0x80000000u)); }, true},
    {"ReplayNoFrameTensOfMB", Reader::replay,
     [] { return one("zz.rpl", recording_of_words(10 * kMiB, 0)); }, true},
    {"HighlightsFiveHundredSlots", Reader::highlights,
     [] { return one("zz.hil", full_highlights(500)); }, true},
    {"HighlightsCountBeyondBodyMB", Reader::highlights,
     [] { return one("zz.hil", recording_of_words(2 * kMiB / 4, kEndMarker, 65535)); }, false},
    {"HighlightsEmptySlotsTensOfMB", Reader::highlights,
     [] { return one("zz.hil", recording_of_words(2000 * kHighlightSlotWords, kEndMarker, 2000)); },
     true},
};

long peak_rss_kib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

class SizeClass : public ::testing::TestWithParam<SizeCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }
  test::LoadedDemo demo_{"size-class"};
};

TEST_P(SizeClass, ReadsInBoundedTimeAndMemory) {
  const SizeCase& c = GetParam();
  // The files are made in a child, so the peak below is the reader's.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = true;
    for (const NamedFile& f : c.files()) ok = ok && test::write_file(f.name, f.bytes);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::uintmax_t file_bytes = 0;
  for (const auto& e : fs::directory_iterator("."))
    file_bytes = std::max(file_bytes, e.file_size());

  const long before = peak_rss_kib();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run_reader(c.reader), c.accepted);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double grown_mib = static_cast<double>(peak_rss_kib() - before) / 1024;
  // Generous: a few copies of the largest file at most, no quadratic time.
  EXPECT_LT(grown_mib, 3.0 * static_cast<double>(file_bytes) / kMiB + 64) << c.name;
  EXPECT_LT(seconds, 30.0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Readers, SizeClass, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavu
