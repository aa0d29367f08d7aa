// Recordings as animated GIF: the timing plan, and the files read back with
// Pillow (a decoder outside the project) against the pictures playback
// draws; Ctrl+F2 during playback through scripts of the real editor.
#include "replays/replay_gif.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "replays/browser.h"
#include "replays/menus.h"
#include "replays/playback.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/gif_support.h"
#include "support/loaded_demo.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;
using tavu::test::GifSeen;
using tavu::test::have_pillow;
using tavu::test::playback_frames;
using tavu::test::read_with_pillow;
using tavu::test::to_rgb;

namespace {

TEST(GifTiming, DelaysAreNeverUnderTwoAndAddUpToTheLength) {
  for (int fps : {50, 70, 71, 99, 100}) {
    for (std::size_t frames : {1u, 2u, 3u, 4u, 69u, 70u, 701u, 12345u}) {
      SCOPED_TRACE(testing::Message() << fps << " fps, " << frames << " frames");
      const auto plan = plan_gif_frames(frames, fps);
      ASSERT_FALSE(plan.empty());
      EXPECT_EQ(plan.front().frame, 0u);
      int sum = 0;
      for (std::size_t i = 0; i < plan.size(); ++i) {
        EXPECT_GE(plan[i].delay, kMinGifDelay);
        if (i > 0) {
          EXPECT_GT(plan[i].frame, plan[i - 1].frame);
        }
        EXPECT_LT(plan[i].frame, frames);
        // Each frame starts at its own time, rounded.
        const double exact = plan[i].frame * 100.0 / fps;
        EXPECT_LE(std::abs(sum - exact), 0.5 + 1e-9) << "frame " << plan[i].frame;
        sum += plan[i].delay;
      }
      const double length = frames * 100.0 / fps;
      EXPECT_LE(std::abs(sum - length), std::max(length * 0.01, 2.0));
    }
  }
  EXPECT_TRUE(plan_gif_frames(0, 70).empty());
  // At 50 fps every frame is 2/100 s: none is dropped.
  EXPECT_EQ(plan_gif_frames(500, 50).size(), 500u);
}

TEST(GifTiming, NamesBesideTheRecording) {
  EXPECT_EQ(recording_gif_name("final.rpl", 0), "final.gif");
  EXPECT_EQ(recording_gif_name("match1.hil", 2), "match1-2.gif");
  EXPECT_EQ(recording_gif_name("MATCH1.HIL", 12), "MATCH1-12.gif");
}

// Pictures the walk cannot give: a still longer than one GIF delay holds,
// the same picture merged, a palette that changes.
TEST(GifAnimationFrames, StillsMergeLongStillsSplitNewPalettesCarryTheirOwn) {
  if (!have_pillow()) GTEST_SKIP() << "python3 with PIL not found";
  const fs::path dir = test::make_temp_dir("gif-animation");
  std::vector<std::uint8_t> a(8 * 4), b(8 * 4);
  for (std::size_t i = 0; i < a.size(); ++i) {
    a[i] = static_cast<std::uint8_t>(i % 5);
    b[i] = static_cast<std::uint8_t>(i % 3 + 7);
  }
  Palette first{}, second{};
  for (int i = 0; i < 768; ++i) {
    first[i] = static_cast<std::uint8_t>(i * 7);
    second[i] = static_cast<std::uint8_t>(255 - i);
  }
  GifAnimation gif(8, 4, 3);
  gif.add(a, first, 2);
  gif.add(b, first, 3);
  gif.add(b, first, 4);      // merged into the one before
  gif.add(a, first, 40000);  // 65535 at most: written twice
  gif.add(a, first, 40000);
  gif.add(a, second, 5);  // the same numbers in other colours
  std::string reason;
  const auto file = gif.finish(&reason);
  ASSERT_FALSE(file.empty()) << reason;
  EXPECT_EQ(gif.frames_written(), 5u);
  ASSERT_TRUE(test::write_file(dir / "a.gif", file));
  const GifSeen seen = read_with_pillow(dir / "a.gif", {1, 3, 4});
  ASSERT_TRUE(seen.ok);
  EXPECT_EQ(seen.width, 24);
  EXPECT_EQ(seen.durations, (std::vector<int>{20, 70, 400000, 400000, 50}));
  auto rgb = [](const std::vector<std::uint8_t>& p, const Palette& pal) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 24; ++x) {
        const int v = p[(y / 3) * 8 + x / 3];
        out.insert(out.end(), {pal[v * 3], pal[v * 3 + 1], pal[v * 3 + 2]});
      }
    return out;
  };
  EXPECT_EQ(seen.frames[0], rgb(b, first));
  EXPECT_EQ(seen.frames[1], rgb(a, first));
  EXPECT_EQ(seen.frames[2], rgb(a, second));
  fs::remove_all(dir);
}

