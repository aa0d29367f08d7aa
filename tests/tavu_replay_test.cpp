// tavu replay: recordings as animated GIF from the command line, the same
// file Ctrl+F2 writes during playback, read back with Pillow against the
// frames playback draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "pitch/pitch_files.h"
#include "platform/platform.h"
#include "replays/browser.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/gif_support.h"
#include "support/loaded_demo.h"
#include "support/run_editor.h"
#include "support/run_tavu.h"

namespace tavu::test {
namespace {

namespace fs = std::filesystem;

TEST(TavuReplay, SameBytesAsCtrlF2DuringPlayback) {
  DemoDir demo("tavu-replay-ctrl-f2");
  ASSERT_TRUE(demo.ok());
  struct Case {
    const char* script;  // playback started, then Ctrl+F2
    const char* written;
    std::vector<std::string> options;
    const char* file;
  };
  const Case cases[] = {
      {"key F9\nkey RETURN\nkey HOME RETURN\nkey P\nkey ctrl+F2\nwait 10\nprint status\n",
       "match1-1.gif",
       {"--highlight", "1"},
       "match1.hil"},
      {"key F9\nkey DOWN RETURN\nkey HOME DOWN RETURN\nkey ctrl+F2\nwait 10\nprint status\n",
       "final.gif",
       {},
       "final.rpl"},
  };
  // The directory and paths as given, from the directory above it.
  const std::string g = demo.path().filename().string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    const EditorRun editor = run_editor(demo.path(), c.script);
    EXPECT_EQ(printed(editor, "status"),
              std::vector<std::string>{std::string("Saved ") + c.written + " OK"})
        << editor.err;
    std::vector<std::string> args = {"replay", "--dir", g, "-o", g + "/cmd.gif"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(g + "/" + c.file);
    const TavuRun run = run_tavu(args, demo.path().parent_path());
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress bar off a terminal";
    EXPECT_EQ(run.out.rfind(g + "/cmd.gif: ", 0), 0u) << run.out;
    const auto gif = read_bytes(demo.file("cmd.gif"));
    EXPECT_FALSE(gif.empty());
    EXPECT_EQ(gif, read_bytes(demo.file(c.written)));
    fs::remove(demo.file("cmd.gif"));
  }
}

// The GIFs against playback's own frames, which need the game loaded here.
class TavuReplayFrames : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }

  LoadedDemo demo_{"tavu-replay-frames"};
};

TEST_F(TavuReplayFrames, HighlightsScaleAndFrameRate) {
  if (!have_pillow()) GTEST_SKIP() << "python3 with PIL not found";
  struct Case {
    const char* file;
    RecordingKind kind;
    int highlight;  // 0: all
    int scale;      // 0: the default, 2
    int fps;        // 0: the default, 70
  };
  const Case cases[] = {
      {"match1.hil", RecordingKind::kHighlight, 2, 0, 0},
      {"match1.hil", RecordingKind::kHighlight, 0, 1, 100},
      {"MATCH2.HIL", RecordingKind::kHighlight, 1, 4, 50},  // found ignoring case
      {"final.rpl", RecordingKind::kReplay, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " highlight " << c.highlight << " scale "
                                    << c.scale << " " << c.fps << " fps");
    Palette palette{};
    const auto frames = playback_frames(find_file(c.file), c.kind, c.highlight, palette);
    ASSERT_GT(frames.size(), 10u);
    std::vector<std::string> args = {"replay", "-o", "out/a.gif"};
    if (c.highlight > 0) args.insert(args.end(), {"--highlight", std::to_string(c.highlight)});
    if (c.scale > 0) args.insert(args.end(), {"--scale", std::to_string(c.scale)});
    if (c.fps > 0) args.insert(args.end(), {"--fps=" + std::to_string(c.fps)});
    args.push_back(c.file);
    fs::remove_all(demo_.file("out"));
    fs::create_directories(demo_.file("out"));
    const TavuRun run = run_tavu(args, demo_.path());
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const GifSeen seen = read_with_pillow(demo_.file("out/a.gif"), {0, -1});
    ASSERT_TRUE(seen.ok);
    const int scale = c.scale > 0 ? c.scale : 2;
    const int fps = c.fps > 0 ? c.fps : 70;
    EXPECT_EQ(seen.width, 320 * scale);
    EXPECT_EQ(seen.height, 200 * scale);
    EXPECT_EQ(seen.loop, 0);
    EXPECT_GE(*std::min_element(seen.durations.begin(), seen.durations.end()), 20);
    const int sum = std::accumulate(seen.durations.begin(), seen.durations.end(), 0);
    const double length = frames.size() * 1000.0 / fps;
    EXPECT_LE(std::abs(sum - length), length * 0.01) << sum << " ms against " << length;
    EXPECT_EQ(seen.frames[0], to_rgb(frames[0], palette, scale)) << "first frame";
    // The later frame is some recorded frame of this highlight (or of the
    // whole recording), not of another.
    bool found = false;
    for (std::size_t j = 0; j < frames.size() && !found; ++j)
      found = seen.frames[1] == to_rgb(frames[j], palette, scale);
    EXPECT_TRUE(found);
  }
}

