// Sprites exported to and imported from "spr%04d.bmp" bitmaps: 17 colours,
// palette entry 16 (pixel value 16) is the transparent background.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr std::uint8_t kBitmapTransparent = 16;
inline constexpr int kMaxSpriteBitmapWidth = 320;
inline constexpr int kMaxSpriteBitmapHeight = 200;

// "spr%04d.bmp".
std::string sprite_bitmap_name(int number);

// The bitmap file of a chunky sprite, with palette entry 16 the default
// palette's colour `background`; empty when the sprite is larger than
// 320x200 or has negative sizes.
std::vector<std::uint8_t> encode_sprite_bitmap(const SpriteRecord& sprite, std::uint8_t background);

// A sprite image decoded from a bitmap, ready to replace a sprite.
struct DecodedSprite {
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::int16_t width_words = 0;
  std::vector<std::uint8_t> pixels;  // chunky, width_words * 8 bytes per row
};
enum class SpriteImport { ok, not_found, too_big, bad_file };
// Decodes a whole bitmap file: value 16 becomes transparent (0), any other
// value keeps its low four bits.
SpriteImport decode_sprite_bitmap(std::span<const std::uint8_t> file, DecodedSprite& out);
// Puts a decoded image into sprite `number`: its sizes, pixels, byte 21 and
// the replaced byte, its file entry's current size and the marks.
void apply_decoded_sprite(int number, DecodedSprite&& image);

// F2: writes "spr%04d.bmp"; unless quiet shows "Saved %s OK".
bool save_sprite_bitmap(int number, std::uint8_t background, const SpriteRecord* sprite,
                        bool quiet);
// Insert: replaces sprite `number` from its bitmap once the whole file has
// been read and checked; a failure changes nothing. Unless quiet, reports
// the outcome as a Status message.
bool replace_sprite_from_bitmap(int number, bool quiet);
// The window procedure runs these for MSG_SAVE_ALL_SPRITES and
// MSG_INSERT_ALL_SPRITES.
void save_all_sprite_bitmaps();
void insert_all_sprite_bitmaps();
// Sprite number named by a "spr????.bmp" listing entry, or -1 when the four
// characters after "spr" are not digits or name no sprite.
int sprite_number_from_bitmap_name(const std::string& name);

}  // namespace tavu
