#include "sprites/sprite_bitmaps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "display/display.h"
#include "shell/bytes.h"
#include "sprite_test_support.h"
#include "sprites/blit.h"
#include "sprites/bmp.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::test;

namespace {

std::vector<std::uint8_t> fixture(const std::string& name) {
  return read_bytes(fs::path(TAVU_FIXTURES_DIR) / "bmp" / name);
}

// What a sprite shows: its width x height pixels drawn on colour 0.
std::vector<std::uint8_t> visible(const SpriteRecord& s) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(std::max<int>(s.width, 0)) *
                               std::max<int>(s.height, 0));
  draw_sprite_clipped(0, 0, px.data(), &s, s.width, -1, s.width, s.height);
  return px;
}

// The first line of a message.
std::string first_line(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// A sprite bitmap of `width` x `height` whose pixel (x, y) is `value(x, y)`,
// in the palette of the exports on background 3.
template <typename F>
std::vector<std::uint8_t> bitmap(int width, int height, F value) {
  std::vector<std::uint8_t> rgb(default_palette().begin(), default_palette().begin() + 48), px;
  rgb.insert(rgb.end(), default_palette().begin() + 9, default_palette().begin() + 12);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) px.push_back(static_cast<std::uint8_t>(value(x, y)));
  return make_bmp_file(rgb, 17, width, height, px);
}

class SpriteBitmaps : public SpriteDirTest {
 protected:
  void SetUp() override {
    SpriteDirTest::SetUp();
    sprites_ = make_test_sprites();
    write_sprite_dir(dir_, sprites_);
    ASSERT_TRUE(load_sprite_files());
    sprite_mode_state() = SpriteModeState{};
  }
  // Everything an import may change, to compare before and after.
  struct Observed {
    SpriteRecord sprite;
    std::uint32_t entry_size;
    bool entry_modified;
    std::uint8_t flags;
    bool unsaved;
    bool operator==(const Observed& o) const {
      return sprite.pixels == o.sprite.pixels && sprite.width == o.sprite.width &&
             sprite.height == o.sprite.height && sprite.width_words == o.sprite.width_words &&
             sprite.data_length == o.sprite.data_length && sprite.replaced == o.sprite.replaced &&
             sprite.field21 == o.sprite.field21 && entry_size == o.entry_size &&
             entry_modified == o.entry_modified && flags == o.flags && unsaved == o.unsaved;
    }
  };
  Observed observe(int number) {
    const int e = sprite_file_entry_of(number);
    return {*sprite_at(number), sprite_files().entries[e].current_size,
            sprite_files().entries[e].modified, sprite_files().flags, app_flag(unsaved_changes)};
  }
  std::vector<SpriteRecord> sprites_;
};

TEST_F(SpriteBitmaps, ExportOfA13x5Sprite) {
  SpriteRecord s;
  s.width = 13;
  s.height = 5;
  s.width_words = 1;
  s.data_length = 40;
  s.pixels.assign(40, 0);
  s.pixels[0] = 0x05;          // pixel 0 transparent, pixel 1 colour 5
  s.pixels[8 * 4 + 6] = 0xF0;  // bottom row, pixel 12 colour 15
  s.pixels[7] = 0x0F;          // padding pixel 15: not exported
  *sprite_at(42) = s;
  ASSERT_EQ(sprite_mode_key('0', false, false), 1);
  ASSERT_EQ(sprite_mode_state().background, 3);
  sprite_mode_state().current = 42;
  ASSERT_EQ(sprite_mode_key(platform::VK_F2, false, false), 1);
  EXPECT_EQ(status_text(), "Saved spr0042.bmp OK");
  const auto file = read_bytes("spr0042.bmp");
  ASSERT_EQ(file.size(), 202u);
  const Palette& pal = default_palette();
  for (int i = 0; i < 17; ++i) {
    const int from = i < 16 ? i : 3;
    EXPECT_EQ(file[54 + 4 * i], pal[3 * from + 2]) << i;
    EXPECT_EQ(file[54 + 4 * i + 1], pal[3 * from + 1]) << i;
    EXPECT_EQ(file[54 + 4 * i + 2], pal[3 * from]) << i;
  }
  // Bottom row first; padding is 16 too.
  const std::uint8_t* top = &file[122 + 4 * 16];
  const std::uint8_t* bottom = &file[122];
  EXPECT_EQ(top[0], 16);
  EXPECT_EQ(top[1], 5);
  for (int x = 2; x < 16; ++x) EXPECT_EQ(top[x], 16) << x;
  EXPECT_EQ(bottom[12], 15);
  EXPECT_EQ(bottom[13], 16);
}

