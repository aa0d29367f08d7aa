#include "sprites/bmp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/bytes.h"

using namespace tavu;

namespace {

std::vector<std::uint8_t> fixture(const std::string& name) {
  std::ifstream in(std::string(TAVU_FIXTURES_DIR) + "/bmp/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixel rows of a readable bitmap, top row first.
std::vector<std::vector<std::uint8_t>> rows_of(const std::vector<std::uint8_t>& file) {
  const BmpView v = read_bmp(file);
  EXPECT_TRUE(v.ok());
  std::vector<std::vector<std::uint8_t>> rows;
  for (int y = 0; v.ok() && y < v.info.height; ++y) {
    auto r = v.row_from_top(y);
    rows.emplace_back(r.begin(), r.end());
  }
  return rows;
}

// The same image with an information header of `size` bytes.
std::vector<std::uint8_t> with_info_size(std::vector<std::uint8_t> file, std::uint32_t size) {
  const std::uint32_t extra = size - 40;
  file.insert(file.begin() + 54, extra, 0);
  put_u32(file, 14, size);
  put_u32(file, 10, get_u32(file, 10) + extra);
  put_u32(file, 2, static_cast<std::uint32_t>(file.size()));
  return file;
}

std::vector<std::uint8_t> small_image(int width, int height) {
  std::vector<std::uint8_t> rgb(3 * 4, 0x40), pixels;
  for (int i = 0; i < width * height; ++i) pixels.push_back(static_cast<std::uint8_t>(i % 251));
  return make_bmp_file(rgb, 4, width, height, pixels);
}

TEST(BmpWrite, HeadersOfTheWorkedSizes) {
  std::array<std::uint8_t, 14> fh{};
  std::array<std::uint8_t, 40> ih{};
  make_bmp_headers(fh, ih, 17, 13, 5);
  EXPECT_EQ(fh[0], 'B');
  EXPECT_EQ(fh[1], 'M');
  EXPECT_EQ(get_u32(fh, 2), 202u);
  EXPECT_EQ(get_u32(fh, 10), 122u);
  EXPECT_EQ(get_u32(ih, 0), 40u);
  EXPECT_EQ(get_i32(ih, 4), 13);
  EXPECT_EQ(get_i32(ih, 8), 5);
  EXPECT_EQ(get_u16(ih, 12), 1);
  EXPECT_EQ(get_u16(ih, 14), 8);
  EXPECT_EQ(get_u32(ih, 16), 0u);
  EXPECT_EQ(get_u32(ih, 20), 80u);
  EXPECT_EQ(get_u32(ih, 32), 17u);
  EXPECT_EQ(get_u32(ih, 36), 17u);
  make_bmp_headers(fh, ih, 256, 16, 16);
  EXPECT_EQ(get_u32(fh, 2), 1334u);
  EXPECT_EQ(get_u32(fh, 10), 1078u);
}

TEST(BmpWrite, FileIsBottomUpWithPaddingAndPalette) {
  const std::vector<std::uint8_t> rgb = {10, 20, 30, 40, 50, 60};
  const std::vector<std::uint8_t> pixels = {1, 2, 3, 4, 5, 6};  // 3 x 2, top row first
  const auto file = make_bmp_file(rgb, 2, 3, 2, pixels, 9);
  ASSERT_EQ(file.size(), 54u + 8 + 8);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.begin() + 62),
            (std::vector<std::uint8_t>{30, 20, 10, 0, 60, 50, 40, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 62, file.end()),
            (std::vector<std::uint8_t>{4, 5, 6, 9, 1, 2, 3, 9}));
  EXPECT_EQ(rows_of(file), (std::vector<std::vector<std::uint8_t>>{{1, 2, 3}, {4, 5, 6}}));
}

TEST(BmpRead, PaintProgramOutputGivesTheSourcePixels) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"spr_13x5.bmp", "gimp-spr_13x5.bmp"},   {"spr_21x9.bmp", "gimp-spr_21x9.bmp"},
      {"spr_40x10.bmp", "gimp-spr_40x10.bmp"}, {"spr_21x9.bmp", "im3-spr_21x9.bmp"},
      {"pattern.bmp", "gimp-pattern.bmp"},     {"pitch.bmp", "gimp-pitch.bmp"},
      {"pitch.bmp", "im3-pitch.bmp"}};
  for (const auto& [source, copy] : pairs) {
    const auto expected = rows_of(fixture(source));
    ASSERT_FALSE(expected.empty()) << source;
    EXPECT_EQ(rows_of(fixture(copy)), expected) << copy;
  }
  EXPECT_EQ(read_bmp(fixture("gimp-spr_13x5.bmp")).info.info_size, 124u);
}

TEST(BmpRead, LongerInformationHeadersAreReadThroughTheDataOffset) {
  const auto file = small_image(7, 3);
  for (std::uint32_t size : {108u, 124u}) {
    const auto longer = with_info_size(file, size);
    EXPECT_EQ(read_bmp(longer).info.info_size, size);
    EXPECT_EQ(rows_of(longer), rows_of(file)) << size;
  }
}

TEST(BmpRead, RefusesWhatItCannotRead) {
  const auto good = small_image(5, 4);
  EXPECT_EQ(read_bmp(good).status, BmpStatus::ok);
  EXPECT_EQ(read_bmp(std::vector<std::uint8_t>(good.begin(), good.begin() + 53)).status,
            BmpStatus::truncated);
  EXPECT_EQ(read_bmp({}).status, BmpStatus::truncated);

  auto f = good;
  f[1] = 'X';
  EXPECT_EQ(read_bmp(f).status, BmpStatus::not_bmp);
  f = good;
  put_u16(f, 28, 24);
  EXPECT_EQ(read_bmp(f).status, BmpStatus::unsupported);
  f = good;
  put_u32(f, 30, 1);  // RLE8
  EXPECT_EQ(read_bmp(f).status, BmpStatus::unsupported);
  EXPECT_EQ(read_bmp(fixture("im-rle-pattern.bmp")).status, BmpStatus::unsupported);
  f = good;
  put_u32(f, 14, 12);  // OS/2 header: its fields are elsewhere
  EXPECT_EQ(read_bmp(f).status, BmpStatus::unsupported);

  for (auto [w, h] : {std::pair{5, -4}, {0, 4}, {5, 0}, {-5, 4}}) {
    f = good;
    put_u32(f, 18, static_cast<std::uint32_t>(w));
    put_u32(f, 22, static_cast<std::uint32_t>(h));
    EXPECT_EQ(read_bmp(f).status, BmpStatus::bad_dimensions) << w << "x" << h;
  }
  f = good;
  f.pop_back();  // last row's padding missing
  EXPECT_EQ(read_bmp(f).status, BmpStatus::missing_pixels);
  f = good;
  put_u32(f, 10, 0xFFFFFFF0u);
  EXPECT_EQ(read_bmp(f).status, BmpStatus::missing_pixels);
  f = good;
  put_u32(f, 18, 0x7FFFFFFF);
  put_u32(f, 22, 0x7FFFFFFF);
  const BmpView huge = read_bmp(f);
  EXPECT_EQ(huge.status, BmpStatus::missing_pixels);
  EXPECT_EQ(huge.info.width, 0x7FFFFFFF) << "sizes are reported for the caller's checks";
  EXPECT_TRUE(huge.row(0).empty());
}

}  // namespace
