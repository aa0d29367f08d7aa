// Replay mode driven through scripts of the real editor on the demo
// directory; the expected pictures are drawn in this process from the same
// files with the same code.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pitch/pitch_draw.h"
#include "platform/headless/headless_platform.h"
#include "replays/browser.h"
#include "replays/playback.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

using Picture = std::vector<std::uint8_t>;  // 320 x 200, top row first

struct Shot {
  Picture pixels;
  Palette palette{};
};

Shot read_shot(const fs::path& path) {
  Shot s;
  const auto file = test::read_bytes(path);
  const BmpView v = read_bmp(file);
  EXPECT_TRUE(v.ok()) << path;
  for (int y = 0; v.ok() && y < v.info.height; ++y) {
    auto row = v.row_from_top(y);
    s.pixels.insert(s.pixels.end(), row.begin(), row.end());
  }
  for (std::size_t i = 0; v.ok() && i < 256; ++i) {
    const std::size_t at = 14 + 40 + 4 * i;
    s.palette[i * 3] = file[at + 2];
    s.palette[i * 3 + 1] = file[at + 1];
    s.palette[i * 3 + 2] = file[at];
  }
  return s;
}

class ReplayScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("replay-e2e");
    platform::set_current(&headless_);
    old_ = fs::current_path();
  }
  void TearDown() override {
    release_team_sprites();
    reset_browser();
    reset_sprite_files();
    status_state() = StatusState{};
    app() = AppState{};
    fs::current_path(old_);
    platform::set_current(nullptr);
    fs::remove_all(work_);
  }

  // Starts this process as the editor starts, on the demo directory as the
  // test left it, so that the expected pictures see the same files.
  void start_like_the_editor() {
    fs::current_path(demo_.path());
    reset_browser();
    reset_sprite_files();
    reset_startup_failure_text();
    set_app_flag(nt_family, true);
    for (auto& m : mode_table()) ASSERT_TRUE(m.init()) << m.name;
  }

  test::EditorRun run(const std::string& script) {
    auto r = test::run_editor(demo_.path(), script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot(const std::string& name) const { return "shot " + (work_ / name).string(); }
  Shot read(const std::string& name) const { return read_shot(work_ / name); }

  // The browser as drawn now, for every animation step.
  std::vector<Picture> browser_pictures() {
    std::vector<Picture> out;
    for (int step = 0; step < 8; ++step) {
      menu_system().animation_step = step;
      Picture p(320 * 200);
      draw_browser(p.data(), 320);
      out.push_back(std::move(p));
    }
    return out;
  }
  static bool any_of(const std::vector<Picture>& pictures, const Picture& p) {
    return std::find(pictures.begin(), pictures.end(), p) != pictures.end();
  }

  // Frame `k` of a recording as playback draws it.
  Picture playback_frame(const std::string& file, RecordingKind kind, std::size_t k,
                         bool fps = false, int rate = 0) {
    Picture p(320 * 200);
    auto opened = open_recording_file(file, kind);
    EXPECT_TRUE(opened) << file;
    if (!opened) return p;
    EXPECT_TRUE(prepare_team_sprites(opened->teams[0], opened->teams[1]));
    apply_pitch_type(opened->pitch_type);
    Recording& r = opened->recording;
    const FrameWords words = r.words();
    for (std::size_t i = 0;; ++i) {
      const auto f = read_frame(words, r.position);
      EXPECT_TRUE(f) << file << " has no frame " << k;
      if (!f) break;
      if (i == k) {
        draw_playback_picture(p.data(), 320, words, *f, r.pitch_index, fps, rate);
        break;
      }
      finish_frame(words, r.position);
    }
    return p;
  }

  test::DemoDir demo_{"replay-e2e"};
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path work_, old_;
};

TEST_F(ReplayScripts, BrowseAndPlayAHighlightFile) {
  // Enter plays "match1" (the first of the sorted list) at once, so the
  // mode name's status message ends during the paused playback.
  const auto r =
      run("key F9\nkey RETURN\nkey HOME RETURN\nkey P\n" + shot("paused-status.bmp") +
          "\nwait 1000\n" + shot("paused.bmp") + "\nkey N\nkey N\nkey N\n" + shot("three.bmp") +
          "\nkey F\nwait 500\nkey N\n" + shot("fps.bmp") + "\nprint mode\nkey P\nwait 30000\n" +
          shot("back.bmp") + "\nprint mode\nprint status\nkey ESCAPE\nprint mode\n");
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"4", "4"}))
      << "the Escape after playback quits";
  EXPECT_EQ(r.exit_code, 0);

  start_like_the_editor();
  const Shot paused = read("paused.bmp");
  EXPECT_EQ(paused.pixels, playback_frame("match1.hil", RecordingKind::kHighlight, 0));
  EXPECT_NE(read("paused-status.bmp").pixels, paused.pixels) << "the status message was on it";
  EXPECT_EQ(paused.palette, pattern_palette()) << "pitch type 4's colours";
  EXPECT_EQ(read("three.bmp").pixels, playback_frame("match1.hil", RecordingKind::kHighlight, 3));
  EXPECT_EQ(read("fps.bmp").pixels,
            playback_frame("match1.hil", RecordingKind::kHighlight, 4, true, 0));
  EXPECT_NE(playback_frame("match1.hil", RecordingKind::kHighlight, 4, true, 0),
            playback_frame("match1.hil", RecordingKind::kHighlight, 4));

  // Back in the highlight list, on the file that was played.
  for (auto key : {platform::VK_RETURN, platform::VK_HOME}) browser_keys(key, 0);
  const Shot back = read("back.bmp");
  EXPECT_TRUE(any_of(browser_pictures(), back.pixels));
  EXPECT_EQ(back.palette, default_palette());
}

