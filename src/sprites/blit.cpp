#include "sprites/blit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "sprites/sprite_files.h"

namespace tavu {
namespace {

enum class BlitMode { natural, single_colour, raised };

// Written as selects rather than branches: glyph pixels are too irregular
// for branch prediction, and text is most of what a frame draws.
template <BlitMode M>
inline void put(std::uint8_t& dst, std::uint8_t v, std::uint8_t value) {
  std::uint8_t out;
  if constexpr (M == BlitMode::natural)
    out = v;
  else if constexpr (M == BlitMode::single_colour)
    out = v == 8 ? std::uint8_t{8} : value;
  else
    out = static_cast<std::uint8_t>(v | value);
  dst = v ? out : dst;
}

// Two pixels per source byte.
template <BlitMode M>
void blit_rows(const std::uint8_t* src_row, std::size_t row_bytes, std::uint8_t* dst_row, int pitch,
               long long src_x, long long vis_w, long long vis_h, std::uint8_t value) {
  for (long long r = 0; r < vis_h; ++r, src_row += row_bytes, dst_row += pitch) {
    const std::uint8_t* s = src_row + (src_x >> 1);
    long long c = 0;
    if (src_x & 1) {
      put<M>(dst_row[0], *s++ & 15, value);
      c = 1;
    }
    for (; c + 1 < vis_w; c += 2, ++s) {
      const std::uint8_t b = *s;
      put<M>(dst_row[c], b >> 4, value);
      put<M>(dst_row[c + 1], b & 15, value);
    }
    if (c < vis_w) put<M>(dst_row[c], *s >> 4, value);
  }
}

// Eight pixels at a time, one per byte of a 64-bit word: the blit of every
// glyph, where per-pixel branches cost more than the pixels.
constexpr std::uint64_t kOnes = 0x0101010101010101ull;

static_assert(std::endian::native == std::endian::little, "pixel words are little-endian");

// Four source bytes (eight pixels, high nibble first) to one pixel per byte.
inline std::uint64_t unpack_nibbles(const std::uint8_t* s) {
  std::uint32_t b;
  std::memcpy(&b, s, 4);
  std::uint64_t v = b;
  v = (v | v << 16) & 0x0000FFFF0000FFFFull;
  v = (v | v << 8) & 0x00FF00FF00FF00FFull;
  return (v >> 4 & 0x000F000F000F000Full) | (v & 0x000F000F000F000Full) << 8;
}

// 0xFF in every byte of `x` (values 0..15) that is not zero.
inline std::uint64_t nonzero_bytes(std::uint64_t x) {
  return (((x + 0x7F * kOnes) | x) >> 7 & kOnes) * 0xFF;
}

template <BlitMode M>
void blit_rows_wide(const std::uint8_t* src_row, std::size_t row_bytes, std::uint8_t* dst_row,
                    int pitch, long long src_byte, long long vis_w, long long vis_h,
                    std::uint8_t value) {
  const std::uint64_t fill = value * kOnes;
  for (long long r = 0; r < vis_h; ++r, src_row += row_bytes, dst_row += pitch) {
    const std::uint8_t* s = src_row + src_byte;
    for (long long c = 0; c < vis_w; c += 8, s += 4) {
      const std::uint64_t x = unpack_nibbles(s);
      std::uint64_t mask = nonzero_bytes(x);
      if (vis_w - c < 8) mask &= (std::uint64_t{1} << (8 * (vis_w - c))) - 1;
      std::uint64_t out;
      if constexpr (M == BlitMode::natural) {
        out = x;
      } else if constexpr (M == BlitMode::single_colour) {
        const std::uint64_t eight = ~nonzero_bytes(x ^ (8 * kOnes));
        out = (fill & ~eight) | (8 * kOnes & eight);
      } else {
        out = x | fill;
      }
      std::uint64_t dst;
      std::memcpy(&dst, dst_row + c, 8);
      dst = (dst & ~mask) | (out & mask);
      std::memcpy(dst_row + c, &dst, 8);
    }
  }
}

// The header fields may disagree with the buffer (corrupt files): the drawn
// area never goes past the row in words or the rows actually held, and both
// the left/top and the right/bottom edges are clipped.
void blit(int x, int y, std::uint8_t* target, const SpriteRecord* s, int pitch, int clip_w,
          int clip_h, BlitMode mode, std::uint8_t value) {
  if (!s || !target || s->width_words <= 0) return;
  const std::size_t row_bytes = static_cast<std::size_t>(s->width_words) * 8;
  const long long w = std::min<long long>(s->width, s->width_words * 16LL);
  const long long h =
      std::min<long long>(s->height, static_cast<long long>(s->pixels.size() / row_bytes));
  if (w <= 0 || h <= 0) return;

  long long src_x = 0, src_y = 0, vis_w = w, vis_h = h;
  long long left = x, top = y;
  if (left < 0) {
    vis_w = w + left;
    src_x = -left;
    left = 0;
  }
  if (left + vis_w >= clip_w) vis_w = clip_w - left;
  if (top < 0) {
    vis_h = h + top;
    src_y = -top;
    top = 0;
  }
  if (top + vis_h >= clip_h) vis_h = clip_h - top;
  if (vis_w <= 0 || vis_h <= 0) return;

  const std::uint8_t* src_row = s->pixels.data() + src_y * row_bytes;
  std::uint8_t* dst_row = target + top * pitch + left;
  // Whole 8-pixel groups only while they stay inside the clip width (the
  // target's rows are at least that long) and inside the source row, and
  // start on a source byte.
  const long long group_pixels = (vis_w + 7) & ~7LL;
  if ((src_x & 1) == 0 && left + group_pixels <= clip_w &&
      src_x / 2 + group_pixels / 2 <= static_cast<long long>(row_bytes)) {
    switch (mode) {
      case BlitMode::natural:
        blit_rows_wide<BlitMode::natural>(src_row, row_bytes, dst_row, pitch, src_x / 2, vis_w,
                                          vis_h, value);
        break;
      case BlitMode::single_colour:
        blit_rows_wide<BlitMode::single_colour>(src_row, row_bytes, dst_row, pitch, src_x / 2,
                                                vis_w, vis_h, value);
        break;
      case BlitMode::raised:
        blit_rows_wide<BlitMode::raised>(src_row, row_bytes, dst_row, pitch, src_x / 2, vis_w,
                                         vis_h, value);
        break;
    }
    return;
  }
  switch (mode) {
    case BlitMode::natural:
      blit_rows<BlitMode::natural>(src_row, row_bytes, dst_row, pitch, src_x, vis_w, vis_h, value);
      break;
    case BlitMode::single_colour:
      blit_rows<BlitMode::single_colour>(src_row, row_bytes, dst_row, pitch, src_x, vis_w, vis_h,
                                         value);
      break;
    case BlitMode::raised:
      blit_rows<BlitMode::raised>(src_row, row_bytes, dst_row, pitch, src_x, vis_w, vis_h, value);
      break;
  }
}

}  // namespace

SpriteSize get_sprite_size(const SpriteRecord* s) {
  if (!s) return {};
  return {s->width, s->height};
}

void draw_sprite(int x, int y, std::uint8_t* target, const SpriteRecord* s, int pitch, int colour) {
  draw_sprite_clipped(x, y, target, s, pitch, colour, 320, 200);
}

void draw_sprite_clipped(int x, int y, std::uint8_t* target, const SpriteRecord* s, int pitch,
                         int colour, int clip_width, int clip_height) {
  if (colour < 0)
    blit(x, y, target, s, pitch, clip_width, clip_height, BlitMode::natural, 0);
  else
    blit(x, y, target, s, pitch, clip_width, clip_height, BlitMode::single_colour,
         static_cast<std::uint8_t>(colour));
}

void draw_sprite_raised(int x, int y, std::uint8_t* target, const SpriteRecord* s, int pitch,
                        std::uint8_t mask) {
  blit(x, y, target, s, pitch, 320, 200, BlitMode::raised, mask);
}

void draw_sprite_at_centre(int x, int y, int number, std::uint8_t* target, int pitch) {
  const SpriteRecord* s = sprite_at(number);
  if (!s) return;
  draw_sprite(x - s->centre_x, y - s->centre_y, target, s, pitch, kNaturalColours);
}

}  // namespace tavu
