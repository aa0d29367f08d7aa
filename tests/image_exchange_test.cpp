// Sprites, patterns, pitches and pictures exchanged with paint programs:
// imports matched by colour whatever the program did to the palette, PNG
// exports, which file Insert reads, and the question before an export
// replaces a picture the user changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "editor_test_support.h"
#include "imaging/colour_match.h"
#include "imaging/image.h"
#include "pictures/picture_mode.h"
#include "pitch/pitch_bitmaps.h"
#include "shell/exports.h"
#include "sprites/blit.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_mode.h"
#include "support/painted_images.h"
#include "support/run_editor.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::test;

namespace {

void set_age(const fs::path& p, int seconds_ago) {
  fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::seconds(seconds_ago));
}

class ImageExchange : public EditorInProcess {
 protected:
  void SetUp() override {
    EditorInProcess::SetUp();
    ASSERT_TRUE(start());
    sprite_mode_state() = SpriteModeState{};
  }
  const std::string& status() const { return status_state().text; }
  // The answer to an open question.
  void answer(std::uint32_t vk) {
    ASSERT_NE(status_state().key_capture, nullptr) << "no question open";
    status_state().key_capture(vk, 0);
  }
  int key(int mode, std::uint32_t vk, bool ctrl = false, bool shift = false) {
    headless_.hold(platform::VK_CONTROL, ctrl);
    headless_.hold(platform::VK_SHIFT, shift);
    const int used = mode_table()[mode].keys(vk, 0);
    headless_.hold(platform::VK_CONTROL, false);
    headless_.hold(platform::VK_SHIFT, false);
    return used;
  }
  // What a sprite shows: its pixels with transparent as 16.
  static std::vector<std::uint8_t> shows(int number) {
    return sprite_export_pixels(*sprite_at(number));
  }
};

// A sprite with every colour, transparent pixels, and colour 3 beside
// transparent ones (the colour of the default background).
void paint_sprite(int number) {
  DecodedSprite d;
  d.width = 21;
  d.height = 9;
  d.width_words = 2;
  d.pixels.assign(static_cast<std::size_t>(d.width_words) * 8 * d.height, 0);
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x) {
      const int v = (x + y) % 5 == 0 ? 0 : (x * 3 + y) % 4 == 0 ? 3 : (x + 2 * y) % 16;
      d.pixels[static_cast<std::size_t>(y) * 16 + static_cast<std::size_t>(x / 2)] |=
          static_cast<std::uint8_t>(x % 2 ? v : v << 4);
    }
  apply_decoded_sprite(number, std::move(d));
}

TEST_F(ImageExchange, SpritesComeBackWhateverTheProgramDidToThePalette) {
  paint_sprite(5);
  const std::vector<std::uint8_t> before = shows(5);
  ASSERT_TRUE(save_sprite_bitmap(5, 3, sprite_at(5), true));
  const Image exported = decode_file("spr0005.bmp");
  ASSERT_TRUE(exported.indexed);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
  };
  const Case cases[] = {
      {"as exported", read_bytes("spr0005.bmp")},
      {"reordered", bmp8(reversed(exported))},
      {"reduced", bmp8(reduced(exported))},
      {"255-scaled", bmp8(scaled(exported))},
      // Transparent and colour 3 have one colour here: decided per pixel by
      // what the sprite had.
      {"24-bit on the default background", bmp24(true_colour(exported))},
      {"24-bit, 255-scaled", bmp24(true_colour(scaled(exported)))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_file("spr0005.bmp", c.file);
    ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
    EXPECT_EQ(status(), "Sprite replaced OK");
    EXPECT_EQ(shows(5), before);
  }
  // Exported on another background, transparent has a colour of its own.
  ASSERT_TRUE(save_sprite_bitmap(5, 114, sprite_at(5), true));
  sprite_mode_state().background = 114;
  write_file("spr0005.bmp", bmp24(true_colour(reversed(decode_file("spr0005.bmp")))));
  ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(shows(5), before);
  // ... and an indexed file keeps its 16 after the background changed.
  sprite_mode_state().background = 3;
  ASSERT_TRUE(save_sprite_bitmap(5, 46, sprite_at(5), true));
  ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(shows(5), before);
}

