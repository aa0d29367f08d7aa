// The picture ring and picture mode's keys, on pictures written into a
// temporary game directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "display/display.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "platform/headless/headless_platform.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/bmp.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::platform;

namespace {

using PaletteArray = std::array<std::uint8_t, kPicturePaletteBytes>;

// A palette of grey ramps whose brightest entry is 252, 252, 252.
PaletteArray grey_palette(int shift = 0) {
  PaletteArray p{};
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c)
      p[static_cast<std::size_t>(i * 3 + c)] = static_cast<std::uint8_t>(((i + shift) & 63) * 4);
  return p;
}

// A dark palette: no entry reaches length 381, so the label is made white.
PaletteArray dark_palette() {
  PaletteArray p{};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>((i % 40) * 4);
  return p;
}

std::vector<std::uint8_t> pixels_of(std::uint8_t seed) {
  std::vector<std::uint8_t> px(kPicturePixelBytes);
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<std::uint8_t>((i * 7 + seed) % 200 + 1);
  return px;
}

class PictureDir : public ::testing::Test {
 protected:
  void SetUp() override {
    set_current(&headless_);
    old_ = fs::current_path();
    dir_ = test::make_temp_dir("pictures");
    fs::current_path(dir_);
    reset_picture_ring();
    picture_mode_state() = PictureModeState{};
    status_state() = StatusState{};
    reset_startup_failure_text();
    app().flags = 0;
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
    reset_picture_ring();
    status_state() = StatusState{};
    set_current(nullptr);
  }

  static void write_picture(const std::string& name, const std::vector<std::uint8_t>& px,
                            const PaletteArray& palette) {
    ASSERT_TRUE(test::write_file(name, encode_picture(px, palette)));
  }
  static void write_required() {
    write_picture("stad.256", pixels_of(1), grey_palette());
    write_picture("kltitle.256", pixels_of(2), grey_palette(1));
    write_picture("fill.256", pixels_of(3), grey_palette(2));
  }
  static int init() { return picture_mode_descriptor().init(); }
  static void enter() { picture_mode_descriptor().enter(0); }
  static void press(std::uint32_t vk, int times = 1) {
    for (int i = 0; i < times; ++i) EXPECT_EQ(picture_mode_key(vk), 1) << vk;
  }
  static std::vector<std::string> ring_names() {
    std::vector<std::string> names;
    for (const Picture& p : picture_ring().pictures) names.push_back(p.file_name);
    return names;
  }
  static Picture& named(const std::string& name) {
    for (Picture& p : picture_ring().pictures)
      if (p.file_name == name) return p;
    throw std::runtime_error("no picture " + name);
  }

  HeadlessPlatform headless_{ScreenSize{1920, 1080}};
  fs::path old_, dir_;
};

TEST_F(PictureDir, OnlyFilesOfExactlyTheRightSizeLoad) {
  write_required();
  const auto good = encode_picture(pixels_of(9), grey_palette());
  struct Case {
    const char* name;
    std::ptrdiff_t size_change;  // against 64768; nothing written below -64768
    int error;
  };
  const Case cases[] = {
      {"short.256", -1, kPictureBadSize},
      {"long.256", +1, kPictureBadSize},
      {"empty.256", -64768, kPictureBadSize},
      {"exact.256", 0, kPictureNoError},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    bytes.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(good.size()) + c.size_change),
                 0x11);
    ASSERT_TRUE(test::write_file(c.name, bytes));
  }
  ASSERT_EQ(init(), 1);
  for (const Case& c : cases) {
    Picture& p = named(c.name);
    load_picture(p);
    EXPECT_EQ(p.error(), c.error) << c.name;
    EXPECT_EQ(p.loaded(), c.error == kPictureNoError) << c.name;
    if (c.error != kPictureNoError) {
      EXPECT_EQ(p.picture_palette(), default_palette().data()) << c.name;
    }
  }
  EXPECT_STREQ(picture_error_text(kPictureBadSize), "Invalid picture size");
  // A file that went away after the listing cannot be opened.
  fs::remove("exact.256");
  Picture& gone = named("exact.256");
  gone.state = 0;
  load_picture(gone);
  EXPECT_EQ(gone.error(), kPictureCantOpen);
  EXPECT_STREQ(picture_error_text(kPictureCantOpen), "Can't open file");
  EXPECT_STREQ(picture_error_text(7), "Unknown error");
}

