// Pitch and pattern mode driven through scripts of the real editor on the
// demo directory; expected pictures are drawn in this process from the same
// files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "pitch/pattern_mode.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "pitch/pitch_mode.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

struct Shot {
  std::vector<std::uint8_t> pixels;  // 320 x 200, top row first
  std::vector<std::uint8_t> file;
  std::array<int, 3> colour(int i) const {
    const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
    return {file[at + 2], file[at + 1], file[at]};
  }
};

Shot read_shot(const fs::path& path) {
  Shot s;
  s.file = test::read_bytes(path);
  const BmpView v = read_bmp(s.file);
  EXPECT_TRUE(v.ok()) << path;
  for (int y = 0; v.ok() && y < v.info.height; ++y) {
    auto row = v.row_from_top(y);
    s.pixels.insert(s.pixels.end(), row.begin(), row.end());
  }
  return s;
}

std::map<std::string, std::vector<std::uint8_t>> snapshot(const fs::path& dir) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& e : fs::directory_iterator(dir))
    files[e.path().filename().string()] = test::read_bytes(e.path());
  return files;
}

std::vector<std::string> changed(const std::map<std::string, std::vector<std::uint8_t>>& a,
                                 const std::map<std::string, std::vector<std::uint8_t>>& b) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : b)
    if (!a.count(name) || a.at(name) != bytes) names.push_back(name);
  for (const auto& [name, bytes] : a)
    if (!b.count(name)) names.push_back(name + " (gone)");
  return names;
}

class PitchScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("pitch-e2e");
    platform::set_current(&headless_);
    old_ = fs::current_path();
    fs::current_path(demo_.path());
    reset_sprite_files();
    reset_pitch_files();
    reset_startup_failure_text();
    ASSERT_TRUE(load_sprite_files());
    ASSERT_TRUE(load_pitches());
    fs::current_path(old_);
    before_ = snapshot(demo_.path());
  }
  void TearDown() override {
    fs::current_path(old_);
    reset_sprite_files();
    reset_pitch_files();
    status_state() = StatusState{};
    app() = AppState{};
    pitch_mode_state() = PitchModeState{};
    pattern_mode_state() = PatternModeState{};
    pitch_type() = 0;
    platform::set_current(nullptr);
    fs::remove_all(work_);
  }
  test::EditorRun run(const std::string& script, const std::string& wrapper = "") {
    auto r = test::run_editor(demo_.path(), script, {}, wrapper);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot(const std::string& name) const { return (work_ / name).string(); }

  std::vector<std::uint8_t> expected_pitch(const PitchModeState& state, int type = 0) {
    pitch_mode_state() = state;
    pitch_type() = static_cast<std::int8_t>(type);
    invalidate_pitch_view();
    std::vector<std::uint8_t> frame(320 * 200, 0);
    draw_pitch_mode(frame.data(), 320);
    return frame;
  }
  std::vector<std::uint8_t> expected_pattern(int pitch, int pattern, int zoom) {
    pattern_mode_state() = {static_cast<std::int8_t>(pitch), pattern,
                            static_cast<std::int8_t>(zoom)};
    std::vector<std::uint8_t> frame(320 * 200, 0);
    draw_pattern_mode(frame.data(), 320);
    return frame;
  }
  static PitchModeState at(int x, int y) {
    PitchModeState s;
    s.scroll_x = static_cast<std::int16_t>(x);
    s.scroll_y = static_cast<std::int16_t>(y);
    return s;
  }

  test::DemoDir demo_{"pitch-demo"};
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path work_, old_;
  std::map<std::string, std::vector<std::uint8_t>> before_;
};

TEST_F(PitchScripts, SmoothScrollingFollowsTheHeldArrow) {
  run("key F7\nwait 800\nshot " + shot("start.bmp") +
      "\ndown RIGHT\nwait 100\nup RIGHT\nwait 50\n" + "shot " + shot("short.bmp") +
      "\ndown DOWN\nwait 3000\nup DOWN\nwait 10\nshot " + shot("corner.bmp") +
      "\nkey PGDN\nwait 10\nshot " + shot("bottom.bmp") + "\n");
  EXPECT_EQ(read_shot(shot("start.bmp")).pixels, expected_pitch(at(0, 0)));
  // 100 ms at 70 frames a second: seven frames of 2, 3, 4, 5, 6, 6, 6 pixels.
  const int x = 32;
  EXPECT_EQ(read_shot(shot("short.bmp")).pixels, expected_pitch(at(x, 0)));
  EXPECT_EQ(read_shot(shot("corner.bmp")).pixels, expected_pitch(at(x, 647)));
  EXPECT_EQ(read_shot(shot("bottom.bmp")).pixels, expected_pitch(at(x, 648)));
}

