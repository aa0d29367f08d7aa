// F12 through scripts of the real editor: the PNG holds what the window
// showed (its pixels and palette, as the script's own shot has them) in
// every mode, in full screen and during playback, numbered past the shots
// already there.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "shell/screenshot.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"
#include "support/screenshot.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

TEST(ShotNames, OnePastTheHighestInAnyCase) {
  struct Case {
    std::vector<std::string> existing;
    const char* next;
  };
  const Case cases[] = {
      {{}, "shot0001.png"},
      {{"shot0001.png", "shot0002.png"}, "shot0003.png"},
      {{"SHOT0007.PNG", "shot0002.png", "shot12.png", "shotabcd.png"}, "shot0008.png"},
      {{"shot9999.png"}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(next_shot_name(c.existing), c.next);
}

class ScreenshotScripts : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }
  test::EditorRun run(const std::string& script) {
    auto r = test::run_test_editor(demo_.path(), script, {"--screen", "1920x1080"});
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  // The PNG against the script's shot of the same moment.
  void expect_same(const std::string& png, const std::string& bmp) {
    Image image;
    const ImageResult read = decode_image(test::read_bytes(demo_.file(png)), image);
    ASSERT_TRUE(read.ok()) << png << ": " << read.reason;
    ASSERT_TRUE(image.indexed) << png;
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 200);
    const test::Screenshot shot = test::read_screenshot(demo_.file(bmp));
    ASSERT_TRUE(shot.ok) << bmp;
    EXPECT_EQ(image.indices, shot.pixels) << png;
    ASSERT_EQ(image.palette.size(), 256u) << png;
    for (std::size_t i = 0; i < 256; ++i)
      for (std::size_t c = 0; c < 3; ++c)
        ASSERT_EQ(image.palette[i][c], shot.palette[i * 3 + c]) << png << " entry " << i;
  }
  test::DemoDir demo_{"screenshot"};
};

TEST_F(ScreenshotScripts, F12InEveryModeFullScreenAndPlayback) {
  // Two shots there already, one in capitals.
  ASSERT_TRUE(test::write_file(demo_.file("shot0001.png"), {1}));
  ASSERT_TRUE(test::write_file(demo_.file("SHOT0002.PNG"), {2}));
  std::string script;
  int n = 3;
  std::vector<std::string> expected;
  auto step = [&](const std::string& keys) {
    const std::string bmp = "s" + std::to_string(n) + ".bmp";
    script += keys + "shot " + demo_.file(bmp).string() + "\nkey F12\nprint status\nwait 1500\n";
    char name[24];
    std::snprintf(name, sizeof name, "shot%04d.png", n);
    expected.push_back(std::string("Saved ") + name + " OK");
    ++n;
  };
  for (const char* k : {"F5", "F6", "F7", "F8", "F9", "F10"})
    step(std::string("key ") + k + "\nwait 1500\n");
  step("key F1\n");                                                         // with the help over it
  step("key alt+RETURN\nkey F6\nwait 1500\n");                              // full screen
  step("key alt+RETURN\nkey F9\nkey RETURN\nkey HOME RETURN\nwait 300\n");  // playback
  step("wait 200\n");                                                       // playback went on
  const auto r = run(script);
  EXPECT_EQ(test::printed(r, "status"), expected);
  for (int i = 3; i < n; ++i) {
    char name[24];
    std::snprintf(name, sizeof name, "shot%04d.png", i);
    expect_same(name, "s" + std::to_string(i) + ".bmp");
  }
  EXPECT_NE(test::read_bytes(demo_.file("shot0011.png")),
            test::read_bytes(demo_.file("shot0012.png")));
}

TEST_F(ScreenshotScripts, APromptStaysOpenUnderTheMessage) {
  const auto r =
      run("key G\ntype 12\nkey F12\nprint status\nwait 3000\nprint status\n"
          "type 3\nprint status\nkey RETURN\nprint status\n");
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Saved shot0001.png OK\\nShow sprite number: 12\\x0C",
                                      "Saved shot0001.png OK\\nShow sprite number: 12\\x0C",
                                      "Show sprite number: 123\\x0C", ""}));
  EXPECT_TRUE(fs::exists(demo_.file("shot0001.png")));
}

}  // namespace
