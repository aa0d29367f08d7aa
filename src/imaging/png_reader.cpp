// PNG through libspng: indexed files keep their numbers and palette as
// stored, every other kind becomes 8-bit red, green, blue, alpha.
#include <spng.h>

#include <algorithm>
#include <memory>
#include <new>

#include "imaging/image.h"
#include "imaging/png_header.h"

namespace tavu {
namespace {

struct CtxFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Ctx = std::unique_ptr<spng_ctx, CtxFree>;

// No chunk above this, and no more than this kept of the ancillary ones
// (libspng wants the first no larger than the second).
constexpr std::size_t kChunkLimit = 64u << 20;
constexpr std::size_t kCacheLimit = 64u << 20;
// Deflate gives at most 1032 bytes for one; a picture that would need more
// compressed data than the file holds is cut short (or a bomb).
constexpr std::uint64_t kDeflateRatio = 1032;

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::string why(int error) {
  switch (error) {
    case SPNG_IO_EOF:
    case SPNG_IO_ERROR:
    case SPNG_EOF:
    case SPNG_EIDAT_TOO_SHORT:
    case SPNG_EIDAT_STREAM:
      return "PNG file cut short";
    case SPNG_ESIGNATURE:
      return "not a PNG file";
    case SPNG_ECHUNK_CRC:
      return "PNG: bad CRC";
    case SPNG_ECHUNK_LIMITS:
    case SPNG_ECHUNK_SIZE:
    case SPNG_ECHUNK_POS:
    case SPNG_ECHUNK_STDLEN:
      return "PNG chunk damaged";
    case SPNG_EMEM:
      return "out of memory";
    default:
      break;
  }
  const char* text = spng_strerror(error);
  return std::string("PNG damaged: ") + (text ? text : "unknown error");
}

// Whether the chunks run whole up to a complete IEND (libspng does not
// insist on IEND's CRC).
bool ends_whole(std::span<const std::uint8_t> file) {
  std::size_t at = 8;
  while (file.size() - at >= 12) {
    const std::uint32_t length = be32(file, at);
    if (length > file.size() - at - 12) return false;
    static constexpr std::uint8_t kIend[] = {'I', 'E', 'N', 'D'};
    static constexpr std::uint8_t kIendCrc[] = {0xAE, 0x42, 0x60, 0x82};
    if (length == 0 && std::equal(kIend, kIend + 4, file.begin() + at + 4))
      return std::equal(kIendCrc, kIendCrc + 4, file.begin() + at + 8);
    at += 12 + length;
  }
  return false;
}

}  // namespace

namespace png_detail {

bool read_png_size(std::span<const std::uint8_t> file, std::uint32_t& width,
                   std::uint32_t& height) {
  static constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                            0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  if (file.size() < 33 || !std::equal(kStart, kStart + 16, file.begin())) return false;
  // CRC-32 of the chunk type and data, bit by bit: 17 bytes.
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= file[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  if ((crc ^ 0xFFFFFFFF) != be32(file, 29)) return false;
  width = be32(file, 16);
  height = be32(file, 20);
  return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF;
}

}  // namespace png_detail

namespace {

ImageResult decode(std::span<const std::uint8_t> file, Image& out, int max_width, int max_height) {
  out = Image{};
  Ctx ctx(spng_ctx_new(0));
  if (!ctx) return image_result(ImageStatus::bad, "out of memory");
  spng_ctx* c = ctx.get();
  // A damaged chunk of any kind refuses the file rather than being skipped.
  if (int e = spng_set_crc_action(c, SPNG_CRC_ERROR, SPNG_CRC_ERROR))
    return image_result(ImageStatus::bad, why(e));
  if (int e = spng_set_image_limits(c, kMaxImageSide, kMaxImageSide))
    return image_result(ImageStatus::bad, why(e));
  if (int e = spng_set_chunk_limits(c, kChunkLimit, kCacheLimit))
    return image_result(ImageStatus::bad, why(e));
  if (int e = spng_set_png_buffer(c, file.data(), file.size()))
    return image_result(ImageStatus::bad, why(e));

  // The size first, from IHDR alone, as read_image_file does before it
  // reads the rest: a picture over the limits is too big whatever follows.
  std::uint32_t declared_w = 0, declared_h = 0;
  if (png_detail::read_png_size(file, declared_w, declared_h) &&
      (declared_w > static_cast<std::uint32_t>(std::min(max_width, kMaxImageSide)) ||
       declared_h > static_cast<std::uint32_t>(std::min(max_height, kMaxImageSide)))) {
    out.width = static_cast<int>(declared_w);
    out.height = static_cast<int>(declared_h);
    return image_result(ImageStatus::too_big,
                        std::to_string(declared_w) + "x" + std::to_string(declared_h) + " too big");
  }
  spng_ihdr ihdr{};
  if (int e = spng_get_ihdr(c, &ihdr)) {
    // Over the limits: name the size (libspng checks IHDR's CRC only later).
    std::uint32_t w = 0, h = 0;
    if (e == SPNG_EUSER_WIDTH || e == SPNG_EUSER_HEIGHT) {
      if (!png_detail::read_png_size(file, w, h))
        return image_result(ImageStatus::bad, "PNG: bad CRC");
      out.width = static_cast<int>(w);
      out.height = static_cast<int>(h);
      return image_result(ImageStatus::too_big,
                          std::to_string(w) + "x" + std::to_string(h) + " too big");
    }
    return image_result(ImageStatus::bad, why(e));
  }
  out.width = static_cast<int>(ihdr.width);
  out.height = static_cast<int>(ihdr.height);
  if (out.width > std::min(max_width, kMaxImageSide) ||
      out.height > std::min(max_height, kMaxImageSide))
    return image_result(ImageStatus::too_big,
                        std::to_string(out.width) + "x" + std::to_string(out.height) + " too big");

  const std::uint64_t w = ihdr.width;
  const std::uint64_t h = ihdr.height;
  const bool indexed = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;
  int channels = 1;
  switch (ihdr.color_type) {
    case SPNG_COLOR_TYPE_TRUECOLOR:
      channels = 3;
      break;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      channels = 2;
      break;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
      channels = 4;
      break;
    default:
      break;
  }
  const std::uint64_t filtered = h * (1 + (w * channels * ihdr.bit_depth + 7) / 8);
  if (filtered > kDeflateRatio * file.size() + 1024)
    return image_result(ImageStatus::bad, "PNG file cut short");

  const int fmt = indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
  std::size_t size = 0;
  if (int e = spng_decoded_image_size(c, fmt, &size)) return image_result(ImageStatus::bad, why(e));
  const std::size_t row_bytes = indexed ? (w * ihdr.bit_depth + 7) / 8 : w * 4;
  if (size != row_bytes * h) return image_result(ImageStatus::bad, "PNG damaged");
  std::vector<std::uint8_t> pixels(size);
  if (int e =
          spng_decode_image(c, pixels.data(), pixels.size(), fmt, indexed ? 0 : SPNG_DECODE_TRNS))
    return image_result(ImageStatus::bad, why(e));
  // The chunks after the picture, up to IEND: a file cut there is cut.
  if (int e = spng_decode_chunks(c)) return image_result(ImageStatus::bad, why(e));
  if (!ends_whole(file)) return image_result(ImageStatus::bad, "PNG file cut short");

  if (!indexed) {
    out.rgba = std::move(pixels);
    return image_result(ImageStatus::ok, {});
  }
  spng_plte plte{};
  if (int e = spng_get_plte(c, &plte)) return image_result(ImageStatus::bad, why(e));
  spng_trns trns{};
  const bool has_trns = spng_get_trns(c, &trns) == 0;
  out.indexed = true;
  out.palette.resize(plte.n_entries);
  for (std::uint32_t i = 0; i < plte.n_entries && i < 256; ++i) {
    const std::uint8_t alpha = has_trns && i < trns.n_type3_entries ? trns.type3_alpha[i] : 255;
    out.palette[i] = {plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue, alpha};
  }
  const int bits = ihdr.bit_depth;
  if (bits == 8) {
    out.indices = std::move(pixels);
    return image_result(ImageStatus::ok, {});
  }
  out.indices.resize(w * h);
  const unsigned mask = (1u << bits) - 1;
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* src = pixels.data() + y * row_bytes;
    std::uint8_t* dst = out.indices.data() + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      const std::size_t bit = x * static_cast<std::size_t>(bits);
      const int shift = 8 - bits - static_cast<int>(bit % 8);
      dst[x] = static_cast<std::uint8_t>((src[bit / 8] >> shift) & mask);
    }
  }
  return image_result(ImageStatus::ok, {});
}

}  // namespace

ImageResult decode_png(std::span<const std::uint8_t> file, Image& out, int max_width,
                       int max_height) {
  return decode_or_refuse(out, [&] { return decode(file, out, max_width, max_height); });
}

}  // namespace tavu