TEST_F(ReplayScripts, EveryDemoRecordingPlaysToItsEnd) {
  // The replay list: "derby" then "final"; derby's kit 5 has no team file.
  const auto r =
      run("key F9\nwait 800\n" + shot("main.bmp") + "\nkey RETURN\nwait 10\n" + shot("hil.bmp") +
          "\nkey HOME RETURN\nwait 20000\n" + shot("after-match1.bmp") +
          "\nkey DOWN RETURN\nwait 20000\nkey BACK DOWN RETURN\nwait 10\n" + shot("rpl.bmp") +
          "\nkey HOME RETURN\nwait 10\n" + shot("warning.bmp") + "\nkey RETURN\nwait 10\n" +
          shot("no-warning.bmp") + "\nkey DOWN RETURN\nwait 1000\n" + shot("final.bmp") +
          "\nwait 60000\n" + shot("after-final.bmp") + "\nprint mode\n");
  EXPECT_EQ(test::printed(r, "mode"), std::vector<std::string>{"4"});

  start_like_the_editor();
  EXPECT_TRUE(any_of(browser_pictures(), read("main.bmp").pixels));
  browser_keys(platform::VK_RETURN, 0);
  const auto hil = browser_pictures();
  EXPECT_TRUE(any_of(hil, read("hil.bmp").pixels));
  browser_keys(platform::VK_HOME, 0);
  EXPECT_TRUE(any_of(browser_pictures(), read("after-match1.bmp").pixels));
  for (auto key : {platform::VK_BACK, platform::VK_DOWN, platform::VK_RETURN}) browser_keys(key, 0);
  EXPECT_TRUE(any_of(browser_pictures(), read("rpl.bmp").pixels));
  queue_warning("Could not load team5.dat");
  EXPECT_TRUE(any_of(browser_pictures(), read("warning.bmp").pixels));
  remove_first_warning(kReplayMode);
  browser_keys(platform::VK_HOME, 0);
  EXPECT_TRUE(any_of(browser_pictures(), read("no-warning.bmp").pixels));
  browser_keys(platform::VK_DOWN, 0);
  EXPECT_TRUE(any_of(browser_pictures(), read("after-final.bmp").pixels));
  // final.rpl plays its own team file's colours (kit 4, "team4.dat").
  const Picture final_shot = read("final.bmp").pixels;
  bool found = false;
  for (std::size_t k = 60; k < 80 && !found; ++k)
    found = final_shot == playback_frame("final.rpl", RecordingKind::kReplay, k);
  EXPECT_TRUE(found) << "final.rpl about 70 frames in";
}

TEST_F(ReplayScripts, EscapeStopsPlaybackWithoutQuitting) {
  const auto r =
      run("key F9\nkey DOWN RETURN\nkey END UP RETURN\nwait 300\nkey ESCAPE\nwait 500\n" +
          shot("stopped.bmp") + "\nprint mode\nkey F5\nprint mode\n");
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"4", "0"}));
  start_like_the_editor();
  for (auto key : {platform::VK_DOWN, platform::VK_RETURN, platform::VK_END, platform::VK_UP})
    browser_keys(key, 0);
  EXPECT_TRUE(any_of(browser_pictures(), read("stopped.bmp").pixels));
}

TEST_F(ReplayScripts, NoRecordingsAtAll) {
  for (const char* f : {"match1.hil", "match2.hil", "final.rpl", "derby.rpl"})
    ASSERT_TRUE(test::remove_file(demo_.path(), f));
  const auto r = run("key F6\nkey F9\nwait 800\n" + shot("none.bmp") +
                     "\nprint mode\nkey DOWN\nprint mode\nkey RETURN\nprint mode\n");
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"4", "4", "1"}));
  start_like_the_editor();
  queue_warning("No highlight and replay files found.");
  EXPECT_TRUE(any_of(browser_pictures(), read("none.bmp").pixels));
}

TEST_F(ReplayScripts, FortySixHighlightFilesWarnOnFirstEntry) {
  for (int i = 0; i < 44; ++i)
    fs::copy_file(demo_.file("match1.hil"), demo_.file("copy" + std::to_string(10 + i) + ".HIL"));
  const auto r = run("wait 800\n" + shot("sprites.bmp") + "\nkey F9\nwait 800\n" +
                     shot("too-many.bmp") + "\nkey RETURN RETURN\nwait 10\n" + shot("list.bmp") +
                     "\nkey UP RETURN\nwait 10\nkey P\nwait 1000\n" + shot("played.bmp") + "\n");
  start_like_the_editor();
  ASSERT_EQ(browser().highlights.names.size(), 44u);
  EXPECT_FALSE(any_of(browser_pictures(), read("sprites.bmp").pixels));
  EXPECT_TRUE(any_of(browser_pictures(), read("too-many.bmp").pixels));
  for (auto key : {platform::VK_RETURN, platform::VK_RETURN}) browser_keys(key, 0);
  const Menu* list = browser().highlight_menu;
  std::set<int> columns;
  for (std::size_t k = 0; k + 1 < list->entries.size(); ++k) columns.insert(list->entries[k].x);
  EXPECT_EQ(columns.size(), 3u);
  // Which 44 of the 46 are listed follows the directory's order, which Wine
  // has its own of: only this process's order is known here.
  if (test::testing_windows_build()) return;
  EXPECT_TRUE(any_of(browser_pictures(), read("list.bmp").pixels));
  // Up from BACK: the lowest entry of the first column, whichever it is.
  const MenuEntry& up = list->entries[list->entries.back().up];
  const auto& files = browser().highlights.files;
  EXPECT_EQ(read("played.bmp").pixels, playback_frame(files[static_cast<std::size_t>(up.index)],
                                                      RecordingKind::kHighlight, 0));
}

}  // namespace