// Pictures compressed on several threads land in the file in order: the
// bytes equal those of compressing them one by one, whatever the rectangles,
// transparent entries and palettes.
TEST(GifAnimationFrames, WorkerThreadsWriteTheSameBytes) {
  Palette first{}, second{};
  for (int i = 0; i < 768; ++i) {
    first[i] = static_cast<std::uint8_t>(i * 5);
    second[i] = static_cast<std::uint8_t>(i * 3 + 1);
  }
  auto make = [&](unsigned workers) {
    GifAnimation gif(64, 40, 2, workers);
    std::vector<std::uint8_t> p(64 * 40);
    std::uint32_t seed = 7;
    for (int n = 0; n < 60; ++n) {
      // A block of new colours somewhere, sometimes all of them used.
      const int x0 = n * 7 % 50, y0 = n * 3 % 30, w = 4 + n % 14, h = 2 + n % 9;
      for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
          seed = seed * 1103515245 + 12345;
          p[static_cast<std::size_t>(y) * 64 + x] =
              static_cast<std::uint8_t>(n % 10 == 9 ? (x * 64 + y) & 255 : seed >> 24);
        }
      gif.add(p, n % 17 == 16 ? second : first, 2 + n % 3);
    }
    std::string reason;
    auto file = gif.finish(&reason);
    EXPECT_FALSE(file.empty()) << reason;
    return std::make_pair(file, gif.frames_written());
  };
  const auto alone = make(1);
  for (unsigned workers : {2u, 3u, 8u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    const auto together = make(workers);
    EXPECT_EQ(together.second, alone.second);
    EXPECT_TRUE(together.first == alone.first);
  }
}

class ReplayGif : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    clear_file_faults_for_tests();
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    if (playback().playing) stop_playback();
  }

  fs::path out(const std::string& name) const { return demo_.path() / "out" / name; }

  test::LoadedDemo demo_{"replay-gif"};
};

