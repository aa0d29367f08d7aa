// BMP in the variants paint programs write: OS/2 and Windows headers of
// every size, 1 to 32 bits, RLE4 and RLE8, bit fields, either row order.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "imaging/bmp_layout.h"
#include "imaging/image.h"
#include "shell/bytes.h"

namespace tavu {
namespace bmp_detail {
namespace {

bool known_header_size(std::uint32_t size) {
  switch (size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
      return true;
    default:
      return false;
  }
}

BmpLayout refuse(BmpLayout l, std::string reason) {
  l.reason = std::move(reason);
  return l;
}

// A mask must be one run of set bits inside the pixel.
bool sound_mask(std::uint32_t mask, int bits) {
  if (mask == 0) return true;
  if (bits < 32 && (mask >> bits) != 0) return false;
  const std::uint32_t run = mask >> std::countr_zero(mask);
  return (run & (run + 1)) == 0;
}

}  // namespace

BmpLayout parse_bmp_layout(std::span<const std::uint8_t> head) {
  BmpLayout l;
  if (head.size() >= 2 && (head[0] != 'B' || head[1] != 'M')) return refuse(l, "not a BMP file");
  if (head.size() < 18) {
    l.need_more = true;
    return refuse(l, "BMP file cut short");
  }
  const std::uint32_t info_size = get_u32(head, 14);
  if (!known_header_size(info_size))
    return refuse(l, "BMP header of " + std::to_string(info_size) + " bytes not supported");
  if (head.size() < 14 + std::size_t{info_size}) {
    l.need_more = true;
    return refuse(l, "BMP file cut short");
  }
  l.data_offset = get_u32(head, 10);
  std::int64_t width = 0;
  std::int64_t height = 0;
  if (info_size == 12) {
    width = get_u16(head, 18);
    height = get_u16(head, 20);  // unsigned here: no top-down
    l.bits = get_u16(head, 24);
    l.entry_size = 3;
  } else {
    width = get_i32(head, 18);
    height = get_i32(head, 22);
    l.bits = get_u16(head, 28);
    l.compression = get_u32(head, 30);
  }
  if (height < 0) {
    l.top_down = true;
    height = -height;
  }
  if (width <= 0 || height == 0)
    return refuse(l, "BMP of " + std::to_string(width) + "x" + std::to_string(height));
  l.width = static_cast<std::int32_t>(width);
  l.height = static_cast<std::int32_t>(std::min<std::int64_t>(height, INT32_MAX));

  const int bits = l.bits;
  switch (l.compression) {
    case kRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse(l, "BMP of " + std::to_string(bits) + " bits not supported");
      break;
    case kRle8:
    case kRle4:
      if (bits != (l.compression == kRle8 ? 8 : 4))
        return refuse(l, "RLE bitmap of " + std::to_string(bits) + " bits");
      if (l.top_down) return refuse(l, "top-down RLE bitmap");
      break;
    case kBitfields:
    case kAlphaBitfields:
      if (bits != 16 && bits != 32)
        return refuse(l, "bit fields with " + std::to_string(bits) + " bits");
      break;
    default:
      return refuse(l, "BMP compression " + std::to_string(l.compression) + " not supported");
  }

  std::size_t after = 14 + std::size_t{info_size};
  if (l.compression == kBitfields || l.compression == kAlphaBitfields) {
    // A 40-byte header has its masks after it; the longer ones inside.
    const int count = l.compression == kAlphaBitfields || info_size >= 56 ? 4 : 3;
    if (info_size == 40) after += 4 * static_cast<std::size_t>(count);
    if (head.size() < 54 + 4 * static_cast<std::size_t>(count)) {
      l.need_more = true;
      return refuse(l, "BMP file cut short");
    }
    for (int i = 0; i < count; ++i) l.masks[i] = get_u32(head, 54 + 4 * i);
    const std::uint32_t r = l.masks[0], g = l.masks[1], b = l.masks[2], a = l.masks[3];
    if (r == 0 || g == 0 || b == 0 || (r & g) || (r & b) || (g & b) || ((r | g | b) & a))
      return refuse(l, "BMP colour masks damaged");
    for (const std::uint32_t m : l.masks)
      if (!sound_mask(m, bits)) return refuse(l, "BMP colour masks damaged");
  } else if (bits == 16) {
    l.masks[0] = 0x7C00;
    l.masks[1] = 0x03E0;
    l.masks[2] = 0x001F;
  } else if (bits == 32) {
    l.masks[0] = 0x00FF0000;
    l.masks[1] = 0x0000FF00;
    l.masks[2] = 0x000000FF;
  }

  l.palette_at = after;
  if (l.data_offset < after) return refuse(l, "BMP pixels inside its headers");
  if (bits <= 8) {
    const std::uint32_t most = 1u << bits;
    std::uint32_t count = info_size == 12 ? most : get_u32(head, 46);
    // More entries than numbers can name: the rest is never used.
    if (count == 0 || count > most) count = most;
    // Some writers leave fewer entries than they declare before the pixels.
    const std::size_t room = (l.data_offset - after) / static_cast<std::size_t>(l.entry_size);
    l.palette_entries = static_cast<int>(std::min<std::size_t>(count, room));
  }

  const std::uint64_t w = static_cast<std::uint64_t>(l.width);
  const std::uint64_t h = static_cast<std::uint64_t>(l.height);
  if (l.compression == kRle8 || l.compression == kRle4) {
    // The longest sound encoding: a delta per pixel, an end of line per
    // row. Nothing past it is read.
    l.pixel_bytes = (4 * w + 4) * h + 4;
  } else {
    const std::uint64_t stride = (w * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
    l.pixel_bytes = stride * h;
  }
  return l;
}

}  // namespace bmp_detail

namespace {

using namespace bmp_detail;

std::string size_text(std::int64_t w, std::int64_t h) {
  return std::to_string(w) + "x" + std::to_string(h);
}

// Indices of RLE8 or RLE4 data; pixels the codes skip stay 0.
ImageResult decode_rle(const BmpLayout& l, std::span<const std::uint8_t> data, Image& out) {
  const bool four = l.compression == kRle4;
  const std::string name = four ? "RLE4" : "RLE8";
  const std::size_t w = static_cast<std::size_t>(l.width);
  const std::size_t h = static_cast<std::size_t>(l.height);
  std::size_t x = 0;
  std::size_t row = 0;  // stored row, the bottom one first
  std::size_t at = 0;
  // Rows are named as a paint program shows them, the top one 0.
  auto damaged = [&] {
    const std::size_t shown = row < h ? h - 1 - row : 0;
    return image_result(ImageStatus::bad, name + " bitmap damaged at row " + std::to_string(shown));
  };
  // Some writers (ImageMagick) encode the row's padding as pixels too: runs
  // may reach the row's stored width, and what lies past the picture is
  // dropped.
  const std::size_t padded = four ? (w + 7) / 8 * 8 : (w + 3) / 4 * 4;
  auto put = [&](std::uint8_t value) {
    if (x < w) out.indices[(h - 1 - row) * w + x] = value;
    ++x;
  };
  while (true) {
    if (at + 2 > data.size()) {
      // Some writers end without the end-of-bitmap code once every row is there.
      if (row >= h || (row == h - 1 && x >= w)) break;
      return image_result(ImageStatus::bad,
                          name + " bitmap cut short at row " + std::to_string(h - 1 - row));
    }
    const std::uint8_t count = data[at];
    const std::uint8_t code = data[at + 1];
    at += 2;
    if (count > 0) {
      if (row >= h || x + count > padded) return damaged();
      for (int i = 0; i < count; ++i)
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? code >> 4 : code & 15) : code);
    } else if (code == 0) {
      x = 0;
      ++row;
    } else if (code == 1) {
      break;
    } else if (code == 2) {
      if (at + 2 > data.size()) return damaged();
      x += data[at];
      row += data[at + 1];
      at += 2;
      if (x > w || row > h || (row == h && x > 0)) return damaged();
    } else {
      const std::size_t n = code;
      const std::size_t bytes = four ? (n + 1) / 2 : n;
      if (row >= h || x + n > padded || at + bytes > data.size()) return damaged();
      for (std::size_t i = 0; i < n; ++i)
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? data[at + i / 2] >> 4
                                                        : data[at + i / 2] & 15)
                 : data[at + i]);
      at += (bytes + 1) & ~std::size_t{1};  // padded to 16 bits
    }
  }
  return image_result(ImageStatus::ok, {});
}