TEST_F(PitchScripts, PitchTypesRecolourTheSamePixels) {
  run("key F7\nwait 800\nshot " + shot("frozen.bmp") + "\nkey ADD ADD ADD\nwait 10\nshot " +
      shot("soft.bmp") + "\nkey SPACE END\nwait 10\nshot " + shot("end.bmp") + "\n");
  const Shot frozen = read_shot(shot("frozen.bmp")), soft = read_shot(shot("soft.bmp"));
  // The same indices below the title; only the colours change.
  EXPECT_TRUE(std::equal(frozen.pixels.begin() + 20 * 320, frozen.pixels.end(),
                         soft.pixels.begin() + 20 * 320));
  EXPECT_EQ(soft.pixels, expected_pitch(at(0, 0), 3));
  for (int type : {0, 3}) {
    Palette p = game_palette();
    apply_pitch_colours(p, type);
    const Shot& s = type == 0 ? frozen : soft;
    for (int e : {0, 7, 81, 107})
      EXPECT_EQ(s.colour(e), (std::array<int, 3>{p[3 * e], p[3 * e + 1], p[3 * e + 2]})) << e;
  }
  PitchModeState end = at(352, 648);
  end.pitch_index = 1;
  EXPECT_EQ(read_shot(shot("end.bmp")).pixels, expected_pitch(end, 3));
}

TEST_F(PitchScripts, EditModeShowsTheGridTheBlinkingCursorAndNumbers) {
  run("key F7\nwait 800\ndown RIGHT\nwait 100\nup RIGHT\nkey CTRL+E CTRL+N\nwait "
      "250\nshot " +
      shot("edit.bmp") + "\nkey RIGHT DOWN DOWN\nwait 100\nshot " + shot("moved.bmp") + "\n");
  // The arrow moved the view to x 32, a tile boundary, which edit mode keeps.
  PitchModeState edit = at(32, 0);
  edit.edit_mode = edit.show_numbers = true;
  edit.blink = 2;
  EXPECT_EQ(read_shot(shot("edit.bmp")).pixels, expected_pitch(edit));
  edit.cursor_x = 16;
  edit.cursor_y = 32;
  edit.blink = 3;
  EXPECT_EQ(read_shot(shot("moved.bmp")).pixels, expected_pitch(edit));
}

TEST_F(PitchScripts, PatternModeBrowsesAndZooms) {
  const auto r = run("key F8\nwait 800\nshot " + shot("first.bmp") +
                     "\nkey RIGHT DOWN DOWN ADD ADD ADD ADD\nwait 10\nshot " + shot("zoom.bmp") +
                     "\nkey G\ntype 999\nkey RETURN\nprint status\n");
  EXPECT_EQ(read_shot(shot("first.bmp")).pixels, expected_pattern(0, 0, 1));
  EXPECT_EQ(read_shot(shot("zoom.bmp")).pixels, expected_pattern(1, 2, 5));
  EXPECT_EQ(test::printed(r, "status"), std::vector<std::string>{"Pattern number out of range"});
}

TEST_F(PitchScripts, QuitWithSaveWritesOnlyTheChangedPitches) {
  // Pitch 2: patterns 1 and 2 swapped; pitch 3: one cell one pattern up;
  // pitch 1 exported and read back from its bitmap.
  const auto r =
      run("key F8 RIGHT DOWN C\ntype 2\nkey RETURN\nkey F7 SPACE SPACE CTRL+E RIGHT DOWN CTRL+UP\n"
          "key CTRL+E BACK BACK F2\nprint status\nkey ESCAPE\nprint status\nkey Y\nprint mode\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Saved pitch1-frozen.bmp OK", "Save changes? (Y/N)"}));
  EXPECT_TRUE(test::printed(r, "mode").empty()) << "the program ended";
  const auto after = snapshot(demo_.path());
  // Both files of a changed pitch are written; each keeps its original as a
  // backup (the exported bitmap gets none).
  EXPECT_EQ(changed(before_, after),
            (std::vector<std::string>{"pitch1-frozen.bmp", "pitch2.blk", "pitch2.blk.bak",
                                      "pitch2.dat.bak", "pitch3.blk.bak", "pitch3.dat",
                                      "pitch3.dat.bak"}));
  EXPECT_EQ(after.at("pitch3.dat.bak"), before_.at("pitch3.dat"));
  fs::current_path(demo_.path());
  const PitchRecord old2 = *pitch_at(1), old3 = *pitch_at(2);
  reset_pitch_files();
  ASSERT_TRUE(load_pitches());
  fs::current_path(old_);
  EXPECT_TRUE(std::equal(old2.patterns.begin() + 256, old2.patterns.begin() + 512,
                         pitch_at(1)->patterns.begin() + 512));
  EXPECT_EQ(pitch_at(2)->cells[2 * 42 + 1], old3.cells[2 * 42 + 1] + 256);
}

