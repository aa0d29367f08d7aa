#include "demo_data/demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "pictures/picture_format.h"
#include "pitch/pitch_format.h"
#include "replays/recording_format.h"
#include "shell/bytes.h"
#include "sprites/sprite_format.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace tavu {
namespace {

namespace fs = std::filesystem;
using test::DemoDir;
using test::read_bytes;

struct ParsedSprite {
  SpriteRecord record;
  std::size_t header_at = 0;
};

// Walks a graphics file; fails the test when a sprite runs past its end.
std::vector<ParsedSprite> parse_file(const std::vector<std::uint8_t>& bytes, int count) {
  std::vector<ParsedSprite> out;
  std::size_t at = 0;
  for (int i = 0; i < count; ++i) {
    if (at + kSpriteHeaderSize > bytes.size()) {
      ADD_FAILURE() << "header " << i << " outside the file";
      return out;
    }
    ParsedSprite s;
    s.header_at = at;
    s.record = parse_sprite_header(
        std::span<const std::uint8_t, kSpriteHeaderSize>(bytes.data() + at, kSpriteHeaderSize));
    at += kSpriteHeaderSize;
    if (at + s.record.data_length > bytes.size()) {
      ADD_FAILURE() << "pixels of sprite " << i << " outside the file";
      return out;
    }
    s.record.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + s.record.data_length));
    planar_to_chunky(&s.record);
    at += s.record.data_length;
    out.push_back(std::move(s));
  }
  EXPECT_EQ(at, bytes.size()) << "bytes after the last sprite";
  return out;
}

int pixel(const SpriteRecord& s, int x, int y) {
  const std::uint8_t b = s.pixels[static_cast<std::size_t>(y) * s.width_words * 8 + x / 2];
  return x % 2 == 0 ? b >> 4 : b & 15;
}

std::set<int> colours_of(const SpriteRecord& s) {
  std::set<int> used;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) used.insert(pixel(s, x, y));
  return used;
}

class DemoDataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = new DemoDir(); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::vector<std::uint8_t> file(const std::string& name) {
    return read_bytes(dir_->file(name));
  }
  // All 1334 sprites as the editor loads them, by number.
  static std::vector<SpriteRecord> sprite_table() {
    std::vector<SpriteRecord> table;
    for (const auto& entry : kSpriteFiles)
      for (auto& s : parse_file(file(entry.name), entry.count))
        table.push_back(std::move(s.record));
    return table;
  }
  static DemoDir* dir_;
};
DemoDir* DemoDataTest::dir_ = nullptr;

TEST_F(DemoDataTest, WritesExactlyTheGameFiles) {
  ASSERT_TRUE(dir_->ok());
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_->path()))
    names.insert(e.path().filename().string());
  const std::set<std::string> expected = {
      "SPRITE.DAT", "CHARSET.DAT", "SCORE.DAT",  "TEAM1.DAT",  "TEAM2.DAT",   "TEAM3.DAT",
      "GOAL1.DAT",  "BENCH.DAT",   "team4.dat",  "pitch1.dat", "pitch2.dat",  "pitch3.dat",
      "pitch4.dat", "pitch5.dat",  "pitch6.dat", "pitch1.blk", "pitch2.blk",  "pitch3.blk",
      "pitch4.blk", "pitch5.blk",  "pitch6.blk", "stad.256",   "kltitle.256", "fill.256",
      "night.256",  "ball.256",    "match1.hil", "match2.hil", "final.rpl",   "derby.rpl"};
  EXPECT_EQ(names, expected);
}

