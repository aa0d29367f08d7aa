#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "image_test_support.h"
#include "imaging/image.h"
#include "shell/files.h"

using namespace tavu;
using namespace tavu::test;

namespace {

std::vector<std::array<std::uint8_t, 3>> test_palette(int n) {
  std::vector<std::array<std::uint8_t, 3>> p;
  for (int i = 0; i < n; ++i)
    p.push_back({static_cast<std::uint8_t>(i * 4), static_cast<std::uint8_t>(255 - i),
                 static_cast<std::uint8_t>(i * 7)});
  return p;
}

std::vector<std::uint32_t> random_values(std::size_t n, std::uint32_t below, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint32_t> v(n);
  for (auto& x : v) x = rng() % below;
  return v;
}

// --- BMP: indexed -------------------------------------------------------------

struct IndexedCase {
  std::uint32_t header;
  int bits;
  int width;
  int height;                 // negative: top-down
  int entries;                // palette entries written
  std::int64_t colours_used;  // -1: entries
};

class BmpIndexed : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(BmpIndexed, GivesNumbersAndPaletteAsStored) {
  const IndexedCase c = GetParam();
  const int h = std::abs(c.height);
  const auto values = random_values(static_cast<std::size_t>(c.width) * h,
                                    static_cast<std::uint32_t>(c.entries), c.width * 31 + c.bits);
  BmpLayout s;
  s.header = c.header;
  s.bits = c.bits;
  s.width = c.width;
  s.height = c.height;
  s.palette = test_palette(c.entries);
  s.colours_used = c.colours_used;
  s.pixels = pack_rows(values, c.width, h, c.bits, c.height < 0);
  Image img;
  const ImageResult r = decode_image(make_bmp(s), img);
  ASSERT_TRUE(r.ok()) << r.reason;
  EXPECT_TRUE(img.indexed);
  EXPECT_EQ(img.width, c.width);
  EXPECT_EQ(img.height, h);
  ASSERT_EQ(img.indices.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(img.indices[i], values[i]) << i;
  ASSERT_EQ(img.palette.size(), static_cast<std::size_t>(c.entries));
  for (int i = 0; i < c.entries; ++i) {
    const auto want = test_palette(c.entries)[i];
    EXPECT_EQ(img.palette[i], (std::array<std::uint8_t, 4>{want[0], want[1], want[2], 255}));
  }
  EXPECT_TRUE(img.rgba.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BmpIndexed,
    ::testing::Values(IndexedCase{40, 8, 13, 5, 256, -1}, IndexedCase{40, 8, 13, -5, 256, -1},
                      IndexedCase{40, 8, 13, 5, 17, -1},  // the sprite export
                      IndexedCase{40, 8, 7, 3, 256, 0},   // count 0: all of them
                      IndexedCase{40, 8, 9, 4, 5, -1},    // short, as Pillow writes
                      IndexedCase{12, 8, 10, 3, 256, -1}, IndexedCase{12, 4, 11, 3, 16, -1},
                      IndexedCase{12, 1, 17, 2, 2, -1}, IndexedCase{52, 8, 6, 6, 256, -1},
                      IndexedCase{56, 4, 9, 7, 16, -1}, IndexedCase{108, 8, 21, 9, 256, -1},
                      IndexedCase{124, 8, 16, 16, 256, -1}, IndexedCase{124, 4, 15, -4, 16, 0},
                      IndexedCase{40, 4, 1, 1, 16, -1}, IndexedCase{40, 4, 33, 3, 3, -1},
                      IndexedCase{40, 1, 1, 1, 2, 0}, IndexedCase{40, 1, 33, 5, 2, -1},
                      IndexedCase{108, 1, 70, -2, 2, -1}));

TEST(BmpReader, PaletteCountAboveWhatTheBitsNameIsCut) {
  // 4 bits with 300 entries declared and 20 written: 16 are the palette.
  BmpLayout s;
  s.bits = 4;
  s.width = 3;
  s.palette = test_palette(20);
  s.colours_used = 300;
  s.pixels = pack_rows({15, 0, 7}, 3, 1, 4, false);
  Image img;
  ASSERT_TRUE(decode_bmp(make_bmp(s), img).ok());
  EXPECT_EQ(img.palette.size(), 16u);
  EXPECT_EQ(img.indices, (std::vector<std::uint8_t>{15, 0, 7}));
  // A count of 2^32-1 is the same.
  s.colours_used = 0xFFFFFFFF;
  ASSERT_TRUE(decode_bmp(make_bmp(s), img).ok());
  EXPECT_EQ(img.palette.size(), 16u);
}

// --- BMP: true colour --------------------------------------------------------

struct TrueColourCase {
  const char* name;
  std::uint32_t header;
  int bits;
  std::uint32_t compression;
  std::vector<std::uint32_t> masks;
  // Stored pixel values and the colours they give.
  std::vector<std::uint32_t> stored;
  std::vector<std::array<std::uint8_t, 4>> want;
};

TEST(BmpReader, TrueColourVariants) {
  const std::vector<TrueColourCase> cases = {
      {"24-bit",
       40,
       24,
       0,
       {},
       {0x0DC84D, 0xFFFFFF, 0x000001},
       {{0x0D, 0xC8, 0x4D, 255}, {255, 255, 255, 255}, {0, 0, 1, 255}}},
      {"32-bit plain",
       40,
       32,
       0,
       {},
       {0x800DC84D, 0x00102030},
       {{0x0D, 0xC8, 0x4D, 255}, {0x10, 0x20, 0x30, 255}}},
      {"16-bit 5-5-5",
       40,
       16,
       0,
       {},
       {0x7FFF, 0x7C00, 0x0021},
       {{255, 255, 255, 255}, {255, 0, 0, 255}, {0, 8, 8, 255}}},
      {"16-bit 5-6-5",
       40,
       16,
       3,
       {0xF800, 0x07E0, 0x001F},
       {0xFFFF, 0x07E0, 0x0841},
       {{255, 255, 255, 255}, {0, 255, 0, 255}, {8, 8, 8, 255}}},
      {"16-bit 4-4-4-4",
       56,
       16,
       3,
       {0x0F00, 0x00F0, 0x000F, 0xF000},
       {0xF0F0, 0x0FFF},
       {{0, 255, 0, 255}, {255, 255, 255, 0}}},
      {"32-bit alpha V5",
       124,
       32,
       3,
       {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
       {0x800DC84D, 0xFF000000},
       {{0x0D, 0xC8, 0x4D, 0x80}, {0, 0, 0, 255}}},
      {"32-bit alpha 40",
       40,
       32,
       6,
       {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
       {0x7F4DC80D},
       {{0x0D, 0xC8, 0x4D, 0x7F}}},
      {"32-bit BGR masks",
       108,
       32,
       3,
       {0x000000FF, 0x0000FF00, 0x00FF0000},
       {0x004DC80D},
       {{0x0D, 0xC8, 0x4D, 255}}},
      // An alpha mask whose channel is zero everywhere was never filled in.
      {"alpha all zero",
       124,
       32,
       3,
       {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
       {0x000DC84D, 0x00FFFFFF},
       {{0x0D, 0xC8, 0x4D, 255}, {255, 255, 255, 255}}},
      {"10-bit fields",
       40,
       32,
       3,
       {0x3FF00000, 0x000FFC00, 0x000003FF},
       {0x3FF00000, 0x00000200},
       {{255, 0, 0, 255}, {0, 0, 128, 255}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool top_down : {false, true}) {
      const int w = static_cast<int>(c.stored.size());
      // Two rows: the second the first reversed, so row order shows.
      std::vector<std::uint32_t> values = c.stored;
      values.insert(values.end(), c.stored.rbegin(), c.stored.rend());
      BmpLayout s;
      s.header = c.header;
      s.bits = c.bits;
      s.compression = c.compression;
      s.masks = c.masks;
      s.width = w;
      s.height = top_down ? -2 : 2;
      s.pixels = pack_rows(values, w, 2, c.bits, top_down);
      Image img;
      const ImageResult r = decode_image(make_bmp(s), img);
      ASSERT_TRUE(r.ok()) << r.reason;
      EXPECT_FALSE(img.indexed);
      ASSERT_EQ(img.rgba.size(), static_cast<std::size_t>(w) * 2 * 4);
      for (int x = 0; x < w; ++x) {
        for (int ch = 0; ch < 4; ++ch) {
          EXPECT_EQ(img.rgba[4 * x + ch], c.want[x][ch]) << "x " << x << " channel " << ch;
          EXPECT_EQ(img.rgba[4 * (2 * w - 1 - x) + ch], c.want[x][ch]);
        }
      }
    }
  }
}

// --- BMP: RLE -----------------------------------------------------------------

struct RleCase {
  const char* name;
  int bits;
  int width;
  int height;
  Bytes data;
  std::vector<std::uint8_t> want;  // top row first; empty: refused
  std::string reason = {};
};

TEST(BmpReader, RleCodes) {
  const std::vector<RleCase> cases = {
      {"RLE8 runs and end of line",
       8,
       4,
       2,
       {2, 7, 2, 9, 0, 0, 4, 1, 0, 1},
       {1, 1, 1, 1, 7, 7, 9, 9}},
      {"RLE8 absolute, odd count padded", 8, 5, 1, {0, 3, 4, 5, 6, 0, 2, 8, 0, 1}, {4, 5, 6, 8, 8}},
      {"RLE8 delta skips to 0",
       8,
       3,
       3,
       {1, 5, 0, 2, 1, 1, 1, 6, 0, 0, 0, 1},
       {0, 0, 0, 0, 0, 6, 5, 0, 0}},
      {"RLE8 no end of bitmap after the last row", 8, 2, 1, {2, 3}, {3, 3}},
      {"RLE8 end of line after the last row", 8, 2, 1, {2, 3, 0, 0}, {3, 3}},
      {"RLE4 runs alternate nibbles", 4, 5, 1, {5, 0x1F, 0, 1}, {1, 15, 1, 15, 1}},
      {"RLE4 absolute", 4, 6, 1, {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x90, 0, 1}, {1, 2, 3, 4, 5, 9}},
      {"RLE4 absolute, word padded",
       4,
       4,
       2,
       {0, 3, 0xAB, 0xC0, 1, 0x70, 0, 0, 4, 0x11, 0, 1},
       {1, 1, 1, 1, 10, 11, 12, 7}},
      {"RLE8 run into the row's padding", 8, 3, 1, {4, 1, 0, 1}, {1, 1, 1}},
      {"RLE4 absolute into the row's padding",
       4,
       5,
       1,
       {0, 8, 0x12, 0x34, 0x56, 0x78, 0, 1},
       {1, 2, 3, 4, 5}},
      {"RLE8 run past the row", 8, 4, 2, {5, 1, 0, 1}, {}, "RLE8 bitmap damaged at row 1"},
      {"RLE8 run past the padding",
       8,
       5,
       2,
       {8, 1, 1, 1, 0, 1},
       {},
       "RLE8 bitmap damaged at row 1"},
      {"RLE8 run past the end",
       8,
       2,
       2,
       {2, 1, 0, 0, 2, 1, 0, 0, 2, 1, 0, 1},
       {},
       "RLE8 bitmap damaged at row 0"},
      {"RLE8 absolute past the row",
       8,
       4,
       1,
       {0, 5, 1, 2, 3, 4, 5, 0},
       {},
       "RLE8 bitmap damaged at row 0"},
      {"RLE8 absolute past the data", 8, 8, 1, {0, 6, 1, 2}, {}, "RLE8 bitmap damaged at row 0"},
      {"RLE8 delta out to the right", 8, 4, 2, {0, 2, 5, 0}, {}, "RLE8 bitmap damaged at row 1"},
      {"RLE8 delta out past the top", 8, 4, 2, {0, 2, 0, 3}, {}, "RLE8 bitmap damaged at row 0"},
      {"RLE8 delta then a run outside",
       8,
       4,
       2,
       {0, 2, 0, 2, 1, 1},
       {},
       "RLE8 bitmap damaged at row 0"},
      {"RLE8 delta cut", 8, 4, 2, {0, 2, 1}, {}, "RLE8 bitmap damaged at row 1"},
      {"RLE4 run past the row",
       4,
       8,
       4,
       {0, 0, 0, 0, 0, 0, 9, 0x11},
       {},
       "RLE4 bitmap damaged at row 0"},
      {"RLE4 run at row 3", 4, 3, 5, {3, 1, 0, 0, 9, 1}, {}, "RLE4 bitmap damaged at row 3"},
      {"RLE8 cut before the end", 8, 2, 3, {2, 1, 0, 0}, {}, "RLE8 bitmap cut short at row 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BmpLayout s;
    s.bits = c.bits;
    s.compression = c.bits == 8 ? 1 : 2;
    s.width = c.width;
    s.height = c.height;
    s.palette = test_palette(1 << c.bits);
    s.pixels = c.data;
    Image img;
    const ImageResult r = decode_bmp(make_bmp(s), img);
    if (c.want.empty()) {
      EXPECT_EQ(r.status, ImageStatus::bad);
      EXPECT_EQ(r.reason, c.reason);
      EXPECT_TRUE(img.indices.empty());
    } else {
      ASSERT_TRUE(r.ok()) << r.reason;
      EXPECT_EQ(img.indices, c.want);
    }
  }
}

// --- BMP: refused ---------------------------------------------------------------

TEST(BmpReader, RefusesDamagedHeaders) {
  BmpLayout good;
  good.bits = 8;
  good.width = 4;
  good.height = 2;
  good.palette = test_palette(4);
  good.pixels = Bytes(8, 1);
  struct Case {
    const char* name;
    Bytes file;
    std::string reason;
  };
  auto with = [&](auto change) {
    BmpLayout s = good;
    change(s);
    return make_bmp(s);
  };
  auto poke = [&](std::size_t at, std::uint32_t v) {
    Bytes f = make_bmp(good);
    put_u32(f, at, v);
    return f;
  };
  const std::vector<Case> cases = {
      {"zero masks", with([](BmpLayout& s) {
         s.bits = 32, s.compression = 3, s.masks = {0xFF0000, 0, 0xFF}, s.palette.clear();
       }),
       "BMP colour masks damaged"},
      {"overlapping masks", with([](BmpLayout& s) {
         s.bits = 16, s.compression = 3, s.masks = {0xF800, 0x0FE0, 0x001F}, s.palette.clear();
       }),
       "BMP colour masks damaged"},
      {"alpha over a colour", with([](BmpLayout& s) {
         s.header = 56, s.bits = 32, s.compression = 3,
         s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF800000}, s.palette.clear();
       }),
       "BMP colour masks damaged"},
      {"mask wider than 16 bits", with([](BmpLayout& s) {
         s.bits = 16, s.compression = 3, s.masks = {0xF0000, 0x0F0, 0x00F}, s.palette.clear();
       }),
       "BMP colour masks damaged"},
      {"mask with a hole", with([](BmpLayout& s) {
         s.bits = 32, s.compression = 3, s.masks = {0xF0F00000, 0xFF00, 0xFF}, s.palette.clear();
       }),
       "BMP colour masks damaged"},
      {"huge header", poke(14, 0xFFFFFFF0), "BMP header of 4294967280 bytes not supported"},
      {"OS/2 2.x header", poke(14, 64), "BMP header of 64 bytes not supported"},
      {"data offset past the end", poke(10, 0x7FFFFFFF), "BMP file cut short"},
      {"data offset inside the header", poke(10, 20), "BMP pixels inside its headers"},
      {"JPEG inside", poke(30, 4), "BMP compression 4 not supported"},
      {"2 bits", with([](BmpLayout& s) { s.bits = 2; }), "BMP of 2 bits not supported"},
      {"RLE8 of 4 bits", with([](BmpLayout& s) { s.bits = 4, s.compression = 1; }),
       "RLE bitmap of 4 bits"},
      {"bit fields of 24 bits", with([](BmpLayout& s) {
         s.bits = 24, s.compression = 3, s.masks = {0xFF0000, 0xFF00, 0xFF};
       }),
       "bit fields with 24 bits"},
      {"zero width", with([](BmpLayout& s) { s.width = 0; }), "BMP of 0x2"},
      {"negative width", with([](BmpLayout& s) { s.width = -4; }), "BMP of -4x2"},
      {"rows missing", with([](BmpLayout& s) { s.pixels.resize(5); }), "BMP file cut short"},
      {"palette past the end", with([](BmpLayout& s) {
         s.palette = test_palette(256), s.pixels.clear(), s.data_offset = 54 + 1024;
       }),
       "BMP file cut short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Image img;
    const ImageResult r = decode_image(c.file, img);
    EXPECT_EQ(r.status, ImageStatus::bad);
    EXPECT_EQ(r.reason, c.reason);
    EXPECT_TRUE(img.indices.empty() && img.rgba.empty());
  }
}

TEST(BmpReader, TooBigGivesTheSizeAndNoPixels) {
  struct Case {
    std::int32_t w, h;
    int max_w, max_h;
  };
  for (const Case c :
       {Case{8192, 8193, kMaxImageSide, kMaxImageSide}, Case{8193, 1, kMaxImageSide, kMaxImageSide},
        Case{17, 16, 16, 16}, Case{16, -17, 16, 16}, Case{2000000000, 1, 16, 16},
        Case{320, 201, 9000, 9000}}) {
    BmpLayout s;
    s.width = c.w;
    s.height = c.h;
    s.palette = test_palette(256);
    Image img;
    // The headers alone: nothing past them is looked at.
    const ImageResult r = decode_image(make_bmp(s), img, c.max_w, std::min(c.max_h, 200));
    EXPECT_EQ(r.status, ImageStatus::too_big) << c.w << "x" << c.h << " " << r.reason;
    EXPECT_EQ(img.width, c.w);
    EXPECT_EQ(img.height, std::abs(c.h));
    EXPECT_TRUE(img.indices.empty());
  }
}

TEST(BmpReader, EveryCutOfAFileIsRefusedAndTrailingBytesIgnored) {
  for (const std::uint32_t compression : {0u, 1u}) {
    BmpLayout s;
    s.header = 124;
    s.width = 5;
    s.height = 3;
    s.compression = compression;
    s.palette = test_palette(9);
    s.pixels = compression ? Bytes{5, 1, 0, 0, 5, 2, 0, 0, 5, 3, 0, 1}
                           : pack_rows(random_values(15, 9, 1), 5, 3, 8, false);
    const Bytes file = make_bmp(s);
    Image img;
    for (std::size_t n = 0; n < file.size(); ++n) {
      const std::span<const std::uint8_t> cut(file.data(), n);
      const ImageResult r = decode_image(cut, img);
      // Only the last row's padding may go missing, or the end of bitmap
      // after the last row.
      if (n >= file.size() - (compression ? 2 : 3)) {
        EXPECT_TRUE(r.ok()) << n;
        continue;
      }
      EXPECT_EQ(r.status, ImageStatus::bad) << n;
    }
    ASSERT_TRUE(decode_image(file, img).ok());
    const auto whole = img.indices;
    Bytes longer = file;
    longer.insert(longer.end(), 5000, 0xEE);
    ASSERT_TRUE(decode_image(longer, img).ok());
    EXPECT_EQ(img.indices, whole);
  }
}

// --- PNG ------------------------------------------------------------------------

// Rows of samples (one vector per pixel) in PNG's packing, filter 0; Adam7
// passes when interlaced.
Bytes png_raw(const std::vector<std::vector<std::uint32_t>>& px, int w, int h, int depth,
              bool interlaced) {
  struct Pass {
    int x0, y0, dx, dy;
  };
  const std::vector<Pass> passes =
      interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                 : std::vector<Pass>{{0, 0, 1, 1}};
  Bytes raw;
  for (const Pass& p : passes) {
    for (int y = p.y0; y < h; y += p.dy) {
      if (p.x0 >= w) break;
      raw.push_back(0);
      std::uint32_t acc = 0;
      int bits = 0;
      for (int x = p.x0; x < w; x += p.dx) {
        for (std::uint32_t v : px[static_cast<std::size_t>(y) * w + x]) {
          if (depth == 16) {
            raw.push_back(static_cast<std::uint8_t>(v >> 8));
            raw.push_back(static_cast<std::uint8_t>(v));
          } else {
            acc = (acc << depth) | v;
            bits += depth;
            if (bits == 8) {
              raw.push_back(static_cast<std::uint8_t>(acc));
              acc = 0;
              bits = 0;
            }
          }
        }
      }
      if (bits > 0) raw.push_back(static_cast<std::uint8_t>(acc << (8 - bits)));
    }
  }
  return raw;
}

Bytes make_png(int w, int h, int depth, int colour_type, const Bytes& raw, bool interlaced,
               const Bytes& plte = {}, const Bytes& trns = {}) {
  Bytes png = png_signature();
  add_chunk(png, "IHDR", ihdr_data(w, h, depth, colour_type, interlaced ? 1 : 0));
  if (!plte.empty()) add_chunk(png, "PLTE", plte);
  if (!trns.empty()) add_chunk(png, "tRNS", trns);
  add_chunk(png, "IDAT", deflate(raw));
  add_chunk(png, "IEND", {});
  return png;
}

std::uint8_t to8(std::uint32_t v, int depth) {
  return depth == 16 ? static_cast<std::uint8_t>(v >> 8)
                     : static_cast<std::uint8_t>(v * 255 / ((1u << depth) - 1));
}

TEST(PngReader, EveryColourTypeAndDepth) {
  struct Case {
    int colour_type;
    std::vector<int> depths;
    int channels;
  };
  const std::vector<Case> cases = {{0, {1, 2, 4, 8, 16}, 1},
                                   {2, {8, 16}, 3},
                                   {3, {1, 2, 4, 8}, 1},
                                   {4, {8, 16}, 2},
                                   {6, {8, 16}, 4}};
  const int w = 11, h = 9;
  for (const Case& c : cases) {
    for (const int depth : c.depths) {
      for (const bool interlaced : {false, true}) {
        SCOPED_TRACE("colour type " + std::to_string(c.colour_type) + " depth " +
                     std::to_string(depth) + (interlaced ? " interlaced" : ""));
        std::mt19937 rng(static_cast<unsigned>(c.colour_type * 100 + depth));
        const std::uint32_t top = depth == 16 ? 65535 : (1u << depth) - 1;
        // Indexed: a palette shorter than the depth allows.
        const int entries = c.colour_type == 3 ? std::min(1 << depth, 5 + depth) : 0;
        std::vector<std::vector<std::uint32_t>> px(w * h);
        for (auto& p : px)
          for (int k = 0; k < c.channels; ++k)
            p.push_back(c.colour_type == 3 ? rng() % entries : rng() % (top + 1));
        Bytes plte, trns;
        for (int i = 0; i < entries; ++i) {
          plte.push_back(static_cast<std::uint8_t>(i * 9));
          plte.push_back(static_cast<std::uint8_t>(200 - i));
          plte.push_back(static_cast<std::uint8_t>(i));
        }
        if (c.colour_type == 3) trns = {0, 128};  // two of the entries
        if (c.colour_type == 0) {                 // one grey is clear
          trns = {static_cast<std::uint8_t>(px[0][0] >> 8), static_cast<std::uint8_t>(px[0][0])};
        }
        Image img;
        const ImageResult r =
            decode_image(make_png(w, h, depth, c.colour_type, png_raw(px, w, h, depth, interlaced),
                                  interlaced, plte, trns),
                         img);
        ASSERT_TRUE(r.ok()) << r.reason;
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        if (c.colour_type == 3) {
          ASSERT_TRUE(img.indexed);
          ASSERT_EQ(img.palette.size(), static_cast<std::size_t>(entries));
          EXPECT_EQ(img.palette[0][3], 0);
          EXPECT_EQ(img.palette[1][3], 128);
          EXPECT_EQ(img.palette.back(), (std::array<std::uint8_t, 4>{
                                            static_cast<std::uint8_t>(9 * (entries - 1)),
                                            static_cast<std::uint8_t>(201 - entries),
                                            static_cast<std::uint8_t>(entries - 1),
                                            static_cast<std::uint8_t>(entries > 2 ? 255 : 128)}));
          for (int i = 0; i < w * h; ++i) ASSERT_EQ(img.indices[i], px[i][0]) << i;
          continue;
        }
        ASSERT_FALSE(img.indexed);
        ASSERT_EQ(img.rgba.size(), static_cast<std::size_t>(w * h * 4));
        for (int i = 0; i < w * h; ++i) {
          std::array<std::uint8_t, 4> want{};
          const auto& p = px[i];
          if (c.channels <= 2) {
            want = {to8(p[0], depth), to8(p[0], depth), to8(p[0], depth),
                    c.channels == 2 ? to8(p[1], depth) : std::uint8_t{255}};
            if (c.colour_type == 0 && p[0] == px[0][0]) want[3] = 0;
          } else {
            want = {to8(p[0], depth), to8(p[1], depth), to8(p[2], depth),
                    c.channels == 4 ? to8(p[3], depth) : std::uint8_t{255}};
          }
          const std::array<std::uint8_t, 4> got{img.rgba[4 * i], img.rgba[4 * i + 1],
                                                img.rgba[4 * i + 2], img.rgba[4 * i + 3]};
          ASSERT_EQ(got, want) << "pixel " << i;
        }
      }
    }
  }
}

Bytes small_indexed_png() {
  std::vector<std::vector<std::uint32_t>> px;
  for (int i = 0; i < 16; ++i) px.push_back({static_cast<std::uint32_t>(i % 3)});
  return make_png(4, 4, 8, 3, png_raw(px, 4, 4, 8, false), false, Bytes(9, 7));
}

TEST(PngReader, RefusesDamagedFiles) {
  const Bytes good = small_indexed_png();
  Image img;
  ASSERT_TRUE(decode_image(good, img).ok());
  struct Case {
    const char* name;
    Bytes file;
    std::string reason;
  };
  auto flipped = [&](std::size_t at) {
    Bytes f = good;
    f[at] ^= 0x40;
    return f;
  };
  // An ancillary chunk with a wrong CRC before IDAT.
  Bytes bad_text = png_signature();
  add_chunk(bad_text, "IHDR", ihdr_data(4, 4, 8, 3));
  add_chunk(bad_text, "PLTE", Bytes(9, 7));
  add_chunk(bad_text, "tEXt", {'a', 0, 'b'}, false);
  bad_text.insert(bad_text.end(), good.begin() + 8 + 25 + 21, good.end());
  // A chunk whose length runs past the end of the file.
  Bytes long_chunk = png_signature();
  add_chunk(long_chunk, "IHDR", ihdr_data(4, 4, 8, 3));
  put_be32(long_chunk, 0x7FFFFFF0);
  long_chunk.insert(long_chunk.end(), {'t', 'E', 'X', 't', 1, 2, 3});
  // A zlib bomb: a huge picture from a tiny file.
  Bytes bomb = png_signature();
  add_chunk(bomb, "IHDR", ihdr_data(8192, 8192, 8, 6));
  add_chunk(bomb, "IDAT", deflate(Bytes(100000, 0)));
  add_chunk(bomb, "IEND", {});
  // Palette numbers past the palette stay as they are (the caller decides).
  const std::vector<Case> cases = {
      {"bad CRC in IDAT", flipped(good.size() - 14), "PNG: bad CRC"},
      {"bad CRC in IHDR", flipped(30), "PNG: bad CRC"},
      {"bad CRC in a height over the limit", flipped(20), "PNG: bad CRC"},
      {"bad CRC in an ancillary chunk", bad_text, "PNG: bad CRC"},
      {"chunk length past the end", long_chunk, "PNG file cut short"},
      {"zlib bomb", bomb, "PNG file cut short"},
      {"no PNG", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}, "not a BMP or PNG file"},
      {"empty", Bytes{}, "not a BMP or PNG file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ImageResult r = decode_image(c.file, img);
    EXPECT_EQ(r.status, ImageStatus::bad);
    EXPECT_EQ(r.reason, c.reason);
    EXPECT_TRUE(img.indices.empty() && img.rgba.empty());
  }
  // More compressed data than the picture holds (10 MB of it): the picture
  // is decoded, the rest never.
  {
    Bytes raw;
    for (int y = 0; y < 16; ++y) {
      raw.push_back(0);
      raw.insert(raw.end(), 16, static_cast<std::uint8_t>(y % 3));
    }
    raw.resize(10'000'000, 0);
    Bytes over = png_signature();
    add_chunk(over, "IHDR", ihdr_data(16, 16, 8, 3));
    add_chunk(over, "PLTE", Bytes(9, 7));
    add_chunk(over, "IDAT", deflate(raw));
    add_chunk(over, "IEND", {});
    ASSERT_TRUE(decode_image(over, img).ok());
    EXPECT_EQ(img.indices.size(), 256u);
  }
  // Every cut is refused, IEND included; trailing bytes are not looked at.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_EQ(decode_image(std::span<const std::uint8_t>(good.data(), n), img).status,
              ImageStatus::bad)
        << n;
  }
  Bytes longer = good;
  longer.insert(longer.end(), 100, 0);
  EXPECT_TRUE(decode_image(longer, img).ok());
}

TEST(PngReader, TooBigGivesTheSize) {
  struct Case {
    std::uint32_t w, h;
    int max_w, max_h;
  };
  for (const Case c : {Case{8192, 8193, kMaxImageSide, kMaxImageSide},
                       Case{100000, 3, kMaxImageSide, kMaxImageSide}, Case{17, 16, 16, 16},
                       Case{16, 17, 16, 16}}) {
    Bytes png = png_signature();
    add_chunk(png, "IHDR", ihdr_data(c.w, c.h, 8, 3));
    Image img;
    const ImageResult r = decode_image(png, img, c.max_w, c.max_h);
    EXPECT_EQ(r.status, ImageStatus::too_big) << c.w << "x" << c.h << " " << r.reason;
    EXPECT_EQ(img.width, static_cast<int>(c.w));
    EXPECT_EQ(img.height, static_cast<int>(c.h));
  }
}

// --- PNG writer -------------------------------------------------------------

TEST(PngWriter, IndexedRoundTrip) {
  struct Case {
    int w, h, entries, transparent;
  };
  for (const Case c : {Case{13, 5, 17, 16}, Case{16, 16, 256, -1}, Case{1, 1, 1, -1},
                       Case{320, 200, 256, 0}, Case{7, 3, 17, 3}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const auto values = random_values(static_cast<std::size_t>(c.w) * c.h,
                                      static_cast<std::uint32_t>(c.entries), 5);
    const std::vector<std::uint8_t> pixels(values.begin(), values.end());
    Bytes rgb;
    for (int i = 0; i < c.entries; ++i)
      for (int k = 0; k < 3; ++k) rgb.push_back(static_cast<std::uint8_t>(i * (k + 1)));
    const Bytes png = encode_indexed_png(c.w, c.h, pixels, rgb, c.entries, c.transparent);
    ASSERT_FALSE(png.empty());
    Image img;
    ASSERT_TRUE(decode_png(png, img).ok());
    EXPECT_TRUE(img.indexed);
    EXPECT_EQ(img.indices, pixels);
    ASSERT_EQ(img.palette.size(), static_cast<std::size_t>(c.entries));
    for (int i = 0; i < c.entries; ++i) {
      const std::uint8_t alpha = i == c.transparent ? 0 : 255;
      EXPECT_EQ(img.palette[i],
                (std::array<std::uint8_t, 4>{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], alpha}));
    }
  }
}

TEST(PngWriter, RefusesWhatItCannotWriteTruly) {
  const Bytes rgb(3 * 17, 1);
  const std::vector<std::uint8_t> pixels = {0, 16, 17, 2};
  EXPECT_TRUE(encode_indexed_png(2, 2, pixels, rgb, 17).empty());  // 17 past the palette
  const std::vector<std::uint8_t> fine = {0, 16, 1, 2};
  EXPECT_FALSE(encode_indexed_png(2, 2, fine, rgb, 17).empty());
  EXPECT_TRUE(encode_indexed_png(3, 2, fine, rgb, 17).empty());  // sizes
  EXPECT_TRUE(encode_indexed_png(2, 2, fine, rgb, 18).empty());  // too few colours
  EXPECT_TRUE(encode_indexed_png(2, 2, fine, rgb, 0).empty());
  EXPECT_TRUE(encode_indexed_png(0, 0, {}, rgb, 17).empty());
}

// --- Files ------------------------------------------------------------------------

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() /
        ("tavu-image-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  static void put(const std::string& name, const Bytes& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path dir_, old_;
};

Bytes small_bmp() {
  BmpLayout s;
  s.width = 3;
  s.height = 2;
  s.palette = test_palette(4);
  s.pixels = pack_rows({0, 1, 2, 3, 2, 1}, 3, 2, 8, false);
  return make_bmp(s);
}

TEST_F(ImageFiles, ReadsBmpAndPngFoundIgnoringCase) {
  put("SPR0001.BMP", small_bmp());
  put("Spr0002.Png", small_indexed_png());
  Image img;
  ASSERT_TRUE(read_image_file("spr0001.bmp", img).ok());
  EXPECT_EQ(img.indices, (std::vector<std::uint8_t>{0, 1, 2, 3, 2, 1}));
  ASSERT_TRUE(read_image_file("spr0002.png", img).ok());
  EXPECT_EQ(img.width, 4);
  EXPECT_EQ(read_image_file("spr0003.bmp", img).status, ImageStatus::not_found);
  put("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
  const ImageResult r = read_image_file("notes.bmp", img);
  EXPECT_EQ(r.status, ImageStatus::bad);
  EXPECT_EQ(r.reason, "not a BMP or PNG file");
  std::filesystem::create_directory("dir.bmp");
  EXPECT_EQ(read_image_file("dir.bmp", img).status, ImageStatus::bad);
}

TEST_F(ImageFiles, ReadsOnlyWhatThePictureNeeds) {
  // A bitmap followed by 5 MB of rubbish, and one with a 5 MB gap before
  // its pixels: both read, neither whole.
  Bytes bmp = small_bmp();
  Bytes padded = bmp;
  padded.resize(padded.size() + 5'000'000, 0xEE);
  put("trailing.bmp", padded);
  BmpLayout s;
  s.width = 3;
  s.height = 2;
  s.palette = test_palette(4);
  s.pixels = pack_rows({3, 3, 3, 0, 0, 1}, 3, 2, 8, false);
  s.data_offset = 5'000'000;
  put("gap.bmp", make_bmp(s));
  Image img;
  ASSERT_TRUE(read_image_file("trailing.bmp", img).ok());
  EXPECT_EQ(img.indices, (std::vector<std::uint8_t>{0, 1, 2, 3, 2, 1}));
  ASSERT_TRUE(read_image_file("gap.bmp", img).ok());
  EXPECT_EQ(img.indices, (std::vector<std::uint8_t>{3, 3, 3, 0, 0, 1}));
  EXPECT_EQ(img.palette.size(), 4u);
  // A picture over the limits is refused after its headers: one read.
  BmpLayout big;
  big.width = 673;
  big.height = 848;
  big.palette = test_palette(256);
  big.pixels = Bytes(676 * 848, 0);
  put("big.bmp", make_bmp(big));
  clear_file_faults_for_tests();
  EXPECT_EQ(read_image_file("big.bmp", img, 672, 848).status, ImageStatus::too_big);
  EXPECT_LE(file_op_calls_for_tests(FileOp::read), 2);
  EXPECT_EQ(img.width, 673);
  // The same for a PNG: its IHDR is enough.
  Bytes png = png_signature();
  add_chunk(png, "IHDR", ihdr_data(8192, 8193, 8, 2));
  add_chunk(png, "IDAT", Bytes(5'000'000, 0));
  put("big.png", png);
  clear_file_faults_for_tests();
  EXPECT_EQ(read_image_file("big.png", img).status, ImageStatus::too_big);
  EXPECT_LE(file_op_calls_for_tests(FileOp::read), 2);
  EXPECT_EQ(img.height, 8193);
}

TEST_F(ImageFiles, AFailingReadIsAnErrorNotACutFile) {
  put("a.bmp", small_bmp());
  put("a.png", small_indexed_png());
  Image img;
  for (const char* name : {"a.bmp", "a.png"}) {
    clear_file_faults_for_tests();
    ASSERT_TRUE(read_image_file(name, img).ok());
    const int calls = file_op_calls_for_tests(FileOp::read);
    ASSERT_GE(calls, 2);
    for (int call = 1; call <= calls; ++call) {
      set_file_fault_for_tests({FileOp::read, call});
      const ImageResult r = read_image_file(name, img);
      EXPECT_EQ(r.status, ImageStatus::bad) << name << " " << call;
      EXPECT_EQ(r.reason, "cannot read it") << name << " " << call;
    }
    clear_file_faults_for_tests();
    EXPECT_TRUE(read_image_file(name, img).ok());
  }
}

TEST_F(ImageFiles, NewerOfBmpAndPng) {
  using namespace std::chrono_literals;
  EXPECT_EQ(newer_image_file("spr0001"), "");
  put("spr0001.bmp", small_bmp());
  EXPECT_EQ(newer_image_file("spr0001"), "spr0001.bmp");
  put("SPR0001.PNG", small_indexed_png());
  const auto t = std::filesystem::last_write_time("spr0001.bmp");
  std::filesystem::last_write_time("SPR0001.PNG", t + 1s);
  EXPECT_EQ(newer_image_file("spr0001"), "SPR0001.PNG");
  std::filesystem::last_write_time("SPR0001.PNG", t - 1s);
  EXPECT_EQ(newer_image_file("spr0001"), "spr0001.bmp");
  std::filesystem::last_write_time("SPR0001.PNG", t);  // equally old: the BMP
  EXPECT_EQ(newer_image_file("spr0001"), "spr0001.bmp");
  std::filesystem::remove("spr0001.bmp");
  EXPECT_EQ(newer_image_file("spr0001"), "SPR0001.PNG");
  std::filesystem::create_directory("spr0001.bmp");  // not a file
  EXPECT_EQ(newer_image_file("spr0001"), "SPR0001.PNG");
}

}  // namespace

// --- The PNG writer read back by other programs ------------------------------------

class PngWriterElsewhere : public ImageFiles {
 protected:
  // A 13x5 sprite-like picture over 17 entries, entry 16 transparent.
  void SetUp() override {
    ImageFiles::SetUp();
    const auto values = random_values(13 * 5, 17, 9);
    pixels_.assign(values.begin(), values.end());
    for (int i = 0; i < 17; ++i)
      for (int k = 0; k < 3; ++k) rgb_.push_back(static_cast<std::uint8_t>(i * 12 + k * 4));
    const Bytes png = encode_indexed_png(13, 5, pixels_, rgb_, 17, 16);
    ASSERT_FALSE(png.empty());
    put("out.png", png);
  }
  static bool have(const char* command) {
    return std::system((std::string(command) + " >/dev/null 2>&1").c_str()) == 0;
  }
  static Bytes file_bytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::vector<std::uint8_t> pixels_;
  Bytes rgb_;
};

TEST_F(PngWriterElsewhere, ImageMagickSeesTheColoursAndTheClearEntry) {
  if (!have("convert -version")) GTEST_SKIP() << "no ImageMagick";
  ASSERT_EQ(std::system("convert out.png RGBA:out.rgba"), 0);
  const Bytes rgba = file_bytes("out.rgba");
  ASSERT_EQ(rgba.size(), pixels_.size() * 4);
  for (std::size_t i = 0; i < pixels_.size(); ++i) {
    const int p = pixels_[i];
    if (p == 16) {
      EXPECT_EQ(rgba[4 * i + 3], 0) << i;
      continue;
    }
    const Bytes want = {rgb_[3 * p], rgb_[3 * p + 1], rgb_[3 * p + 2], 255};
    EXPECT_EQ(Bytes(rgba.begin() + 4 * i, rgba.begin() + 4 * i + 4), want) << i;
  }
}

TEST_F(PngWriterElsewhere, PillowSeesTheNumbersAndPaletteAsWritten) {
  if (!have("/usr/bin/python3 -c 'import PIL'")) GTEST_SKIP() << "no Pillow";
  ASSERT_EQ(
      std::system("/usr/bin/python3 -c \""
                  "from PIL import Image\n"
                  "im = Image.open('out.png')\n"
                  "t = im.info['transparency']\n"
                  "clear = t if isinstance(t, int) else [i for i, a in enumerate(t) if a < 255]\n"
                  "open('out.txt', 'w').write(' '.join(map(str, [im.mode, clear] + "
                  "im.getpalette()[:51] + list(im.getdata()))))\n"
                  "\""),
      0);
  std::ifstream in("out.txt");
  std::string mode;
  int clear = 0;
  in >> mode >> clear;
  EXPECT_EQ(mode, "P");
  EXPECT_EQ(clear, 16);  // the one entry that is not opaque
  for (const std::uint8_t want : rgb_) {
    int v = -1;
    in >> v;
    ASSERT_EQ(v, want);
  }
  for (const std::uint8_t want : pixels_) {
    int v = -1;
    in >> v;
    ASSERT_EQ(v, want);
  }
}
