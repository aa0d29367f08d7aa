#include "sprites/sprite_bitmaps.h"

#include <algorithm>
#include <cstdio>

#include "display/display.h"
#include "imaging/colour_match.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/bmp.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

namespace tavu {
namespace {

constexpr int kSpritePaletteEntries = 17;
constexpr std::uint32_t kFailureMs = 3000;

// Entries 0-15 of the default palette and the background's colour.
std::array<std::uint8_t, 3 * kSpritePaletteEntries> sprite_palette(std::uint8_t background) {
  std::array<std::uint8_t, 3 * kSpritePaletteEntries> rgb{};
  const Palette& palette = default_palette();
  std::copy_n(palette.begin(), 48, rgb.begin());
  std::copy_n(palette.begin() + 3 * background, 3, rgb.begin() + 48);
  return rgb;
}

// Shows the waiting message before a long operation blocks the loop.
void present_now() {
  if (app_flag(fullscreen))
    request_redraw();
  else
    send_message(platform::WM_PAINT);
}

}  // namespace

std::string sprite_bitmap_name(int number) {
  return sprite_export_name(number, ExportFormat::bmp);
}

std::string sprite_export_name(int number, ExportFormat format) {
  char name[32];
  std::snprintf(name, sizeof name, "spr%04d%s", number, export_extension(format));
  return name;
}

std::vector<std::uint8_t> sprite_export_pixels(const SpriteRecord& s) {
  if (s.width < 0 || s.height < 0 || s.width > kMaxSpriteBitmapWidth ||
      s.height > kMaxSpriteBitmapHeight)
    return {};
  const int width = s.width, height = s.height;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, kBitmapTransparent);
  draw_sprite_clipped(0, 0, pixels.data(), &s, width, kNaturalColours, width, height);
  return pixels;
}

std::vector<std::uint8_t> encode_sprite_export(const SpriteRecord& s, std::uint8_t background,
                                               ExportFormat format) {
  if (s.width < 0 || s.height < 0 || s.width > kMaxSpriteBitmapWidth ||
      s.height > kMaxSpriteBitmapHeight)
    return {};
  const std::vector<std::uint8_t> pixels = sprite_export_pixels(s);
  const std::array<std::uint8_t, 3 * kSpritePaletteEntries> rgb = sprite_palette(background);
  if (format == ExportFormat::png) {
    // A sprite of no pixels has no PNG; the bitmap of one has no rows.
    if (s.width == 0 || s.height == 0) return {};
    return encode_indexed_png(s.width, s.height, pixels, rgb, kSpritePaletteEntries,
                              kBitmapTransparent);
  }
  return make_bmp_file(rgb, kSpritePaletteEntries, s.width, s.height, pixels, kBitmapTransparent);
}

std::vector<std::uint8_t> encode_sprite_bitmap(const SpriteRecord& s, std::uint8_t background) {
  return encode_sprite_export(s, background, ExportFormat::bmp);
}

std::vector<std::uint8_t> encode_sprite_png(const SpriteRecord& s, std::uint8_t background) {
  return encode_sprite_export(s, background, ExportFormat::png);
}

SpriteImageImport import_sprite_image(const SpriteRecord* old, const Image& image,
                                      std::uint8_t background) {
  SpriteImageImport out;
  if (image.width <= 0 || image.height <= 0) {
    out.reason = "empty picture";
    return out;
  }
  if (image.width > kMaxSpriteBitmapWidth || image.height > kMaxSpriteBitmapHeight) {
    out.too_big = true;
    out.reason = std::to_string(image.width) + "x" + std::to_string(image.height) +
                 ", must be at most 320x200";
    return out;
  }
  // The current background's palette first, then those of the other keys,
  // so that an indexed file exported on another background keeps its 16.
  std::vector<std::array<std::uint8_t, 3 * kSpritePaletteEntries>> palettes;
  palettes.push_back(sprite_palette(background));
  for (std::uint8_t key : kBackgroundKeys)
    if (key != background) palettes.push_back(sprite_palette(key));
  ColourTarget target;
  target.entries = kSpritePaletteEntries;
  target.transparent = kBitmapTransparent;
  for (const auto& p : palettes) target.palettes.emplace_back(p);

  // What the sprite had at each pixel: its colour, or 16 where it was
  // transparent or did not reach.
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  std::vector<std::uint8_t> before(count, kBitmapTransparent);
  if (old) {
    const std::vector<std::uint8_t> px = sprite_export_pixels(*old);
    const int w = std::min<int>(old->width, image.width),
              h = std::min<int>(old->height, image.height);
    for (int y = 0; y < h && !px.empty(); ++y)
      for (int x = 0; x < w; ++x)
        before[static_cast<std::size_t>(y) * image.width + x] =
            px[static_cast<std::size_t>(y) * old->width + x];
  }
  ColourMatch m = match_colours(image, target, before);
  if (!m.ok()) {
    out.reason = m.refusal;
    return out;
  }
  out.colours_matched = m.colours_matched;

  DecodedSprite& d = out.sprite;
  d.width = static_cast<std::int16_t>(image.width);
  d.height = static_cast<std::int16_t>(image.height);
  d.width_words = static_cast<std::int16_t>((d.width + 15) / 16);
  const std::size_t row_bytes = static_cast<std::size_t>(d.width_words) * 8;
  d.pixels.assign(row_bytes * d.height, 0);
  // Numbers as they stand when the colours did not match: 16 transparent,
  // others their low four bits.
  auto map = [](std::uint8_t v) -> std::uint8_t { return v == kBitmapTransparent ? 0 : v & 15; };
  for (int y = 0; y < d.height; ++y) {
    const std::uint8_t* src = m.numbers.data() + static_cast<std::size_t>(y) * d.width;
    std::uint8_t* dst = d.pixels.data() + y * row_bytes;
    for (int x = 0; x < d.width; ++x) {
      const std::uint8_t v = map(src[x]);
      dst[x / 2] |= static_cast<std::uint8_t>((x & 1) ? v : v << 4);
    }
  }
  return out;
}