TEST_F(DemoDataTest, SpriteFilesAndIndexAgree) {
  const auto index = file("SPRITE.DAT");
  ASSERT_EQ(index.size(), kSpriteIndexSize);
  std::uint32_t run = 0;  // offset within the concatenation of entries 1-6
  for (int e = 0; e < kSpriteFileCount; ++e) {
    const auto bytes = file(kSpriteFiles[e].name);
    const auto sprites = parse_file(bytes, kSpriteFiles[e].count);
    ASSERT_EQ(static_cast<int>(sprites.size()), kSpriteFiles[e].count) << kSpriteFiles[e].name;
    for (int i = 0; i < kSpriteFiles[e].count; ++i) {
      const auto& s = sprites[static_cast<std::size_t>(i)];
      const int number = kSpriteFiles[e].first + i;
      const std::uint32_t expected = e == 0 ? static_cast<std::uint32_t>(s.header_at)
                                            : run + static_cast<std::uint32_t>(s.header_at);
      EXPECT_EQ(get_u32(index, static_cast<std::size_t>(number) * 4), expected) << number;
      EXPECT_GT(s.record.width, 0) << number;
      EXPECT_GT(s.record.height, 0) << number;
      EXPECT_EQ(s.record.width_words, (s.record.width + 15) / 16) << number;
      EXPECT_EQ(s.record.ordinal, i);
      EXPECT_NE(s.record.field20, 0) << number;
    }
    if (e > 0) run += static_cast<std::uint32_t>(bytes.size());
  }
  EXPECT_EQ(get_u32(index, 227 * 4), 0u);
  EXPECT_EQ(get_u32(index, 1334 * 4), 0u);
}

TEST_F(DemoDataTest, TeamFilesShareTheTeam3Layout) {
  const auto team3 = parse_file(file("TEAM3.DAT"), 303);
  for (const char* name : {"TEAM2.DAT", "team4.dat"}) {
    const auto bytes = file(name);
    const auto other = parse_file(bytes, 303);
    ASSERT_EQ(other.size(), team3.size()) << name;
    bool differs = false;
    for (std::size_t i = 0; i < other.size(); ++i) {
      EXPECT_EQ(other[i].record.data_length, team3[i].record.data_length) << name << " " << i;
      differs = differs || other[i].record.pixels != team3[i].record.pixels;
    }
    EXPECT_TRUE(differs) << name << " looks like TEAM3.DAT";
  }
}

TEST_F(DemoDataTest, SpritesShowTheFormatsVariety) {
  const auto table = sprite_table();
  ASSERT_EQ(table.size(), static_cast<std::size_t>(kSpriteCount));
  bool odd_width = false, one_by_one = false, large = false, off_centre = false;
  for (const auto& s : table) {
    odd_width = odd_width || s.width % 16 != 0;
    one_by_one = one_by_one || (s.width == 1 && s.height == 1);
    large = large || (s.width >= 64 && s.height >= 48);
    off_centre = off_centre || (s.centre_x != s.width / 2 && s.centre_y != s.height / 2);
  }
  EXPECT_TRUE(odd_width);
  EXPECT_TRUE(one_by_one);
  EXPECT_TRUE(large);
  EXPECT_TRUE(off_centre);
}

TEST_F(DemoDataTest, CharacterSetHasEveryGlyphWithinTheLineHeight) {
  const auto table = sprite_table();
  const std::string chars = "'(),./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ*-?:+%;";
  const std::vector<int> small = {1,  2,  3,  4,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                  15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                  28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
                                  41, 42, 43, 45, 47, 48, 49, 50, 51, 52};
  ASSERT_EQ(chars.size(), small.size());
  // A list, not a std::set: g++ 12 at -O3 warns falsely (stringop-overread)
  // in the vectors' ordering.
  std::vector<std::vector<std::uint8_t>> distinct;
  for (int n : small) {
    for (int size = 0; size < 2; ++size) {
      const auto& s = table[static_cast<std::size_t>(n + 57 * size)];
      EXPECT_LE(s.height, size ? 8 : 6) << n;
      EXPECT_TRUE(colours_of(s).count(2)) << "glyph " << n + 57 * size << " is empty";
      if (std::find(distinct.begin(), distinct.end(), s.pixels) == distinct.end())
        distinct.push_back(s.pixels);
    }
  }
  EXPECT_EQ(distinct.size(), small.size() * 2) << "two characters share a glyph";
  // Form feed cursor, and the pattern number digits 1-9.
  EXPECT_TRUE(colours_of(table[44]).count(2));
  EXPECT_TRUE(colours_of(table[101]).count(2));
  for (int n = 162; n <= 170; ++n) {
    EXPECT_TRUE(colours_of(table[static_cast<std::size_t>(n)]).count(2)) << n;
    EXPECT_LE(table[static_cast<std::size_t>(n)].width, 5) << n;
  }
}

