// Decoding the pictures the imports read: a whole pitch (672x848) as a
// true-colour PNG and as an 8-bit BMP, and a sprite as an indexed PNG.
#include <benchmark/benchmark.h>
#include <spng.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "imaging/image.h"
#include "sprites/bmp.h"

using namespace tavu;

namespace {

constexpr int kPitchW = 672;
constexpr int kPitchH = 848;

// A pitch-like picture: 16x16 tiles drawn from 40 patterns of a few
// colours each, as palette numbers.
std::vector<std::uint8_t> pitch_numbers() {
  std::mt19937 rng(7);
  std::vector<std::vector<std::uint8_t>> tiles(40, std::vector<std::uint8_t>(256));
  for (auto& t : tiles) {
    const std::uint8_t base = static_cast<std::uint8_t>(rng() % 200);
    for (auto& p : t) p = static_cast<std::uint8_t>(base + rng() % 6);
  }
  std::vector<std::uint8_t> out(kPitchW * kPitchH);
  for (int ty = 0; ty < kPitchH / 16; ++ty)
    for (int tx = 0; tx < kPitchW / 16; ++tx) {
      const auto& t = tiles[rng() % tiles.size()];
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) out[(ty * 16 + y) * kPitchW + tx * 16 + x] = t[y * 16 + x];
    }
  return out;
}

std::vector<std::uint8_t> game_like_palette() {
  std::vector<std::uint8_t> rgb(768);
  for (int i = 0; i < 768; ++i) rgb[i] = static_cast<std::uint8_t>((i * 37 % 64) * 4);
  return rgb;
}

// The pitch as an RGB PNG, written by libspng with its default settings.
std::vector<std::uint8_t> pitch_rgb_png() {
  const auto numbers = pitch_numbers();
  const auto pal = game_like_palette();
  std::vector<std::uint8_t> rgb(numbers.size() * 3);
  for (std::size_t i = 0; i < numbers.size(); ++i)
    for (int k = 0; k < 3; ++k) rgb[3 * i + k] = pal[3 * numbers[i] + k];
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = kPitchW;
  ihdr.height = kPitchH;
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
  spng_set_ihdr(ctx, &ihdr);
  std::vector<std::uint8_t> out;
  if (spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
    std::size_t len = 0;
    int error = 0;
    void* buf = spng_get_png_buffer(ctx, &len, &error);
    if (buf) out.assign(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    std::free(buf);
  }
  spng_ctx_free(ctx);
  if (out.empty()) std::abort();
  return out;
}

void BM_DecodePitchTrueColourPng(benchmark::State& state) {
  const auto png = pitch_rgb_png();
  Image img;
  for (auto _ : state) {
    if (!decode_image(png, img, kPitchW, kPitchH).ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.rgba.data());
  }
  state.counters["file_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_DecodePitchTrueColourPng)->Unit(benchmark::kMillisecond);

void BM_DecodePitchBmp(benchmark::State& state) {
  const auto numbers = pitch_numbers();
  const auto pal = game_like_palette();
  const auto bmp = make_bmp_file(pal, 256, kPitchW, kPitchH, numbers);
  Image img;
  for (auto _ : state) {
    if (!decode_image(bmp, img, kPitchW, kPitchH).ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.indices.data());
  }
}
BENCHMARK(BM_DecodePitchBmp)->Unit(benchmark::kMillisecond);

void BM_DecodeSpriteIndexedPng(benchmark::State& state) {
  // A player-sized sprite (14x21) over the 17 entries of a sprite export.
  std::mt19937 rng(3);
  std::vector<std::uint8_t> pixels(14 * 21);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(rng() % 17);
  const auto pal = game_like_palette();
  const auto png = encode_indexed_png(14, 21, pixels, std::span(pal).first(51), 17, 16);
  Image img;
  for (auto _ : state) {
    if (!decode_image(png, img, 320, 200).ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.indices.data());
  }
}
BENCHMARK(BM_DecodeSpriteIndexedPng)->Unit(benchmark::kMicrosecond);

void BM_EncodePitchIndexedPng(benchmark::State& state) {
  const auto numbers = pitch_numbers();
  const auto pal = game_like_palette();
  for (auto _ : state) {
    auto png = encode_indexed_png(kPitchW, kPitchH, numbers, pal, 256);
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_EncodePitchIndexedPng)->Unit(benchmark::kMillisecond);

}  // namespace