TEST_F(SpriteBitmaps, ExportRefusesOversizedSprites) {
  SpriteRecord s = *sprite_at(5);
  s.width = 321;
  EXPECT_TRUE(encode_sprite_bitmap(s, 3).empty());
  s.width = -1;
  EXPECT_TRUE(encode_sprite_bitmap(s, 3).empty());
  s = *sprite_at(5);
  s.height = 201;
  EXPECT_FALSE(save_sprite_bitmap(5, 3, &s, false));
  EXPECT_FALSE(save_sprite_bitmap(1334, 3, sprite_at(5), false));
  EXPECT_FALSE(save_sprite_bitmap(5, 3, nullptr, false));
  EXPECT_FALSE(fs::exists("spr0005.bmp"));
  // A width beyond its words exports what the words hold, the rest clear.
  s = *sprite_at(5);
  s.width = static_cast<std::int16_t>(s.width_words * 16 + 9);
  const auto file = encode_sprite_bitmap(s, 3);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(read_bmp(file).row_from_top(0).back(), kBitmapTransparent);
}

TEST_F(SpriteBitmaps, ExportThenImportKeepsVisiblePixelsAndSizes) {
  for (int number : {0, 1, 2, 17, 229, 700, 1063, 1300, 1333}) {
    const SpriteRecord before = *sprite_at(number);
    ASSERT_TRUE(save_sprite_bitmap(number, 114, sprite_at(number), true));
    ASSERT_TRUE(replace_sprite_from_bitmap(number, false)) << number;
    EXPECT_EQ(status_text(), "Sprite replaced OK");
    const SpriteRecord& after = *sprite_at(number);
    EXPECT_EQ(after.width, before.width) << number;
    EXPECT_EQ(after.height, before.height);
    EXPECT_EQ(after.width_words, before.width_words);
    EXPECT_EQ(after.data_length, before.data_length);
    EXPECT_EQ(visible(after), visible(before)) << number;
    EXPECT_EQ(after.replaced, 1);
    EXPECT_EQ(after.centre_x, before.centre_x);
    EXPECT_TRUE(sprite_files().entries[sprite_file_entry_of(number)].modified);
  }
  EXPECT_TRUE(app_flag(unsaved_changes));
  EXPECT_TRUE(sprite_files().flags & kSpritesModifiedMark);
}

TEST_F(SpriteBitmaps, ImportResizesTheSpriteAndItsFile) {
  DecodedSprite square;
  square.width = square.height = 16;
  square.width_words = 1;
  square.pixels.assign(128, 0x11);
  apply_decoded_sprite(300, std::move(square));
  const std::uint32_t size = sprite_files().entries[1].current_size;
  write_bytes("spr0300.bmp", fixture("spr_40x10.bmp"));
  ASSERT_TRUE(replace_sprite_from_bitmap(300, true));
  const SpriteRecord& s = *sprite_at(300);
  EXPECT_EQ(s.width, 40);
  EXPECT_EQ(s.height, 10);
  EXPECT_EQ(s.width_words, 3);
  EXPECT_EQ(s.data_length, 240u);
  EXPECT_EQ(s.pixels.size(), 240u);
  EXPECT_EQ(s.field21, 2);
  EXPECT_EQ(sprite_files().entries[1].current_size, size + 240 - 128);
}

TEST_F(SpriteBitmaps, PaintProgramCopiesImportLikeTheirSources) {
  for (const std::string size : {"13x5", "21x9", "40x10"}) {
    write_bytes("spr0100.bmp", fixture("spr_" + size + ".bmp"));
    ASSERT_TRUE(replace_sprite_from_bitmap(100, true)) << size;
    const SpriteRecord source = *sprite_at(100);
    for (const std::string program : {"gimp-", "im3-"}) {
      const auto copy = fixture(program + "spr_" + size + ".bmp");
      if (copy.empty()) continue;
      write_bytes("spr0101.bmp", copy);
      ASSERT_TRUE(replace_sprite_from_bitmap(101, true)) << program << size;
      EXPECT_EQ(sprite_at(101)->pixels, source.pixels) << program << size;
      EXPECT_EQ(sprite_at(101)->width, source.width);
    }
  }
  // A compressed 256-colour bitmap is read, its colours not those of a
  // sprite: by its numbers.
  write_bytes("spr0102.bmp", fixture("im-rle-pattern.bmp"));
  EXPECT_TRUE(replace_sprite_from_bitmap(102, false));
  EXPECT_EQ(status_text(), "Sprite replaced OK\ncolours did not match the palette");
}

TEST_F(SpriteBitmaps, ValuesMapToColours) {
  write_bytes("spr0007.bmp", bitmap(4, 1, [](int x, int) {
                return std::array{16, 0, 17, 255}[x];
              }));
  ASSERT_TRUE(replace_sprite_from_bitmap(7, true));
  EXPECT_EQ(sprite_at(7)->pixels[0], 0x00);  // 16 transparent, 0 stays 0
  EXPECT_EQ(sprite_at(7)->pixels[1], 0x1F);  // low four bits
}

