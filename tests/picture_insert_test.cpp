// Insert in picture mode: files written as paint programs write them,
// imported into a picture of a temporary game directory, the view, the
// messages, F3's question and the file the quit save writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "image_test_support.h"
#include "imaging/image.h"
#include "pictures/picture_format.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::platform;
using tavu::test::Bytes;

namespace {

using Stored = std::array<std::uint8_t, kPicturePaletteBytes>;  // 6-bit values

// Distinct dark colours: the label entry is made white.
Stored dark_stored() {
  Stored s{};
  for (int i = 0; i < 256; ++i) {
    s[i * 3] = static_cast<std::uint8_t>(i % 30);
    s[i * 3 + 1] = static_cast<std::uint8_t>(i / 30);
    s[i * 3 + 2] = 9;
  }
  return s;
}

std::vector<std::uint8_t> pixels_of(int seed, int colours) {
  std::vector<std::uint8_t> px(kPicturePixelBytes);
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<std::uint8_t>((i / 320 * 3 + i % 320 + static_cast<std::size_t>(seed)) %
                                      static_cast<std::size_t>(colours));
  return px;
}

Bytes file_of(const std::vector<std::uint8_t>& px, const Stored& stored) {
  Bytes f(px);
  f.insert(f.end(), stored.begin(), stored.end());
  return f;
}

// Red, green, blue at 8 bits, as a paint program scales 6-bit values.
std::vector<std::uint8_t> rgb_of(const Stored& stored) {
  std::vector<std::uint8_t> rgb(stored.size());
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>((stored[i] & 63) * 255 / 63);
  return rgb;
}

Bytes bmp8(const std::vector<std::uint8_t>& px, const std::vector<std::uint8_t>& rgb, int w = 320,
           int h = 200) {
  return make_bmp_file(rgb, 256, w, h, px);
}

Bytes bmp24(const std::vector<std::uint8_t>& px, const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint32_t> values(px.size());
  for (std::size_t i = 0; i < px.size(); ++i)
    values[i] = static_cast<std::uint32_t>(rgb[px[i] * 3 + 2]) |
                static_cast<std::uint32_t>(rgb[px[i] * 3 + 1]) << 8 |
                static_cast<std::uint32_t>(rgb[px[i] * 3]) << 16;
  test::BmpLayout layout;
  layout.bits = 24;
  layout.width = 320;
  layout.height = 200;
  layout.pixels = test::pack_rows(values, 320, 200, 24, false);
  return test::make_bmp(layout);
}

Bytes png_rgba(const std::vector<std::uint8_t>& px, const std::vector<std::uint8_t>& rgb,
               std::uint8_t alpha = 200) {
  Bytes raw;
  for (int y = 0; y < 200; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 320; ++x) {
      const std::uint8_t v = px[static_cast<std::size_t>(y) * 320 + x];
      raw.insert(raw.end(), {rgb[v * 3], rgb[v * 3 + 1], rgb[v * 3 + 2], alpha});
    }
  }
  Bytes png = test::png_signature();
  test::add_chunk(png, "IHDR", test::ihdr_data(320, 200, 8, 6));
  test::add_chunk(png, "IDAT", test::deflate(raw));
  test::add_chunk(png, "IEND", {});
  return png;
}

class PictureInsert : public ::testing::Test {
 protected:
  void SetUp() override {
    set_current(&headless_);
    old_ = fs::current_path();
    dir_ = test::make_temp_dir("picture-insert");
    fs::current_path(dir_);
    reset_picture_ring();
    picture_mode_state() = PictureModeState{};
    status_state() = StatusState{};
    reset_startup_failure_text();
    app() = AppState{};
    Stored grey{};
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i / 3 % 64);
    for (const char* name : {"stad.256", "kltitle.256", "fill.256"})
      write(name, file_of(pixels_of(1, 256), grey));
    original_ = file_of(pixels_, own_);
    write("a.256", original_);
    ASSERT_EQ(picture_mode_descriptor().init(), 1);
    picture_mode_descriptor().enter(0);
    ASSERT_EQ(current_picture()->file_name, "a.256");
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    fs::current_path(old_);
    fs::remove_all(dir_);
    reset_picture_ring();
    status_state() = StatusState{};
    app() = AppState{};
    set_current(nullptr);
  }
  static void write(const std::string& name, const Bytes& bytes) {
    ASSERT_TRUE(test::write_file(name, bytes));
  }
  static void press(std::uint32_t vk) { EXPECT_EQ(picture_mode_key(vk), 1) << vk; }
  static const std::string& status() { return status_state().text; }
  // What the view shows for `file` at the current gamma.
  static Palette view_of(const Bytes& file) {
    Picture p = picture_from_bytes("x.256", file);
    Palette out{};
    build_working_palette(p.image.palette, picture_mode_state().gamma, p.label_colour, out);
    return out;
  }

  HeadlessPlatform headless_{ScreenSize{1920, 1080}};
  fs::path old_, dir_;
  const Stored own_ = dark_stored();
  const std::vector<std::uint8_t> pixels_ = pixels_of(0, 256);
  Bytes original_;
};