TEST_F(ReplayGif, ReadBackFramesAndDelaysEqualPlayback) {
  if (!have_pillow()) GTEST_SKIP() << "python3 with PIL not found";
  struct Case {
    const char* file;
    RecordingKind kind;
    int highlight;
    int scale;
    int fps;
  };
  const Case cases[] = {
      {"match1.hil", RecordingKind::kHighlight, 1, 2, 70},
      {"match1.hil", RecordingKind::kHighlight, 2, 4, 70},
      {"match1.hil", RecordingKind::kHighlight, 0, 1, 50},
      {"match2.hil", RecordingKind::kHighlight, 0, 2, 100},
      {"final.rpl", RecordingKind::kReplay, 0, 1, 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " highlight " << c.highlight << " scale "
                                    << c.scale << " " << c.fps << " fps");
    Palette palette{};
    const auto frames = playback_frames(c.file, c.kind, c.highlight, palette);
    ASSERT_GT(frames.size(), 10u);
    fs::create_directories(demo_.path() / "out");
    const std::string name = "out/" + std::string(c.file) + ".gif";
    std::size_t progress_calls = 0;
    const ReplayGifResult r = make_replay_gif(c.file, name, {c.highlight, c.scale, c.fps},
                                              [&](std::size_t done, std::size_t total) {
                                                ++progress_calls;
                                                EXPECT_LE(done, total);
                                                EXPECT_EQ(total, frames.size());
                                              });
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_GT(progress_calls, 0u);
    // Frame 1 and one well into the recording, by its start time.
    const GifSeen seen = read_with_pillow(demo_.path() / name, {0, -1});
    ASSERT_TRUE(seen.ok);
    const int later = static_cast<int>(seen.durations.size() * 2 / 3);
    EXPECT_EQ(seen.width, 320 * c.scale);
    EXPECT_EQ(seen.height, 200 * c.scale);
    EXPECT_EQ(seen.loop, 0) << "loops forever";
    int sum = 0;
    for (int d : seen.durations) {
      EXPECT_GE(d, 20) << "no delay under 2/100 s";
      sum += d;
    }
    const double length = frames.size() * 1000.0 / c.fps;
    EXPECT_LE(std::abs(sum - length), length * 0.01) << sum << " ms against " << length;
    EXPECT_EQ(seen.frames[0], to_rgb(frames[0], palette, c.scale)) << "first frame";
    // The recorded frame playback shows at the later frame's start.
    const int start = std::accumulate(seen.durations.begin(), seen.durations.begin() + later, 0);
    const std::size_t k = static_cast<std::size_t>(std::lround(start / 1000.0 * c.fps));
    bool equal = false;
    for (std::size_t j = k > 0 ? k - 1 : 0; j <= k + 1 && j < frames.size() && !equal; ++j)
      equal = seen.frames[1] == to_rgb(frames[j], palette, c.scale);
    EXPECT_TRUE(equal) << "GIF frame " << later << " at " << start << " ms, recorded frame " << k;
  }
}

TEST_F(ReplayGif, SmallerThanTheRawFrames) {
  Palette palette{};
  const auto frames = playback_frames("match1.hil", RecordingKind::kHighlight, 1, palette);
  const ReplayGifResult r = make_replay_gif("match1.hil", "m.gif", {1, 2, 70});
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_LT(r.bytes * 10, frames.size() * 640 * 400);
  EXPECT_LT(r.gif_frames, frames.size()) << "frames under 2/100 s are dropped";
}

TEST_F(ReplayGif, RefusalsLeaveNoFile) {
  // A damaged recording gets the browser's reason.
  auto bytes = test::read_bytes("match1.hil");
  bytes.resize(bytes.size() - 1);
  ASSERT_TRUE(test::write_file("cut.hil", bytes));
  struct Case {
    const char* file;
    ReplayGifOptions options;
    const char* reason;
  };
  const Case cases[] = {
      {"cut.hil", {}, "cut.hil is not a highlight file"},
      {"none.rpl", {}, "Can't open none.rpl"},
      {"match1.dat", {}, "match1.dat is not a .hil or .rpl file"},
      {"match1.hil", {9, 2, 70}, "no highlight 9"},
      {"match1.hil", {1, 5, 70}, "scale must be 1 to 4"},
      {"match1.hil", {1, 2, 49}, "frame rate must be 50 to 100"},
  };
  for (const Case& c : cases) {
    const ReplayGifResult r = make_replay_gif(c.file, "x.gif", c.options);
    EXPECT_FALSE(r.ok) << c.file;
    EXPECT_EQ(r.reason, c.reason);
    EXPECT_FALSE(fs::exists("x.gif")) << c.file;
    EXPECT_EQ(first_warning(kReplayMode), nullptr) << "the browser's queue is left alone";
  }
}

