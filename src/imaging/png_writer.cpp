// Indexed PNG for the exports, through libspng.
#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "imaging/image.h"

namespace tavu {
namespace {

struct CtxFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
struct BufferFree {
  void operator()(void* p) const { std::free(p); }
};

std::vector<std::uint8_t> encode(int width, int height, std::span<const std::uint8_t> pixels,
                                 std::span<const std::uint8_t> rgb, int entries, int transparent) {
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return {};
  if (entries <= 0 || entries > 256 || rgb.size() < 3 * static_cast<std::size_t>(entries))
    return {};
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return {};
  // libspng writes numbers past the palette without a word; readers then
  // fail or guess.
  if (std::any_of(pixels.begin(), pixels.end(), [&](std::uint8_t p) { return p >= entries; }))
    return {};

  std::unique_ptr<spng_ctx, CtxFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) return {};
  spng_ctx* c = ctx.get();
  if (spng_set_option(c, SPNG_ENCODE_TO_BUFFER, 1)) return {};
  // Palette pictures compress best unfiltered.
  if (spng_set_option(c, SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING)) return {};

  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(width);
  ihdr.height = static_cast<std::uint32_t>(height);
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
  if (spng_set_ihdr(c, &ihdr)) return {};

  spng_plte plte{};
  plte.n_entries = static_cast<std::uint32_t>(entries);
  for (int i = 0; i < entries; ++i) {
    plte.entries[i].red = rgb[3 * i];
    plte.entries[i].green = rgb[3 * i + 1];
    plte.entries[i].blue = rgb[3 * i + 2];
  }
  if (spng_set_plte(c, &plte)) return {};

  if (transparent >= 0 && transparent < entries) {
    // Entries past the tRNS list are opaque, so it ends at the clear one.
    spng_trns trns{};
    trns.n_type3_entries = static_cast<std::uint32_t>(transparent + 1);
    std::fill_n(trns.type3_alpha, transparent, std::uint8_t{255});
    trns.type3_alpha[transparent] = 0;
    if (spng_set_trns(c, &trns)) return {};
  }

  if (spng_encode_image(c, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE))
    return {};
  std::size_t length = 0;
  int error = 0;
  std::unique_ptr<void, BufferFree> png(spng_get_png_buffer(c, &length, &error));
  if (!png || error) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(png.get());
  return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace

std::vector<std::uint8_t> encode_indexed_png(int width, int height,
                                             std::span<const std::uint8_t> pixels,
                                             std::span<const std::uint8_t> rgb, int entries,
                                             int transparent) {
  try {
    return encode(width, height, pixels, rgb, entries, transparent);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace tavu