TEST(LabelColour, BrightestEntryOrTheLeastUsedMadeWhite) {
  // Every pixel value occurs twice, except 13 (once) and 40 (once).
  std::vector<std::uint8_t> pixels;
  for (int v = 0; v < 256; ++v)
    for (int k = 0; k < (v == 13 || v == 40 ? 1 : 2); ++k)
      pixels.push_back(static_cast<std::uint8_t>(v));
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::array<std::uint8_t, 3>>> entries;
    std::vector<std::uint8_t> pixels;
    LabelChoice expected;
  };
  const std::vector<std::uint8_t> all_zero(kPicturePixelBytes, 0);
  const Case cases[] = {
      {"55,55,54 is too dark: length 378", {{7, {220, 220, 216}}}, pixels, {13, true}},
      {"55,55,55 has length 381", {{7, {220, 220, 220}}}, pixels, {7, false}},
      {"equal brightness: the higher index",
       {{3, {252, 252, 252}}, {9, {252, 252, 252}}},
       pixels,
       {9, false}},
      {"equal counts: the lowest index", {{7, {100, 100, 100}}}, all_zero, {1, true}},
      {"the brightest need not be first",
       {{200, {252, 252, 252}}, {2, {220, 220, 220}}},
       pixels,
       {200, false}},
  };
  for (const Case& c : cases) {
    PaletteArray palette{};
    for (const auto& [index, rgb] : c.entries)
      std::copy(rgb.begin(), rgb.end(), palette.begin() + index * 3);
    const LabelChoice got = choose_label_colour(palette, c.pixels);
    EXPECT_EQ(got.index, c.expected.index) << c.what;
    EXPECT_EQ(got.made_white, c.expected.made_white) << c.what;
  }
}

TEST_F(PictureDir, DarkPictureGetsAWhiteLabelThatStaysWhiteAfterAReload) {
  write_required();
  const auto px = pixels_of(5);
  write_picture("a.256", px, dark_palette());
  ASSERT_EQ(init(), 1);
  enter();
  Picture& a = *current_picture();
  ASSERT_EQ(a.file_name, "a.256");
  const LabelChoice expected = choose_label_colour(dark_palette(), px);
  ASSERT_TRUE(expected.made_white);
  ASSERT_EQ(a.label_colour, expected.index);
  const std::size_t at = static_cast<std::size_t>(a.label_colour) * 3;
  PictureModeState& st = picture_mode_state();
  press(VK_ADD, 3);
  EXPECT_EQ(st.working[at], 255);
  // The label stays white through a reload and when the picture comes back.
  press(VK_F3);
  EXPECT_EQ(a.image.palette[at], 255);
  press(VK_RIGHT);
  press(VK_LEFT);
  EXPECT_EQ(st.working[at + 1], 255);
}

TEST(WorkingPalette, GammaAddsTwiceItsValueWithinTheByte) {
  PaletteArray picture = grey_palette();
  picture[0] = 20;   // 0 at gamma -15
  picture[3] = 252;  // 255 at gamma 30
  const struct {
    int gamma;
    int label;
  } cases[] = {{30, -1}, {-15, -1}, {0, 5}, {30, 63}, {-15, 63}, {7, 255}};
  for (const auto& c : cases) {
    Palette out{};
    build_working_palette(picture, c.gamma, c.label, out);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const bool label = c.label >= 0 && i / 3 == static_cast<std::size_t>(c.label);
      const int want = label ? picture[i] : std::clamp(picture[i] + 2 * c.gamma, 0, 255);
      ASSERT_EQ(out[i], want) << "gamma " << c.gamma << " byte " << i;
    }
  }
}

TEST_F(PictureDir, GammaStopsAtThirtyAndMinusFifteen) {
  write_required();
  ASSERT_EQ(init(), 1);
  enter();
  PictureModeState& st = picture_mode_state();
  press(VK_ADD, 30);
  EXPECT_EQ(st.gamma, 30);
  EXPECT_EQ(status_state().text, "GAMMA: 30");
  EXPECT_EQ(status_state().flags, kTextTopRight);
  const Palette at_limit = st.working;
  status_state().text.clear();
  press(VK_ADD);
  EXPECT_EQ(st.gamma, 30);
  EXPECT_EQ(status_state().text, "GAMMA: 30");
  EXPECT_EQ(st.working, at_limit);
  EXPECT_TRUE(st.display_palette_current) << "an unchanged gamma needs no new surface";
  press(VK_SUBTRACT, 46);
  EXPECT_EQ(st.gamma, -15);
  EXPECT_EQ(status_state().text, "GAMMA: -15");
  Palette expected{};
  build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes>(
                            current_picture()->picture_palette(), kPicturePaletteBytes),
                        -15, current_picture()->label_colour, expected);
  EXPECT_EQ(st.working, expected);
  // Gamma is kept when the picture changes.
  press(VK_SPACE);
  EXPECT_EQ(st.gamma, -15);
  EXPECT_EQ(st.applied_gamma, -15);
  // A switch between window and full screen builds the working palette anew.
  const Palette shown = st.working;
  st.working.fill(7);
  picture_mode_display_switched();
  EXPECT_EQ(st.working, shown);
}

