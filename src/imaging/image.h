// Pictures from outside programs: one reader for every import (BMP in all
// its common variants, PNG through libspng) and the indexed PNG writer of
// the exports. Plain functions over bytes; nothing here knows sprites,
// patterns or pictures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavu {

// Nothing wider or higher than this is decoded.
inline constexpr int kMaxImageSide = 8192;

// A decoded picture, rows top first. Either indexed (one palette number per
// pixel with the file's own palette, in the file's order and count) or true
// colour (red, green, blue, alpha per pixel).
struct Image {
  int width = 0;
  int height = 0;
  bool indexed = false;
  std::vector<std::uint8_t> indices;  // indexed: width * height numbers
  // indexed: red, green, blue, alpha of each entry as the file has them
  // (alpha 255 where the file gives none, tRNS where a PNG has it). A
  // number past the end of the palette may occur in a file; it stays as
  // stored and has no colour.
  std::vector<std::array<std::uint8_t, 4>> palette;
  std::vector<std::uint8_t> rgba;  // true colour: 4 * width * height bytes
};

enum class ImageStatus {
  ok,
  too_big,    // width or height above the caller's limit: sizes filled, no pixels
  bad,        // damaged, cut off or a kind this reader does not take: see reason
  not_found,  // read_image_file only: no such file
};

struct ImageResult {
  ImageStatus status = ImageStatus::bad;
  // Short, for the second line of a failure message: "RLE4 bitmap damaged
  // at row 3", "not a BMP or PNG file", "PNG: bad CRC".
  std::string reason;
  bool ok() const { return status == ImageStatus::ok; }
};

// BMP or PNG, told apart by their signatures. A picture larger than
// max_width x max_height (each at most kMaxImageSide) gives too_big with
// out.width and out.height set and nothing decoded, so the caller can name
// the size in its own words. Never reads outside `file`; trailing bytes are
// ignored.
ImageResult decode_image(std::span<const std::uint8_t> file, Image& out,
                         int max_width = kMaxImageSide, int max_height = kMaxImageSide);
ImageResult decode_bmp(std::span<const std::uint8_t> file, Image& out,
                       int max_width = kMaxImageSide, int max_height = kMaxImageSide);
ImageResult decode_png(std::span<const std::uint8_t> file, Image& out,
                       int max_width = kMaxImageSide, int max_height = kMaxImageSide);

// Reads the file (found ignoring case, through the program's file helpers)
// and decodes it. What is read is bounded by the picture's declared size,
// never by the file's: a picture over the limits is refused after its
// headers.
ImageResult read_image_file(std::string_view name, Image& out, int max_width = kMaxImageSide,
                            int max_height = kMaxImageSide);

// Which of "STEM.bmp" and "STEM.png" an import reads (found ignoring case,
// returned in the directory's spelling): the one that exists; with both, the
// newer, and the BMP when they are equally old. Empty when neither exists.
std::string newer_image_file(std::string_view stem);

// An indexed PNG (colour type 3, 8 bits): `rgb` holds red, green, blue of
// `entries` palette entries; `transparent` (if 0..entries-1) is written
// fully transparent through tRNS, every other entry opaque. Empty when a
// pixel names an entry past `entries`, the sizes are wrong, or encoding
// fails.
std::vector<std::uint8_t> encode_indexed_png(int width, int height,
                                             std::span<const std::uint8_t> pixels,
                                             std::span<const std::uint8_t> rgb, int entries,
                                             int transparent = -1);

}  // namespace tavu
