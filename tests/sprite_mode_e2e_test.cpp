// Sprite mode driven through scripts of the real editor on the demo
// directory; expected pictures are drawn in this process from the same files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "sprites/text.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

struct Shot {
  std::vector<std::uint8_t> pixels;  // 320 x 200, top row first
  std::vector<std::uint8_t> file;
  std::uint8_t at(int x, int y) const { return pixels[y * 320 + x]; }
  // Palette entry i as red, green, blue.
  std::array<std::uint8_t, 3> colour(int i) const {
    const std::size_t at = 14 + 40 + 4 * static_cast<std::size_t>(i);
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

class SpriteModeScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("sprite-e2e");
    // The expected pictures come from the same files, loaded here.
    platform::set_current(&headless_);
    old_ = fs::current_path();
    fs::current_path(demo_.path());
    reset_sprite_files();
    reset_startup_failure_text();
    ASSERT_TRUE(load_sprite_files());
    fs::current_path(old_);
  }
  void TearDown() override {
    fs::current_path(old_);
    reset_sprite_files();
    status_state() = StatusState{};
    app().flags = 0;
    platform::set_current(nullptr);
    fs::remove_all(work_);
  }

  test::EditorRun run(const std::string& script) {
    auto r = test::run_editor(demo_.path(), script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot_path(const std::string& name) const { return (work_ / name).string(); }

  // Sprite mode's picture for a state, without any overlay.
  std::vector<std::uint8_t> expected(int current, int zoom = 1, std::uint8_t background = 3,
                                     bool info = false) {
    sprite_mode_state() = {static_cast<std::int16_t>(current), static_cast<std::int8_t>(zoom),
                           background};
    if (info)
      sprite_files().flags |= kInfoOverlayBit;
    else
      sprite_files().flags &= static_cast<std::uint8_t>(~kInfoOverlayBit);
    std::vector<std::uint8_t> frame(320 * 200, 0);
    // A palette change hands the draw slot another surface.
    const std::uint8_t* drawn = draw_sprite_mode(frame.data(), 320);
    return std::vector<std::uint8_t>(drawn, drawn + 320 * 200);
  }

  test::DemoDir demo_;
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path work_, old_;
};

TEST_F(SpriteModeScripts, BrowsingKeysWrapAround) {
  const std::string script =
      "wait 1000\nshot " + shot_path("start.bmp") + "\nkey END SPACE\nwait 10\nshot " +
      shot_path("end-space.bmp") + "\nkey HOME BACK\nwait 10\nshot " + shot_path("home-back.bmp") +
      "\nkey END LEFT LEFT LEFT NEXT\nwait 10\nshot " + shot_path("pgdn.bmp") +
      "\nkey HOME RIGHT RIGHT RIGHT RIGHT RIGHT PRIOR\nwait 10\nshot " + shot_path("pgup.bmp") +
      "\nkey HOME NEXT RIGHT SPACE LEFT\nwait 10\nshot " + shot_path("eleven.bmp") + "\n";
  const auto r = run(script);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(read_shot(shot_path("start.bmp")).pixels, expected(0));
  EXPECT_EQ(read_shot(shot_path("end-space.bmp")).pixels, expected(0));
  EXPECT_EQ(read_shot(shot_path("home-back.bmp")).pixels, expected(1333));
  EXPECT_EQ(read_shot(shot_path("pgdn.bmp")).pixels, expected(0));
  EXPECT_EQ(read_shot(shot_path("pgup.bmp")).pixels, expected(1333));
  EXPECT_EQ(read_shot(shot_path("eleven.bmp")).pixels, expected(11));
  EXPECT_NE(expected(11), expected(0));
}

TEST_F(SpriteModeScripts, GoToPrompt) {
  const auto r =
      run("key G\ntype 1334\nkey RETURN\nprint status\nwait 1100\nprint status\n"
          "key G\ntype 13339\nkey RETURN\nwait 1000\nshot " +
          shot_path("last.bmp") + "\nkey G\ntype 12\nkey ESCAPE\nprint status\n");
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Invalid sprite number", "", ""}));
  EXPECT_EQ(read_shot(shot_path("last.bmp")).pixels, expected(1333)) << "a fifth digit is ignored";
}

TEST_F(SpriteModeScripts, ZoomStopsAtTenAndOne) {
  std::string in = "key", out = "key";
  for (int i = 0; i < 12; ++i) in += " ADD", out += " SUBTRACT";
  const auto r = run("key 2 END LEFT\n" + in + "\nwait 1000\nshot " + shot_path("in.bmp") + "\n" +
                     out + "\nwait 10\nshot " + shot_path("out.bmp") +
                     "\nkey ADD ADD\nwait 10\nshot " + shot_path("three.bmp") + "\n");
  EXPECT_EQ(read_shot(shot_path("in.bmp")).pixels, expected(1332, 10, 1));
  EXPECT_EQ(read_shot(shot_path("out.bmp")).pixels, expected(1332, 1, 1));
  EXPECT_EQ(read_shot(shot_path("three.bmp")).pixels, expected(1332, 3, 1));
  EXPECT_NE(expected(1332, 10, 1), expected(1332, 1, 1));
}

TEST_F(SpriteModeScripts, BackgroundKeysAndTheGamePalette) {
  const std::array<std::uint8_t, 10> colours = {3, 2, 1, 114, 66, 15, 10, 11, 50, 46};
  std::string script = "wait 1000\n";
  for (int k = 0; k < 10; ++k)
    script += "key " + std::to_string(k) + "\nwait 10\nshot " +
              shot_path("bg" + std::to_string(k) + ".bmp") + "\n";
  script += "key G\ntype 1210\nkey RETURN\nkey 3\nwait 10\nshot " + shot_path("game.bmp") + "\n";
  run(script);
  for (int k = 0; k < 10; ++k) {
    const Shot s = read_shot(shot_path("bg" + std::to_string(k) + ".bmp"));
    EXPECT_EQ(s.at(319, 199), colours[k]) << k;
    EXPECT_EQ(s.pixels, expected(0, 1, colours[k])) << k;
  }
  const Shot game = read_shot(shot_path("game.bmp"));
  EXPECT_EQ(game.at(319, 199), 213);
  EXPECT_EQ(game.pixels, expected(1210, 1, 114));
  const Palette& gp = game_palette();
  EXPECT_EQ(game.colour(213), (std::array<std::uint8_t, 3>{gp[639], gp[640], gp[641]}));
  // The sprite's colours are raised into entries 113-127.
  int raised = 0;
  for (std::uint8_t v : game.pixels) raised += v >= 113 && v <= 127;
  EXPECT_GT(raised, 0);
}

TEST_F(SpriteModeScripts, HelpInformationAndAbout) {
  const auto r = run("wait 1000\nkey F1\nwait 10\nshot " + shot_path("help.bmp") +
                     "\nkey F1 I\nkey G\ntype 700\nkey RETURN\nwait 10\nshot " +
                     shot_path("info.bmp") + "\nkey A\nprint status\n");
  auto help = expected(0);
  const std::string text = std::string(kCommonHelp) + kSpriteModeHelp;
  draw_text(text.c_str(), 16, 16, help.data(), 320, 0, -1, 0x20);
  EXPECT_EQ(read_shot(shot_path("help.bmp")).pixels, help);
  EXPECT_EQ(read_shot(shot_path("info.bmp")).pixels, expected(700, 1, 3, true));
  const auto status = test::printed(r, "status");
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].rfind("TAVU Picture Editor v0.9\\n", 0), 0u) << status[0];
}

