#include "image_harness.h"

#include <cstdlib>
#include <vector>

#include "imaging/image.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"

namespace tavu::fuzz {
namespace {

// Sprites of different files and shapes, as the sprite harness takes them.
constexpr int kTargets[] = {33, 700, 1100, 1333};

// A broken promise of the reader ends the run as a finding.
void check(bool ok) {
  if (!ok) std::abort();
}

// What every decoded picture must hold.
void check_image(const ImageResult& r, const Image& img, int max_w, int max_h) {
  if (r.status == ImageStatus::too_big) {
    check(img.width > max_w || img.height > max_h);
    check(img.indices.empty() && img.rgba.empty());
    return;
  }
  if (!r.ok()) {
    check(!r.reason.empty() && img.indices.empty() && img.rgba.empty());
    return;
  }
  check(img.width > 0 && img.height > 0 && img.width <= max_w && img.height <= max_h);
  const std::size_t n = static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height);
  if (img.indexed) {
    check(img.indices.size() == n && img.rgba.empty() && img.palette.size() <= 256);
  } else {
    check(img.rgba.size() == 4 * n && img.indices.empty() && img.palette.empty());
  }
}

// An indexed picture written as PNG reads back the same.
void check_png_round_trip(const Image& img) {
  if (!img.indexed || img.palette.empty()) return;
  std::vector<std::uint8_t> rgb;
  for (const auto& e : img.palette) rgb.insert(rgb.end(), {e[0], e[1], e[2]});
  const int entries = static_cast<int>(img.palette.size());
  const std::vector<std::uint8_t> png =
      encode_indexed_png(img.width, img.height, img.indices, rgb, entries, entries - 1);
  bool in_range = true;
  for (const std::uint8_t i : img.indices) in_range = in_range && i < entries;
  check(png.empty() != in_range);
  if (png.empty()) return;
  Image back;
  check(decode_png(png, back).ok() && back.indices == img.indices &&
        back.palette.size() == img.palette.size());
}

void import_as(int sprite, int pitch, int pattern, const std::string& extension, Bytes input) {
  static const PitchFilesState pristine = pitch_files();
  auto with_extension = [&](std::string name) {
    return name.substr(0, name.size() - 4) + extension;
  };
  const std::string sprite_name = with_extension(sprite_bitmap_name(sprite));
  put_file(sprite_name, input);
  (void)replace_sprite_from_bitmap(sprite, sprite % 2 == 0);
  restore_file(sprite_name);
  revert_sprites();

  const std::string pattern_name = with_extension(pattern_bitmap_name(pitch, pattern));
  put_file(pattern_name, input);
  read_pattern_bitmap(pitch, pattern);
  restore_file(pattern_name);

  const std::string pitch_name = with_extension(pitch_bitmap_read_name(pitch));
  put_file(pitch_name, input);
  read_pitch_bitmap(pitch);
  restore_file(pitch_name);
  if (pitch_files().map_modified || pitch_files().patterns_modified) {
    std::vector<std::uint8_t> frame(320 * 200);
    draw_pitch(frame.data(), 0, 0, 320, pitch, true, true);
  }
  pitch_files() = pristine;
  invalidate_pitch_view();
  reset_messages();
}

}  // namespace

bool setup_image_imports() {
  return load_demo_sprites() && load_demo_pitches();
}

void run_image_input(Bytes input, const std::string& extension) {
  // From memory, with the largest picture an import takes and with a
  // sprite's; too big and damaged files give no pixels.
  struct Limits {
    int w, h;
  };
  Image img;
  for (const Limits l : {Limits{672, 848}, Limits{16, 16}}) {
    const ImageResult r = decode_image(input, img, l.w, l.h);
    check_image(r, img, l.w, l.h);
    if (r.ok()) check_png_round_trip(img);
  }
  // From disk the same, reading no more than the headers allow.
  Image from_disk;
  const ImageResult memory = decode_image(input, img, 672, 848);
  put_file("fuzz" + extension, input);
  const ImageResult disk = read_image_file("fuzz" + extension, from_disk, 672, 848);
  restore_file("fuzz" + extension);
  check(disk.status == memory.status && from_disk.width == img.width &&
        from_disk.height == img.height && from_disk.indices == img.indices &&
        from_disk.palette == img.palette && from_disk.rgba == img.rgba);

  const std::size_t size = input.size();
  const int sprite = kTargets[size % 4];
  const int pitch = static_cast<int>(size % kPitchCount);
  const int pattern = static_cast<int>(size / kPitchCount % 40);
  import_as(sprite, pitch, pattern, extension, input);
  if (size % 8 == 3)
    import_as(sprite, pitch, pattern, extension == ".png" ? ".bmp" : ".png", input);
}

}  // namespace tavu::fuzz