TEST_F(ImageExchange, SpriteImportsThatCannotMatchSayWhy) {
  paint_sprite(5);
  const std::vector<std::uint8_t> before = shows(5);
  app().flags = 0;
  sprite_at(5)->replaced = 0;
  ASSERT_TRUE(save_sprite_bitmap(5, 3, sprite_at(5), true));
  const Image exported = decode_file("spr0005.bmp");

  // True colour with a colour no sprite has: refused, nothing changes.
  Image off = true_colour(exported);
  const std::size_t at = 4 * (2 * static_cast<std::size_t>(off.width) + 4);
  off.rgba[at] = 0x0D;
  off.rgba[at + 1] = 0xC8;
  off.rgba[at + 2] = 0x4D;
  write_file("spr0005.bmp", bmp24(off));
  EXPECT_FALSE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(status(),
            "Error replacing sprite with spr0005.bmp\ncolour 0DC84D at 4,2 not in the palette");
  EXPECT_EQ(shows(5), before);
  EXPECT_EQ(sprite_at(5)->replaced, 0);
  EXPECT_FALSE(app_flag(unsaved_changes));

  // Too big, with its size.
  Image wide = true_colour(exported);
  wide.width = 321;
  wide.height = 1;
  wide.rgba.assign(4 * 321, 0);
  write_file("spr0005.bmp", bmp24(wide));
  EXPECT_FALSE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(status(), "Sprite too big\n321x1, must be at most 320x200");
  write_file("spr0005.bmp", std::vector<std::uint8_t>(300, 'x'));
  EXPECT_FALSE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(status(), "Error replacing sprite with spr0005.bmp\nnot a BMP or PNG file");
  EXPECT_EQ(shows(5), before);

  // An indexed file with a foreign colour: numbers as they stand.
  Image foreign = exported;
  foreign.palette[5] = {0x0D, 0xC8, 0x4D, 255};
  write_file("spr0005.bmp", bmp8(foreign));
  ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(status(), "Sprite replaced OK\ncolours did not match the palette");
  EXPECT_EQ(shows(5), before);
}

TEST_F(ImageExchange, PngExportsHoldWhatTheBitmapsHold) {
  paint_sprite(5);
  pattern_mode_state().pitch_index = 1;
  pattern_mode_state().pattern = 2;
  pitch_mode_state().pitch_index = 2;
  pitch_type() = 3;
  apply_pitch_type(3);
  mode_table()[kPictureMode].enter(0);
  struct Case {
    const char* what;
    int mode;
    std::string bmp, png;
    int entries;
    int transparent;
  };
  const Case cases[] = {
      {"sprite", kSpriteMode, "spr0005.bmp", "spr0005.png", 17, 16},
      {"pattern", kPatternMode, "pt2-2.bmp", "pt2-2.png", 256, -1},
      {"pitch", kPitchMode, "pitch3-soft.bmp", "pitch3-soft.png", 256, -1},
      {"picture", kPictureMode,
       picture_export_name(picture_ring().pictures.front().file_name, ExportFormat::bmp),
       picture_export_name(picture_ring().pictures.front().file_name, ExportFormat::png), 256, -1},
  };
  sprite_mode_state().current = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(key(c.mode, platform::VK_F2), 1);
    EXPECT_EQ(status(), "Saved " + c.bmp + " OK");
    ASSERT_EQ(key(c.mode, platform::VK_F2, true), 1);
    EXPECT_EQ(status(), "Saved " + c.png + " OK");
    const Image bmp = decode_file(c.bmp), png = decode_file(c.png);
    ASSERT_TRUE(png.indexed);
    EXPECT_EQ(png.indices, bmp.indices);
    ASSERT_EQ(png.palette.size(), static_cast<std::size_t>(c.entries));
    ASSERT_EQ(bmp.palette.size(), static_cast<std::size_t>(c.entries));
    for (int e = 0; e < c.entries; ++e) {
      const auto p = png.palette[static_cast<std::size_t>(e)],
                 b = bmp.palette[static_cast<std::size_t>(e)];
      EXPECT_TRUE(std::equal(p.begin(), p.begin() + 3, b.begin())) << e;
      EXPECT_EQ(p[3], e == c.transparent ? 0 : 255) << e;
    }
  }
}