struct Refusal {
  std::vector<std::string> args;  // run from above the game directory "g"
  std::string message;            // the first line on standard error, "g" for the directory
};

TEST(TavuReplay, RefusalsExitOneWithTheReasonAndLeaveNoFile) {
  DemoDir demo("tavu-replay-refusals");
  ASSERT_TRUE(demo.ok());
  const std::string g = demo.path().filename().string();
  auto bytes = read_bytes(demo.file("match1.hil"));
  bytes.resize(bytes.size() - 1);
  ASSERT_TRUE(write_file(demo.file("cut.hil"), bytes));
  ASSERT_TRUE(write_file(demo.file("mine.gif"), {'m', 'i', 'n', 'e'}));
  const std::vector<Refusal> cases = {
      // The browser's own reasons, with the paths as given.
      {{"-o", "g/x.gif", "g/cut.hil"}, "g/cut.hil is not a highlight file"},
      {{"-o", "g/x.gif", "g/none.rpl"}, "Can't open g/none.rpl"},
      {{"-o", "g/x.gif", "g/match1.dat"}, "g/match1.dat is not a .hil or .rpl file"},
      {{"--highlight", "9", "-o", "g/x.gif", "g/match1.hil"}, "no highlight 9"},
      {{"-o", "g/x.gif", "g/derby.rpl"}, "Could not load team5.dat"},  // not in the demo
      // Nothing the user made is overwritten unasked.
      {{"-o", "g/mine.gif", "g/match2.hil"},
       "g/mine.gif exists; not overwritten (--force overwrites it)"},
      {{"-o", "g/no/such/x.gif", "g/match2.hil"}, "Failed to save g/no/such/x.gif: "},
  };
  for (const Refusal& c : cases) {
    std::vector<std::string> args = {"replay", "--dir", g};
    for (const std::string& a : c.args) args.push_back(a.starts_with("g/") ? g + a.substr(1) : a);
    const TavuRun run = run_tavu(args, demo.path().parent_path());
    std::string message = c.message;
    for (std::size_t at = 0; (at = message.find("g/", at)) != std::string::npos; at += g.size())
      message.replace(at, 1, g);
    EXPECT_EQ(run.exit_code, 1) << message << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.rfind("tavu: ", 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(demo.file("x.gif"))) << message;
  }
  EXPECT_EQ(read_bytes(demo.file("mine.gif")), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
  const TavuRun forced =
      run_tavu({"replay", "--force", "-o", "mine.gif", "match2.hil"}, demo.path());
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_NE(read_bytes(demo.file("mine.gif")).size(), 4u);
}

TEST(TavuReplay, UsageErrorsExitTwo) {
  const std::vector<Refusal> cases = {
      {{"match1.hil"}, "-o OUT.gif is needed"},
      {{"-o", "a.gif"}, "a recording is needed"},
      {{"-o", "a.gif", "match1.hil", "match2.hil"}, "unexpected operand 'match2.hil'"},
      {{"-o"}, "-o needs a value"},
      {{"-o", "a.png", "match1.hil"}, "the output must be a .gif file, not 'a.png'"},
      {{"-o", "match1.hil", "match1.hil"}, "the output must be a .gif file"},
      {{"--scale", "5", "-o", "a.gif", "match1.hil"}, "--scale needs a number from 1 to 4"},
      {{"--scale", "2x", "-o", "a.gif", "match1.hil"}, "--scale needs a number from 1 to 4"},
      {{"--fps", "49", "-o", "a.gif", "match1.hil"}, "--fps needs a number from 50 to 100"},
      {{"--fps=101", "-o", "a.gif", "match1.hil"}, "--fps needs a number from 50 to 100"},
      {{"--highlight", "0", "-o", "a.gif", "match1.hil"}, "--highlight needs a number from 1"},
      {{"--highlight", "1", "-o", "a.gif", "final.rpl"}, "--highlight needs a highlight file"},
      {{"--dry-run", "-o", "a.gif", "match1.hil"}, "unknown option '--dry-run'"},
  };
  for (const Refusal& c : cases) {
    std::vector<std::string> args = {"replay"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TavuRun run = run_tavu(args);
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("tavu: " + c.message, 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Usage: tavu replay "), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace tavu::test