// The pixels are found through the data offset and only the rows the
// picture needs are read: longer headers, gaps before the rows and any
// amount of bytes after them all import the same.
TEST_F(SpriteBitmaps, ImportsReadOnlyThePixelsThePictureNeeds) {
  const auto file = bitmap(9, 3, [](int x, int y) { return (x + y) % 16; });
  write_bytes("spr0008.bmp", file);
  ASSERT_TRUE(replace_sprite_from_bitmap(8, true));
  const auto expected = sprite_at(8)->pixels;
  // A gap of `gap` bytes after the 40-byte header (as a longer header is).
  const auto with_gap = [&](std::size_t gap, std::uint32_t header) {
    auto f = file;
    f.insert(f.begin() + 54, gap, 0xAB);
    put_u32(f, 14, header);
    put_u32(f, 10, get_u32(f, 10) + static_cast<std::uint32_t>(gap));
    return f;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
  };
  std::vector<Case> cases = {
      {"108-byte header", with_gap(68, 108)},
      {"124-byte header", with_gap(84, 124)},
      {"64 KiB before the rows", with_gap(64 * 1024, 40)},
      {"100000 bytes before the rows", with_gap(100000, 40)},
      {"5 MiB after the rows", file},
  };
  cases.back().file.resize(file.size() + (5u << 20), 0xCD);
  for (const Case& c : cases) {
    write_bytes("spr0009.bmp", c.file);
    EXPECT_TRUE(replace_sprite_from_bitmap(9, false)) << c.what;
    // A gap after a 40-byte header moves the palette: the numbers stand.
    EXPECT_EQ(first_line(status_text()), "Sprite replaced OK") << c.what;
    EXPECT_EQ(sprite_at(9)->pixels, expected) << c.what;
  }
  // Too big stays too big however the file goes on.
  auto wide = bitmap(321, 2, [](int, int) { return 1; });
  wide.resize(wide.size() + (5u << 20));
  write_bytes("spr0009.bmp", wide);
  EXPECT_FALSE(replace_sprite_from_bitmap(9, false));
  EXPECT_EQ(status_text(), "Sprite too big\n321x2, must be at most 320x200");
}

TEST_F(SpriteBitmaps, RefusedImportsChangeNothing) {
  const Observed before = observe(5);
  auto attempt = [&](const std::vector<std::uint8_t>& file, const std::string& message) {
    write_bytes("spr0005.bmp", file);
    EXPECT_FALSE(replace_sprite_from_bitmap(5, false));
    EXPECT_EQ(first_line(status_text()), message);
    EXPECT_NE(status_text().find('\n'), std::string::npos) << "with its reason";
    EXPECT_TRUE(observe(5) == before) << message;
  };
  attempt(bitmap(321, 2, [](int, int) { return 1; }), "Sprite too big");
  attempt(bitmap(2, 201, [](int, int) { return 1; }), "Sprite too big");
  auto f = bitmap(10, 10, [](int, int) { return 1; });
  put_u16(f, 28, 24);
  attempt(f, "Error replacing sprite with spr0005.bmp");
  f = bitmap(10, 10, [](int, int) { return 1; });
  put_u32(f, 22, 0);
  attempt(f, "Error replacing sprite with spr0005.bmp");
  // A bitmap that ends early: the rows are never half applied.
  f = bitmap(30, 20, [](int x, int) { return x % 16; });
  f.resize(f.size() - 40);
  attempt(f, "Error replacing sprite with spr0005.bmp");
  attempt(std::vector<std::uint8_t>(f.begin(), f.begin() + 30),
          "Error replacing sprite with spr0005.bmp");
  f[0] = 'X';
  attempt(f, "Error replacing sprite with spr0005.bmp");
  fs::remove("spr0005.bmp");
  EXPECT_FALSE(replace_sprite_from_bitmap(5, false));
  EXPECT_EQ(status_text(), "spr0005.bmp not found.");
  EXPECT_TRUE(observe(5) == before);
  status_state().text = "untouched";
  EXPECT_FALSE(replace_sprite_from_bitmap(5, true));
  EXPECT_FALSE(replace_sprite_from_bitmap(1334, false));
  EXPECT_EQ(status_text(), "untouched") << "quiet and out-of-range imports say nothing";
  // Stored top-down is read the right way up.
  auto bottom_up = bitmap(3, 2, [](int x, int y) { return x + 3 * y + 1; });
  write_bytes("spr0005.bmp", bottom_up);
  ASSERT_TRUE(replace_sprite_from_bitmap(5, true));
  const auto expected = sprite_at(5)->pixels;
  auto top_down = bottom_up;
  put_u32(top_down, 22, static_cast<std::uint32_t>(-2));
  std::swap_ranges(top_down.begin() + 122, top_down.begin() + 126, top_down.begin() + 126);
  write_bytes("spr0005.bmp", top_down);
  ASSERT_TRUE(replace_sprite_from_bitmap(5, true));
  EXPECT_EQ(sprite_at(5)->pixels, expected);
}

