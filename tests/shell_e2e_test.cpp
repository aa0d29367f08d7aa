// The real editor driven by scripts on the headless backend.
#include <gtest/gtest.h>

#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using tavu::test::printed;
using tavu::test::run_editor;

namespace {

class ShellScript : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = tavu::test::make_demo_dir("shell"); }
  void TearDown() override { fs::remove_all(dir_); }
  tavu::test::EditorRun run(const std::string& script, const std::vector<std::string>& args = {}) {
    return run_editor(dir_, script, args);
  }
  fs::path dir_;
};

TEST_F(ShellScript, FunctionKeysSwitchModesAndShowTheirNames) {
  auto r =
      run("print mode\nprint status\n"
          "key F6\nprint mode\nprint status\n"
          "key F7 F8 F9\nprint mode\n"
          "key F10\nprint mode\nprint status\n"
          "key F5\nprint mode\n"
          "wait 699\nprint status\nwait 1\nprint status\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(printed(r, "mode"), (std::vector<std::string>{"0", "1", "4", "5", "0"}));
  EXPECT_EQ(printed(r, "status"), (std::vector<std::string>{"SPRITE MODE", "PICTURE MODE",
                                                            "TEST MODE", "SPRITE MODE", ""}));
}

TEST_F(ShellScript, UnusedKeysRequestNoRedraw) {
  auto r = run("wait 1000\nprint paints\nkey F11 0x92\nprint paints\nkey F1\nprint paints\n");
  auto paints = printed(r, "paints");
  ASSERT_EQ(paints.size(), 3u) << r.err;
  EXPECT_EQ(paints[0], paints[1]);
  EXPECT_NE(paints[1], paints[2]);
}

TEST_F(ShellScript, HelpAboutAndFlags) {
  auto r =
      run("key F1\nprint flags\nkey F6\nprint flags\nkey A\nprint status\nwait 4000\n"
          "print status\nkey F1\nprint flags\n");
  // 128: the keyboard device is open.
  EXPECT_EQ(printed(r, "flags"), (std::vector<std::string>{"224", "224", "192"}));
  auto status = printed(r, "status");
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ(status[0].rfind("TAVU Picture Editor v0.9\\n", 0), 0u) << status[0];
  EXPECT_EQ(status[1], "");
}

TEST_F(ShellScript, EscapeCloseAndAltF4QuitWithoutUnsavedChanges) {
  for (const char* quit : {"key ESCAPE\n", "key alt+F4\n", "close\n"}) {
    auto r = run(std::string("key F6\n") + quit + "print mode\n");
    EXPECT_EQ(r.exit_code, 0) << quit << r.err;
    EXPECT_TRUE(printed(r, "mode").empty()) << quit << "the script does not go on";
  }
  // The end of the script also ends the run, with 0.
  EXPECT_EQ(run("key F7\n").exit_code, 0);
}

TEST_F(ShellScript, MouseMovesRecentresAndMinimisesTheWindow) {
  auto r =
      run("print window\ndrag 100 100 110 110\nprint window\ndrag 100 100 -221 -41\n"
          "print window\ndrag 0 0 10 10\nprint window\nrclick 5 5\nprint window\n"
          "ctrl+dblclick 10 10\nprint flags\n",
          {"--screen", "1920x1080"});
  EXPECT_EQ(printed(r, "window"),
            (std::vector<std::string>{"320 140 1280 800", "330 150 1280 800", "0 0 1280 800",
                                      "10 10 1280 800", "320 140 1280 800"}))
      << r.err;
  EXPECT_EQ(printed(r, "flags"), std::vector<std::string>{"208"});  // minimised

  auto small = run("print window\n", {"--screen", "1024x767"});
  EXPECT_EQ(printed(small, "window"), std::vector<std::string>{"-128 -16 1280 800"});
}

TEST_F(ShellScript, ScriptErrorsNameTheLine) {
  auto r = run("print mode\n\n# comment\nkey NOSUCHKEY\nprint mode\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("script line 4: "), std::string::npos) << r.err;
  EXPECT_EQ(printed(r, "mode").size(), 1u);
  EXPECT_EQ(run("frobnicate\n").exit_code, 2);
  EXPECT_EQ(run("wait x\n").exit_code, 2);
}

TEST_F(ShellScript, ShotWritesTheWindowAsABitmap) {
  fs::path shot = dir_ / "shot.bmp";
  auto r = run("shot " + shot.string() + "\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto bytes = tavu::test::read_bytes(shot);
  ASSERT_EQ(bytes.size(), 54u + 1024 + 64000);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[28], 8);
}

TEST_F(ShellScript, RefusedStartShowsTheErrorAndExits255) {
  fs::remove(dir_ / "SPRITE.DAT");
  auto r = run("print mode\n");
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.err.rfind("Error: Can't init!\n\nReason:\n", 0), 0u) << r.err;
  EXPECT_TRUE(printed(r, "mode").empty());
}

}  // namespace
