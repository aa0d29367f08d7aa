// Files that real programs wrote from the editor's own exports (see
// tests/fixtures/images/README.md): each must read as its source.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/image.h"

using namespace tavu;

namespace {

const std::string kImages = std::string(TAVU_FIXTURES_DIR) + "/images/";
const std::string kBmps = std::string(TAVU_FIXTURES_DIR) + "/bmp/";

enum class Expect {
  numbers,  // the same palette numbers (and so the same colours)
  colours,  // the same colour at every pixel, numbered as the writer chose
  rgb565,   // the same colour to 5, 6 and 5 bits
};

struct Fixture {
  std::string file;
  std::string source;
  Expect expect;
  bool indexed;
};

std::array<std::uint8_t, 4> colour_at(const Image& img, std::size_t i) {
  if (!img.indexed)
    return {img.rgba[4 * i], img.rgba[4 * i + 1], img.rgba[4 * i + 2], img.rgba[4 * i + 3]};
  const std::uint8_t n = img.indices[i];
  return n < img.palette.size() ? img.palette[n] : std::array<std::uint8_t, 4>{1, 2, 3, 4};
}

TEST(ImageFixtures, EachReadsAsItsSource) {
  const std::string spr = kImages + "spr0828.bmp";
  const std::string pat = kImages + "pt1-12.bmp";
  const std::string pitch = kBmps + "pitch.bmp";
  const std::vector<Fixture> fixtures = {
      {kImages + "im-spr-rle8.bmp", spr, Expect::colours, true},
      {kImages + "im-spr-4bit.bmp", spr, Expect::colours, true},
      {kImages + "im-spr-os2.bmp", spr, Expect::colours, true},
      {kImages + "im-spr-24.bmp", spr, Expect::colours, false},
      {kImages + "im-spr-565.bmp", spr, Expect::rgb565, false},
      {kImages + "im-spr-32.bmp", spr, Expect::colours, false},
      {kImages + "im-spr-png8.png", spr, Expect::colours, true},
      {kImages + "im-spr-png24.png", spr, Expect::colours, false},
      {kImages + "im-spr-png32.png", spr, Expect::colours, false},
      {kImages + "im-spr-interlaced.png", spr, Expect::colours, true},
      {kImages + "pil-spr-quantized.bmp", spr, Expect::colours, true},
      {kImages + "pil-spr-opt.png", spr, Expect::colours, true},
      {kImages + "im-pattern-rle8.bmp", pat, Expect::colours, true},
      {kImages + "im-pattern-24.bmp", pat, Expect::colours, false},
      {kImages + "im-pattern-png8.png", pat, Expect::colours, true},
      {kImages + "im-pattern-png24-interlaced.png", pat, Expect::colours, false},
      {kImages + "pil-pattern-short.bmp", pat, Expect::numbers, true},
      {kImages + "pil-pattern-opt.png", pat, Expect::colours, true},
      {kImages + "im-pitch-png8.png", pitch, Expect::colours, true},
      {kImages + "pil-pitch-opt.png", pitch, Expect::colours, true},
      // Paint programs' bitmaps.
      {kBmps + "im-rle-pattern.bmp", kBmps + "pattern.bmp", Expect::numbers, true},
      {kBmps + "gimp-pattern.bmp", kBmps + "pattern.bmp", Expect::numbers, true},
      {kBmps + "gimp-pitch.bmp", pitch, Expect::numbers, true},
      {kBmps + "gimp-spr_13x5.bmp", kBmps + "spr_13x5.bmp", Expect::numbers, true},
      {kBmps + "gimp-spr_21x9.bmp", kBmps + "spr_21x9.bmp", Expect::numbers, true},
      {kBmps + "gimp-spr_40x10.bmp", kBmps + "spr_40x10.bmp", Expect::numbers, true},
      {kBmps + "im3-spr_21x9.bmp", kBmps + "spr_21x9.bmp", Expect::numbers, true},
      {kBmps + "im3-pitch.bmp", pitch, Expect::numbers, true},
  };
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.file);
    Image src, img;
    ASSERT_TRUE(read_image_file(f.source, src).ok());
    const ImageResult r = read_image_file(f.file, img);
    ASSERT_TRUE(r.ok()) << r.reason;
    ASSERT_EQ(img.width, src.width);
    ASSERT_EQ(img.height, src.height);
    EXPECT_EQ(img.indexed, f.indexed);
    const std::size_t n = static_cast<std::size_t>(src.width) * src.height;
    if (f.expect == Expect::numbers) {
      ASSERT_EQ(img.indices, src.indices);
    }
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < n; ++i) {
      auto want = colour_at(src, i);
      auto got = colour_at(img, i);
      if (f.expect == Expect::rgb565) {
        // Writers round or cut to 5, 6 and 5 bits: one step either way.
        for (int c = 0; c < 3; ++c)
          if (std::abs(want[c] - got[c]) <= (c == 1 ? 5 : 9)) got[c] = want[c];
      }
      if (want != got && wrong++ == 0)
        ADD_FAILURE() << "pixel " << i % src.width << "," << i / src.width << ": " << int(got[0])
                      << " " << int(got[1]) << " " << int(got[2]) << " " << int(got[3]) << " for "
                      << int(want[0]) << " " << int(want[1]) << " " << int(want[2]) << " "
                      << int(want[3]);
    }
    EXPECT_EQ(wrong, 0u);
  }
}

}  // namespace