TEST_F(ReplayGif, FailingWriteLeavesNoFileAndSaysSo) {
  for (FileOp op : {FileOp::create, FileOp::write, FileOp::fsync, FileOp::rename}) {
    set_file_fault_for_tests({op, 1});
    const ReplayGifResult r = make_replay_gif("match2.hil", "final.gif", {2, 1, 70});
    EXPECT_FALSE(r.ok) << file_op_name(op);
    EXPECT_EQ(r.reason.rfind("Failed to save final.gif\n", 0), 0u) << r.reason;
    EXPECT_GT(r.reason.size(), sizeof "Failed to save final.gif\n") << "a reason follows";
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(demo_.path()))
      if (e.path().filename().string().find("final.gif") != std::string::npos)
        left.push_back(e.path().filename().string());
    EXPECT_TRUE(left.empty()) << file_op_name(op) << ": " << left.front();
  }
  clear_file_faults_for_tests();
  EXPECT_TRUE(make_replay_gif("match2.hil", "final.gif", {2, 1, 70}).ok);
}

// Ctrl+F2 in the real editor.
class ReplayGifScripts : public ReplayGif {
 protected:
  test::EditorRun run(const std::string& script) {
    auto r = test::run_editor(demo_.path(), script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
};

TEST_F(ReplayGifScripts, CtrlF2WritesTheHighlightOnScreenAndPlaybackGoesOn) {
  // Highlight 1 of match1 paused on its fourth frame; Ctrl+F2; the same
  // frame after the message, and N steps on from it.
  const fs::path shots = demo_.path() / "shots";
  fs::create_directories(shots);
  const auto shot = [&](const char* name) { return "shot " + (shots / name).string() + "\n"; };
  const auto r =
      run("key F9\nkey RETURN\nkey HOME RETURN\nkey P\nkey N N N\nwait 2000\n" + shot("a.bmp") +
          "key ctrl+F2\nwait 10\nprint status\nwait 2000\n" + shot("b.bmp") + "key N\n" +
          shot("c.bmp") + "key ctrl+F2\nwait 10\nprint status\n");
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Saved match1-1.gif OK", "Saved match1-1.gif OK"}))
      << "the same picture again replaces it without asking";
  EXPECT_EQ(test::read_bytes("shots/a.bmp"), test::read_bytes("shots/b.bmp"));
  EXPECT_NE(test::read_bytes("shots/b.bmp"), test::read_bytes("shots/c.bmp"));

  // The same bytes as the command's.
  const auto written = test::read_bytes("match1-1.gif");
  ASSERT_TRUE(make_replay_gif("match1.hil", "cmd.gif", {1, 2, 70}).ok);
  EXPECT_EQ(written, test::read_bytes("cmd.gif"));

  // A different file there: asked; N keeps it, Y replaces it.
  ASSERT_TRUE(test::write_file(demo_.file("match1-1.gif"), {'m', 'i', 'n', 'e'}));
  const auto asked =
      run("key F9\nkey RETURN\nkey HOME RETURN\nkey P\nkey ctrl+F2\nwait 10\n"
          "print status\nkey N\nprint status\nkey ctrl+F2\nwait 10\nkey Y\n"
          "print status\nkey P\nwait 30000\nprint mode\n");
  EXPECT_EQ(
      test::printed(asked, "status"),
      (std::vector<std::string>{"Overwrite match1-1.gif? (y/n)", "", "Saved match1-1.gif OK"}));
  EXPECT_EQ(test::read_bytes("match1-1.gif"), written);
  EXPECT_EQ(test::printed(asked, "mode"), std::vector<std::string>{"4"})
      << "playback went on to the end and back to the browser";

  // A replay is written whole.
  const auto replay =
      run("key F9\nkey DOWN RETURN\nkey HOME DOWN RETURN\nkey ctrl+F2\nwait 10\n"
          "print status\n");
  EXPECT_EQ(test::printed(replay, "status"), std::vector<std::string>{"Saved final.gif OK"});
  ASSERT_TRUE(make_replay_gif("final.rpl", "cmd.gif", {}).ok);
  EXPECT_EQ(test::read_bytes("final.gif"), test::read_bytes("cmd.gif"));
}

}  // namespace
