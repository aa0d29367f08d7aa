// Replay and highlight files: the header checks, the frame words and the
// walk that playback makes one frame at a time.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "replays/menus.h"
#include "replays/recordings.h"
#include "shell/bytes.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

std::vector<std::uint8_t> header_bytes(std::uint16_t count = 0) {
  RecordingHeader h;
  h.highlight_count = count;
  return encode_recording_header(h);
}

void append(std::vector<std::uint8_t>& file, std::initializer_list<std::uint32_t> words) {
  for (std::uint32_t w : words) {
    file.resize(file.size() + 4);
    put_u32(file, file.size() - 4, w);
  }
}

// Walks a file as playback does: (highlight, third word) of every frame.
std::vector<std::pair<std::size_t, std::uint32_t>> walk(const std::vector<std::uint8_t>& file,
                                                        RecordingKind kind) {
  std::vector<std::pair<std::size_t, std::uint32_t>> out;
  walk_recording(file, kind, [&](std::size_t h, const FrameWords&, const FrameInWords& f) {
    out.push_back({h, f.third});
    return out.size() < 1000;
  });
  return out;
}

constexpr std::uint32_t kCam = 0x80000000u | (16u << 16);  // camera at (0, 0)

TEST(RecordingChecks, RefuseInconsistentFiles) {
  using Patch = void (*)(std::vector<std::uint8_t>&);
  struct Case {
    const char* what;
    RecordingKind kind;
    std::uint16_t count;
    std::size_t body;
    Patch patch;
    RecordingCheck expected;
  };
  const Patch none = [](std::vector<std::uint8_t>&) {};
  const Patch format = [](std::vector<std::uint8_t>& f) { put_u32(f, 0, 9); };
  const Patch constant = [](std::vector<std::uint8_t>& f) { put_u32(f, 4, 193627); };
  const Case cases[] = {
      {"3 slots, count 3", RecordingKind::kHighlight, 3, 3 * kHighlightSlotSize, none,
       RecordingCheck::kOk},
      {"3 slots, count 2", RecordingKind::kHighlight, 2, 3 * kHighlightSlotSize, none,
       RecordingCheck::kBadHighlightCount},
      {"part of a slot", RecordingKind::kHighlight, 1, kHighlightSlotSize + 4, none,
       RecordingCheck::kBadHighlightCount},
      {"replay of 10 bytes", RecordingKind::kReplay, 0, 10, none, RecordingCheck::kPartialWord},
      {"header only", RecordingKind::kReplay, 0, 0, none, RecordingCheck::kOk},
      {"format 9", RecordingKind::kReplay, 0, 8, format, RecordingCheck::kBadFormat},
      {"format 9, highlight", RecordingKind::kHighlight, 1, kHighlightSlotSize, format,
       RecordingCheck::kBadFormat},
      {"size constant, 10 bytes", RecordingKind::kReplay, 0, 10, constant,
       RecordingCheck::kBadSizeConstant},
      {"size constant, highlight", RecordingKind::kHighlight, 1, kHighlightSlotSize, constant,
       RecordingCheck::kBadSizeConstant},
      {"pitch type 7", RecordingKind::kReplay, 0, 8,
       [](std::vector<std::uint8_t>& f) { f[kPitchTypeOffset] = 7; }, RecordingCheck::kBadPitch},
      {"pitch index 6", RecordingKind::kReplay, 0, 8,
       [](std::vector<std::uint8_t>& f) { f[kPitchIndexOffset] = 6; }, RecordingCheck::kBadPitch},
  };
  for (const Case& c : cases) {
    auto file = header_bytes(c.count);
    file.resize(file.size() + c.body);
    c.patch(file);
    EXPECT_EQ(check_recording(file, c.kind), c.expected) << c.what;
  }
  EXPECT_EQ(check_recording(std::vector<std::uint8_t>(100), RecordingKind::kReplay),
            RecordingCheck::kTooShort);
  // Judged from the header and the size alone, before anything is read.
  EXPECT_EQ(check_recording_header(header_bytes(), kRecordingHeaderSize + kMaxRecordingBody + 4,
                                   RecordingKind::kReplay),
            RecordingCheck::kBodyTooLarge);
  EXPECT_EQ(check_recording_header(header_bytes(), kRecordingHeaderSize + kMaxRecordingBody,
                                   RecordingKind::kReplay),
            RecordingCheck::kOk);
}

