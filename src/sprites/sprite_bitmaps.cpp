#include "sprites/sprite_bitmaps.h"

#include <algorithm>
#include <cstdio>

#include "display/display.h"
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

constexpr std::uint32_t kSpritePaletteEntries = 17;

// Shows the waiting message before a long operation blocks the loop.
void present_now() {
  if (app_flag(fullscreen))
    request_redraw();
  else
    send_message(platform::WM_PAINT);
}

}  // namespace

std::string sprite_bitmap_name(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "spr%04d.bmp", number);
  return name;
}

std::vector<std::uint8_t> encode_sprite_bitmap(const SpriteRecord& s, std::uint8_t background) {
  if (s.width < 0 || s.height < 0 || s.width > kMaxSpriteBitmapWidth ||
      s.height > kMaxSpriteBitmapHeight)
    return {};
  const int width = s.width, height = s.height;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, kBitmapTransparent);
  draw_sprite_clipped(0, 0, pixels.data(), &s, width, kNaturalColours, width, height);
  std::array<std::uint8_t, 3 * kSpritePaletteEntries> rgb{};
  const Palette& palette = default_palette();
  std::copy_n(palette.begin(), 48, rgb.begin());
  std::copy_n(palette.begin() + 3 * background, 3, rgb.begin() + 48);
  return make_bmp_file(rgb, kSpritePaletteEntries, width, height, pixels, kBitmapTransparent);
}

SpriteImport decode_sprite_bitmap(std::span<const std::uint8_t> file, DecodedSprite& out) {
  const BmpView bmp = read_bmp(file);
  if (bmp.status == BmpStatus::truncated || bmp.status == BmpStatus::not_bmp)
    return SpriteImport::bad_file;
  if (bmp.info.width > kMaxSpriteBitmapWidth || bmp.info.height > kMaxSpriteBitmapHeight)
    return SpriteImport::too_big;
  if (!bmp.ok()) return SpriteImport::bad_file;

  DecodedSprite d;
  d.width = static_cast<std::int16_t>(bmp.info.width);
  d.height = static_cast<std::int16_t>(bmp.info.height);
  d.width_words = static_cast<std::int16_t>((d.width + 15) / 16);
  const std::size_t row_bytes = static_cast<std::size_t>(d.width_words) * 8;
  d.pixels.assign(row_bytes * d.height, 0);
  auto map = [](std::uint8_t v) -> std::uint8_t { return v == kBitmapTransparent ? 0 : v & 15; };
  for (int y = 0; y < d.height; ++y) {
    const auto src = bmp.row_from_top(y);
    std::uint8_t* dst = d.pixels.data() + y * row_bytes;
    for (int x = 0; x < d.width; ++x) {
      const std::uint8_t v = map(src[x]);
      dst[x / 2] |= static_cast<std::uint8_t>((x & 1) ? v : v << 4);
    }
  }
  out = std::move(d);
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

bool save_sprite_bitmap(int number, std::uint8_t background, const SpriteRecord* s, bool quiet) {
  if (!s || number < 0 || number >= kSpriteCount) return false;
  const std::vector<std::uint8_t> file = encode_sprite_bitmap(*s, background);
  if (file.empty()) return false;
  const std::string name = sprite_bitmap_name(number);
  if (!replace_file(name, file)) return false;
  if (!quiet) show_status("Saved " + name + " OK", 1000, kTextCentred);
  return true;
}

bool replace_sprite_from_bitmap(int number, bool quiet) {
  if (number < 0 || number >= kSpriteCount) return false;
  const std::string name = sprite_bitmap_name(number);
  std::vector<std::uint8_t> file;
  SpriteImport result = SpriteImport::bad_file;
  DecodedSprite image;
  switch (read_bmp_file(name, file, kMaxSpriteBitmapWidth, kMaxSpriteBitmapHeight)) {
    case ReadStatus::ok:
      result = decode_sprite_bitmap(file, image);
      break;
    case ReadStatus::cannot_open:
      result = SpriteImport::not_found;
      break;
    case ReadStatus::too_large:
    case ReadStatus::read_error:
      break;
  }
  if (result == SpriteImport::ok) apply_decoded_sprite(number, std::move(image));
  if (!quiet) {
    switch (result) {
      case SpriteImport::ok:
        show_status("Sprite replaced OK", 1000, kTextCentred);
        break;
      case SpriteImport::not_found:
        show_status(name + " not found.", 1000, kTextCentred);
        break;
      case SpriteImport::too_big:
        show_status("Sprite too big", 1000, kTextCentred);
        break;
      case SpriteImport::bad_file:
        show_status("Error replacing sprite with " + name, 1000, kTextCentred);
        break;
    }
  }
  return result == SpriteImport::ok;
}

void save_all_sprite_bitmaps() {
  present_now();
  const std::uint8_t background = sprite_mode_state().background;
  // Each file is replaced on its own, up to the first failure, and the
  // directory is fsynced once at the end rather than 1334 times.
  std::vector<std::vector<std::uint8_t>> images;
  for (int k = 0; k < kSpriteCount; ++k) {
    const SpriteRecord* s = sprite_at(k);
    std::vector<std::uint8_t> file =
        s ? encode_sprite_bitmap(*s, background) : std::vector<std::uint8_t>{};
    if (file.empty()) break;
    images.push_back(std::move(file));
  }
  std::vector<FileReplacement> files;
  for (std::size_t k = 0; k < images.size(); ++k)
    files.push_back({sprite_bitmap_name(static_cast<int>(k)), images[k]});
  if (replace_each(files) < static_cast<std::size_t>(kSpriteCount)) {
    show_status("Error: not all sprites saved", 1200, kTextCentred);
    request_redraw();
  } else {
    show_status("", 10, 0);
  }
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
  for (const std::string& name : list_directory("spr????.bmp")) {
    const int number = sprite_number_from_bitmap_name(name);
    if (number >= 0) replace_sprite_from_bitmap(number, true);
  }
  show_status("", 10, 0);
}

}  // namespace tavu