TEST_F(DemoDataTest, PlayersWearTeamColours) {
  const auto table = sprite_table();
  for (int first : {341, 644, 947}) {
    for (int n = first; n < first + 24; ++n) {
      const auto used = colours_of(table[static_cast<std::size_t>(n)]);
      EXPECT_LE(table[static_cast<std::size_t>(n)].width, 16) << n;
      EXPECT_GE(table[static_cast<std::size_t>(n)].height, 16) << n;
      // Colour 7 turns transparent in playback.
      EXPECT_FALSE(used.count(7)) << n;
      if (first != 947) {
        for (int team_colour : {10, 11, 14, 15}) EXPECT_TRUE(used.count(team_colour)) << n;
      }
    }
  }
  // The two runs of GOAL1.DAT are the same file.
  for (int i = 0; i < 116; ++i)
    EXPECT_EQ(table[static_cast<std::size_t>(947 + i)].pixels,
              table[static_cast<std::size_t>(1063 + i)].pixels);
}

TEST_F(DemoDataTest, PitchesAreValidAndDiffer) {
  const std::set<int> allowed = {0, 7, 9, 78, 79, 80, 81, 106, 107, 1, 2, 8, 17};
  std::vector<std::vector<std::uint8_t>> maps;
  for (int p = 1; p <= kPitchCount; ++p) {
    const auto map = file(pitch_map_name(p));
    const auto patterns = file(pitch_pattern_name(p));
    ASSERT_EQ(map.size(), static_cast<std::size_t>(kPitchCells) * 4) << p;
    ASSERT_EQ(patterns.size() % kPatternSize, 0u);
    EXPECT_LT(pattern_count_for_size(patterns.size()), 296u) << p;
    EXPECT_TRUE(std::all_of(patterns.begin(), patterns.begin() + kPatternSize, [](std::uint8_t v) {
      return v == 0;
    })) << "pattern 0 is not blank";
    std::set<std::uint32_t> used;
    for (std::uint32_t cell : decode_pitch_map(map)) {
      EXPECT_EQ(cell % kPatternSize, 0u);
      EXPECT_TRUE(cell_in_patterns(cell, patterns.size()));
      used.insert(cell);
    }
    EXPECT_EQ(used.size() + (used.count(0) ? 0 : 1), pattern_count_for_size(patterns.size()))
        << "unused patterns in pitch " << p;
    for (std::uint8_t v : patterns) EXPECT_TRUE(allowed.count(v)) << "colour " << int(v);
    if (std::find(maps.begin(), maps.end(), map) == maps.end()) maps.push_back(map);
  }
  EXPECT_EQ(maps.size(), static_cast<std::size_t>(kPitchCount));
}

