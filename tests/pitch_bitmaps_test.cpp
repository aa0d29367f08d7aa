// Pattern and pitch bitmaps: what the exports write, what the imports
// accept, and the tile matching that rebuilds a pitch from a picture.
#include "pitch/pitch_bitmaps.h"

#include <fstream>

#include "pitch_test_support.h"
#include "shell/bytes.h"
#include "sprites/bmp.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

std::vector<std::uint8_t> fixture(const std::string& name) {
  return test::read_bytes(fs::path(TAVU_FIXTURES_DIR) / "bmp" / name);
}

// Tile (t, c) of a picture filled with `value` (pixel (0, 0) gets `mark`).
void fill_tile(std::vector<std::uint8_t>& picture, int t, int c, std::uint8_t value,
               std::uint8_t mark) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      picture[static_cast<std::size_t>(t * 16 + y) * kPitchBitmapWidth + c * 16 + x] =
          x == 0 && y == 0 ? mark : value;
}

std::vector<std::uint8_t> pitch_bitmap_of(const std::vector<std::uint8_t>& picture) {
  return make_bmp_file(game_palette(), 256, kPitchBitmapWidth, kPitchBitmapHeight, picture);
}

using PitchBitmaps = test::PitchTest;

TEST_F(PitchBitmaps, ExportsHaveTheirSizesAndThePitchTypeColours) {
  pitch_type() = 3;
  apply_pitch_type(3);
  ASSERT_TRUE(save_pattern_bitmap(0, 4));
  EXPECT_EQ(status(), "Saved pt1-4.bmp OK");
  ASSERT_TRUE(save_pitch_bitmap(0, 3));
  EXPECT_EQ(status(), "Saved pitch1-soft.bmp OK");
  const auto pattern = test::read_bytes(dir_ / "pt1-4.bmp");
  const auto pitch = test::read_bytes(dir_ / "pitch1-soft.bmp");
  ASSERT_EQ(pattern.size(), 1334u);
  ASSERT_EQ(pitch.size(), 570934u);
  Palette soft = game_palette();
  apply_pitch_colours(soft, 3);
  for (const auto* file : {&pattern, &pitch})
    for (int e : {0, 7, 9, 78, 79, 80, 81, 106, 107, 200})
      EXPECT_EQ((std::array<int, 3>{(*file)[54 + 4 * e + 2], (*file)[54 + 4 * e + 1],
                                    (*file)[54 + 4 * e]}),
                (std::array<int, 3>{soft[3 * e], soft[3 * e + 1], soft[3 * e + 2]}))
          << e;
  // Bottom-up rows: the file's last row is the pattern's top row.
  EXPECT_TRUE(std::equal(pattern.end() - 16, pattern.end(), pitch_at(0)->patterns.begin() + 1024));
  EXPECT_FALSE(save_pattern_bitmap(0, 10)) << "pitch 1 has patterns 0-9";
}

TEST_F(PitchBitmaps, TileMatchingBlankPatternCopiesAndTheLimit) {
  std::vector<std::uint8_t> zero(kPitchPictureSize, 0), two = zero, many = zero;
  fill_tile(two, 0, 0, 40, 41);
  fill_tile(two, 0, 1, 50, 51);
  fill_tile(two, 30, 7, 40, 41);  // the first tile again
  for (int k = 0; k < kPitchPictureTiles; ++k)
    fill_tile(many, k / 42, k % 42, static_cast<std::uint8_t>(k),
              static_cast<std::uint8_t>(k / 256));
  struct Case {
    const std::vector<std::uint8_t>* picture;
    int pitch, count;
  };
  const Case cases[] = {{&zero, 0, 1}, {&zero, 5, 1},    {&two, 1, 5},
                        {&two, 5, 3},  {&many, 5, 2226}, {&many, 0, 2225 + 1 + 12}};
  for (const Case& c : cases) {
    PitchTiles tiles;
    ASSERT_TRUE(match_pitch_tiles(*c.picture, c.pitch, tiles));
    EXPECT_EQ(tiles.count, c.count) << c.pitch;
    EXPECT_EQ(tiles.patterns.size(), static_cast<std::size_t>(c.count) * 256);
  }
  PitchTiles tiles;
  ASSERT_TRUE(match_pitch_tiles(two, 1, tiles));
  EXPECT_EQ(tiles.numbers[0], 1u);
  EXPECT_EQ(tiles.numbers[1], 3u);
  EXPECT_EQ(tiles.numbers[30 * 42 + 7], 1u) << "never the copy";
  EXPECT_EQ(tiles.numbers[2], 0u);
  for (int k : {1, 3})
    EXPECT_TRUE(std::equal(tiles.patterns.begin() + k * 256, tiles.patterns.begin() + k * 256 + 256,
                           tiles.patterns.begin() + (k + 1) * 256));
  ASSERT_TRUE(match_pitch_tiles(many, 0, tiles));
  EXPECT_EQ(tiles.numbers[12], 23u);
  EXPECT_EQ(tiles.numbers[13], 25u) << "copies follow odd patterns up to 23 only";
}

