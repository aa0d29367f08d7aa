// Pictures from outside programs: one reader for every import (BMP in all
// its common variants, PNG through libspng) and the indexed PNG writer of
// the exports. Plain functions over bytes; nothing here knows sprites,
// patterns or pictures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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

inline ImageResult image_result(ImageStatus status, std::string reason) {
  ImageResult r;
  r.status = status;
  r.reason = std::move(reason);
  return r;
}

// Runs a decoder; memory it cannot get refuses the picture instead.
template <class Decode>
ImageResult decode_or_refuse(Image& out, Decode&& decode) {
  try {
    return decode();
  } catch (const std::bad_alloc&) {
    out = Image{};
    return image_result(ImageStatus::bad, "out of memory");
  }
}

// BMP or PNG, told apart by their signatures. A picture larger than
// max_width x max_height (each at most kMaxImageSide) gives too_big with
// out.width and out.height set and nothing decoded, so the caller can name
// the size in its own words. Never reads outside `file`; trailing bytes are
// ignored.
ImageResult decode_image(std::span<const std::uint8_t> file, Image& out,
                         int max_width = kMaxImageSide, int max_height = kMaxImageSide);
// BMP: information headers of 12 (OS/2), 40, 52, 56, 108 and 124 bytes.
// 1, 4 and 8 bits (also RLE4, RLE8) give indices and the palette; a
// palette count above what the bits can name is cut to 2^bits, one longer
// than the gap before the pixels to what fits there. 16, 24 and 32 bits
// (plain or bit fields) give true colour, alpha from an alpha mask when one
// is given and some pixel uses it, else 255. RLE runs may fill a row's
// padding (ImageMagick writes them so); what lies past the picture is
// dropped, and a run past the padding or a delta out of the picture refuses
// the file with its row ("RLE4 bitmap damaged at row 3", the top row 0).
ImageResult decode_bmp(std::span<const std::uint8_t> file, Image& out,
                       int max_width = kMaxImageSide, int max_height = kMaxImageSide);
// PNG of every colour type, depth and interlacing: indexed ones give their
// numbers and palette as stored (tRNS alpha per entry), the others true
// colour (16 bits cut to 8). Every chunk's CRC is checked and a whole IEND
// required.
ImageResult decode_png(std::span<const std::uint8_t> file, Image& out,
                       int max_width = kMaxImageSide, int max_height = kMaxImageSide);

// Reads the file (found ignoring case, through the program's file helpers)
// and decodes it. What is read is bounded by the picture's declared size,
// never by the file's: a picture over the limits is refused after its
// headers (a PNG is read up to 64 MB). The result is decode_image's on the
// whole file; a read that fails is "cannot read it", not a cut file.
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
