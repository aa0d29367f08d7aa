#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sprites/sprite_format.h"

using namespace tavu;

namespace {

// Pixel x of row r straight from the bit-plane definition.
int planar_pixel(const std::vector<std::uint8_t>& buf, int words, int r, int x) {
  const std::size_t row = static_cast<std::size_t>(r) * words * 8;
  int value = 0;
  for (int p = 0; p < 4; ++p) {
    const std::uint8_t byte = buf[row + p * words * 2 + (x / 16) * 2 + (x % 16) / 8];
    value |= ((byte >> (7 - x % 8)) & 1) << p;
  }
  return value;
}

int chunky_pixel(const std::vector<std::uint8_t>& buf, int words, int r, int x) {
  const std::uint8_t byte = buf[static_cast<std::size_t>(r) * words * 8 + x / 2];
  return x % 2 ? byte & 15 : byte >> 4;
}

std::vector<std::uint8_t> random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

TEST(Conversion, WorkedExampleRow) {
  std::vector<std::uint8_t> row = {0x80, 0x00, 0x80, 0x01, 0x00, 0x00, 0x80, 0x00};
  planar_to_chunky(row, 1, 1);
  EXPECT_EQ(row, (std::vector<std::uint8_t>{0xB0, 0, 0, 0, 0, 0, 0, 0x02}));
  chunky_to_planar(row, 1, 1);
  EXPECT_EQ(row, (std::vector<std::uint8_t>{0x80, 0x00, 0x80, 0x01, 0x00, 0x00, 0x80, 0x00}));
}

TEST(Conversion, EveryPixelMatchesThePlaneDefinition) {
  for (int words : {1, 2, 3, 20, 30}) {
    const int height = 7;
    auto planar = random_bytes(static_cast<std::size_t>(words) * 8 * height, words);
    auto chunky = planar;
    planar_to_chunky(chunky, height, static_cast<std::uint16_t>(words));
    for (int r = 0; r < height; ++r)
      for (int x = 0; x < words * 16; ++x)
        ASSERT_EQ(chunky_pixel(chunky, words, r, x), planar_pixel(planar, words, r, x))
            << "words " << words << " row " << r << " x " << x;
  }
}

TEST(Conversion, RoundTripsKeepEveryByteIncludingPadding) {
  for (unsigned seed = 0; seed < 40; ++seed) {
    const int words = 1 + seed % 20, height = 1 + (seed * 7) % 33;
    const auto original = random_bytes(static_cast<std::size_t>(words) * 8 * height, seed);
    auto buf = original;
    chunky_to_planar(buf, static_cast<std::uint16_t>(height), static_cast<std::uint16_t>(words));
    planar_to_chunky(buf, static_cast<std::uint16_t>(height), static_cast<std::uint16_t>(words));
    ASSERT_EQ(buf, original) << "seed " << seed;
    planar_to_chunky(buf, static_cast<std::uint16_t>(height), static_cast<std::uint16_t>(words));
    chunky_to_planar(buf, static_cast<std::uint16_t>(height), static_cast<std::uint16_t>(words));
    ASSERT_EQ(buf, original) << "seed " << seed;
  }
}

TEST(Conversion, EmptyAndInconsistentSpritesAreLeftAlone) {
  const auto original = random_bytes(64, 3);
  auto buf = original;
  planar_to_chunky(buf, 0, 2);
  chunky_to_planar(buf, 4, 0);
  EXPECT_EQ(buf, original);

  // Negative header fields read as large unsigned sizes that the buffer
  // cannot hold: nothing is touched.
  SpriteRecord s;
  s.pixels = original;
  s.width_words = -1;
  s.height = 4;
  planar_to_chunky(&s);
  s.width_words = 2;
  s.height = -3;
  chunky_to_planar(&s);
  s.height = 5;  // one row more than the 64 bytes hold
  planar_to_chunky(&s);
  EXPECT_EQ(s.pixels, original);
  planar_to_chunky(static_cast<SpriteRecord*>(nullptr));
}

}  // namespace