TEST_F(PitchBitmaps, ReadingAPitchReplacesItAndFixesCellsOutsideThePicture) {
  std::vector<std::uint8_t> two(kPitchPictureSize, 0);
  fill_tile(two, 0, 0, 40, 41);
  fill_tile(two, 0, 1, 50, 51);
  test::write_file(dir_ / "PITCH2.BMP", pitch_bitmap_of(two));
  PitchRecord& p = *pitch_at(1);
  p.cells[0] = cell_for_pattern(7);
  p.cells[1] = cell_for_pattern(3);
  p.cells[2300] = cell_for_pattern(9) + 5;
  read_pitch_bitmap(1);
  EXPECT_EQ(status(), "Pitch replaced with pitch2.bmp OK.");
  EXPECT_EQ(p.pattern_count, 5);
  EXPECT_EQ(p.cells[0], cell_for_pattern(4));
  EXPECT_EQ(p.cells[1], cell_for_pattern(3));
  EXPECT_EQ(p.cells[2300], cell_for_pattern(4));
  EXPECT_EQ(p.cells[42], cell_for_pattern(1));
  EXPECT_EQ(p.cells[43], cell_for_pattern(3));
  EXPECT_EQ(pitch_picture(p), two);
  EXPECT_TRUE(pitch_files().map_modified);

  std::vector<std::uint8_t> many(kPitchPictureSize, 0);
  for (int k = 0; k < 400; ++k)
    fill_tile(many, k / 42, k % 42, static_cast<std::uint8_t>(k), 1 + k / 256);
  test::write_file(dir_ / "pitch6.bmp", pitch_bitmap_of(many));
  read_pitch_bitmap(5);
  EXPECT_EQ(status(), "To many unique patterns: 401\nTAVU can handle only 296");
  ASSERT_EQ(app().timers.size(), 1u);
  EXPECT_EQ(app().timers.front().interval, 4000u * 1000) << "4000 ms of the headless clock";
  EXPECT_EQ(pitch_at(5)->pattern_count, 401) << "applied anyway";
  EXPECT_EQ(pitch_picture(*pitch_at(5)), many);
}

TEST_F(PitchBitmaps, RefusedFilesChangeNothing) {
  const PitchRecord before = *pitch_at(0);
  auto pitch = pitch_bitmap_of(std::vector<std::uint8_t>(kPitchPictureSize, 9));
  auto top_down = pitch;
  put_u32(top_down, 22, static_cast<std::uint32_t>(-848));
  auto short_file = pitch;
  short_file.resize(short_file.size() - 1);
  struct Case {
    std::string file;
    std::vector<std::uint8_t> bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"pitch1.bmp", short_file, "Error inserting pitch"},
      {"pitch1.bmp", fixture("pattern.bmp"), "Error inserting pitch"},
      {"pt1-0.bmp", fixture("pitch.bmp"),
       "Error replacing pattern with pt1-0.bmp\n672x848, must be 16x16"},
      {"pitch1.bmp", {}, "pitch1.bmp not found."},
      {"pt1-0.bmp", {}, "pt1-0.bmp not found."},
  };
  for (const Case& c : cases) {
    fs::remove(dir_ / c.file);
    if (!c.bytes.empty()) test::write_file(dir_ / c.file, c.bytes);
    if (c.file == "pitch1.bmp")
      read_pitch_bitmap(0);
    else
      read_pattern_bitmap(0, 0);
    EXPECT_EQ(status().substr(0, c.message.size()), c.message) << c.file;
    EXPECT_EQ(status().find('\n') != std::string::npos,
              c.message.find("not found") == std::string::npos)
        << "a reason: " << status();
    EXPECT_EQ(pitch_at(0)->patterns, before.patterns);
    EXPECT_EQ(pitch_at(0)->cells, before.cells);
  }
  EXPECT_FALSE(pitch_changes_pending());
  EXPECT_FALSE(app_flag(unsaved_changes));
  // Stored top-down is read the right way up.
  test::write_file(dir_ / "pitch1.bmp", top_down);
  read_pitch_bitmap(0);
  EXPECT_EQ(status(), "Pitch replaced with pitch1.bmp OK.");
  EXPECT_EQ(pitch_picture(*pitch_at(0)), std::vector<std::uint8_t>(kPitchPictureSize, 9));
}

