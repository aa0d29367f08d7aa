#include "pitch/pitch_bitmaps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "pitch/pitch_draw.h"
#include "platform/file_ops.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/bmp.h"

namespace tavu {
namespace {

constexpr int kPaletteEntries = 256;
constexpr std::uint32_t kStatusMs = 1000;
constexpr std::uint32_t kWarningMs = 4000;
// Odd patterns up to this one get an unused copy after them.
constexpr int kLastCopiedPattern = 23;

std::string pattern_stem(int pitch_index, int pattern) {
  return "pt" + std::to_string(pitch_index + 1) + "-" + std::to_string(pattern);
}

// Why a picture is not w x h: "17x16, must be 16x16"; empty when it is.
std::string size_reason(const Image& image, int w, int h) {
  if (image.width == w && image.height == h) return {};
  return std::to_string(image.width) + "x" + std::to_string(image.height) + ", must be " +
         std::to_string(w) + "x" + std::to_string(h);
}

std::string unmatched_line(bool colours_matched) {
  return colours_matched ? std::string() : "\n" + std::string(kColoursDidNotMatch);
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
  return pattern_export_name(pitch_index, pattern, ExportFormat::bmp);
}

std::string pattern_export_name(int pitch_index, int pattern, ExportFormat format) {
  return pattern_stem(pitch_index, pattern) + export_extension(format);
}

std::string pitch_bitmap_save_name(int pitch_index, int type) {
  return pitch_export_name(pitch_index, type, ExportFormat::bmp);
}

std::string pitch_export_name(int pitch_index, int type, ExportFormat format) {
  return "pitch" + std::to_string(pitch_index + 1) + "-" + pitch_type_name(type) +
         export_extension(format);
}

std::string pitch_bitmap_read_name(int pitch_index) {
  return "pitch" + std::to_string(pitch_index + 1) + ".bmp";
}

std::string pitch_import_file(int pitch_index, int* made_with) {
  if (made_with) *made_with = -1;
  const std::string stem = "pitch" + std::to_string(pitch_index + 1);
  std::string name = import_file_name(stem);
  if (!name.empty()) return name;
  // What F2 and Ctrl+F2 wrote, under any pitch type: the newest.
  std::int64_t newest = 0;
  for (int type = 0; type < kPitchTypeCount; ++type) {
    const std::string found = import_file_name(stem + "-" + pitch_type_name(type));
    if (found.empty()) continue;
    const std::int64_t time = platform::file_status(find_file(found)).modified_ns;
    if (name.empty() || time > newest) {
      name = found;
      newest = time;
      if (made_with) *made_with = type;
    }
  }
  return name;
}

std::vector<std::uint8_t> encode_pattern_bitmap(const PitchRecord& pitch, int n,
                                                const Palette& palette) {
  if (n < 0 || n >= pitch.pattern_count) return {};
  const std::uint8_t* src = pitch.patterns.data() + static_cast<std::size_t>(n) * kPatternSize;
  return make_bmp_file(palette, kPaletteEntries, kPatternSide, kPatternSide,
                       std::span(src, kPatternSize));
}

std::vector<std::uint8_t> encode_pattern_export(const PitchRecord& pitch, int n,
                                                const Palette& palette, ExportFormat format) {
  if (format == ExportFormat::bmp) return encode_pattern_bitmap(pitch, n, palette);
  if (n < 0 || n >= pitch.pattern_count) return {};
  const std::uint8_t* src = pitch.patterns.data() + static_cast<std::size_t>(n) * kPatternSize;
  return encode_indexed_png(kPatternSide, kPatternSide, std::span(src, kPatternSize), palette,
                            kPaletteEntries);
}

PitchColourTarget pitch_colour_target(const Palette& current, int made_with) {
  PitchColourTarget t;
  t.palettes.reserve(2 + kPitchTypeCount);
  if (made_with >= 0 && made_with < kPitchTypeCount) {
    t.palettes.push_back(game_palette());
    apply_pitch_colours(t.palettes.back(), made_with);
  }
  t.palettes.push_back(current);
  for (int type = 0; type < kPitchTypeCount; ++type) {
    t.palettes.push_back(game_palette());
    apply_pitch_colours(t.palettes.back(), type);
  }
  t.target.entries = kPaletteEntries;
  for (const Palette& p : t.palettes) t.target.palettes.emplace_back(p);
  return t;
}

PatternImageImport import_pattern_image(const Image& image, const Palette& current,
                                        std::span<const std::uint8_t> before) {
  PatternImageImport out;
  if (const std::string r = size_reason(image, kPatternSide, kPatternSide); !r.empty()) {
    out.reason = r;
    return out;
  }
  const PitchColourTarget t = pitch_colour_target(current);
  const ColourMatch m = match_colours(image, t.target, before);
  if (!m.ok()) {
    out.reason = m.refusal;
    return out;
  }
  out.colours_matched = m.colours_matched;
  std::copy_n(m.numbers.begin(), kPatternSize, out.pixels.begin());
  return out;
}

bool decode_pattern_bitmap(std::span<const std::uint8_t> file, PatternPixels& out) {
  Image image;
  if (!decode_image(file, image, kPatternSide, kPatternSide).ok()) return false;
  PatternImageImport i = import_pattern_image(image, pattern_palette());
  if (!i.ok()) return false;
  out = i.pixels;
  return true;
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

std::vector<std::uint8_t> encode_pitch_export(const PitchRecord& pitch, const Palette& palette,
                                              ExportFormat format) {
  if (format == ExportFormat::bmp) return encode_pitch_bitmap(pitch, palette);
  const std::vector<std::uint8_t> picture = pitch_picture(pitch);
  if (picture.empty()) return {};
  return encode_indexed_png(kPitchBitmapWidth, kPitchBitmapHeight, picture, palette,
                            kPaletteEntries);
}

PitchPictureImport import_pitch_picture(const Image& image, const Palette& current, int made_with,
                                        std::span<const std::uint8_t> before) {
  PitchPictureImport out;
  if (const std::string r = size_reason(image, kPitchBitmapWidth, kPitchBitmapHeight); !r.empty()) {
    out.reason = r;
    return out;
  }
  const PitchColourTarget t = pitch_colour_target(current, made_with);
  ColourMatch m = match_colours(image, t.target, before);
  if (!m.ok()) {
    out.reason = m.refusal;
    return out;
  }
  out.colours_matched = m.colours_matched;
  out.picture = std::move(m.numbers);
  return out;
}

bool decode_pitch_bitmap(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& picture) {
  Image image;
  if (!decode_image(file, image, kPitchBitmapWidth, kPitchBitmapHeight).ok()) return false;
  PitchPictureImport i = import_pitch_picture(image, pattern_palette());
  if (!i.ok()) return false;
  picture = std::move(i.picture);
  return true;
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

PitchImageImport import_pitch_image(const Image& image, int pitch_index, const PitchRecord& pitch,
                                    const Palette& current, int made_with) {
  PitchImageImport out;
  const std::vector<std::uint8_t> before = pitch_picture(pitch);
  PitchPictureImport picture = import_pitch_picture(image, current, made_with, before);
  if (!picture.ok()) {
    out.reason = picture.reason;
    return out;
  }
  out.colours_matched = picture.colours_matched;
  if (!match_pitch_tiles(picture.picture, pitch_index, out.tiles)) out.reason = "out of memory";
  return out;
}

bool save_pattern_bitmap(int pitch_index, int pattern, ExportFormat format) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return false;
  const std::vector<std::uint8_t> file =
      encode_pattern_export(*pitch, pattern, pattern_palette(), format);
  const std::string name = pattern_export_name(pitch_index, pattern, format);
  if (file.empty() || !replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", kStatusMs, kTextCentred);
  return true;
}

ExportResult export_pattern_bitmap(int pitch_index, int pattern, ExportFormat format) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return ExportResult::failed;
  return export_file({pattern_export_name(pitch_index, pattern, format),
                      encode_pattern_export(*pitch, pattern, pattern_palette(), format)});
}

void read_pattern_bitmap(int pitch_index, int pattern) {
  PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return;
  const std::string name = import_file_name(pattern_stem(pitch_index, pattern));
  if (name.empty()) {
    show_status(pattern_bitmap_name(pitch_index, pattern) + " not found.", kStatusMs, kTextCentred);
    return;
  }
  Image image;
  const ImageResult r = read_image_file(name, image, kPatternSide, kPatternSide);
  std::string reason = r.reason;
  PatternImageImport i;
  if (r.status == ImageStatus::not_found) {
    show_status(name + " not found.", kStatusMs, kTextCentred);
    return;
  }
  if (r.ok() || r.status == ImageStatus::too_big) {
    std::span<const std::uint8_t> before;
    if (pattern >= 0 && pattern < pitch->pattern_count)
      before = std::span(pitch->patterns)
                   .subspan(static_cast<std::size_t>(pattern) * kPatternSize, kPatternSize);
    i = import_pattern_image(image, pattern_palette(), before);
    reason = i.reason;
  }
  if (reason.empty() && (pattern < 0 || pattern >= pitch->pattern_count))
    reason = "no pattern " + std::to_string(pattern);
  if (!reason.empty()) {
    show_status("Error replacing pattern with " + name + "\n" + reason, kStatusMs, kTextCentred);
    return;
  }
  std::copy(i.pixels.begin(), i.pixels.end(),
            pitch->patterns.begin() + static_cast<std::ptrdiff_t>(pattern * kPatternSize));
  show_status("Pattern replaced with " + name + " OK" + unmatched_line(i.colours_matched),
              kStatusMs, kTextCentred);
  invalidate_pitch_view();
  mark_pitch_changed(pitch_index, PitchChange::patterns);
}

bool save_pitch_bitmap(int pitch_index, int type, ExportFormat format) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return false;
  const std::vector<std::uint8_t> file = encode_pitch_export(*pitch, pattern_palette(), format);
  const std::string name = pitch_export_name(pitch_index, type, format);
  if (file.empty() || !replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", kStatusMs, kTextCentred);
  return true;
}

ExportResult export_pitch_bitmap(int pitch_index, int type, ExportFormat format) {
  const PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return ExportResult::failed;
  return export_file({pitch_export_name(pitch_index, type, format),
                      encode_pitch_export(*pitch, pattern_palette(), format)});
}

void read_pitch_bitmap(int pitch_index) {
  PitchRecord* pitch = pitch_at(pitch_index);
  if (!pitch) return;
  int made_with = -1;
  const std::string name = pitch_import_file(pitch_index, &made_with);
  if (name.empty()) {
    show_status(pitch_bitmap_read_name(pitch_index) + " not found.", kStatusMs, kTextCentred);
    return;
  }
  Image image;
  const ImageResult r = read_image_file(name, image, kPitchBitmapWidth, kPitchBitmapHeight);
  if (r.status == ImageStatus::not_found) {
    show_status(name + " not found.", kStatusMs, kTextCentred);
    return;
  }
  std::string reason = r.reason;
  PitchImageImport i;
  if (r.ok() || r.status == ImageStatus::too_big) {
    i = import_pitch_image(image, pitch_index, *pitch, pattern_palette(), made_with);
    reason = i.reason;
  }
  if (reason.empty() && pitch->cells.size() < static_cast<std::size_t>(kPitchCells))
    reason = "pitch map damaged";
  if (!reason.empty()) {
    show_status("Error inserting pitch\n" + reason, kStatusMs, kTextCentred);
    return;
  }
  const int n = i.tiles.count;
  apply_pitch_tiles(*pitch, std::move(i.tiles));
  mark_pitch_changed(pitch_index, PitchChange::map);
  char message[96];
  if (n > kPatternLimit) {
    std::snprintf(message, sizeof message, "To many unique patterns: %d\nTAVU can handle only %d",
                  n, kPatternLimit);
    show_status(message + unmatched_line(i.colours_matched), kWarningMs, kTextCentred);
  } else {
    show_status("Pitch replaced with " + name + " OK." + unmatched_line(i.colours_matched),
                kStatusMs, kTextCentred);
  }
}

}  // namespace tavu
