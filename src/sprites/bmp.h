// The Windows bitmap layout every export writes (8-bit palette images with the
// 40-byte information header, rows stored bottom-up) and the reading
// convention every import shares.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "shell/files.h"

namespace tavu {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;

// Width rounded up to a multiple of four bytes.
inline std::uint32_t bmp_row_stride(std::uint32_t width) {
  return (width + 3u) & ~3u;
}

// Fills the two headers for an 8-bit image with `palette_entries` colours.
void make_bmp_headers(std::span<std::uint8_t, kBmpFileHeaderSize> file_header,
                      std::span<std::uint8_t, kBmpInfoHeaderSize> info_header,
                      std::uint32_t palette_entries, std::int32_t width, std::int32_t height);

// A whole bitmap file: headers, palette (`rgb` holds red, green, blue per
// entry, written as blue, green, red, 0) and the rows of `pixels` (top row
// first, `width` bytes each), stored bottom-up; each row is padded to the
// stride with `padding`.
std::vector<std::uint8_t> make_bmp_file(std::span<const std::uint8_t> rgb,
                                        std::uint32_t palette_entries, std::int32_t width,
                                        std::int32_t height, std::span<const std::uint8_t> pixels,
                                        std::uint8_t padding = 0);

// Reading: any uncompressed 8-bit bitmap, stored bottom-up, whose pixels are
// found through the data offset (so 40-, 108- and 124-byte information
// headers all read the same). The palette is not used.
enum class BmpStatus {
  ok,
  truncated,       // shorter than the two headers
  not_bmp,         // no "BM"
  unsupported,     // not 8 bits per pixel, compressed, or a header below 40 bytes
  bad_dimensions,  // width or height zero or negative (top-down)
  missing_pixels,  // the rows run past the end of the file
};

struct BmpInfo {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bits_per_pixel = 0;
  std::uint32_t compression = 0;
  std::uint32_t info_size = 0;
  std::uint32_t data_offset = 0;
  std::size_t stride = 0;  // bytes per stored row
};

struct BmpView {
  BmpStatus status = BmpStatus::truncated;
  BmpInfo info;  // filled whenever both headers were present
  std::span<const std::uint8_t> file;

  bool ok() const { return status == BmpStatus::ok; }
  // Stored row r (0 is the bottom row of the image): `info.width` pixels.
  // Only valid when ok().
  std::span<const std::uint8_t> row(std::int32_t r) const;
  // Image row y counted from the top.
  std::span<const std::uint8_t> row_from_top(std::int32_t y) const {
    return row(info.height - 1 - y);
  }
};

// Checks the headers and that every row lies inside `file`; the pixels are
// then read through row() without further checks.
BmpView read_bmp(std::span<const std::uint8_t> file);

// Reads a bitmap file from disk for read_bmp(), bounded by the picture's
// size rather than the file's: the headers, and the rows only when the
// picture is at most max_width x max_height (otherwise the headers alone, so
// the caller refuses it by its dimensions). Nothing after the last row is
// read, so trailing bytes of any length do no harm. Up to 64 KiB between
// the headers and the rows are kept as they are; a longer gap is skipped and
// the data offset of `out` moved to match.
ReadStatus read_bmp_file(std::string_view name, std::vector<std::uint8_t>& out,
                         std::int32_t max_width, std::int32_t max_height);

}  // namespace tavu