SpriteImport decode_sprite_bitmap(std::span<const std::uint8_t> file, DecodedSprite& out) {
  Image image;
  const ImageResult r = decode_image(file, image, kMaxSpriteBitmapWidth, kMaxSpriteBitmapHeight);
  if (r.status == ImageStatus::too_big) return SpriteImport::too_big;
  if (!r.ok()) return SpriteImport::bad_file;
  SpriteImageImport i = import_sprite_image(nullptr, image, kBackgroundKeys[0]);
  if (!i.ok()) return i.too_big ? SpriteImport::too_big : SpriteImport::bad_file;
  out = std::move(i.sprite);
  return SpriteImport::ok;
}

void apply_decoded_sprite(int number, DecodedSprite&& image) {
  SpriteRecord* s = sprite_at(number);
  const int entry = sprite_file_entry_of(number);
  if (!s || entry < 0) return;
  SpriteFileEntry& e = sprite_files().entries[entry];
  const std::uint32_t old_length = s->data_length;
  s->pixels = std::move(image.pixels);
  s->width = image.width;
  s->height = image.height;
  s->width_words = image.width_words;
  s->field21 = static_cast<std::uint8_t>(image.height / 4);
  s->data_length = sprite_data_length(image.width_words, image.height);
  s->replaced = 1;
  e.current_size += s->data_length - old_length;
  mark_sprite_modified(entry);
}

bool save_sprite_bitmap(int number, std::uint8_t background, const SpriteRecord* s, bool quiet,
                        ExportFormat format) {
  if (!s || number < 0 || number >= kSpriteCount) return false;
  const std::vector<std::uint8_t> file = encode_sprite_export(*s, background, format);
  if (file.empty()) return false;
  const std::string name = sprite_export_name(number, format);
  if (!replace_file(name, file)) return false;
  if (!quiet) show_status("Saved " + name + " OK", 1000, kTextCentred);
  return true;
}

SameContent same_sprite_content(int number, std::uint8_t background) {
  return [number, background](const Image& existing) {
    const SpriteRecord* s = sprite_at(number);
    if (!s) return false;
    SpriteImageImport i = import_sprite_image(s, existing, background);
    if (!i.ok() || !i.colours_matched || i.sprite.width != s->width || i.sprite.height != s->height)
      return false;
    SpriteRecord read;
    read.width = i.sprite.width;
    read.height = i.sprite.height;
    read.width_words = i.sprite.width_words;
    read.data_length = sprite_data_length(read.width_words, read.height);
    read.pixels = std::move(i.sprite.pixels);
    return sprite_export_pixels(read) == sprite_export_pixels(*s);
  };
}

ExportResult export_sprite_bitmap(int number, std::uint8_t background, ExportFormat format) {
  const SpriteRecord* s = sprite_at(number);
  if (!s || number < 0 || number >= kSpriteCount) return ExportResult::failed;
  return export_file({sprite_export_name(number, format),
                      encode_sprite_export(*s, background, format),
                      same_sprite_content(number, background)});
}

