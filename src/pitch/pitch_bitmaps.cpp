#include "pitch/pitch_bitmaps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pitch/pitch_draw.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/bmp.h"

namespace tavu {
namespace {

constexpr std::uint32_t kPaletteEntries = 256;
constexpr std::uint32_t kStatusMs = 1000;
constexpr std::uint32_t kWarningMs = 4000;
// Paint programs add metadata, but nothing near this.
constexpr std::size_t kMaxBitmapFile = 16u << 20;
// Odd patterns up to this one get an unused copy after them.
constexpr int kLastCopiedPattern = 23;

// Pixels of a bitmap with exactly these dimensions, top row first.
bool decode_exact(std::span<const std::uint8_t> file, int width, int height, std::uint8_t* out) {
  const BmpView bmp = read_bmp(file);
  if (!bmp.ok() || bmp.info.width != width || bmp.info.height != height) return false;
  for (int y = 0; y < height; ++y)
    std::memcpy(out + static_cast<std::size_t>(y) * width, bmp.row_from_top(y).data(),
                static_cast<std::size_t>(width));
  return true;
}

// Sum of the 256 bytes, each taken as a signed 8-bit value.
int tile_sum(const std::uint8_t* tile) {
  int sum = 0;
  for (std::size_t i = 0; i < kPatternSize; ++i) sum += static_cast<std::int8_t>(tile[i]);
  return sum;
}

// Tile (t, c) of the picture as 16 rows of 16 bytes.
void cut_tile(std::span<const std::uint8_t> picture, int t, int c, std::uint8_t* tile) {
  const std::uint8_t* src = picture.data() +
                            static_cast<std::size_t>(t) * kPatternSide * kPitchBitmapWidth +
                            static_cast<std::size_t>(c) * kPatternSide;
  for (int y = 0; y < kPatternSide; ++y)
    std::memcpy(tile + y * kPatternSide, src + static_cast<std::size_t>(y) * kPitchBitmapWidth,
                kPatternSide);
}

}  // namespace

std::string pattern_bitmap_name(int pitch_index, int pattern) {
  char name[48];
  std::snprintf(name, sizeof name, "pt%d-%d.bmp", pitch_index + 1, pattern);
  return name;
}

std::string pitch_bitmap_save_name(int pitch_index, int type) {
  return "pitch" + std::to_string(pitch_index + 1) + "-" + pitch_type_name(type) + ".bmp";
}

std::string pitch_bitmap_read_name(int pitch_index) {
  return "pitch" + std::to_string(pitch_index + 1) + ".bmp";
}

std::vector<std::uint8_t> encode_pattern_bitmap(const PitchRecord& pitch, int n,
                                                const Palette& palette) {
  if (n < 0 || n >= pitch.pattern_count) return {};
  const std::uint8_t* src = pitch.patterns.data() + static_cast<std::size_t>(n) * kPatternSize;
  return make_bmp_file(palette, kPaletteEntries, kPatternSide, kPatternSide,
                       std::span(src, kPatternSize));
}

bool decode_pattern_bitmap(std::span<const std::uint8_t> file, PatternPixels& out) {
  return decode_exact(file, kPatternSide, kPatternSide, out.data());
}

std::vector<std::uint8_t> pitch_picture(const PitchRecord& pitch) {
  std::vector<std::uint8_t> picture;
  if (!try_allocate(picture, kPitchPictureSize)) return {};
  for (int t = 0; t < kPitchPictureRows; ++t)
    for (int c = 0; c < kPitchColumns; ++c) {
      const auto i = static_cast<std::size_t>((t + 1) * kPitchColumns + c);
      const std::uint8_t* src = i < pitch.cells.size() ? pitch.pattern_at(pitch.cells[i]) : nullptr;
      if (!src) continue;
      std::uint8_t* dst = picture.data() +
                          static_cast<std::size_t>(t) * kPatternSide * kPitchBitmapWidth +
                          static_cast<std::size_t>(c) * kPatternSide;
      for (int y = 0; y < kPatternSide; ++y)
        std::memcpy(dst + static_cast<std::size_t>(y) * kPitchBitmapWidth, src + y * kPatternSide,
                    kPatternSide);
    }
  return picture;
}

std::vector<std::uint8_t> encode_pitch_bitmap(const PitchRecord& pitch, const Palette& palette) {
  const std::vector<std::uint8_t> picture = pitch_picture(pitch);
  if (picture.empty()) return {};
  return make_bmp_file(palette, kPaletteEntries, kPitchBitmapWidth, kPitchBitmapHeight, picture);
}

bool decode_pitch_bitmap(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& picture) {
  if (!try_allocate(picture, kPitchPictureSize)) return false;
  return decode_exact(file, kPitchBitmapWidth, kPitchBitmapHeight, picture.data());
}

bool match_pitch_tiles(std::span<const std::uint8_t> picture, int pitch_index, PitchTiles& out) {
  if (picture.size() < kPitchPictureSize) return false;
  const bool with_blank = pitch_index < kPitchCount - 1;
  // Room for every tile, the blank pattern and the copies.
  constexpr std::size_t kMostPatterns = kPitchPictureTiles + 1 + (kLastCopiedPattern + 1) / 2;
  std::vector<std::uint8_t> list;
  if (!try_allocate(list, kMostPatterns * kPatternSize)) return false;
  std::array<int, kMostPatterns> sums{};
  int count = 0;
  if (with_blank) sums[count++] = 0;  // the block is already zero

  std::uint8_t tile[kPatternSize];
  for (int t = 0; t < kPitchPictureRows; ++t)
    for (int c = 0; c < kPitchColumns; ++c) {
      cut_tile(picture, t, c, tile);
      const int sum = tile_sum(tile);
      int found = -1;
      for (int k = count - 1; k >= 0; --k)
        if (sums[static_cast<std::size_t>(k)] == sum &&
            std::memcmp(list.data() + static_cast<std::size_t>(k) * kPatternSize, tile,
                        kPatternSize) == 0) {
          found = k;
          break;
        }
      if (found < 0) {
        found = count;
        std::memcpy(list.data() + static_cast<std::size_t>(count) * kPatternSize, tile,
                    kPatternSize);
        sums[static_cast<std::size_t>(count++)] = sum;
        // The copy's recorded sum is one off, so no later tile matches it.
        if (with_blank && found % 2 == 1 && found <= kLastCopiedPattern) {
          std::memcpy(list.data() + static_cast<std::size_t>(count) * kPatternSize, tile,
                      kPatternSize);
          sums[static_cast<std::size_t>(count++)] = sum + 1;
        }
      }
      out.numbers[static_cast<std::size_t>(t * kPitchColumns + c)] =
          static_cast<std::uint32_t>(found);
    }
  if (!try_allocate(out.patterns, static_cast<std::size_t>(count) * kPatternSize)) return false;
  std::memcpy(out.patterns.data(), list.data(), out.patterns.size());
  out.count = count;
  return true;
}

void apply_pitch_tiles(PitchRecord& pitch, PitchTiles&& tiles) {
  pitch.patterns = std::move(tiles.patterns);
  pitch.pattern_count = tiles.count;
  const std::uint32_t n = static_cast<std::uint32_t>(tiles.count);
  const std::uint32_t last = n > 0 ? cell_for_pattern(n - 1) : 0;
  const std::size_t cells =
      std::min(pitch.cells.size(), static_cast<std::size_t>(pitch.cell_count));
  const std::size_t first_inside = kPitchColumns;
  const std::size_t first_below = static_cast<std::size_t>(kPitchPictureRows + 1) * kPitchColumns;
  for (std::size_t i = 0; i < cells; ++i) {
    if (i >= first_inside && i < first_below) continue;
    if (pitch.cells[i] / kPatternSize >= n) pitch.cells[i] = last;
  }
  for (int k = 0; k < kPitchPictureTiles; ++k)
    pitch.cells[first_inside + static_cast<std::size_t>(k)] =
        cell_for_pattern(tiles.numbers[static_cast<std::size_t>(k)]);
}

bool save_pattern_bitmap(int pitch_index, int pattern) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return false;
  const std::vector<std::uint8_t> file = encode_pattern_bitmap(*pitch, pattern, pattern_palette());
  const std::string name = pattern_bitmap_name(pitch_index, pattern);
  if (file.empty() || !replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", kStatusMs, kTextCentred);
  return true;
}

void read_pattern_bitmap(int pitch_index, int pattern) {
  PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return;
  const std::string name = pattern_bitmap_name(pitch_index, pattern);
  std::vector<std::uint8_t> file;
  const ReadStatus read = read_whole_file(name, file, kMaxBitmapFile);
  if (read == ReadStatus::cannot_open) {
    show_status(name + " not found.", kStatusMs, kTextCentred);
    return;
  }
  PatternPixels pixels;
  if (read != ReadStatus::ok || pattern < 0 || pattern >= pitch->pattern_count ||
      !decode_pattern_bitmap(file, pixels)) {
    show_status("Error replacing pattern with " + name, kStatusMs, kTextCentred);
    return;
  }
  std::copy(pixels.begin(), pixels.end(),
            pitch->patterns.begin() + static_cast<std::ptrdiff_t>(pattern * kPatternSize));
  show_status("Pattern replaced with " + name + " OK", kStatusMs, kTextCentred);
  invalidate_pitch_view();
  mark_pitch_changed(pitch_index, PitchChange::patterns);
}

bool save_pitch_bitmap(int pitch_index, int type) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return false;
  const std::vector<std::uint8_t> file = encode_pitch_bitmap(*pitch, pattern_palette());
  const std::string name = pitch_bitmap_save_name(pitch_index, type);
  if (file.empty() || !replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", kStatusMs, kTextCentred);
  return true;
}

void read_pitch_bitmap(int pitch_index) {
  PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return;
  const std::string name = pitch_bitmap_read_name(pitch_index);
  std::vector<std::uint8_t> file, picture;
  const ReadStatus read = read_whole_file(name, file, kMaxBitmapFile);
  if (read == ReadStatus::cannot_open) {
    show_status(name + " not found.", kStatusMs, kTextCentred);
    return;
  }
  PitchTiles tiles;
  if (read != ReadStatus::ok || !decode_pitch_bitmap(file, picture) ||
      !match_pitch_tiles(picture, pitch_index, tiles) ||
      pitch->cells.size() < static_cast<std::size_t>(kPitchCells)) {
    show_status("Error inserting pitch", kStatusMs, kTextCentred);
    return;
  }
  const int n = tiles.count;
  apply_pitch_tiles(*pitch, std::move(tiles));
  mark_pitch_changed(pitch_index, PitchChange::map);
  char message[96];
  if (n > kPatternLimit) {
    std::snprintf(message, sizeof message, "To many unique patterns: %d\nTAVU can handle only %d",
                  n, kPatternLimit);
    show_status(message, kWarningMs, kTextCentred);
  } else {
    show_status("Pitch replaced with " + name + " OK.", kStatusMs, kTextCentred);
  }
}

}  // namespace tavu
