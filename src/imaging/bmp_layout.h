// The header of a BMP file as the reader understands it, shared by the
// decoder and the file reader (which reads no more than the layout needs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tavu::bmp_detail {

// File header, the largest information header, four masks and 256 entries.
inline constexpr std::size_t kMaxHeadBytes = 14 + 124 + 16 + 4 * 256;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
  kAlphaBitfields = 6,
};

struct BmpLayout {
  // Empty when the header is sound; otherwise why not.
  std::string reason;
  bool need_more = false;  // the header itself is cut short
  std::int32_t width = 0;
  std::int32_t height = 0;  // always positive
  bool top_down = false;
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::size_t palette_at = 0;
  int palette_entries = 0;
  int entry_size = 4;           // 3 for the 12-byte header
  std::uint32_t masks[4] = {};  // red, green, blue, alpha
  std::size_t data_offset = 0;
  // Bytes from the data offset the pixels can need at most: the rows for
  // an uncompressed picture, a generous bound for RLE.
  std::uint64_t pixel_bytes = 0;
};

// Reads the headers (and where the palette and pixels lie) from the start
// of a file. Looks at no byte past `head`.
BmpLayout parse_bmp_layout(std::span<const std::uint8_t> head);

}  // namespace tavu::bmp_detail