SpriteInsert insert_sprite_file(int number) {
  SpriteInsert out;
  out.name = sprite_bitmap_name(number);
  if (number < 0 || number >= kSpriteCount) return out;
  char stem[16];
  std::snprintf(stem, sizeof stem, "spr%04d", number);
  const std::string found = import_file_name(stem);
  if (found.empty()) {
    out.result = SpriteImport::not_found;
    return out;
  }
  out.name = found;
  Image image;
  const ImageResult r =
      read_image_file(found, image, kMaxSpriteBitmapWidth, kMaxSpriteBitmapHeight);
  if (r.status == ImageStatus::not_found) {
    out.result = SpriteImport::not_found;
    return out;
  }
  if (r.status == ImageStatus::too_big) {
    out.result = SpriteImport::too_big;
    out.reason = std::to_string(image.width) + "x" + std::to_string(image.height) +
                 ", must be at most 320x200";
    return out;
  }
  if (!r.ok()) {
    out.reason = r.reason;
    return out;
  }
  SpriteImageImport i =
      import_sprite_image(sprite_at(number), image, sprite_mode_state().background);
  if (!i.ok()) {
    out.result = i.too_big ? SpriteImport::too_big : SpriteImport::bad_file;
    out.reason = i.reason;
    return out;
  }
  out.colours_matched = i.colours_matched;
  apply_decoded_sprite(number, std::move(i.sprite));
  out.result = SpriteImport::ok;
  return out;
}

std::string sprite_insert_message(const SpriteInsert& in) {
  const std::string second = in.reason.empty() ? "" : "\n" + in.reason;
  switch (in.result) {
    case SpriteImport::ok:
      return in.colours_matched ? "Sprite replaced OK"
                                : "Sprite replaced OK\n" + std::string(kColoursDidNotMatch);
    case SpriteImport::not_found:
      return in.name + " not found.";
    case SpriteImport::too_big:
      return "Sprite too big" + second;
    case SpriteImport::bad_file:
      break;
  }
  return "Error replacing sprite with " + in.name + second;
}

bool replace_sprite_from_bitmap(int number, bool quiet) {
  if (number < 0 || number >= kSpriteCount) return false;
  const SpriteInsert in = insert_sprite_file(number);
  if (!quiet) show_status(sprite_insert_message(in), 1000, kTextCentred);
  return in.result == SpriteImport::ok;
}

ExportFormat& save_all_format() {
  static ExportFormat format = ExportFormat::bmp;
  return format;
}

void save_all_sprite_bitmaps() {
  present_now();
  const std::uint8_t background = sprite_mode_state().background;
  const ExportFormat format = save_all_format();
  // Up to the first sprite that cannot be exported; the files the user
  // changed wait for the overwrite question.
  std::vector<ExportFile> files;
  for (int k = 0; k < kSpriteCount; ++k) {
    const SpriteRecord* s = sprite_at(k);
    std::vector<std::uint8_t> file =
        s ? encode_sprite_export(*s, background, format) : std::vector<std::uint8_t>{};
    if (file.empty()) break;
    files.push_back(
        {sprite_export_name(k, format), std::move(file), same_sprite_content(k, background)});
  }
  export_files(std::move(files), kSpriteCount, "Error: not all sprites saved");
}

int sprite_number_from_bitmap_name(const std::string& name) {
  if (name.size() != 11) return -1;
  const std::string digits = name.substr(3, 4);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  const std::uint32_t number = parse_decimal(digits);
  return number < static_cast<std::uint32_t>(kSpriteCount) ? static_cast<int>(number) : -1;
}

void insert_all_sprite_bitmaps() {
  present_now();
  // Each sprite once, from the newer of its BMP and PNG.
  std::vector<bool> listed(kSpriteCount, false);
  for (const char* pattern : {"spr????.bmp", "spr????.png"})
    for (const std::string& name : list_directory(pattern)) {
      const int number = sprite_number_from_bitmap_name(name);
      if (number >= 0) listed[static_cast<std::size_t>(number)] = true;
    }
  int inserted = 0, failed = 0;
  std::string first_failure, first_unmatched;
  for (int k = 0; k < kSpriteCount; ++k) {
    if (!listed[static_cast<std::size_t>(k)]) continue;
    const SpriteInsert in = insert_sprite_file(k);
    if (in.result == SpriteImport::ok) {
      ++inserted;
      if (!in.colours_matched && first_unmatched.empty()) first_unmatched = in.name;
      continue;
    }
    if (failed++ == 0)
      first_failure = in.name + ": " + (in.reason.empty() ? "not read" : in.reason);
  }
  std::string message =
      "Inserted " + std::to_string(inserted) + " sprite" + (inserted == 1 ? "" : "s");
  if (failed > 0) {
    message += ", " + std::to_string(failed) + " failed\n" + first_failure;
  } else if (!first_unmatched.empty()) {
    message += "\n" + std::string(kColoursDidNotMatch) + " in " + first_unmatched;
  }
  show_status(message, failed > 0 ? kFailureMs : 1000, kTextCentred);
  request_redraw();
}

}  // namespace tavu