// Sorts names as the ring does and, for comparison, with the shell's
// adjacent-exchange sort.
std::vector<std::string> ring_sorted(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (std::size_t i : picture_ring_order(names)) out.push_back(names[i]);
  return out;
}

TEST(PictureRingOrder, EqualsTheExchangeSortWithEqualNamesInDirectoryOrder) {
  std::vector<std::string> abc = {"a.256", "B.256", "c.256"};
  std::sort(abc.begin(), abc.end());
  do {
    EXPECT_EQ(ring_sorted(abc), (std::vector<std::string>{"a.256", "B.256", "c.256"}));
  } while (std::next_permutation(abc.begin(), abc.end()));

  // Names that differ only in case compare equal and keep their order;
  // bytes 0x80-0xFF sort before ASCII.
  std::mt19937 rng(7);
  const std::string alphabet = "aAbB_1.\xe9~";
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> names(1 + rng() % 60);
    for (std::string& n : names) {
      const std::size_t len = 1 + rng() % 3;
      for (std::size_t i = 0; i < len; ++i) n.push_back(alphabet[rng() % alphabet.size()]);
      n += ".256";
    }
    std::vector<std::string> exchanged = names;
    sort_names(exchanged);
    ASSERT_EQ(ring_sorted(names), exchanged) << "round " << round;
  }
  EXPECT_TRUE(picture_ring_order({}).empty());
}

TEST_F(PictureDir, RingIsSortedIgnoringCaseAndStepsBothWays) {
  write_required();
  for (const char* n : {"c.256", "B.256", "a.256", "notes.txt", "D.256X"})
    write_picture(n, pixels_of(4), grey_palette());
  fs::create_directory("dir.256");
  ASSERT_EQ(init(), 1);
  EXPECT_EQ(ring_names(), (std::vector<std::string>{"a.256", "B.256", "c.256", "fill.256",
                                                    "kltitle.256", "stad.256"}));
  enter();
  EXPECT_EQ(current_picture()->file_name, "a.256");
  press(VK_BACK);
  EXPECT_EQ(current_picture()->file_name, "stad.256");
  press(VK_SPACE);
  press(VK_RIGHT);
  EXPECT_EQ(current_picture()->file_name, "B.256");
  press(VK_LEFT);
  EXPECT_EQ(current_picture()->file_name, "a.256");
  EXPECT_EQ(picture_mode_key(VK_UP), 0);
  EXPECT_EQ(picture_mode_key('A'), 0);
}

TEST_F(PictureDir, StartUpNeedsTheThreeRequiredPictures) {
  const struct {
    std::vector<std::string> missing;
  } cases[] = {
      {{"stad.256"}}, {{"kltitle.256"}}, {{"fill.256"}}, {{"stad.256", "kltitle.256", "fill.256"}}};
  for (const auto& c : cases) {
    write_required();
    for (const auto& m : c.missing) fs::remove(m);
    reset_startup_failure_text();
    EXPECT_EQ(init(), 0);
    std::string expected = "Can't init!\n\n";
    for (const char* name : {"stad.256", "kltitle.256", "fill.256"})
      if (std::count(c.missing.begin(), c.missing.end(), name))
        expected += std::string("Reason:\n") + name + " missing!\n";
    EXPECT_EQ(status_state().failure_text, expected);
  }
  // Names are matched ignoring case; a required picture that does not load
  // stops start-up with its name.
  write_required();
  fs::rename("kltitle.256", "KLTITLE.256");
  reset_startup_failure_text();
  EXPECT_EQ(init(), 1);
  EXPECT_NE(required_picture_pixels("kltitle.256"), nullptr);
  ASSERT_TRUE(test::truncate_by_one(".", "fill.256"));
  reset_startup_failure_text();
  EXPECT_EQ(init(), 0);
  EXPECT_EQ(status_state().failure_text, "Can't init!\n\nReason:\nError loading fill.256\n");
}

TEST_F(PictureDir, ReloadShowsNewPixelsWithTheColoursInUse) {
  write_required();
  write_picture("a.256", pixels_of(10), grey_palette());
  ASSERT_EQ(init(), 1);
  enter();
  const Palette before = picture_mode_state().working;
  const auto new_pixels = pixels_of(77);
  write_picture("a.256", new_pixels, grey_palette(9));
  press(VK_F3);
  Picture& a = *current_picture();
  EXPECT_EQ(a.image.pixels, new_pixels);
  EXPECT_EQ(picture_mode_state().working, before);
  press(VK_RIGHT);
  press(VK_LEFT);
  Palette expected{};
  build_working_palette(grey_palette(9), 0, a.label_colour, expected);
  EXPECT_EQ(picture_mode_state().working, expected);
}

