// Imports through the image reader and colour matching, and save-all as BMP
// and as PNG, on the demo game directory.
#include <benchmark/benchmark.h>
#include <spng.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "shell/status.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "support/bench_demo.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

void enter_demo_dir() {
  bench::enter_bench_demo("exchange", bench::DemoStart::sprites_and_pitches);
}

// Red, green, blue per pixel as an 8-bit true-colour PNG.
std::vector<std::uint8_t> rgb_png(int width, int height, const std::vector<std::uint8_t>& rgb) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(width);
  ihdr.height = static_cast<std::uint32_t>(height);
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
  spng_set_ihdr(ctx, &ihdr);
  std::vector<std::uint8_t> out;
  if (spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
    std::size_t length = 0;
    int error = 0;
    auto* buffer = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &length, &error));
    if (buffer) out.assign(buffer, buffer + length);
    std::free(buffer);
  }
  spng_ctx_free(ctx);
  return out;
}

// A pitch exported and converted to true colour, read back: decoding,
// colour matching and tile matching.
void BM_ImportTrueColourPitchPng(benchmark::State& state) {
  enter_demo_dir();
  const std::vector<std::uint8_t> picture = pitch_picture(*pitch_at(1));
  const Palette& palette = pattern_palette();
  std::vector<std::uint8_t> rgb;
  rgb.reserve(picture.size() * 3);
  for (std::uint8_t v : picture)
    rgb.insert(rgb.end(), palette.begin() + 3 * v, palette.begin() + 3 * v + 3);
  const std::vector<std::uint8_t> png = rgb_png(kPitchBitmapWidth, kPitchBitmapHeight, rgb);
  if (png.empty()) state.SkipWithError("no PNG");
  for (auto _ : state) {
    Image image;
    if (!decode_image(png, image, kPitchBitmapWidth, kPitchBitmapHeight).ok() || image.indexed)
      state.SkipWithError("not decoded as true colour");
    PitchImageImport i = import_pitch_image(image, 1, *pitch_at(1), palette);
    if (!i.ok() || !i.colours_matched) state.SkipWithError("not matched");
    benchmark::DoNotOptimize(i.tiles.count);
  }
}
BENCHMARK(BM_ImportTrueColourPitchPng)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// A sprite from the indexed PNG Ctrl+F2 writes.
void BM_ImportSpriteIndexedPng(benchmark::State& state) {
  enter_demo_dir();
  const SpriteRecord* s = sprite_at(400);
  const std::vector<std::uint8_t> png = encode_sprite_png(*s, 3);
  if (png.empty()) state.SkipWithError("no PNG");
  state.SetLabel(std::to_string(s->width) + "x" + std::to_string(s->height));
  for (auto _ : state) {
    Image image;
    if (!decode_image(png, image, kMaxSpriteBitmapWidth, kMaxSpriteBitmapHeight).ok())
      state.SkipWithError("not decoded");
    SpriteImageImport i = import_sprite_image(s, image, 3);
    if (!i.ok()) state.SkipWithError("not matched");
    benchmark::DoNotOptimize(i.sprite.pixels.data());
  }
}
BENCHMARK(BM_ImportSpriteIndexedPng)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// Shift+F2 and Ctrl+Shift+F2 as the user waits for them: every sprite
// encoded, the files already there compared, everything written.
void save_all(benchmark::State& state, ExportFormat format) {
  enter_demo_dir();
  save_all_format() = format;
  for (auto _ : state) {
    save_all_sprite_bitmaps();
    if (!status_state().text.empty()) state.SkipWithError(status_state().text.c_str());
  }
  save_all_format() = ExportFormat::bmp;
}
void BM_SaveAllSpritesBmp(benchmark::State& state) {
  save_all(state, ExportFormat::bmp);
}
void BM_SaveAllSpritesPng(benchmark::State& state) {
  save_all(state, ExportFormat::png);
}
BENCHMARK(BM_SaveAllSpritesBmp)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveAllSpritesPng)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
