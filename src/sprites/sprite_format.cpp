#include "sprites/sprite_format.h"

#include <algorithm>

#include "shell/bytes.h"

namespace tavu {

std::uint32_t sprite_data_length(std::int16_t width_words, std::int16_t height) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(width_words)) *
         static_cast<std::uint16_t>(height) * 8u;
}

SpriteRecord parse_sprite_header(std::span<const std::uint8_t, kSpriteHeaderSize> b) {
  SpriteRecord s;
  s.field9 = b[9];
  s.width = get_i16(b, 10);
  s.height = get_i16(b, 12);
  s.width_words = get_i16(b, 14);
  s.centre_x = get_i16(b, 16);
  s.centre_y = get_i16(b, 18);
  s.field20 = b[20];
  s.field21 = b[21];
  s.ordinal = get_i16(b, 22);
  s.data_length = sprite_data_length(s.width_words, s.height);
  return s;
}

void write_sprite_header(const SpriteRecord& s, std::uint32_t data_offset,
                         std::span<std::uint8_t, kSpriteHeaderSize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  put_u32(out, 0, data_offset);
  out[9] = s.field9;
  put_u16(out, 10, static_cast<std::uint16_t>(s.width));
  put_u16(out, 12, static_cast<std::uint16_t>(s.height));
  put_u16(out, 14, static_cast<std::uint16_t>(s.width_words));
  put_u16(out, 16, static_cast<std::uint16_t>(s.centre_x));
  put_u16(out, 18, static_cast<std::uint16_t>(s.centre_y));
  out[20] = s.field20;
  out[21] = s.field21;
  put_u16(out, 22, static_cast<std::uint16_t>(s.ordinal));
}

namespace {

// Rows wider than this are left alone; real sprites are at most 20 words.
constexpr std::size_t kMaxRowWords = 4096;

bool row_geometry_ok(std::span<std::uint8_t> pixels, std::uint16_t height,
                     std::uint16_t width_words) {
  if (height == 0 || width_words == 0 || width_words > kMaxRowWords) return false;
  return pixels.size() >= static_cast<std::size_t>(height) * width_words * 8;
}

}  // namespace

void planar_to_chunky(std::span<std::uint8_t> pixels, std::uint16_t height,
                      std::uint16_t width_words) {
  if (!row_geometry_ok(pixels, height, width_words)) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width_words) * 8;
  const std::size_t plane_bytes = static_cast<std::size_t>(width_words) * 2;
  std::vector<std::uint8_t> scratch(row_bytes);
  for (std::size_t r = 0; r < height; ++r) {
    std::uint8_t* row = pixels.data() + r * row_bytes;
    for (std::size_t w = 0; w < width_words; ++w) {
      std::uint16_t planes[4];
      for (int p = 0; p < 4; ++p) {
        const std::uint8_t* word = row + p * plane_bytes + w * 2;
        planes[p] = static_cast<std::uint16_t>((word[0] << 8) | word[1]);
      }
      for (int px = 0; px < 16; px += 2) {
        int bit = 15 - px;
        std::uint8_t left = 0, right = 0;
        for (int p = 0; p < 4; ++p) {
          left |= static_cast<std::uint8_t>(((planes[p] >> bit) & 1) << p);
          right |= static_cast<std::uint8_t>(((planes[p] >> (bit - 1)) & 1) << p);
        }
        scratch[w * 8 + px / 2] = static_cast<std::uint8_t>((left << 4) | right);
      }
    }
    std::copy(scratch.begin(), scratch.end(), row);
  }
}

void chunky_to_planar(std::span<std::uint8_t> pixels, std::uint16_t height,
                      std::uint16_t width_words) {
  if (!row_geometry_ok(pixels, height, width_words)) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width_words) * 8;
  const std::size_t plane_bytes = static_cast<std::size_t>(width_words) * 2;
  std::vector<std::uint8_t> scratch(row_bytes);
  for (std::size_t r = 0; r < height; ++r) {
    std::uint8_t* row = pixels.data() + r * row_bytes;
    for (std::size_t w = 0; w < width_words; ++w) {
      std::uint16_t planes[4] = {0, 0, 0, 0};
      for (int px = 0; px < 16; ++px) {
        std::uint8_t byte = row[w * 8 + px / 2];
        std::uint8_t value = (px % 2 == 0) ? (byte >> 4) : (byte & 15);
        for (int p = 0; p < 4; ++p)
          planes[p] |= static_cast<std::uint16_t>(((value >> p) & 1) << (15 - px));
      }
      for (int p = 0; p < 4; ++p) {
        scratch[p * plane_bytes + w * 2] = static_cast<std::uint8_t>(planes[p] >> 8);
        scratch[p * plane_bytes + w * 2 + 1] = static_cast<std::uint8_t>(planes[p]);
      }
    }
    std::copy(scratch.begin(), scratch.end(), row);
  }
}

void planar_to_chunky(SpriteRecord* s) {
  if (s)
    planar_to_chunky(s->pixels, static_cast<std::uint16_t>(s->height),
                     static_cast<std::uint16_t>(s->width_words));
}

void chunky_to_planar(SpriteRecord* s) {
  if (s)
    chunky_to_planar(s->pixels, static_cast<std::uint16_t>(s->height),
                     static_cast<std::uint16_t>(s->width_words));
}

std::vector<std::uint8_t> build_file_image(std::span<const SpriteRecord> sprites,
                                           std::uint32_t base) {
  std::size_t total = 0;
  for (const auto& s : sprites) total += kSpriteHeaderSize + s.data_length;
  std::vector<std::uint8_t> image(total);
  std::size_t at = 0;
  for (const auto& s : sprites) {
    write_sprite_header(
        s, static_cast<std::uint32_t>(at + kSpriteHeaderSize) + base,
        std::span<std::uint8_t, kSpriteHeaderSize>(image.data() + at, kSpriteHeaderSize));
    at += kSpriteHeaderSize;
    std::size_t n = std::min<std::size_t>(s.data_length, s.pixels.size());
    std::copy_n(s.pixels.begin(), n, image.begin() + static_cast<std::ptrdiff_t>(at));
    at += s.data_length;
  }
  return image;
}

std::array<std::uint32_t, kSpriteCount + 1> compute_sprite_index(
    std::span<const std::uint32_t, kSpriteCount> data_lengths) {
  std::array<std::uint32_t, kSpriteCount + 1> values{};
  std::uint32_t offset = 0;
  for (int k = 0; k < kSpriteCount; ++k) {
    if (k == kSpriteFiles[1].first) offset = 0;  // second run starts at SCORE.DAT
    values[k] = offset;
    offset += static_cast<std::uint32_t>(kSpriteHeaderSize) + data_lengths[k];
  }
  values[kSpriteCount] = 0;
  return values;
}

std::vector<std::uint8_t> encode_sprite_index(
    const std::array<std::uint32_t, kSpriteCount + 1>& values) {
  std::vector<std::uint8_t> out(kSpriteIndexSize);
  for (std::size_t k = 0; k < values.size(); ++k) put_u32(out, k * 4, values[k]);
  return out;
}

}  // namespace tavu