// A directory the editor may read but not write: nothing changes, the
// editor stays in the quit question and says why; Escape then goes back to
// the mode. Root ignores directory permissions, so
// then the editor runs as an unprivileged user.
TEST_F(PitchScripts, ReadOnlyDirectoryKeepsEveryFileAndTheQuestion) {
  std::string wrapper, why_not;
  if (!test::unprivileged_wrapper(test::editor_path(), demo_.file("pitch1.dat"), wrapper, why_not))
    GTEST_SKIP() << why_not;
  fs::permissions(demo_.path(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::permissions(demo_.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const auto r =
      run("key F8 C\ntype 1\nkey RETURN ESCAPE Y\nprint status\nkey Y\nprint status\n"
          "print mode\nkey ESCAPE\nprint status\nprint mode\n",
          wrapper);
  fs::permissions(demo_.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(
      test::printed(r, "status"),
      (std::vector<std::string>{"Failed to save pitch1.dat\\nPermission denied",
                                "Failed to save pitch1.dat\\nPermission denied", "PATTERN MODE"}));
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"3", "3"}))
      << "still running after both answers, then back in pattern mode";
  EXPECT_TRUE(changed(before_, snapshot(demo_.path())).empty());
}

// Smooth scrolling polls the keyboard device while it can be read, falls back
// to the window's key state when it cannot (and the window is the active
// one), and stops when neither can be read: then only the arrows' key-down
// messages scroll. The test build makes each of them fail.
TEST_F(PitchScripts, SmoothScrollingReadsTheDeviceElseTheWindowStateElseStops) {
  struct Case {
    const char* name;
    const char* faults;
    const char* flags;  // after the hold
    int x;              // scroll x after 100 ms of Right
  };
  const Case cases[] = {
      {"the device", "", "192", 32},
      {"the window's key state", "fail keyboard-device\n", "64", 32},
      {"key-down messages only", "fail keyboard-device\nfail keyboard-state\n", "64", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = test::run_test_editor(
        demo_.path(), std::string(c.faults) + "key F7\nwait 800\ndown RIGHT\nwait 100\nup RIGHT\n" +
                          "wait 50\nprint flags\nshot " + shot("held.bmp") + "\n");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(test::printed(r, "flags"), std::vector<std::string>{c.flags});
    EXPECT_EQ(read_shot(shot("held.bmp")).pixels, expected_pitch(at(c.x, 0)));
  }
}

// In the background the device cannot be read and is kept: nothing scrolls
// until the window is active again and the device is acquired anew.
TEST_F(PitchScripts, TheDeviceIsAcquiredAgainWhenTheWindowComesBack) {
  const auto r = test::run_test_editor(
      demo_.path(),
      "key F7\nwait 800\ndeactivate\ndown RIGHT\nwait 100\nup RIGHT\nwait 50\n"
      "print flags\nshot " +
          shot("away.bmp") +
          "\nactivate\nwait 50\n"
          "down RIGHT\nwait 100\nup RIGHT\nwait 50\nprint flags\nshot " +
          shot("back.bmp") +
          "\nlose keyboard-device\ndown LEFT\nwait 100\nup LEFT\n"
          "wait 50\nshot " +
          shot("lost.bmp") + "\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(test::printed(r, "flags"), (std::vector<std::string>{"192", "192"}));
  EXPECT_EQ(read_shot(shot("away.bmp")).pixels, expected_pitch(at(0, 0)));
  EXPECT_EQ(read_shot(shot("back.bmp")).pixels, expected_pitch(at(32, 0)));
  // Input lost while active is acquired again within the same frame.
  EXPECT_EQ(read_shot(shot("lost.bmp")).pixels, expected_pitch(at(0, 0)));
}

}  // namespace