TEST_F(PictureDir, BitmapCarriesThePicturesOwnColoursWhenBrightened) {
  write_required();
  const auto px = pixels_of(21);
  write_picture("a.256", px, dark_palette());
  ASSERT_EQ(init(), 1);
  enter();
  press(VK_ADD, 5);
  press(VK_F2);
  EXPECT_EQ(status_state().text, "Saved a.bmp OK");
  const auto file = test::read_bytes("a.bmp");
  const BmpView bmp = read_bmp(file);
  ASSERT_TRUE(bmp.ok());
  EXPECT_EQ(bmp.info.width, 320);
  EXPECT_EQ(bmp.info.height, 200);
  EXPECT_EQ(file.size(), 54u + 1024 + 64000);
  const Picture& a = *current_picture();
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* own = a.picture_palette() + i * 3;
    ASSERT_EQ(file[54 + 4 * i + 2], own[0]) << i;
    ASSERT_EQ(file[54 + 4 * i + 1], own[1]) << i;
    ASSERT_EQ(file[54 + 4 * i], own[2]) << i;
    ASSERT_EQ(file[54 + 4 * i + 3], 0) << i;
  }
  EXPECT_EQ(file[54 + 4 * a.label_colour], 255) << "the white label entry is included";
  for (int y = 0; y < 200; ++y) {
    auto row = bmp.row_from_top(y);
    ASSERT_TRUE(std::equal(row.begin(), row.end(), px.begin() + y * 320)) << y;
  }
  EXPECT_EQ(picture_bitmap_name("fill.256"), "fill.bmp");
  EXPECT_EQ(picture_bitmap_name("STAD.256"), "STAD.bmp");
  EXPECT_EQ(picture_bitmap_name(".256"), ".bmp");
  // A failed write is reported.
  set_file_fault_for_tests({FileOp::write, 1, WriteFault::fail, 0, "a.bmp"});
  status_state().text.clear();
  press(VK_F2);
  clear_file_faults_for_tests();
  EXPECT_EQ(status_state().text, "Save failed");
}

TEST_F(PictureDir, PictureThatFailsIsRetriedAndCannotBeSaved) {
  write_required();
  write_picture("a.256", pixels_of(1), grey_palette());
  ASSERT_TRUE(test::write_file("b.256", std::vector<std::uint8_t>(64767, 1)));
  ASSERT_EQ(init(), 1);
  enter();
  std::vector<std::uint8_t> frame(kFramebufferSize);
  draw_picture_mode(frame.data(), kScreenWidth);  // reads b ahead
  EXPECT_EQ(named("b.256").error(), kPictureBadSize);
  press(VK_RIGHT);
  EXPECT_EQ(named("b.256").error(), kPictureBadSize);
  // Cleared around the error text; the default palette comes with its own
  // surface.
  const std::uint8_t* drawn = draw_picture_mode(frame.data(), kScreenWidth);
  EXPECT_EQ(drawn[kFramebufferSize - 1], 0);
  EXPECT_EQ(drawn[kFramebufferSize - 320], 0);
  status_state().text.clear();
  press(VK_F2);
  EXPECT_FALSE(fs::exists("b.bmp"));
  EXPECT_EQ(status_state().text, "");
  // Mended on disk: coming back loads it, and so does the read-ahead.
  write_picture("b.256", pixels_of(2), grey_palette());
  press(VK_LEFT);
  press(VK_RIGHT);
  EXPECT_TRUE(named("b.256").loaded());
  ASSERT_TRUE(test::truncate_by_one(".", "b.256"));
  press(VK_F3);
  press(VK_LEFT);
  write_picture("b.256", pixels_of(2), grey_palette());
  draw_picture_mode(frame.data(), kScreenWidth);
  EXPECT_TRUE(named("b.256").loaded()) << "read ahead";
}

TEST_F(PictureDir, ReleaseKeepsOnlyTheRequiredPictures) {
  write_required();
  write_picture("a.256", pixels_of(1), grey_palette());
  ASSERT_EQ(init(), 1);
  enter();
  ASSERT_TRUE(named("a.256").loaded());
  EXPECT_EQ(app().release_pictures, &release_pictures);
  app().release_pictures();
  EXPECT_FALSE(named("a.256").loaded());
  EXPECT_TRUE(named("a.256").image.pixels.empty());
  EXPECT_EQ(named("a.256").picture_palette(), default_palette().data());
  for (const char* n : {"stad.256", "KLTITLE.256", "fill.256"}) {
    const std::uint8_t* px = required_picture_pixels(n);
    ASSERT_NE(px, nullptr) << n;
    EXPECT_EQ(px[0], pixels_of(n[0] == 's' ? 1 : n[0] == 'K' ? 2 : 3)[0]) << n;
  }
  EXPECT_EQ(required_picture_pixels("a.256"), nullptr);
}

}  // namespace