TEST_F(ImageExchange, PatternsAndPitchesComeBackUnderAnyPitchType) {
  PatternModeState& pm = pattern_mode_state();
  pm.pitch_index = 0;
  pm.pattern = 3;
  pitch_type() = 0;  // frozen
  apply_pitch_type(0);
  ASSERT_EQ(key(kPatternMode, platform::VK_F2), 1);
  const auto pattern_before = pitch_at(0)->patterns;
  const Image exported = decode_file("pt1-3.bmp");
  pitch_type() = 4;  // read under another type
  apply_pitch_type(4);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
  };
  const Case cases[] = {
      {"reordered", bmp8(reversed(exported))},
      {"reduced", bmp8(reduced(exported))},
      {"24-bit", bmp24(true_colour(scaled(exported)))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_file("pt1-3.bmp", c.file);
    ASSERT_EQ(key(kPatternMode, platform::VK_INSERT), 1);
    EXPECT_EQ(status(), "Pattern replaced with pt1-3.bmp OK");
    EXPECT_EQ(pitch_at(0)->patterns, pattern_before);
  }
  Image off = true_colour(exported);
  off.rgba[4 * 17] = 0x0D;
  off.rgba[4 * 17 + 1] = 0xC8;
  off.rgba[4 * 17 + 2] = 0x4D;
  write_file("pt1-3.bmp", bmp24(off));
  key(kPatternMode, platform::VK_INSERT);
  EXPECT_EQ(status(),
            "Error replacing pattern with pt1-3.bmp\ncolour 0DC84D at 1,1 not in the palette");
  Image wide = exported;
  wide.width = 17;
  wide.indices.assign(17 * 16, 0);
  write_file("pt1-3.bmp", bmp8(wide));
  key(kPatternMode, platform::VK_INSERT);
  EXPECT_EQ(status(), "Error replacing pattern with pt1-3.bmp\n17x16, must be 16x16");
  EXPECT_EQ(pitch_at(0)->patterns, pattern_before);

  // A pitch exported under "wet" and read back under "normal" from the
  // file F2 wrote, then as 24-bit under its reading name.
  PitchModeState& st = pitch_mode_state();
  st.pitch_index = 0;
  pitch_type() = 2;
  apply_pitch_type(2);
  ASSERT_EQ(key(kPitchMode, platform::VK_F2), 1);
  const auto picture_before = pitch_picture(*pitch_at(0));
  const Image pitch_file = decode_file("pitch1-wet.bmp");
  pitch_type() = 4;
  apply_pitch_type(4);
  ASSERT_EQ(key(kPitchMode, platform::VK_INSERT), 1);
  EXPECT_EQ(status(), "Pitch replaced with pitch1-wet.bmp OK.");
  EXPECT_EQ(pitch_picture(*pitch_at(0)), picture_before);
  // In true colour the name of the export tells the type.
  write_file("pitch1-wet.bmp", bmp24(true_colour(reversed(pitch_file))));
  ASSERT_EQ(key(kPitchMode, platform::VK_INSERT), 1);
  EXPECT_EQ(status(), "Pitch replaced with pitch1-wet.bmp OK.");
  EXPECT_EQ(pitch_picture(*pitch_at(0)), picture_before);
  // Under the reading name the type is not known; where two entries have a
  // colour, what the pitch had there decides.
  write_file("pitch1.bmp", bmp24(true_colour(reversed(pitch_file))));
  ASSERT_EQ(key(kPitchMode, platform::VK_INSERT), 1);
  EXPECT_EQ(status(), "Pitch replaced with pitch1.bmp OK.");
  EXPECT_EQ(pitch_picture(*pitch_at(0)), picture_before);
  const auto shown = [](const std::vector<std::uint8_t>& picture, const Palette& palette) {
    std::vector<std::uint32_t> colours;
    for (std::uint8_t v : picture)
      colours.push_back(colour_key(palette[3 * v], palette[3 * v + 1], palette[3 * v + 2]));
    return colours;
  };
  Palette wet = game_palette();
  apply_pitch_colours(wet, 2);
  // A pitch with nothing to go by (all blank) looks as painted under the
  // type the picture was made with.
  PitchTiles blank;
  blank.patterns.assign(kPatternSize, 0);
  blank.count = 1;
  apply_pitch_tiles(*pitch_at(0), std::move(blank));
  ASSERT_EQ(key(kPitchMode, platform::VK_INSERT), 1);
  EXPECT_EQ(status(), "Pitch replaced with pitch1.bmp OK.");
  EXPECT_EQ(shown(pitch_picture(*pitch_at(0)), wet), shown(picture_before, wet));
  Image off_pitch = true_colour(pitch_file);
  const std::size_t off_at = 4 * (672 * 800 + 600);
  off_pitch.rgba[off_at] = 0x0D;
  off_pitch.rgba[off_at + 1] = 0xC8;
  off_pitch.rgba[off_at + 2] = 0x4D;
  write_file("pitch1.bmp", bmp24(off_pitch));
  const auto cells_before = pitch_at(0)->cells;
  key(kPitchMode, platform::VK_INSERT);
  EXPECT_EQ(status(), "Error inserting pitch\ncolour 0DC84D at 600,800 not in the palette");
  EXPECT_EQ(pitch_at(0)->cells, cells_before);
}

