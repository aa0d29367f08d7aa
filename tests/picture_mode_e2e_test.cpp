// Picture mode driven through scripts of the real editor on the demo
// directory; the expected pictures are drawn in this process from the same
// files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "display/display.h"
#include "imaging/image.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"
#include "support/screenshot.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// The demo pictures in ring order.
const std::vector<std::string> kRing = {"ball.256", "fill.256", "kltitle.256", "night.256",
                                        "stad.256"};

struct Frame {
  std::vector<std::uint8_t> pixels;
  Palette palette{};
};

class PictureModeScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("picture-e2e");
    platform::set_current(&headless_);
    old_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(old_);
    reset_sprite_files();
    reset_picture_ring();
    status_state() = StatusState{};
    app().flags = 0;
    platform::set_current(nullptr);
    fs::remove_all(work_);
  }

  // Loads the sprites (for the text) and the ring of the demo directory as
  // it is now.
  void load_here() {
    fs::current_path(demo_.path());
    reset_sprite_files();
    reset_startup_failure_text();
    ASSERT_TRUE(load_sprite_files());
    ASSERT_EQ(picture_mode_descriptor().init(), 1);
    fs::current_path(old_);
  }

  // Picture mode's picture of ring entry `index` at `gamma`, with the help
  // overlay when asked, and the palette it is shown with.
  Frame expected(std::size_t index, int gamma = 0, bool help = false) {
    fs::current_path(demo_.path());
    picture_mode_state() = PictureModeState{};
    picture_mode_state().gamma = static_cast<std::int8_t>(gamma);
    picture_ring().current = index;
    picture_mode_descriptor().enter(0);
    std::vector<std::uint8_t> buffer(kFramebufferSize);
    std::uint8_t* fb = draw_picture_mode(buffer.data(), kScreenWidth);
    Frame f{std::vector<std::uint8_t>(fb, fb + kFramebufferSize), picture_mode_state().working};
    if (!current_picture()->loaded()) f.palette = default_palette();
    if (help) {
      const std::string text = std::string(kCommonHelp) + kPictureModeHelp;
      draw_text(text.c_str(), 16, 16, f.pixels.data(), kScreenWidth, 0,
                current_picture()->label_colour, 0x20);
    }
    fs::current_path(old_);
    return f;
  }

  test::EditorRun run(const std::string& script) {
    auto r = test::run_editor(demo_.path(), script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot(const std::string& name) const { return (work_ / name).string(); }
  void expect_shot(const std::string& name, const Frame& want) const {
    const test::Screenshot s = test::read_screenshot(shot(name));
    ASSERT_TRUE(s.ok) << name;
    EXPECT_EQ(s.pixels, want.pixels) << name;
    EXPECT_EQ(s.palette, want.palette) << name;
  }

  test::DemoDir demo_{"picture-e2e-demo"};
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  fs::path work_, old_;
};

TEST_F(PictureModeScripts, StepsForwardsAndBackwardsWithEachPicturesColours) {
  const auto r =
      run("key F6\nwait 800\nshot " + shot("0.bmp") + "\nkey RIGHT\nshot " + shot("1.bmp") +
          "\nkey SPACE\nshot " + shot("2.bmp") + "\nkey LEFT LEFT\nshot " + shot("back0.bmp") +
          "\nkey BACK\nshot " + shot("back4.bmp") + "\nkey RIGHT RIGHT RIGHT RIGHT\nshot " +
          shot("3.bmp") + "\n");
  EXPECT_EQ(r.exit_code, 0);
  load_here();
  ASSERT_EQ(picture_ring().pictures.size(), kRing.size());
  for (std::size_t i = 0; i < kRing.size(); ++i)
    EXPECT_EQ(picture_ring().pictures[i].file_name, kRing[i]);
  const Frame first = expected(0);
  expect_shot("0.bmp", first);
  expect_shot("1.bmp", expected(1));
  expect_shot("2.bmp", expected(2));
  expect_shot("back0.bmp", first);
  expect_shot("back4.bmp", expected(4));
  expect_shot("3.bmp", expected(3));
  EXPECT_NE(expected(1).palette, first.palette);
}

TEST_F(PictureModeScripts, BrightnessAndTheHelpInTheLabelColour) {
  std::string brighter = "key";
  for (int i = 0; i < 40; ++i) brighter += " ADD";
  const auto r =
      run("key F6 RIGHT RIGHT RIGHT\n" + brighter + "\nprint status\nwait 1100\nshot " +
          shot("bright.bmp") + "\nkey F1\nshot " + shot("help.bmp") +
          "\nkey F1 SUBTRACT SUBTRACT\nprint status\nwait 1100\nshot " + shot("28.bmp") + "\n");
  EXPECT_EQ(test::printed(r, "status"), (std::vector<std::string>{"GAMMA: 30", "GAMMA: 28"}));
  load_here();
  const Frame bright = expected(3, 30);
  expect_shot("bright.bmp", bright);
  expect_shot("help.bmp", expected(3, 30, true));
  expect_shot("28.bmp", expected(3, 28));
  // night.256 is dark: its name and the help are white at every brightness.
  const int label = current_picture()->label_colour;
  ASSERT_GE(label, 0);
  EXPECT_EQ(bright.palette[label * 3], 255);
  EXPECT_EQ(bright.palette[label * 3 + 2], 255);
}

TEST_F(PictureModeScripts, PictureOfTheWrongSizeShowsItsErrorAndCannotBeSaved) {
  ASSERT_TRUE(test::truncate_by_one(demo_.path(), "night.256"));
  const auto r = run("key F6 LEFT LEFT\nwait 800\nshot " + shot("night.bmp") +
                     "\nkey F2\nprint status\nkey RIGHT F2\nprint status\n");
  load_here();
  const Frame night = expected(3);
  expect_shot("night.bmp", night);
  EXPECT_EQ(night.palette, default_palette());
  EXPECT_FALSE(fs::exists(demo_.file("night.bmp")));
  EXPECT_EQ(test::printed(r, "status"), (std::vector<std::string>{"", "Saved stad.bmp OK"}));
}

// Insert reads ball.png (its palette reordered by a paint program, a band
// painted over); the picture shows at once in its own colours, and "Y" at
// the quit writes ball.256: the new pixels with the palette as it was.
TEST_F(PictureModeScripts, InsertedPictureShowsAtOnceAndIsSavedOnQuit) {
  const auto original = test::read_bytes(demo_.file("ball.256"));
  ASSERT_EQ(original.size(), kPictureFileSize);
  std::vector<std::uint8_t> pixels(original.begin(), original.begin() + kPicturePixelBytes);
  for (std::size_t i = 320 * 100; i < 320 * 130; ++i) pixels[i] = static_cast<std::uint8_t>(i % 7);
  // The file's number k is the picture's number 255 - k.
  std::vector<std::uint8_t> rgb(768), numbers(pixels.size());
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c)
      rgb[k * 3 + c] = static_cast<std::uint8_t>(
          (original[kPicturePixelBytes + (255 - k) * 3 + c] & 63) * 255 / 63);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    numbers[i] = static_cast<std::uint8_t>(255 - pixels[i]);
  ASSERT_TRUE(
      test::write_file(demo_.file("ball.png"), encode_indexed_png(320, 200, numbers, rgb, 256)));

  const auto r = run("key F6 ADD ADD INSERT\nprint status\nprint flags\nwait 1100\nshot " +
                     shot("imported.bmp") + "\nkey ESCAPE\nprint status\nkey Y\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(
      test::printed(r, "status"),
      (std::vector<std::string>{"Picture replaced with ball.png OK.", "Save changes? (Y/N)"}));
  // Of equal colours in the picture's palette, the lowest entry is taken.
  const auto colour = [&](int k) {
    const auto at = original.begin() + kPicturePixelBytes + k * 3;
    return std::array<int, 3>{at[0] & 63, at[1] & 63, at[2] & 63};
  };
  std::vector<std::uint8_t> saved(pixels);
  for (auto& v : saved) {
    int lowest = 0;
    while (colour(lowest) != colour(v)) ++lowest;
    v = static_cast<std::uint8_t>(lowest);
  }
  saved.insert(saved.end(), original.begin() + kPicturePixelBytes, original.end());
  EXPECT_EQ(test::read_bytes(demo_.file("ball.256")), saved);
  EXPECT_EQ(test::read_bytes(demo_.file("ball.256.bak")), original);
  // The shot is the saved picture as a fresh start shows it, brightened.
  load_here();
  expect_shot("imported.bmp", expected(0, 2));
}