TEST_F(DemoDataTest, PicturesAreWholeAndLabelled) {
  bool dark = false;
  for (const char* name : {"stad.256", "kltitle.256", "fill.256", "night.256", "ball.256"}) {
    const auto bytes = file(name);
    ASSERT_EQ(bytes.size(), kPictureFileSize) << name;
    EXPECT_TRUE(std::all_of(bytes.begin() + kPicturePixelBytes, bytes.end(), [](std::uint8_t v) {
      return v < 64;
    })) << name;
    const auto picture = decode_picture(bytes);
    ASSERT_TRUE(picture);
    int brightest = 0;
    for (std::size_t i = 0; i < 256; ++i) {
      const int r = picture->palette[i * 3], g = picture->palette[i * 3 + 1],
                b = picture->palette[i * 3 + 2];
      brightest = std::max(brightest, static_cast<int>(std::sqrt(r * r + g * g + b * b)));
    }
    dark = dark || brightest < 381;
    std::set<std::uint8_t> values(picture->pixels.begin(), picture->pixels.end());
    EXPECT_GT(values.size(), 8u) << name << " is nearly blank";
  }
  EXPECT_TRUE(dark);
  const auto fill = file("fill.256");
  EXPECT_TRUE(std::all_of(fill.begin(), fill.begin() + kPicturePixelBytes,
                          [](std::uint8_t v) { return v <= 31; }));
}

TEST_F(DemoDataTest, RecordingsPlayAndCoverEveryKitCase) {
  std::set<int> kits;
  for (const char* name : {"match1.hil", "match2.hil", "final.rpl", "derby.rpl"}) {
    const bool highlight = std::string(name).ends_with(".hil");
    const auto kind = highlight ? RecordingKind::kHighlight : RecordingKind::kReplay;
    const auto bytes = file(name);
    ASSERT_EQ(check_recording(bytes, kind), RecordingCheck::kOk) << name;
    const auto header = decode_recording_header(bytes);
    ASSERT_TRUE(header);
    EXPECT_LE(header->pitch_type, 6);
    EXPECT_LE(header->pitch_index, 5);
    for (const auto& t : header->teams) kits.insert(t.kit_code);
    std::vector<std::vector<RecordingFrame>> recordings;
    walk_recording(bytes, kind,
                   [&](std::size_t highlight, const FrameWords& w, const FrameInWords& f) {
                     if (highlight >= recordings.size()) recordings.resize(highlight + 1);
                     recordings[highlight].push_back(to_recording_frame(w, f));
                     return true;
                   });
    if (highlight) {
      EXPECT_GE(header->highlight_count, 2);
      EXPECT_LE(header->highlight_count, 3);
      EXPECT_EQ(recordings.size(), header->highlight_count) << name;
    }
    for (const auto& frames : recordings) {
      ASSERT_GT(frames.size(), 50u) << name;
      std::set<std::pair<int, int>> cameras, scores;
      std::set<int> sprites;
      for (const auto& f : frames) {
        EXPECT_GE(f.camera_x, 0);
        EXPECT_LE(f.camera_x, 352);
        EXPECT_GE(f.camera_y, 0);
        EXPECT_LE(f.camera_y, 655);
        cameras.insert({f.camera_x, f.camera_y});
        scores.insert({f.goals_first, f.goals_second});
        for (const auto& s : f.sprites) {
          EXPECT_LT(s.sprite, kSpriteCount);
          sprites.insert(s.sprite);
        }
      }
      EXPECT_GT(cameras.size(), 20u) << "camera hardly moves in " << name;
      EXPECT_GE(scores.size(), 2u) << "no goal in " << name;
      const auto has = [&](int lo, int hi) {
        return std::any_of(sprites.begin(), sprites.end(),
                           [=](int n) { return n >= lo && n <= hi; });
      };
      EXPECT_TRUE(has(341, 643) && has(644, 946)) << name;
      EXPECT_TRUE(has(947, 1178)) << "no goalkeeper in " << name;
      EXPECT_TRUE(has(1179, 1182)) << "no ball in " << name;
    }
  }
  EXPECT_EQ(kits, (std::set<int>{0, 2, 3, 4, 5}));
  EXPECT_FALSE(fs::exists(dir_->file("team5.dat")));
}