TEST_F(ImageExchange, InsertReadsTheNewerFileAndPitchesFallBackToTheirExports) {
  paint_sprite(5);
  const std::vector<std::uint8_t> painted = shows(5);
  ASSERT_TRUE(save_sprite_bitmap(5, 3, sprite_at(5), true));
  ASSERT_TRUE(save_sprite_bitmap(5, 3, sprite_at(7), true, ExportFormat::png));
  // The PNG (sprite 7's picture) is newer.
  set_age("spr0005.bmp", 100);
  set_age("spr0005.png", 50);
  ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(shows(5), shows(7));
  set_age("spr0005.png", 200);
  ASSERT_TRUE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(shows(5), painted);

  // No pitch2.bmp or .png: the newest export of pitch 2.
  pitch_mode_state().pitch_index = 1;
  EXPECT_EQ(pitch_import_file(1), "");
  key(kPitchMode, platform::VK_INSERT);
  EXPECT_EQ(status(), "pitch2.bmp not found.");
  ASSERT_TRUE(save_pitch_bitmap(1, 4));
  ASSERT_TRUE(save_pitch_bitmap(1, 5, ExportFormat::png));
  ASSERT_TRUE(save_pitch_bitmap(1, 6));
  set_age("pitch2-normal.bmp", 300);
  set_age("pitch2-dry.png", 100);
  set_age("pitch2-hard.bmp", 200);
  EXPECT_EQ(pitch_import_file(1), "pitch2-dry.png");
  key(kPitchMode, platform::VK_INSERT);
  EXPECT_EQ(status(), "Pitch replaced with pitch2-dry.png OK.");
  // The reading name wins over every export.
  ASSERT_TRUE(fs::copy_file("pitch2-hard.bmp", "pitch2.bmp"));
  set_age("pitch2.bmp", 1000);
  EXPECT_EQ(pitch_import_file(1), "pitch2.bmp");
}