// A picture that cannot be saved (a read-only file): the failure and its
// reason are on screen over the picture; Escape goes back to picture mode
// with the imported picture, and a later "N" ends the editor.
TEST_F(PictureModeScripts, FailedSaveShowsTheReasonAndEscapeGoesBack) {
  if (test::testing_windows_build()) GTEST_SKIP() << "file modes are POSIX's";
  const auto original = test::read_bytes(demo_.file("ball.256"));
  // A palette of colours the picture lacks; every pixel is entry 0.
  std::vector<std::uint8_t> stored(768), rgb(768);
  for (int k = 0; k < 256; ++k) {
    stored[k * 3] = static_cast<std::uint8_t>(k % 64);
    stored[k * 3 + 1] = static_cast<std::uint8_t>(63 - k % 64);
    stored[k * 3 + 2] = 33;
  }
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(stored[i] * 4);
  ASSERT_TRUE(
      test::write_file(demo_.file("ball.bmp"),
                       make_bmp_file(rgb, 256, 320, 200, std::vector<std::uint8_t>(64000, 0))));
  fs::permissions(demo_.file("ball.256"), fs::perms(0444));
  const auto r = run("key F6 INSERT\nprint status\nwait 1100\nkey ESCAPE Y\nwait 10\nshot " +
                     shot("failed.bmp") + "\nprint status\nkey ESCAPE\nprint status\nprint mode\n" +
                     "wait 800\nshot " + shot("back.bmp") + "\nkey ESCAPE N\n");
  fs::permissions(demo_.file("ball.256"), fs::perms(0644));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Picture replaced with ball.bmp OK.\\nPalette changed",
                                      "Failed to save ball.256\\nRead-only file", "PICTURE MODE"}));
  EXPECT_EQ(test::printed(r, "mode"), std::vector<std::string>{"1"});
  EXPECT_EQ(test::read_bytes(demo_.file("ball.256")), original);
  EXPECT_FALSE(fs::exists(demo_.file("ball.256.bak")));

  // The picture as imported, its label made white.
  std::vector<std::uint8_t> imported(kPictureFileSize, 0);
  std::copy(stored.begin(), stored.end(), imported.begin() + kPicturePixelBytes);
  ASSERT_TRUE(test::write_file(demo_.file("ball.256"), imported));
  load_here();
  Frame back = expected(0);
  EXPECT_EQ(current_picture()->label_colour, 1);
  expect_shot("back.bmp", back);
  Frame failed = back;
  draw_text("Failed to save ball.256\nRead-only file", 0, 0, failed.pixels.data(), kScreenWidth, 1,
            current_picture()->label_colour, kTextCentred);
  expect_shot("failed.bmp", failed);
  EXPECT_NE(failed.pixels, back.pixels);
}

}  // namespace
