// A PNG file through the image reader, from memory and from disk, then
// imported as a sprite, a pattern and a pitch with the Insert operations.
// libspng is not instrumented, so some inputs get their CRCs mended and
// others are built whole from fields: mutations then reach the checks and
// the decoding behind the CRCs and the compression.
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "image_harness.h"

using namespace tavu;

namespace {

// The input with every chunk's CRC made right, so that mutations inside a
// chunk reach the checks behind the CRC instead of stopping at it.
std::vector<std::uint8_t> with_right_crcs(fuzz::Bytes input) {
  std::vector<std::uint8_t> out(input.begin(), input.end());
  std::size_t at = 8;
  while (out.size() >= at + 12) {
    const std::size_t length = (std::size_t{out[at]} << 24) | (std::size_t{out[at + 1]} << 16) |
                               (std::size_t{out[at + 2]} << 8) | out[at + 3];
    if (length > out.size() - at - 12) break;
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, out.data() + at + 4, static_cast<uInt>(length + 4)));
    for (int i = 0; i < 4; ++i)
      out[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return out;
}

void put_be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void add_chunk(std::vector<std::uint8_t>& png, const char* type,
               std::span<const std::uint8_t> data) {
  put_be32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  put_be32(png, static_cast<std::uint32_t>(
                    crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// A whole PNG made from the input's fields: 6 header bytes (width, height
// up to 64, a depth and colour type pair, interlacing, palette entries),
// then the palette and tRNS bytes, then the filtered scanlines, which are
// compressed here so that mutations reach the decoding behind zlib.
std::vector<std::uint8_t> built_png(fuzz::Bytes input) {
  static constexpr std::uint8_t kKinds[][2] = {{1, 0}, {2, 0},  {4, 0},  {8, 0}, {16, 0},
                                               {8, 2}, {16, 2}, {1, 3},  {2, 3}, {4, 3},
                                               {8, 3}, {8, 4},  {16, 4}, {8, 6}, {16, 6}};
  if (input.size() < 6) return {};
  const std::uint32_t w = 1 + input[0] % 64;
  const std::uint32_t h = 1 + input[1] % 64;
  const auto& kind = kKinds[input[2] % std::size(kKinds)];
  const std::size_t entries = input[4];
  const std::size_t trns = input[5] % 8;
  input = input.subspan(6);
  std::vector<std::uint8_t> ihdr;
  put_be32(ihdr, w);
  put_be32(ihdr, h);
  ihdr.insert(ihdr.end(), {kind[0], kind[1], 0, 0,
                           static_cast<std::uint8_t>(input.empty() ? 0 : input[0] % 2)});
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  add_chunk(png, "IHDR", ihdr);
  if (kind[1] == 3) {
    const std::size_t n = std::min(3 * entries, input.size());
    add_chunk(png, "PLTE", input.first(n));
    input = input.subspan(n);
  }
  if (trns > 0) {
    const std::size_t n = std::min(trns, input.size());
    add_chunk(png, "tRNS", input.first(n));
    input = input.subspan(n);
  }
  uLongf size = compressBound(static_cast<uLong>(input.size()));
  std::vector<std::uint8_t> z(size);
  if (compress2(z.data(), &size, input.data(), static_cast<uLong>(input.size()), 1) != Z_OK)
    return {};
  z.resize(size);
  add_chunk(png, "IDAT", z);
  add_chunk(png, "IEND", {});
  return png;
}

}  // namespace

bool fuzz::setup() {
  return fuzz::setup_image_imports();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Bytes input(data, size);
  // A third of the inputs as they are (CRCs and all), a third with their
  // CRCs mended, a third built whole from fields.
  switch (size % 3) {
    case 0:
      fuzz::run_image_input(input, ".png");
      break;
    case 1:
      fuzz::run_image_input(with_right_crcs(input), ".png");
      break;
    default:
      fuzz::run_image_input(built_png(input), ".png");
      break;
  }
  return 0;
}