TEST_F(ImageExchange, InsertAllReportsItsCountAndTheFirstFailure) {
  for (int k : {3, 4, 6}) ASSERT_TRUE(save_sprite_bitmap(k, 3, sprite_at(k + 100), true));
  ASSERT_TRUE(save_sprite_bitmap(8, 3, sprite_at(108), true, ExportFormat::png));
  insert_all_sprite_bitmaps();
  EXPECT_EQ(status(), "Inserted 4 sprites");
  for (int k : {3, 4, 6, 8}) EXPECT_EQ(shows(k), shows(k + 100)) << k;

  Image off = true_colour(decode_file("spr0004.bmp"));
  off.rgba[0] = 0x0D;
  off.rgba[1] = 0xC8;
  off.rgba[2] = 0x4D;
  off.rgba[3] = 255;
  write_file("spr0004.bmp", bmp24(off));
  write_file("spr0006.bmp", std::vector<std::uint8_t>(10, 0));
  insert_all_sprite_bitmaps();
  EXPECT_EQ(status(),
            "Inserted 2 sprites, 2 failed\nspr0004.bmp: colour 0DC84D at 0,0 not in the palette");
}

// The exports of every mode, BMP and PNG, over a file the user painted, an
// equal picture and no file.
TEST_F(ImageExchange, ExportsAskBeforeReplacingAChangedPicture) {
  pattern_mode_state().pitch_index = 1;
  pattern_mode_state().pattern = 2;
  pitch_mode_state().pitch_index = 2;
  pitch_type() = 3;
  apply_pitch_type(3);
  sprite_mode_state().current = 5;
  const std::string picture = picture_ring().pictures.front().file_name;
  struct Case {
    const char* what;
    int mode;
    std::string name;
    bool png;
    std::function<void()> enter;
  };
  const Case cases[] = {
      {"sprite", kSpriteMode, "spr0005.bmp", false, [] {}},
      {"sprite PNG", kSpriteMode, "spr0005.png", true, [] {}},
      {"pattern", kPatternMode, "pt2-2.bmp", false, [] {}},
      {"pattern PNG", kPatternMode, "pt2-2.png", true, [] {}},
      {"pitch", kPitchMode, "pitch3-soft.bmp", false, [] {}},
      {"pitch PNG", kPitchMode, "pitch3-soft.png", true, [] {}},
      {"picture", kPictureMode, picture_export_name(picture, ExportFormat::bmp), false,
       [] { mode_table()[kPictureMode].enter(0); }},
      {"picture PNG", kPictureMode, picture_export_name(picture, ExportFormat::png), true,
       [] { mode_table()[kPictureMode].enter(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.enter();
    const std::string saved = "Saved " + c.name + " OK";
    ASSERT_EQ(key(c.mode, platform::VK_F2, c.png), 1);
    ASSERT_EQ(status(), saved) << "no file: written at once";
    const auto exported = read_bytes(c.name);
    ASSERT_EQ(key(c.mode, platform::VK_F2, c.png), 1);
    EXPECT_EQ(status(), saved) << "the same file: written at once";
    EXPECT_EQ(status_state().key_capture, nullptr);
    // The same picture written another way (palette reversed, as a BMP
    // whatever the name says) is no change either; a sprite PNG's
    // transparency has no BMP.
    if (!(c.mode == kSpriteMode && c.png)) {
      write_file(c.name, bmp8(reversed(decode_file(c.name))));
      ASSERT_EQ(key(c.mode, platform::VK_F2, c.png), 1);
      EXPECT_EQ(status(), saved);
      EXPECT_EQ(read_bytes(c.name), exported);
    }

    // One pixel painted in another colour: asked; N, Escape and other keys
    // keep it.
    Image painted = decode_file(c.name);
    auto& px = painted.indices[painted.indices.size() / 2];
    const auto old_colour = painted.palette[px];
    for (std::size_t e = 0; e < painted.palette.size(); ++e)
      if (!std::equal(old_colour.begin(), old_colour.begin() + 3, painted.palette[e].begin())) {
        px = static_cast<std::uint8_t>(e);
        break;
      }
    const auto painted_file = bmp8(painted);
    for (std::uint32_t no : {std::uint32_t{'N'}, std::uint32_t{platform::VK_ESCAPE}}) {
      write_file(c.name, painted_file);
      ASSERT_EQ(key(c.mode, platform::VK_F2, c.png), 1);
      EXPECT_EQ(status(), "Overwrite " + c.name + "? (y/n)");
      EXPECT_EQ(status_state().key_capture('X', 0), 0) << "other keys wait";
      answer(no);
      EXPECT_EQ(status(), "");
      EXPECT_EQ(status_state().key_capture, nullptr);
      EXPECT_EQ(read_bytes(c.name), painted_file);
    }
    // A file that is no picture at all is asked about too.
    write_file(c.name, std::vector<std::uint8_t>(100, 7));
    ASSERT_EQ(key(c.mode, platform::VK_F2, c.png), 1);
    EXPECT_EQ(status(), "Overwrite " + c.name + "? (y/n)");
    answer('Y');
    EXPECT_EQ(status(), saved);
    EXPECT_EQ(read_bytes(c.name), exported);
  }
}

// A sprite file that imports as the sprite is replaced without asking: one
// on another background, one a program made opaque.
TEST_F(ImageExchange, SpriteFilesThatImportAsTheSpriteNeedNoQuestion) {
  paint_sprite(5);
  sprite_mode_state().current = 5;
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2), 1);
  ASSERT_EQ(key(kSpriteMode, '3'), 1);  // background 114
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2), 1);
  EXPECT_EQ(status(), "Saved spr0005.bmp OK");
  EXPECT_EQ(read_bytes("spr0005.bmp"), encode_sprite_bitmap(*sprite_at(5), 114));
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2, true), 1);
  write_file("spr0005.png", bmp24(true_colour(decode_file("spr0005.png"))));
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2, true), 1);
  EXPECT_EQ(status(), "Saved spr0005.png OK");
  // One pixel more is a change.
  Image more = decode_file("spr0005.bmp");
  more.indices[0] = more.indices[0] == 16 ? 1 : 16;
  write_file("spr0005.bmp", bmp8(more));
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2), 1);
  EXPECT_EQ(status(), "Overwrite spr0005.bmp? (y/n)");
  answer('N');
}