// 0..255 from a field of `bits` bits.
std::uint8_t scale_field(std::uint32_t value, int bits) {
  if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
  const std::uint32_t most = (1u << bits) - 1;
  return static_cast<std::uint8_t>((value * 255 + most / 2) / most);
}

}  // namespace

namespace {

ImageResult decode(std::span<const std::uint8_t> file, Image& out, int max_width, int max_height) {
  out = Image{};
  const BmpLayout l = parse_bmp_layout(file);
  if (!l.reason.empty()) return image_result(ImageStatus::bad, l.reason);
  out.width = l.width;
  out.height = l.height;
  if (l.width > std::min(max_width, kMaxImageSide) ||
      l.height > std::min(max_height, kMaxImageSide))
    return image_result(ImageStatus::too_big, size_text(l.width, l.height) + " too big");

  const std::size_t w = static_cast<std::size_t>(l.width);
  const std::size_t h = static_cast<std::size_t>(l.height);
  if (l.data_offset > file.size()) return image_result(ImageStatus::bad, "BMP file cut short");
  const std::span<const std::uint8_t> data = file.subspan(l.data_offset);

  if (l.bits <= 8) {
    const std::size_t es = static_cast<std::size_t>(l.entry_size);
    if (l.palette_at + es * static_cast<std::size_t>(l.palette_entries) > file.size())
      return image_result(ImageStatus::bad, "BMP file cut short");
    out.indexed = true;
    out.palette.resize(static_cast<std::size_t>(l.palette_entries));
    for (std::size_t i = 0; i < out.palette.size(); ++i) {
      const std::size_t p = l.palette_at + es * i;
      out.palette[i] = {file[p + 2], file[p + 1], file[p], 255};
    }
    if (l.compression == kRle8 || l.compression == kRle4) {
      out.indices.assign(w * h, 0);
      const std::size_t length =
          static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), l.pixel_bytes));
      ImageResult r = decode_rle(l, data.first(length), out);
      if (!r.ok()) {
        out.indices.clear();
        out.palette.clear();
      }
      return r;
    }
  }

  // Uncompressed rows; the last row's padding may be missing.
  const std::size_t stride = (w * static_cast<std::size_t>(l.bits) + 31) / 32 * 4;
  const std::size_t row_bytes = (w * static_cast<std::size_t>(l.bits) + 7) / 8;
  if (data.size() < stride * (h - 1) + row_bytes) {
    out.palette.clear();
    out.indexed = false;
    return image_result(ImageStatus::bad, "BMP file cut short");
  }
  auto stored_row = [&](std::size_t y) {
    const std::size_t r = l.top_down ? y : h - 1 - y;
    return data.subspan(r * stride, row_bytes);
  };

  if (l.bits <= 8) {
    out.indices.resize(w * h);
    const int bits = l.bits;
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t y = 0; y < h; ++y) {
      const std::span<const std::uint8_t> src = stored_row(y);
      std::uint8_t* dst = out.indices.data() + y * w;
      if (bits == 8) {
        std::memcpy(dst, src.data(), w);
        continue;
      }
      for (std::size_t x = 0; x < w; ++x) {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        dst[x] = static_cast<std::uint8_t>((src[bit / 8] >> shift) & mask);
      }
    }
    return image_result(ImageStatus::ok, {});
  }

  out.rgba.resize(w * h * 4);
  if (l.bits == 24) {
    for (std::size_t y = 0; y < h; ++y) {
      const std::span<const std::uint8_t> src = stored_row(y);
      std::uint8_t* dst = out.rgba.data() + y * w * 4;
      for (std::size_t x = 0; x < w; ++x) {
        dst[4 * x] = src[3 * x + 2];
        dst[4 * x + 1] = src[3 * x + 1];
        dst[4 * x + 2] = src[3 * x];
        dst[4 * x + 3] = 255;
      }
    }
    return image_result(ImageStatus::ok, {});
  }

  int shift[4] = {};
  int width_bits[4] = {};
  for (int c = 0; c < 4; ++c) {
    if (l.masks[c] == 0) continue;
    shift[c] = std::countr_zero(l.masks[c]);
    width_bits[c] = std::popcount(l.masks[c]);
  }
  bool any_alpha = false;
  const std::size_t bytes = static_cast<std::size_t>(l.bits / 8);
  for (std::size_t y = 0; y < h; ++y) {
    const std::span<const std::uint8_t> src = stored_row(y);
    std::uint8_t* dst = out.rgba.data() + y * w * 4;
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t v = bytes == 2 ? get_u16(src, 2 * x) : get_u32(src, 4 * x);
      for (int c = 0; c < 3; ++c)
        dst[4 * x + c] = scale_field((v & l.masks[c]) >> shift[c], width_bits[c]);
      if (l.masks[3] != 0) {
        dst[4 * x + 3] = scale_field((v & l.masks[3]) >> shift[3], width_bits[3]);
        any_alpha = any_alpha || dst[4 * x + 3] != 0;
      }
    }
  }
  // An alpha channel that is zero everywhere was never filled in.
  if (!any_alpha)
    for (std::size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
  return image_result(ImageStatus::ok, {});
}

}  // namespace

ImageResult decode_bmp(std::span<const std::uint8_t> file, Image& out, int max_width,
                       int max_height) {
  return decode_or_refuse(out, [&] { return decode(file, out, max_width, max_height); });
}

}  // namespace tavu