// Opening through the file system, with the warnings the browser shows.
TEST(OpenRecording, WarningsAndTheOversizedBody) {
  const fs::path dir = test::make_temp_dir("open-rec");
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  platform::HeadlessPlatform headless{platform::ScreenSize{1920, 1080}};
  platform::set_current(&headless);
  auto good = header_bytes();
  append(good, {kCam, 0, 1, kEndMarker});
  ASSERT_TRUE(test::write_file("GOOD.RPL", good));
  ASSERT_TRUE(test::write_file("short.rpl", std::vector<std::uint8_t>(100, 0)));
  {
    // Sparse: a body just over the bound costs no disk space.
    std::vector<std::uint8_t> big = header_bytes();
    ASSERT_TRUE(test::write_file("big.rpl", big));
    fs::resize_file("big.rpl", kRecordingHeaderSize + kMaxRecordingBody + 4);
  }
  struct Case {
    const char* file;
    RecordingKind kind;
    const char* warning;  // nullptr: opens
  };
  const Case cases[] = {
      {"good.rpl", RecordingKind::kReplay, nullptr},
      {"good.rpl", RecordingKind::kHighlight, "good.rpl is not a highlight file"},
      {"missing.rpl", RecordingKind::kReplay, "Can't open missing.rpl"},
      {"short.rpl", RecordingKind::kReplay, "short.rpl is not a replay file"},
      {"big.rpl", RecordingKind::kReplay, "big.rpl is not a replay file"},
  };
  for (const Case& c : cases) {
    reset_menu_system();
    const auto opened = open_recording_file(c.file, c.kind);
    const Warning* w = first_warning(kReplayMode);
    if (!c.warning) {
      ASSERT_TRUE(opened) << c.file;
      EXPECT_EQ(w, nullptr);
      EXPECT_EQ(opened->recording.buffer.size(), 16u);
      EXPECT_TRUE(opened->recording.is_replay());
    } else {
      EXPECT_FALSE(opened) << c.file;
      ASSERT_NE(w, nullptr) << c.file;
      EXPECT_EQ(w->text, c.warning);
    }
  }
  EXPECT_TRUE(open_recording("good", RecordingKind::kReplay));
  reset_menu_system();
  platform::set_current(nullptr);
  fs::current_path(old);
  fs::remove_all(dir);
}