TEST_F(ImageExchange, SaveAllAsksOnceAndNoKeepsTheChangedFiles) {
  // Thousands of fsyncs: on a tmpfs where one can be mounted.
  Tmpfs fast(demo_.path() / "fast", 64 * 1024);
  if (fast.ok()) fs::current_path(fast.path());
  sprite_mode_state().background = 3;
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2, false, true), 1);
  save_all_sprite_bitmaps();
  EXPECT_EQ(status(), "");
  const auto first = read_bytes("spr0001.bmp"), second = read_bytes("spr0002.bmp");
  Image painted = decode_file("spr0001.bmp");
  painted.indices[0] = painted.indices[0] == 16 ? 1 : 16;
  const auto painted_file = bmp8(painted);
  const std::vector<std::uint8_t> junk(50, 1);
  auto prepare = [&] {
    write_file("spr0001.bmp", painted_file);
    write_file("spr0002.bmp", junk);
    write_file("spr0003.bmp", bmp8(reversed(decode_file("spr0003.bmp"))));  // same picture
    fs::remove("spr0004.bmp");
    fs::remove("spr1333.bmp");
  };
  prepare();
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2, false, true), 1);
  save_all_sprite_bitmaps();
  EXPECT_EQ(status(), "Overwrite 2 changed bitmaps? (y/n)");
  // The missing and unchanged ones are written before the question.
  EXPECT_EQ(read_bytes("spr0003.bmp"), encode_sprite_bitmap(*sprite_at(3), 3));
  EXPECT_TRUE(fs::exists("spr0004.bmp") && fs::exists("spr1333.bmp"));
  answer('N');
  EXPECT_EQ(read_bytes("spr0001.bmp"), painted_file);
  EXPECT_EQ(read_bytes("spr0002.bmp"), junk);
  prepare();
  save_all_sprite_bitmaps();
  answer(platform::VK_ESCAPE);
  EXPECT_EQ(read_bytes("spr0001.bmp"), painted_file);
  save_all_sprite_bitmaps();
  answer('Y');
  EXPECT_EQ(status(), "");
  EXPECT_EQ(read_bytes("spr0001.bmp"), first);
  EXPECT_EQ(read_bytes("spr0002.bmp"), second);

  // Ctrl+Shift+F2: every sprite as PNG, asked about the same way.
  ASSERT_EQ(key(kSpriteMode, platform::VK_F2, true, true), 1);
  save_all_sprite_bitmaps();
  EXPECT_EQ(status(), "");
  for (int k : {0, 700, 1333})
    EXPECT_TRUE(decode_file(sprite_export_name(k, ExportFormat::png)).indexed) << k;
  write_file("spr0700.png", painted_file);
  save_all_sprite_bitmaps();
  EXPECT_EQ(status(), "Overwrite 1 changed bitmap? (y/n)");
  answer('N');
  EXPECT_EQ(read_bytes("spr0700.png"), painted_file);
  save_all_format() = ExportFormat::bmp;
  fs::current_path(demo_.path());
}

}  // namespace