// GIMP (124-byte headers) and ImageMagick output reads exactly like its source.
TEST_F(PitchBitmaps, PaintProgramOutputImportsLikeItsSource) {
  PatternPixels source{}, other{};
  ASSERT_TRUE(decode_pattern_bitmap(fixture("pattern.bmp"), source));
  ASSERT_TRUE(decode_pattern_bitmap(fixture("gimp-pattern.bmp"), other));
  EXPECT_EQ(other, source);
  std::vector<std::uint8_t> picture;
  ASSERT_TRUE(decode_pitch_bitmap(fixture("pitch.bmp"), picture));
  for (const char* name : {"gimp-pitch.bmp", "im3-pitch.bmp"}) {
    test::write_file(dir_ / "Pitch3.bmp", fixture(name));
    read_pitch_bitmap(2);
    EXPECT_EQ(status(), "Pitch replaced with pitch3.bmp OK.") << name;
    EXPECT_EQ(pitch_picture(*pitch_at(2)), picture) << name;
  }
  test::write_file(dir_ / "PT2-7.BMP", fixture("gimp-pattern.bmp"));
  const PitchRecord before = *pitch_at(1);
  read_pattern_bitmap(1, 7);
  EXPECT_EQ(status(), "Pattern replaced with pt2-7.bmp OK");
  for (int k = 0; k < before.pattern_count; ++k)
    EXPECT_EQ(std::equal(before.patterns.begin() + k * 256, before.patterns.begin() + k * 256 + 256,
                         pitch_at(1)->patterns.begin() + k * 256),
              k != 7)
        << k;
  EXPECT_TRUE(std::equal(source.begin(), source.end(), pitch_at(1)->patterns.begin() + 7 * 256));
  EXPECT_TRUE(pitch_files().patterns_modified);
}

TEST_F(PitchBitmaps, ExportThenImportKeepsThePicture) {
  PitchRecord& p = *pitch_at(3);
  p.cells[100] = cell_for_pattern(400);  // outside the patterns: exported as colour 0
  const auto picture = pitch_picture(p);
  ASSERT_TRUE(save_pitch_bitmap(3, 4));
  fs::rename(dir_ / "pitch4-normal.bmp", dir_ / "pitch4.bmp");
  read_pitch_bitmap(3);
  EXPECT_EQ(pitch_picture(p), picture);
}

TEST_F(PitchBitmaps, FailedExportsKeepTheEarlierFile) {
  const std::vector<std::uint8_t> earlier = {1, 2, 3};
  test::write_file(dir_ / "pt1-0.bmp", earlier);
  set_file_fault_for_tests({.op = FileOp::write, .file = "pt1-0.bmp"});
  EXPECT_EQ(pattern_mode_key(platform::VK_F2), 1);
  EXPECT_EQ(status(), "Overwrite pt1-0.bmp? (y/n)");
  status_state().key_capture('Y', 0);
  EXPECT_EQ(status(), "Save failed");
  test::write_file(dir_ / "pitch1-frozen.bmp", earlier);
  set_file_fault_for_tests({.op = FileOp::write, .file = "pitch1-frozen.bmp"});
  EXPECT_EQ(pitch_mode_key(platform::VK_F2, 1, false), 1);
  status_state().key_capture('Y', 0);
  EXPECT_EQ(status(), "Save failed");
  for (const char* name : {"pt1-0.bmp", "pitch1-frozen.bmp"})
    EXPECT_EQ(test::read_bytes(dir_ / name), earlier) << name;
}

}  // namespace