TEST_F(PictureInsert, FilesOfEveryKindReplaceThePictureAndTheSaveWritesItsBytes) {
  const Picture& a = *current_picture();
  ASSERT_TRUE(a.label_made_white);
  // The export, as F2 writes it: the label entry white.
  std::vector<std::uint8_t> exported(a.image.palette.begin(), a.image.palette.end());
  const std::vector<std::uint8_t> drawn = pixels_of(77, 256);
  // The palette reordered by a paint program: the file's number k is the
  // picture's colour perm[k].
  std::vector<int> perm(256);
  std::iota(perm.begin(), perm.end(), 0);
  std::shuffle(perm.begin(), perm.end(), std::mt19937(3));
  std::vector<std::uint8_t> reordered(768), reordered_px(drawn.size());
  std::vector<int> inverse(256);
  for (int k = 0; k < 256; ++k) {
    inverse[perm[k]] = k;
    for (int c = 0; c < 3; ++c) reordered[k * 3 + c] = rgb_of(own_)[perm[k] * 3 + c];
  }
  for (std::size_t i = 0; i < drawn.size(); ++i)
    reordered_px[i] = static_cast<std::uint8_t>(inverse[drawn[i]]);
  Stored bright{};
  for (std::size_t i = 0; i < bright.size(); ++i)
    bright[i] = static_cast<std::uint8_t>(63 - i / 3 % 64);

  struct Case {
    const char* what;
    const char* name;
    Bytes file;
    Bytes picture;  // NAME.256 afterwards
    bool palette_changed = false;
  };
  const Case cases[] = {
      {"the export unchanged", "a.bmp", bmp8(pixels_, exported), original_},
      {"reordered palette PNG", "a.png", encode_indexed_png(320, 200, reordered_px, reordered, 256),
       file_of(drawn, own_)},
      {"24-bit BMP", "a.bmp", bmp24(drawn, rgb_of(own_)), file_of(drawn, own_)},
      {"RGBA PNG", "a.png", png_rgba(drawn, rgb_of(own_)), file_of(drawn, own_)},
      {"new palette", "a.bmp", bmp8(drawn, rgb_of(bright)), file_of(drawn, bright), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    picture_mode_state().gamma = 4;
    picture_mode_descriptor().enter(0);
    write(c.name, c.file);
    press(VK_INSERT);
    EXPECT_EQ(status(), std::string("Picture replaced with ") + c.name + " OK." +
                            (c.palette_changed ? "\nPalette changed" : ""));
    const Picture& p = *current_picture();
    EXPECT_TRUE(p.replaced);
    EXPECT_TRUE(app_flag(unsaved_changes));
    EXPECT_EQ(picture_file_bytes(p), c.picture);
    // Shown at once, brightened, the label chosen from the new picture.
    EXPECT_EQ(p.label_colour, picture_from_bytes("x.256", c.picture).label_colour);
    EXPECT_EQ(picture_mode_state().working, view_of(c.picture));
    EXPECT_FALSE(picture_mode_state().display_palette_current) << "the window takes it anew";
    std::vector<std::uint8_t> frame(kFramebufferSize);
    const std::uint8_t* fb = draw_picture_mode(frame.data(), 320);
    ASSERT_NE(fb, nullptr);
    EXPECT_TRUE(std::equal(fb + 320 * 40, fb + kFramebufferSize, c.picture.begin() + 320 * 40));

    status_state().quit_question = true;
    EXPECT_EQ(quit_flow_key('Y'), 1);
    EXPECT_EQ(test::read_bytes("a.256"), c.picture);
    EXPECT_EQ(test::read_bytes("a.256.bak"), original_);
    EXPECT_FALSE(p.replaced);
  }
}

TEST_F(PictureInsert, RefusedFilesChangeNothingAndSayWhy) {
  auto off = rgb_of(own_);
  std::vector<std::uint8_t> px = pixels_;
  // Colour 5 of the file is one the picture lacks; it is first used at 5,0.
  off[5 * 3] = 0x12, off[5 * 3 + 1] = 0xFE, off[5 * 3 + 2] = 0x34;
  struct Case {
    const char* what;
    const char* name;
    Bytes file;
    std::string reason;
  };
  const Case cases[] = {
      {"off-palette colour", "a.png", png_rgba(px, off), "colour 12FE34 at 5,0 not in the palette"},
      {"too small", "a.bmp", bmp8(std::vector<std::uint8_t>(64 * 64), off, 64, 64),
       "Size 64x64, not 320x200"},
      {"too big", "a.bmp", bmp8(std::vector<std::uint8_t>(640 * 400), off, 640, 400),
       "Size 640x400, not 320x200"},
      {"no file", "a.bmp", {}, "No a.bmp or a.png"},
      {"not a picture", "a.bmp", Bytes(100, 'x'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove("a.bmp");
    fs::remove("a.png");
    if (!c.file.empty()) write(c.name, c.file);
    const Palette view = picture_mode_state().working;
    press(VK_INSERT);
    const std::string first = std::string("Error replacing picture with ") + c.name + "\n";
    EXPECT_EQ(status().substr(0, first.size()), first);
    if (!c.reason.empty()) {
      EXPECT_EQ(status().substr(first.size()), c.reason);
    }
    EXPECT_GT(status().size(), first.size()) << "a reason is given";
    EXPECT_FALSE(current_picture()->replaced);
    EXPECT_FALSE(app_flag(unsaved_changes));
    EXPECT_EQ(picture_file_bytes(*current_picture()), original_);
    EXPECT_EQ(picture_mode_state().working, view);
  }
}

TEST_F(PictureInsert, TheNewerOfBmpAndPngIsRead) {
  const auto now = fs::file_time_type::clock::now();
  write("a.bmp", bmp8(pixels_of(5, 256), rgb_of(own_)));
  write("a.png", png_rgba(pixels_of(6, 256), rgb_of(own_)));
  fs::last_write_time("a.bmp", now - std::chrono::hours(1));
  fs::last_write_time("a.png", now);
  press(VK_INSERT);
  EXPECT_EQ(status(), "Picture replaced with a.png OK.");
  EXPECT_EQ(current_picture()->image.pixels, pixels_of(6, 256));
  fs::last_write_time("a.bmp", now + std::chrono::hours(1));
  press(VK_INSERT);
  EXPECT_EQ(status(), "Picture replaced with a.bmp OK.");
  EXPECT_EQ(current_picture()->image.pixels, pixels_of(5, 256));
}

// F3 on a replaced picture asks first; only "Y" gives back the file.
TEST_F(PictureInsert, ReloadOfAReplacedPictureAsksBeforeDiscarding) {
  Stored bright{};
  for (std::size_t i = 0; i < bright.size(); ++i) bright[i] = static_cast<std::uint8_t>(i % 64);
  write("a.bmp", bmp8(pixels_of(9, 256), rgb_of(bright)));
  press(VK_INSERT);
  const Bytes replaced = picture_file_bytes(*current_picture());
  ASSERT_NE(replaced, original_);
  for (std::uint32_t answer : {std::uint32_t{VK_ESCAPE}, std::uint32_t{'N'}, std::uint32_t{'Y'}}) {
    SCOPED_TRACE(answer);
    press(VK_F3);
    EXPECT_EQ(status(), "Discard changes? (y/n)");
    ASSERT_NE(status_state().key_capture, nullptr);
    EXPECT_EQ(status_state().key_capture(answer, 0), 1);
    EXPECT_EQ(status_state().key_capture, nullptr);
    const Picture& p = *current_picture();
    if (answer != 'Y') {
      EXPECT_TRUE(p.replaced);
      EXPECT_TRUE(app_flag(unsaved_changes));
      EXPECT_EQ(picture_file_bytes(p), replaced);
      continue;
    }
    EXPECT_FALSE(p.replaced);
    EXPECT_FALSE(app_flag(unsaved_changes));
    EXPECT_EQ(picture_file_bytes(p), original_);
    EXPECT_EQ(p.label_colour, picture_from_bytes("x.256", original_).label_colour);
    EXPECT_EQ(picture_mode_state().working, view_of(original_));
  }
  // An unchanged picture reloads at once.
  status_state() = StatusState{};
  press(VK_F3);
  EXPECT_EQ(status_state().key_capture, nullptr);
  EXPECT_EQ(status(), "");
}

}  // namespace