namespace {

// Files real programs wrote from the editor's exports (see
// tests/fixtures/images/README.md): each import gives exactly the numbers
// its source gives.
TEST_F(ImageExchange, PaintProgramFilesImportAsTheirSources) {
  const std::string images = std::string(TAVU_FIXTURES_DIR) + "/images/";
  auto load = [](const std::string& path) {
    Image im;
    EXPECT_TRUE(read_image_file(path, im).ok()) << path;
    return im;
  };
  const Image sprite = load(images + "spr0828.bmp");
  const SpriteImageImport want_sprite = import_sprite_image(sprite_at(828), sprite, 3);
  ASSERT_TRUE(want_sprite.ok() && want_sprite.colours_matched);
  for (const char* name :
       {"im-spr-rle8.bmp", "im-spr-4bit.bmp", "im-spr-os2.bmp", "im-spr-24.bmp", "im-spr-32.bmp",
        "im-spr-png8.png", "im-spr-png24.png", "im-spr-png32.png", "im-spr-interlaced.png",
        "pil-spr-quantized.bmp", "pil-spr-opt.png"}) {
    SCOPED_TRACE(name);
    const SpriteImageImport got = import_sprite_image(sprite_at(828), load(images + name), 3);
    ASSERT_TRUE(got.ok()) << got.reason;
    EXPECT_TRUE(got.colours_matched);
    EXPECT_EQ(got.sprite.pixels, want_sprite.sprite.pixels);
  }
  const Image pattern = load(images + "pt1-12.bmp");
  const PatternImageImport want_pattern = import_pattern_image(pattern, pattern_palette());
  ASSERT_TRUE(want_pattern.ok() && want_pattern.colours_matched);
  for (const char* name :
       {"im-pattern-rle8.bmp", "im-pattern-24.bmp", "im-pattern-png8.png",
        "im-pattern-png24-interlaced.png", "pil-pattern-short.bmp", "pil-pattern-opt.png"}) {
    SCOPED_TRACE(name);
    const PatternImageImport got = import_pattern_image(load(images + name), pattern_palette());
    ASSERT_TRUE(got.ok()) << got.reason;
    EXPECT_TRUE(got.colours_matched);
    EXPECT_EQ(got.pixels, want_pattern.pixels);
  }
  const std::string bmps = std::string(TAVU_FIXTURES_DIR) + "/bmp/";
  const PitchPictureImport want_pitch =
      import_pitch_picture(load(bmps + "pitch.bmp"), pattern_palette());
  ASSERT_TRUE(want_pitch.ok());
  for (const std::string& path : {images + "im-pitch-png8.png", images + "pil-pitch-opt.png",
                                  bmps + "gimp-pitch.bmp", bmps + "im3-pitch.bmp"}) {
    SCOPED_TRACE(path);
    // The source's random numbers use entries of equal colour, which
    // ImageMagick merges: what the pitch had there decides.
    const PitchPictureImport got =
        import_pitch_picture(load(path), pattern_palette(), -1, want_pitch.picture);
    ASSERT_TRUE(got.ok()) << got.reason;
    EXPECT_EQ(got.colours_matched, want_pitch.colours_matched);
    EXPECT_EQ(got.picture, want_pitch.picture);
  }
}

}  // namespace
