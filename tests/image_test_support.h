// Pictures built byte by byte for the image reader's tests: BMP files of
// every header, depth and compression, and PNG files chunk by chunk.
#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/bytes.h"

namespace tavu::test {

using Bytes = std::vector<std::uint8_t>;

struct BmpLayout {
  std::uint32_t header = 40;  // 12, 40, 52, 56, 108, 124 or anything else
  int bits = 8;
  std::uint32_t compression = 0;
  std::int32_t width = 1;
  std::int32_t height = 1;                           // negative: top-down
  std::vector<std::array<std::uint8_t, 3>> palette;  // red, green, blue
  // The header's count of palette entries; -1: palette.size().
  std::int64_t colours_used = -1;
  // Masks written after a 40-byte header (3 or 4 of them) or into a longer
  // one; empty: none.
  std::vector<std::uint32_t> masks;
  Bytes pixels;                   // as stored
  std::int64_t data_offset = -1;  // -1: right after the palette
};

inline Bytes make_bmp(const BmpLayout& s) {
  const bool os2 = s.header == 12;
  const std::size_t entry = os2 ? 3 : 4;
  std::size_t after = 14 + s.header;
  if (s.header == 40) after += 4 * s.masks.size();
  const std::size_t offset = s.data_offset >= 0 ? static_cast<std::size_t>(s.data_offset)
                                                : after + entry * s.palette.size();
  Bytes f(std::max(offset, after + entry * s.palette.size()) + s.pixels.size(), 0);
  f[0] = 'B';
  f[1] = 'M';
  put_u32(f, 2, static_cast<std::uint32_t>(f.size()));
  put_u32(f, 10, static_cast<std::uint32_t>(offset));
  put_u32(f, 14, s.header);
  if (os2) {
    put_u16(f, 18, static_cast<std::uint16_t>(s.width));
    put_u16(f, 20, static_cast<std::uint16_t>(s.height));
    put_u16(f, 22, 1);
    put_u16(f, 24, static_cast<std::uint16_t>(s.bits));
  } else {
    put_u32(f, 18, static_cast<std::uint32_t>(s.width));
    put_u32(f, 22, static_cast<std::uint32_t>(s.height));
    put_u16(f, 26, 1);
    put_u16(f, 28, static_cast<std::uint16_t>(s.bits));
    put_u32(f, 30, s.compression);
    put_u32(f, 34, static_cast<std::uint32_t>(s.pixels.size()));
    const std::int64_t used =
        s.colours_used >= 0 ? s.colours_used : static_cast<std::int64_t>(s.palette.size());
    put_u32(f, 46, static_cast<std::uint32_t>(used));
    for (std::size_t i = 0; i < s.masks.size(); ++i) put_u32(f, 54 + 4 * i, s.masks[i]);
  }
  for (std::size_t i = 0; i < s.palette.size(); ++i) {
    f[after + entry * i] = s.palette[i][2];
    f[after + entry * i + 1] = s.palette[i][1];
    f[after + entry * i + 2] = s.palette[i][0];
  }
  std::copy(s.pixels.begin(), s.pixels.end(), f.begin() + static_cast<std::ptrdiff_t>(offset));
  return f;
}

// Rows of `values` (top first, one value per pixel) as an uncompressed BMP
// stores them: `bits` per pixel (1, 4, 8 as numbers; 16 and 32 as
// little-endian words; 24 as blue, green, red from the low three bytes),
// padded to four bytes, bottom row first unless top_down.
inline Bytes pack_rows(const std::vector<std::uint32_t>& values, int width, int height, int bits,
                       bool top_down) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  Bytes out(stride * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = (top_down ? y : height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = values[static_cast<std::size_t>(y) * width + x];
      if (bits < 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        out[row + bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
      } else {
        for (int b = 0; b < bits / 8; ++b)
          out[row + static_cast<std::size_t>(x) * (bits / 8) + b] =
              static_cast<std::uint8_t>(v >> (8 * b));
      }
    }
  }
  return out;
}

// --- PNG ------------------------------------------------------------------

inline void put_be32(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// One chunk with its length and (unless `crc_ok` is false) right CRC.
inline void add_chunk(Bytes& png, const std::string& type, const Bytes& data, bool crc_ok = true) {
  put_be32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type.begin(), type.end());
  png.insert(png.end(), data.begin(), data.end());
  std::uint32_t crc = static_cast<std::uint32_t>(
      crc32(0, png.data() + start, static_cast<uInt>(png.size() - start)));
  if (!crc_ok) crc ^= 1;
  put_be32(png, crc);
}

inline Bytes png_signature() {
  return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

inline Bytes ihdr_data(std::uint32_t w, std::uint32_t h, int depth, int colour_type,
                       int interlace = 0) {
  Bytes d;
  put_be32(d, w);
  put_be32(d, h);
  d.push_back(static_cast<std::uint8_t>(depth));
  d.push_back(static_cast<std::uint8_t>(colour_type));
  d.push_back(0);
  d.push_back(0);
  d.push_back(static_cast<std::uint8_t>(interlace));
  return d;
}

inline Bytes deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

}  // namespace tavu::test