TEST(DemoDataDeterminism, TwoRunsAndTheProgramGiveTheSameBytes) {
  std::vector<NamedFile> a, b;
  std::string error;
  ASSERT_TRUE(build_demo_files(&a, &error)) << error;
  ASSERT_TRUE(build_demo_files(&b, &error)) << error;
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_TRUE(a[i].bytes == b[i].bytes) << a[i].name;
  }
#ifdef TAVU_DEMO_DATA_PATH
  const fs::path dir = test::make_temp_dir("demo-program");
  ASSERT_FALSE(dir.empty());
  const std::string command =
      std::string(TAVU_DEMO_DATA_PATH) + " '" + (dir / "sub").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const auto& f : a) EXPECT_TRUE(read_bytes(dir / "sub" / f.name) == f.bytes) << f.name;
  fs::remove_all(dir);
#endif
}

TEST(PictureAndPitchFormats, SizesAndPartialData) {
  std::vector<std::uint8_t> pic(kPictureFileSize, 0);
  pic[kPicturePixelBytes] = 64;  // wraps within the byte, as the game does
  pic[kPicturePixelBytes + 1] = 63;
  const auto decoded = decode_picture(pic);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->palette[0], 0);
  EXPECT_EQ(decoded->palette[1], 252);
  pic.push_back(0);
  EXPECT_FALSE(decode_picture(pic));
  pic.resize(kPictureFileSize - 1);
  EXPECT_FALSE(decode_picture(pic));
  EXPECT_TRUE(encode_picture(std::vector<std::uint8_t>(10), decoded->palette).empty());

  EXPECT_EQ(decode_pitch_map(std::vector<std::uint8_t>(9241)).size(), 2310u);
  EXPECT_EQ(encode_patterns(std::vector<std::uint8_t>(1000)).size(), 768u);
  EXPECT_TRUE(cell_in_patterns(512, 768));
  EXPECT_FALSE(cell_in_patterns(513, 768));
  EXPECT_FALSE(cell_in_patterns(0, 255));
  EXPECT_EQ(pitch_pattern_name(3), "pitch3.blk");
}

TEST(DemoDirHelpers, DeriveBrokenVariants) {
  DemoDir d;
  ASSERT_TRUE(d.ok());
  const auto size = fs::file_size(d.file("stad.256"));
  ASSERT_TRUE(test::truncate_by_one(d.path(), "stad.256"));
  EXPECT_EQ(fs::file_size(d.file("stad.256")), size - 1);
  ASSERT_TRUE(test::extend_by_one(d.path(), "SPRITE.DAT"));
  EXPECT_EQ(fs::file_size(d.file("SPRITE.DAT")), kSpriteIndexSize + 1);
  ASSERT_TRUE(test::remove_file(d.path(), "pitch3.blk"));
  EXPECT_FALSE(fs::exists(d.file("pitch3.blk")));
  ASSERT_TRUE(test::corrupt_sprite_header(d.path(), "BENCH.DAT", 5));
  const auto bench = read_bytes(d.file("BENCH.DAT"));
  std::size_t at = 0, i = 0;
  for (; i < 155 && at + kSpriteHeaderSize <= bench.size(); ++i)
    at += kSpriteHeaderSize + sprite_data_length(get_i16(bench, at + 14), get_i16(bench, at + 12));
  EXPECT_EQ(i, 6u) << "the corrupt sprite should run past the end";
  ASSERT_TRUE(test::lowercase_all(d.path()));
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(d.path())) names.insert(e.path().filename().string());
  EXPECT_TRUE(names.count("charset.dat"));
  EXPECT_FALSE(names.count("CHARSET.DAT"));
  ASSERT_TRUE(test::uppercase_all(d.path()));
  EXPECT_TRUE(fs::exists(d.file("PITCH1.DAT")));
  // A second copy is untouched by the edits to the first.
  DemoDir fresh;
  EXPECT_EQ(fs::file_size(fresh.file("stad.256")), kPictureFileSize);
}

}  // namespace
}  // namespace tavu