TEST_F(SpriteModeScripts, TeamSwitchShowsInTheInformation) {
  const auto r = run("key I G\ntype 700\nkey RETURN\nkey CTRL+T\nprint status\nwait 1000\nshot " +
                     shot_path("team2.bmp") + "\nkey CTRL+T\nprint status\n");
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Loaded TEAM2.DAT OK", "Loaded TEAM3.DAT OK"}));
  fs::current_path(demo_.path());
  switch_team_file();
  fs::current_path(old_);
  ASSERT_EQ(team_file_digit(), '2');
  EXPECT_EQ(read_shot(shot_path("team2.bmp")).pixels, expected(700, 1, 3, true));
}

TEST_F(SpriteModeScripts, EscapeWithoutChangesEndsAtOnce) {
  const auto r = run("key ESCAPE\nprint mode\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(test::printed(r, "mode").empty()) << r.out;
}

class SpriteModeSaving : public SpriteModeScripts {
 protected:
  void SetUp() override {
    SpriteModeScripts::SetUp();
    for (const auto& e : fs::directory_iterator(demo_.path()))
      before_[e.path().filename().string()] = test::read_bytes(e.path());
    // A 9x4 replacement for sprite 5.
    std::vector<std::uint8_t> rgb(17 * 3), px(9 * 4, 7);
    px[0] = 16;
    const auto bmp = make_bmp_file(rgb, 17, 9, 4, px);
    test::write_file(demo_.file("spr0005.bmp"), bmp);
    before_["spr0005.bmp"] = bmp;
  }
  std::vector<std::string> changed_files() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(demo_.path())) {
      const std::string name = e.path().filename().string();
      if (!before_.count(name) || before_[name] != test::read_bytes(e.path()))
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::map<std::string, std::vector<std::uint8_t>> before_;
};

TEST_F(SpriteModeSaving, EscapeAsksAndNLeavesTheFiles) {
  const auto r = run(
      "key G\ntype 5\nkey RETURN\nkey INSERT\nprint status\nprint flags\nkey ESCAPE\nprint status\n"
      "key F5 A\nprint status\nkey N\nprint mode\n");
  const auto status = test::printed(r, "status");
  ASSERT_EQ(status.size(), 3u) << r.out;
  EXPECT_EQ(status[0], "Sprite replaced OK");
  EXPECT_EQ(status[1], "Save changes? (Y/N)");
  EXPECT_EQ(status[2], "Save changes? (Y/N)");
  const auto flags = test::printed(r, "flags");
  ASSERT_EQ(flags.size(), 1u);
  EXPECT_TRUE(std::stoul(flags[0]) & unsaved_changes);
  EXPECT_TRUE(test::printed(r, "mode").empty()) << "N ended the program";
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(changed_files().empty());
}

TEST_F(SpriteModeSaving, YWritesTheChangedFileAndTheIndex) {
  const auto r = run("key G\ntype 5\nkey RETURN\nkey INSERT\nkey ESCAPE\nkey Y\nprint mode\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(test::printed(r, "mode").empty());
  EXPECT_EQ(changed_files(), (std::vector<std::string>{"CHARSET.DAT", "CHARSET.DAT.bak",
                                                       "SPRITE.DAT", "SPRITE.DAT.bak"}));
  EXPECT_EQ(test::read_bytes(demo_.file("CHARSET.DAT.bak")), before_["CHARSET.DAT"]);
  // The saved directory loads with the new sprite.
  fs::current_path(demo_.path());
  reset_sprite_files();
  ASSERT_TRUE(load_sprite_files());
  fs::current_path(old_);
  EXPECT_EQ(sprite_at(5)->width, 9);
  EXPECT_EQ(sprite_at(5)->height, 4);
  EXPECT_EQ(sprite_at(5)->pixels[0], 0x07);
}

TEST_F(SpriteModeSaving, SaveAllThenInsertAll) {
  const auto r = run("key SHIFT+F2\nprint status\nkey SHIFT+INSERT\nprint status\nprint flags\n");
  for (int k : {0, 5, 1333}) EXPECT_TRUE(fs::exists(demo_.file(sprite_bitmap_name(k)))) << k;
  EXPECT_EQ(test::read_bytes(demo_.file("spr0006.bmp")), encode_sprite_bitmap(*sprite_at(6), 3));
  const auto flags = test::printed(r, "flags");
  ASSERT_EQ(flags.size(), 1u);
  EXPECT_TRUE(std::stoul(flags[0]) & unsaved_changes) << "every sprite was re-inserted";
  EXPECT_EQ(test::printed(r, "status"), (std::vector<std::string>{"", ""}));
}

}  // namespace

namespace {

// As root, the editor is run as an unprivileged user for permissions to
// bind; empty when that is not needed, nullopt when it is not possible.
std::optional<std::string> unprivileged_wrapper(const fs::path& dir) {
  if (tavu::test::testing_windows_build()) return std::nullopt;  // no POSIX permissions
  if (::geteuid() != 0) return "";
  if (!fs::exists("/usr/bin/setpriv")) return std::nullopt;
  const std::string wrapper = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups";
  const std::string probe = wrapper +
                            " /bin/sh -c 'test -x \"" TAVU_EDITOR_PATH "\" && test -r \"" +
                            dir.string() + "/SPRITE.DAT\"' 2>/dev/null";
  if (std::system(probe.c_str()) != 0) return std::nullopt;
  return wrapper;
}

// A directory the editor may read but not write: the save fails without
// touching a file, the failure and its reason are on screen, then the
// question again; after the failure Escape goes back to sprite mode with the
// replaced sprite, and a later Escape asks again.
TEST_F(SpriteModeSaving, ReadOnlyDirectoryShowsTheReasonAndEscapeGoesBack) {
  const auto wrapper = unprivileged_wrapper(demo_.path());
  if (!wrapper) GTEST_SKIP() << "running as root and cannot drop to an unprivileged user";
  fs::permissions(demo_.path(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::permissions(demo_.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  fs::permissions(work_, fs::perms::all, fs::perm_options::add);  // for the shots
  const auto r = test::run_editor(
      demo_.path(),
      "key G\ntype 5\nkey RETURN\nkey INSERT\nkey ESCAPE\nkey Y\nwait 10\nshot " +
          shot_path("failed.bmp") + "\nprint status\nwait 1000\nshot " + shot_path("question.bmp") +
          "\nprint status\nkey Y\nprint status\nkey ESCAPE\nwait 10\nshot " +
          shot_path("back.bmp") + "\nprint status\nprint mode\nprint flags\nwait 800\nshot " +
          shot_path("sprite.bmp") + "\nkey ESCAPE\nprint status\nkey ESCAPE\nprint status\n" +
          "print mode\nkey N\n",
      {}, *wrapper);
  fs::permissions(demo_.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string failed = "Failed to save CHARSET.DAT\nPermission denied";
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{
                "Failed to save CHARSET.DAT\\nPermission denied", "Save changes? (Y/N)",
                "Failed to save CHARSET.DAT\\nPermission denied", "SPRITE MODE",
                "Save changes? (Y/N)", "Save changes? (Y/N)"}));
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"0", "0"}))
      << "back in sprite mode, then in the question again until N";
  ASSERT_EQ(test::printed(r, "flags").size(), 1u);
  EXPECT_TRUE(std::stoul(test::printed(r, "flags")[0]) & unsaved_changes);
  EXPECT_TRUE(changed_files().empty());

  // What the user sees: sprite mode with the message, then the question,
  // then sprite mode with the replaced sprite.
  fs::current_path(demo_.path());
  ASSERT_TRUE(replace_sprite_from_bitmap(5, true));
  fs::current_path(old_);
  const auto screen = [&](const char* text, std::uint32_t flags = kTextCentred) {
    auto frame = expected(5);
    draw_text(text, 0, 0, frame.data(), 320, 1, -1, flags);
    return frame;
  };
  EXPECT_EQ(read_shot(shot_path("failed.bmp")).pixels, screen(failed.c_str()));
  EXPECT_EQ(read_shot(shot_path("question.bmp")).pixels, screen("Save changes? (Y/N)"));
  EXPECT_EQ(read_shot(shot_path("back.bmp")).pixels, screen("SPRITE MODE", kTextTopRight));
  EXPECT_EQ(read_shot(shot_path("sprite.bmp")).pixels, expected(5));
  EXPECT_NE(screen(failed.c_str()), expected(5));
}

// The game directory on a full disk: no export and no quit save reports
// success, and nothing on disk changes; with room again the save lands.
TEST_F(SpriteModeSaving, FullDiskFailsEverySaveVisiblyAndKeepsTheFiles) {
  test::Tmpfs disk(work_ / "disk", 2048);
  if (!disk.ok()) GTEST_SKIP() << "no tmpfs could be mounted (needs root)";
  for (const auto& e : fs::directory_iterator(demo_.path()))
    fs::copy_file(e.path(), disk.path() / e.path().filename());
  ASSERT_TRUE(disk.fill());
  const auto before = test::snapshot(disk.path());
  const auto r = test::run_editor(disk.path(),
                                  "key G\ntype 5\nkey RETURN\nkey F2\nprint status\n"
                                  "key SHIFT+F2\nprint status\nkey INSERT\nprint status\n"
                                  "key ESCAPE\nkey Y\nprint status\nprint mode\n");
  EXPECT_EQ(
      test::printed(r, "status"),
      (std::vector<std::string>{"Save failed", "Error: not all sprites saved", "Sprite replaced OK",
                                "Failed to save CHARSET.DAT\\nNo space left on device"}));
  EXPECT_EQ(test::printed(r, "mode").size(), 1u) << "still in the question";
  EXPECT_TRUE(test::changed(before, test::snapshot(disk.path())).empty());

  fs::remove(disk.path() / "filler");
  const auto again = test::run_editor(
      disk.path(), "key G\ntype 5\nkey RETURN\nkey INSERT\nkey ESCAPE\nkey Y\nprint mode\n");
  EXPECT_TRUE(test::printed(again, "mode").empty()) << "saved and ended";
  EXPECT_EQ(test::changed(before, test::snapshot(disk.path())),
            (std::vector<std::string>{"CHARSET.DAT", "CHARSET.DAT.bak", "SPRITE.DAT",
                                      "SPRITE.DAT.bak", "filler"}));
}

// Game files found under another letter case are written back under their
// own spelling, backups too; on Windows, whose file system matches names
// ignoring case itself, as on Linux.
TEST_F(SpriteModeSaving, FilesKeepTheirSpellingWhenSaved) {
  for (const char* name : {"CHARSET.DAT", "SPRITE.DAT"}) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::rename(demo_.file(name), demo_.file(lower));
    before_[lower] = before_[name];
    before_.erase(name);
  }
  const auto r = run("key G\ntype 5\nkey RETURN\nkey INSERT\nkey ESCAPE\nkey Y\nprint mode\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(test::printed(r, "mode").empty()) << r.out;
  EXPECT_EQ(changed_files(), (std::vector<std::string>{"charset.dat", "charset.dat.bak",
                                                       "sprite.dat", "sprite.dat.bak"}));
  EXPECT_EQ(test::read_bytes(demo_.file("charset.dat.bak")), before_["charset.dat"]);
}

// A save replaces the file a link points at and keeps the permissions; a
// read-only game file is refused before anything is written.
TEST_F(SpriteModeSaving, GameFilesKeepTheirIdentity) {
  const fs::path shared = work_ / "shared";
  fs::create_directory(shared);
  fs::rename(demo_.file("CHARSET.DAT"), shared / "CHARSET.DAT");
  fs::create_symlink(shared / "CHARSET.DAT", demo_.file("CHARSET.DAT"));
  fs::permissions(demo_.file("SPRITE.DAT"), fs::perms(0600));
  const std::string save =
      "key G\ntype 5\nkey RETURN\nkey INSERT\nkey ESCAPE\nkey Y\nprint status\nprint mode\n";

  fs::permissions(shared / "CHARSET.DAT", fs::perms(0444));
  const auto refused = run(save);
  EXPECT_EQ(test::printed(refused, "status"),
            std::vector<std::string>{"Failed to save CHARSET.DAT\\nRead-only file"});
  EXPECT_EQ(test::printed(refused, "mode").size(), 1u);
  EXPECT_EQ(test::read_bytes(shared / "CHARSET.DAT"), before_["CHARSET.DAT"]);
  EXPECT_TRUE(changed_files().empty());

  // Windows replaces a link with the file, and keeps no permission bits.
  if (test::testing_windows_build()) GTEST_SKIP() << "symbolic links and modes are POSIX's";
  fs::permissions(shared / "CHARSET.DAT", fs::perms(0640));
  const auto saved = run(save);
  EXPECT_TRUE(test::printed(saved, "mode").empty());
  EXPECT_TRUE(fs::is_symlink(demo_.file("CHARSET.DAT")));
  EXPECT_NE(test::read_bytes(shared / "CHARSET.DAT"), before_["CHARSET.DAT"]);
  EXPECT_EQ(test::read_bytes(shared / "CHARSET.DAT.bak"), before_["CHARSET.DAT"]);
  EXPECT_EQ(fs::status(shared / "CHARSET.DAT").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(demo_.file("SPRITE.DAT")).permissions(), fs::perms(0600));
  // CHARSET.DAT is read through the link.
  EXPECT_EQ(changed_files(),
            (std::vector<std::string>{"CHARSET.DAT", "SPRITE.DAT", "SPRITE.DAT.bak"}));
}

// A name that is no regular file stops start-up with a message naming it,
// and every size in a message is the file's real one.
TEST_F(SpriteModeSaving, NamesThatAreNoFilesStopStartUpClearly) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"BENCH.DAT", [](const fs::path& p) { fs::create_directory(p); }, "Can't open BENCH.DAT"},
      {"SPRITE.DAT", [](const fs::path& p) { fs::create_directory(p); },
       "Can't open sprites index file, SPRITE.DAT"},
      {"CHARSET.DAT", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
       "Can't open CHARSET.DAT"},
      {"SPRITE.DAT",
       [](const fs::path& p) { test::write_file(p, std::vector<std::uint8_t>(5341)); },
       "SPRITE.DAT has invalid size.\nExpected size: 5340, current size :5341"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    const test::DemoDir dir("names");
    ASSERT_TRUE(dir.ok());
    fs::remove(dir.file(c.name));
    c.make(dir.file(c.name));
    const auto r = test::run_editor(dir.path(), "print mode\n");
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_NE(r.err.find(std::string("Reason:\n") + c.reason + "\n"), std::string::npos) << r.err;
  }
}

}  // namespace
