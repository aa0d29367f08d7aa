// PNG exports, imports of files a paint program changed, and the overwrite
// question, through scripts of the real editor on the demo directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "support/demo_dir.h"
#include "support/painted_images.h"
#include "support/run_editor.h"
#include "support/screenshot.h"

namespace fs = std::filesystem;
using namespace tavu;
using tavu::test::bmp24;
using tavu::test::bmp8;
using tavu::test::decode_file;
using tavu::test::reversed;

namespace {

class ImageExchangeScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("exchange-e2e");
  }
  void TearDown() override { fs::remove_all(work_); }
  test::EditorRun run(const std::string& script) {
    auto r = test::run_editor(demo_.path(), script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot(const std::string& name) const { return (work_ / name).string(); }
  // Sprite 5, pattern 0 of pitch 1 and pitch 1, each shot once its message
  // has gone; `insert` replaces each from its file first.
  std::string views(const std::string& tag, bool insert) {
    const std::string ins = insert ? "key INSERT\nprint status\n" : "";
    return "key RIGHT RIGHT RIGHT RIGHT RIGHT\n" + ins + "wait 1100\nshot " +
           shot(tag + "-sprite.bmp") + "\nkey F8\n" + ins + "wait 1100\nshot " +
           shot(tag + "-pattern.bmp") + "\nkey F7\n" + ins + "wait 1100\nshot " +
           shot(tag + "-pitch.bmp") + "\n";
  }

  test::DemoDir demo_;
  fs::path work_;
};

TEST_F(ImageExchangeScripts, PngExportsChangedByAPaintProgramComeBackWithTheirColours) {
  const auto exported = run(views("before", false) +
                            "key F5\nkey ctrl+F2\nprint status\nkey F8\nkey ctrl+F2\nprint "
                            "status\nkey F7\nkey ctrl+F2\nprint status\nkey ESCAPE\n");
  EXPECT_EQ(exported.exit_code, 0);
  EXPECT_EQ(test::printed(exported, "status"),
            (std::vector<std::string>{"Saved spr0005.png OK", "Saved pt1-0.png OK",
                                      "Saved pitch1-frozen.png OK"}));
  // The program reversed the palettes; the sprite and the pitch went
  // through 24 bits.
  const fs::path dir = demo_.path();
  const Image sprite = decode_file(dir / "spr0005.png");
  ASSERT_TRUE(sprite.indexed);
  EXPECT_EQ(sprite.palette.size(), 17u);
  EXPECT_EQ(sprite.palette[16][3], 0) << "the background is transparent";
  ASSERT_TRUE(test::write_file(dir / "spr0005.bmp", bmp24(reversed(sprite))));
  fs::remove(dir / "spr0005.png");
  ASSERT_TRUE(test::write_file(dir / "pt1-0.png", bmp8(reversed(decode_file(dir / "pt1-0.png")))));
  ASSERT_TRUE(test::write_file(dir / "pitch1.bmp", bmp24(decode_file(dir / "pitch1-frozen.png"))));

  const auto imported = run(views("after", true) + "key ESCAPE N\n");
  EXPECT_EQ(imported.exit_code, 0);
  EXPECT_EQ(test::printed(imported, "status"),
            (std::vector<std::string>{"Sprite replaced OK", "Pattern replaced with pt1-0.png OK",
                                      "Pitch replaced with pitch1.bmp OK."}));
  for (const char* view : {"sprite", "pattern", "pitch"}) {
    const auto before = test::read_screenshot(shot(std::string("before-") + view + ".bmp"));
    const auto after = test::read_screenshot(shot(std::string("after-") + view + ".bmp"));
    ASSERT_TRUE(before.ok && after.ok) << view;
    EXPECT_EQ(after.pixels, before.pixels) << view;
  }
}

TEST_F(ImageExchangeScripts, F2AsksBeforeReplacingAPaintedBitmap) {
  const fs::path file = demo_.path() / "spr0000.bmp";
  const auto first = run("key F2\nprint status\nkey ESCAPE\n");
  EXPECT_EQ(test::printed(first, "status"), (std::vector<std::string>{"Saved spr0000.bmp OK"}));
  const auto exported = test::read_bytes(file);
  Image painted = decode_file(file);
  painted.indices[0] = painted.indices[0] == 1 ? 2 : 1;
  const auto painting = bmp8(painted);
  ASSERT_TRUE(test::write_file(file, painting));

  const auto r =
      run("key F2\nprint status\nkey N\nprint status\nprint mode\n"
          "key F2\nkey ESCAPE\nprint status\nprint mode\nwait 10\nshot " +
          shot("after-escape.bmp") + "\nkey F2\nkey Y\nprint status\nkey ESCAPE\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::printed(r, "status"), (std::vector<std::string>{"Overwrite spr0000.bmp? (y/n)",
                                                                  "", "", "Saved spr0000.bmp OK"}));
  EXPECT_EQ(test::printed(r, "mode"), (std::vector<std::string>{"0", "0"}))
      << "Escape at the question does not quit";
  EXPECT_TRUE(test::read_screenshot(shot("after-escape.bmp")).ok);
  EXPECT_EQ(test::read_bytes(file), exported);

  // Shift+F2 asks once and N keeps the painting.
  ASSERT_TRUE(test::write_file(file, painting));
  const auto all = run("key shift+F2\nwait 10\nprint status\nkey N\nkey ESCAPE\n");
  EXPECT_EQ(test::printed(all, "status"),
            (std::vector<std::string>{"Overwrite 1 changed bitmap? (y/n)"}));
  EXPECT_EQ(test::read_bytes(file), painting);
  EXPECT_TRUE(fs::exists(demo_.path() / "spr1333.bmp"));
}

}  // namespace
