// Full screen, activation and the window gestures around it, driven through
// scripts of the real editor on the headless backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using tavu::test::printed;

namespace {

class FullScreenScript : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }
  tavu::test::EditorRun run(const std::string& script) {
    return tavu::test::run_test_editor(demo_.path(), script, {"--screen", "1920x1080"});
  }
  std::vector<std::uint8_t> shot(const std::string& name) {
    return tavu::test::read_bytes(demo_.file(name));
  }
  tavu::test::DemoDir demo_{"fullscreen"};
};

TEST_F(FullScreenScript, AltEnterTwiceReturnsToACentredTopmostWindow) {
  auto r =
      run("drag 100 100 150 130\nprint window\nprint topmost\n"
          "key alt+RETURN\nprint flags\n"
          // In full screen the mouse neither centres nor drags the window.
          "rclick 5 5\ndrag 10 10 60 60\nprint window\n"
          "key alt+RETURN\nprint flags\nprint window\nprint topmost\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(printed(r, "window"),
            (std::vector<std::string>{"370 170 1280 800", "370 170 1280 800", "320 140 1280 800"}));
  EXPECT_EQ(printed(r, "flags"), (std::vector<std::string>{"193", "192"}));
  EXPECT_EQ(printed(r, "topmost"), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(r.err, "");
}

TEST_F(FullScreenScript, FailingFullScreenShowsTheBoxAndKeepsTheWindowAsItWas) {
  auto r =
      run("fail fullscreen\ndrag 100 100 150 130\nkey alt+RETURN\nprint flags\nprint window\n"
          "print topmost\nkey F6\nprint mode\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "Error: Can't go fullscreen!\n");
  EXPECT_EQ(printed(r, "flags"), std::vector<std::string>{"192"});
  EXPECT_EQ(printed(r, "window"), std::vector<std::string>{"370 170 1280 800"});
  EXPECT_EQ(printed(r, "topmost"), std::vector<std::string>{"1"});
  EXPECT_EQ(printed(r, "mode"), std::vector<std::string>{"1"}) << "the editor goes on";
}

TEST_F(FullScreenScript, CtrlDoubleClickLeavesFullScreenAndMinimises) {
  auto r = run("key alt+RETURN\ndblclick 10 10\nprint flags\nctrl+dblclick 10 10\nprint flags\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(printed(r, "flags"), (std::vector<std::string>{"193", "208"}));
}

// The picture in full screen is the window's, pixel for pixel, in every mode
// and with the overlays: modes draw with the back surface's own row stride.
// Both switches show the colours of the mode's palette slot.
TEST_F(FullScreenScript, EveryModeShowsTheSamePictureInFullScreen) {
  std::string script = "key F1\n";
  const char* keys[] = {"F5", "F6", "F7", "F8", "F9", "F10"};
  for (const char* k : keys) {
    const std::string name = k;
    // Picture mode brightened: its colours are built afresh after each switch.
    const std::string extra = name == "F6" ? "key ADD ADD ADD\n" : "";
    script += std::string("key ") + k + "\n" + extra + "shot w" + name +
              ".bmp\nkey alt+RETURN\nshot f" + name + ".bmp\nkey alt+RETURN\nshot b" + name +
              ".bmp\n";
  }
  auto r = run(script);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  constexpr std::size_t kHeaderSize = 54 + 1024;
  for (const char* k : keys) {
    const std::string name = k;
    const auto window = shot("w" + name + ".bmp");
    const auto full = shot("f" + name + ".bmp");
    ASSERT_EQ(window.size(), kHeaderSize + 64000) << k;
    ASSERT_EQ(full.size(), window.size()) << k;
    EXPECT_TRUE(std::equal(window.begin() + kHeaderSize, window.end(), full.begin() + kHeaderSize))
        << k << " in full screen";
    EXPECT_EQ(shot("b" + name + ".bmp"), full) << k << " back in the window";
  }
}

// Sprites 1209 to 1272 are shown with the Game palette, which sprite mode
// hands over while drawing: in full screen it takes effect with that frame,
// and the window shows it too after the switch back.
TEST_F(FullScreenScript, APaletteChangedInFullScreenShowsAtOnceAndAfterwards) {
  auto r =
      run("key alt+RETURN\nkey G\ntype 1209\nkey RETURN\nwait 1000\nshot full.bmp\n"
          "key alt+RETURN\nwait 10\nshot back.bmp\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto full = shot("full.bmp");
  ASSERT_EQ(full.size(), 54u + 1024 + 64000);
  // Palette entry 0 as blue, green, red: 70 50 00 in the Game palette.
  EXPECT_EQ(full[54], 0x00);
  EXPECT_EQ(full[55], 0x50);
  EXPECT_EQ(full[56], 0x70);
  EXPECT_EQ(shot("back.bmp"), full);
}

TEST_F(FullScreenScript, ActivationInFullScreenShowsAFreshFrame) {
  auto r =
      run("key alt+RETURN\nwait 1000\nprint presents\ndeactivate\nwait 100\nprint presents\n"
          "activate\nprint presents\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto presents = printed(r, "presents");
  ASSERT_EQ(presents.size(), 3u);
  EXPECT_EQ(presents[1], presents[0]) << "nothing is shown while in the background";
  EXPECT_EQ(std::stoi(presents[2]), std::stoi(presents[1]) + 1);
}

}  // namespace
