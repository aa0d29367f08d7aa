// Hostile-input targets: every reader of a file the editor opens gets bytes
// it did not write. Each target must neither crash nor touch memory outside
// its buffers (run under AddressSanitizer and UBSan).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/image.h"
#include "pictures/picture_format.h"
#include "replays/recording_format.h"
#include "sprites/blit.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

namespace {

void sprite_file(std::span<const std::uint8_t> bytes) {
  // A graphics file of a few sprites, drawn and written back the way the
  // editor does after loading it.
  std::vector<tavu::SpriteRecord> sprites(8);
  if (!tavu::parse_file_image(bytes, sprites, 0)) return;
  std::vector<std::uint8_t> frame(320 * 200);
  for (auto& s : sprites) {
    tavu::planar_to_chunky(&s);
    tavu::draw_sprite(-5, -3, frame.data(), &s, 320, -1);
    tavu::draw_sprite(300, 190, frame.data(), &s, 320, 7);
    tavu::chunky_to_planar(&s);
  }
  tavu::draw_text(sprites, "AB\t\rC\nD", 10, 10, frame.data(), 320, 0, -1, 0x64);
  (void)tavu::build_file_image(sprites, 0);
}

void sprite_bitmap(std::span<const std::uint8_t> bytes) {
  tavu::DecodedSprite image;
  (void)tavu::decode_sprite_bitmap(bytes, image);
  const tavu::BmpView view = tavu::read_bmp(bytes);
  if (view.ok())
    for (int y = 0; y < view.info.height; ++y) (void)view.row_from_top(y);
  // Every import's reader, BMP and PNG, at a pitch's size.
  tavu::Image picture;
  (void)tavu::decode_image(bytes, picture, 672, 848);
}

void recording(std::span<const std::uint8_t> bytes) {
  // Frames are visited as playback walks them; a hostile file may ask for a
  // very long walk, so stop after a bounded number.
  for (auto kind : {tavu::RecordingKind::kReplay, tavu::RecordingKind::kHighlight}) {
    (void)tavu::check_recording(bytes, kind);
    std::size_t words = 0;
    tavu::walk_recording(bytes, kind,
                         [&](std::size_t, const tavu::FrameWords&, const tavu::FrameInWords& f) {
                           words += 3 + f.sprite_count;
                           return words < (1u << 20);
                         });
  }
  (void)tavu::decode_picture(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the reader, so one target covers them all.
  std::span<const std::uint8_t> bytes(data + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      sprite_file(bytes);
      break;
    case 1:
      sprite_bitmap(bytes);
      break;
    default:
      recording(bytes);
      break;
  }
  return 0;
}