TEST(RecordingWords, FieldsAndRoundTrip) {
  EXPECT_EQ(decode_sprite_word(0x3FFu << 10).x, -1);
  EXPECT_EQ(decode_sprite_word(0x200u).y, -512);
  int x = -1, y = -1;
  decode_camera_word(kCam, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  RecordingFrame f{100, 655, 3, -2, 7, {{-512, 511, 2047}, {319, -30, 341}}};
  std::vector<RecordingFrame> frames = {f, f};
  frames[1].sprites.clear();
  const auto file = build_replay_file(RecordingHeader{}, frames);
  std::vector<RecordingFrame> back;
  walk_recording(file, RecordingKind::kReplay,
                 [&](std::size_t, const FrameWords& w, const FrameInWords& in) {
                   back.push_back(to_recording_frame(w, in));
                   return true;
                 });
  EXPECT_EQ(back, frames);
  f.sprites.push_back({512, 0, 1});  // x out of range
  EXPECT_TRUE(build_replay_file(RecordingHeader{}, std::vector<RecordingFrame>{f}).empty());
}

TEST(RecordingWalk, FramesAsPlaybackSeesThem) {
  using V = std::vector<std::pair<std::size_t, std::uint32_t>>;
  const std::uint32_t end = kEndMarker;
  struct Case {
    const char* what;
    RecordingKind kind;
    std::vector<std::vector<std::uint32_t>> slots;  // a replay's body is slot 0
    V expected;
  };
  const Case cases[] = {
      {"replay stops at its first end marker",
       RecordingKind::kReplay,
       {{kCam, 0, 1, 5, kCam, 0, 2, end, kCam, 0, 3, end}},
       {{0, 1}, {0, 2}}},
      {"words before the camera word are skipped",
       RecordingKind::kReplay,
       {{7, 8, kCam, 0, 1, end}},
       {{0, 1}}},
      {"no end marker: stops at the end of the data",
       RecordingKind::kReplay,
       {{kCam, 0, 1, 9, 9, kCam, 0, 2, 9}},
       {{0, 1}, {0, 2}}},
      {"a camera word cut off by the end",
       RecordingKind::kReplay,
       {{kCam, 0, 1, kCam, 0}},
       {{0, 1}}},
      {"an end marker first: nothing", RecordingKind::kReplay, {{end, kCam, 0, 1}}, {}},
      {"three highlights in turn",
       RecordingKind::kHighlight,
       {{kCam, 0, 1, kCam, 0, 2, end}, {5, kCam, 0, 3, end}, {kCam, 0, 4, end}},
       {{0, 1}, {0, 2}, {1, 3}, {2, 4}}},
      {"an empty highlight is passed over",
       RecordingKind::kHighlight,
       {{kCam, 0, 1, end}, {end}, {kCam, 0, 3, end}},
       {{0, 1}, {2, 3}}},
      {"a slot without a camera word: the next one is found later",
       RecordingKind::kHighlight,
       {{kCam, 0, 1, end}, {}, {kCam, 0, 3, end}},
       {{0, 1}, {1, 3}, {2, 3}}},
      {"a last slot without a camera word ends the walk",
       RecordingKind::kHighlight,
       {{kCam, 0, 1, end}, {4, 4}},
       {{0, 1}}},
      {"a highlight running on into the next slot",
       RecordingKind::kHighlight,
       {{kCam, 0, 1}, {kCam, 0, 2, end}},
       {{0, 1}, {0, 2}, {1, 2}}},
  };
  for (const Case& c : cases) {
    auto file = header_bytes(static_cast<std::uint16_t>(c.slots.size()));
    for (const auto& slot : c.slots) {
      const std::size_t at = file.size();
      for (std::uint32_t w : slot) append(file, {w});
      if (c.kind == RecordingKind::kHighlight) file.resize(at + kHighlightSlotSize, 0);
    }
    EXPECT_EQ(walk(file, c.kind), c.expected) << c.what;
  }
}

// The walk costs one frame at a time: a highlight file whose only end
// marker is its last word (every slot's walk runs through all later ones)
// is played through without building anything for the whole file.
TEST(RecordingWalk, FiveHundredSlotsWithoutInnerEndMarkers) {
  constexpr std::size_t kSlots = 500;
  const fs::path dir = test::make_temp_dir("hil500");
  const fs::path path = dir / "big.hil";
  {
    // Written slot by slot, so the test holds no copy of the file.
    std::ofstream out(path, std::ios::binary);
    const auto header = header_bytes(kSlots);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    // Every slot starts with a camera word; frames of 20 sprites run on
    // from slot to slot, and only the file's last word is an end marker.
    std::vector<std::uint8_t> slot(kHighlightSlotSize);
    for (std::size_t k = 0; k < kSlots; ++k) {
      std::fill(slot.begin(), slot.end(), 0);
      const std::size_t end = k + 1 == kSlots ? slot.size() - 4 : slot.size();
      for (std::size_t at = 0; at + 12 <= end;) {
        put_u32(slot, at, kCam);
        at += 12;  // camera, score 0-0, third word 0
        for (int s = 0; s < 20 && at + 4 <= end; ++s, at += 4) put_u32(slot, at, 0x05514000u);
      }
      if (k + 1 == kSlots) put_u32(slot, end, kEndMarker);
      out.write(reinterpret_cast<const char*>(slot.data()),
                static_cast<std::streamsize>(slot.size()));
    }
    ASSERT_TRUE(out.good());
  }
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  platform::HeadlessPlatform headless{platform::ScreenSize{1920, 1080}};
  platform::set_current(&headless);
  auto opened = open_recording_file(path.string(), RecordingKind::kHighlight);
  ASSERT_TRUE(opened);
  Recording& r = opened->recording;
  const FrameWords words = r.words();
  std::size_t frames = 0, sprites = 0;
  while (r.position.highlight_index == 0) {
    const auto f = read_frame(words, r.position);
    ASSERT_TRUE(f);
    ++frames;
    sprites += f->sprite_count;
    finish_frame(words, r.position);
  }
  // Slot 1 starts over with its first camera word.
  EXPECT_EQ(r.position.highlight_index, 1u);
  EXPECT_EQ(r.position.read_position, kHighlightSlotWords);
  // The last slot, walked from its start, ends the recording.
  r.position.highlight_index = kSlots - 1;
  r.position.read_position = (kSlots - 1) * kHighlightSlotWords;
  while (read_frame(words, r.position)) finish_frame(words, r.position);
  EXPECT_TRUE(r.position.over);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  platform::set_current(nullptr);
  reset_menu_system();
  fs::remove_all(dir);

  EXPECT_GT(frames, 50000u);
  EXPECT_EQ(sprites + frames * 3 + 1, kSlots * kHighlightSlotWords);
  EXPECT_LT(seconds, 1.0);
  const long grown_kb = after.ru_maxrss - before.ru_maxrss;
  const long file_kb = static_cast<long>(kSlots * kHighlightSlotSize / 1024);
  EXPECT_LT(grown_kb, file_kb + 4 * 1024) << "peak memory grew by " << grown_kb << " KB";
}

}  // namespace