TEST_F(SpriteBitmaps, InsertAllTakesOnlyFourDigitNumbersOfSprites) {
  EXPECT_EQ(sprite_number_from_bitmap_name("spr0012.bmp"), 12);
  EXPECT_EQ(sprite_number_from_bitmap_name("SPR1333.BMP"), 1333);
  EXPECT_EQ(sprite_number_from_bitmap_name("spr1334.bmp"), -1);
  EXPECT_EQ(sprite_number_from_bitmap_name("sprabcd.bmp"), -1);
  EXPECT_EQ(sprite_number_from_bitmap_name("spr12.bmp"), -1);
  EXPECT_EQ(sprite_number_from_bitmap_name("spr-123.bmp"), -1);

  const auto file = bitmap(3, 3, [](int, int) { return 9; });
  for (const char* name : {"spr12.bmp", "sprabcd.bmp", "spr1400.bmp", "SPR0003.BMP", "spr0004.bmp"})
    write_bytes(name, file);
  insert_all_sprite_bitmaps();
  std::vector<int> replaced;
  for (int k = 0; k < kSpriteCount; ++k)
    if (sprite_at(k)->replaced) replaced.push_back(k);
  EXPECT_EQ(replaced, (std::vector<int>{3, 4}));
  EXPECT_EQ(sprite_at(3)->width, 3);
  EXPECT_EQ(status_text(), "Inserted 2 sprites");
}

TEST_F(SpriteBitmaps, SaveAllWritesEverySprite) {
  sprite_mode_state().background = 46;
  save_all_sprite_bitmaps();
  EXPECT_EQ(status_text(), "");
  for (int k : {0, 1, 946, 1333}) EXPECT_TRUE(fs::exists(sprite_bitmap_name(k))) << k;
  const auto file = read_bytes("spr1333.bmp");
  EXPECT_EQ(file[54 + 64 + 2], default_palette()[3 * 46]);
  EXPECT_EQ(file, encode_sprite_bitmap(*sprite_at(1333), 46));
}

TEST_F(SpriteBitmaps, SaveAllStopsAtTheFirstFileItCannotCreate) {
  fs::create_directory("spr0005.bmp");
  save_all_sprite_bitmaps();
  EXPECT_EQ(status_text(), "Error: not all sprites saved");
  EXPECT_TRUE(fs::exists("spr0004.bmp"));
  EXPECT_FALSE(fs::exists("spr0006.bmp"));
}

}  // namespace

namespace {

// Damaged bitmaps and damaged graphics files, decoded, drawn, converted and
// exported: any outcome is fine except touching memory outside a buffer
// (the sanitizer build checks that).
TEST(SpriteRobustness, RandomDamageIsRefusedOrHandledSafely) {
  std::mt19937 rng(12345);
  std::vector<std::uint8_t> rgb(17 * 3), px(23 * 11, 5);
  const auto good = make_bmp_file(rgb, 17, 23, 11, px);
  std::vector<std::uint8_t> frame(320 * 200);
  for (int round = 0; round < 3000; ++round) {
    auto f = good;
    for (int n = 0; n < 1 + round % 6; ++n) f[rng() % 54] = static_cast<std::uint8_t>(rng());
    if (round % 3 == 0) f.resize(rng() % f.size());
    DecodedSprite d;
    if (decode_sprite_bitmap(f, d) == SpriteImport::ok) {
      ASSERT_EQ(d.pixels.size(), static_cast<std::size_t>(d.width_words) * 8 * d.height);
      ASSERT_LE(d.width, 320);
      ASSERT_LE(d.height, 200);
    }
  }
  const std::vector<SpriteRecord> sprites = [] {
    std::vector<SpriteRecord> v;
    for (int k = 0; k < 40; ++k) v.push_back(test::make_test_sprite(k));
    return v;
  }();
  std::vector<SpriteRecord> planar = sprites;
  for (auto& s : planar) chunky_to_planar(&s);
  const auto image = build_file_image(planar, 0);
  for (int round = 0; round < 2000; ++round) {
    auto damaged = image;
    for (int n = 0; n < 1 + round % 4; ++n)
      damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
    std::vector<SpriteRecord> out(40);
    if (!parse_file_image(damaged, out, 0)) continue;
    for (auto& s : out) {
      planar_to_chunky(&s);
      draw_sprite(static_cast<int>(rng() % 400) - 40, static_cast<int>(rng() % 260) - 30,
                  frame.data(), &s, 320, -1);
      encode_sprite_bitmap(s, 3);
      chunky_to_planar(&s);
    }
  }
}

}  // namespace
