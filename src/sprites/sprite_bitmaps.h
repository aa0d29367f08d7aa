// Sprites exported to and imported from "spr%04d.bmp" bitmaps: 17 colours,
// palette entry 16 (pixel value 16) is the transparent background.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "shell/exports.h"
#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr std::uint8_t kBitmapTransparent = 16;
inline constexpr int kMaxSpriteBitmapWidth = 320;
inline constexpr int kMaxSpriteBitmapHeight = 200;

// "spr%04d.bmp", and the same with ".png".
std::string sprite_bitmap_name(int number);
std::string sprite_export_name(int number, ExportFormat format);

// The sprite's width x height pixels as the exports write them: colours
// 1-15, transparent 16.
std::vector<std::uint8_t> sprite_export_pixels(const SpriteRecord& sprite);

// The bitmap file of a chunky sprite, with palette entry 16 the default
// palette's colour `background`; empty when the sprite is larger than
// 320x200 or has negative sizes.
std::vector<std::uint8_t> encode_sprite_bitmap(const SpriteRecord& sprite, std::uint8_t background);
// The same picture as an indexed PNG, entry 16 fully transparent.
std::vector<std::uint8_t> encode_sprite_png(const SpriteRecord& sprite, std::uint8_t background);
std::vector<std::uint8_t> encode_sprite_export(const SpriteRecord& sprite, std::uint8_t background,
                                               ExportFormat format);

// A sprite image decoded from a bitmap, ready to replace a sprite.
struct DecodedSprite {
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::int16_t width_words = 0;
  std::vector<std::uint8_t> pixels;  // chunky, width_words * 8 bytes per row
};

// The sprite a decoded picture gives, by colour: each pixel takes the
// number of its colour among the 16 sprite colours; transparent are alpha
// below 128 and the colour the export writes for the background (that of
// `background`, or of any background key in an indexed file's entry 16).
// Where the background's colour is also a sprite colour (background 3), a
// true-colour pixel of it stays what `old` had there (transparent where
// `old` is transparent or smaller). An indexed file with colours none of
// the sixteen has keeps its numbers' low four bits (16 transparent).
struct SpriteImageImport {
  DecodedSprite sprite;  // when ok()
  bool too_big = false;  // wider than 320 or higher than 200
  bool colours_matched = true;
  std::string reason;  // refused: "321x16, must be at most 320x200"
  bool ok() const { return reason.empty(); }
};
SpriteImageImport import_sprite_image(const SpriteRecord* old, const Image& image,
                                      std::uint8_t background);

enum class SpriteImport { ok, not_found, too_big, bad_file };
// Decodes a whole BMP or PNG file as import_sprite_image() does with
// background 3 and no old sprite.
SpriteImport decode_sprite_bitmap(std::span<const std::uint8_t> file, DecodedSprite& out);
// Puts a decoded image into sprite `number`: its sizes, pixels, byte 21 and
// the replaced byte, its file entry's current size and the marks.
void apply_decoded_sprite(int number, DecodedSprite&& image);

// Writes "spr%04d.bmp" (or ".png") whatever is there; unless quiet shows
// "Saved %s OK".
bool save_sprite_bitmap(int number, std::uint8_t background, const SpriteRecord* sprite, bool quiet,
                        ExportFormat format = ExportFormat::bmp);
// Whether an existing file imports as sprite `number` is now, so that an
// export on another background replaces it without asking.
SameContent same_sprite_content(int number, std::uint8_t background);
// F2 and Ctrl+F2: the same through the overwrite question (see exports.h).
ExportResult export_sprite_bitmap(int number, std::uint8_t background, ExportFormat format);

// What an import of sprite `number` did, for its messages.
struct SpriteInsert {
  SpriteImport result = SpriteImport::bad_file;
  std::string name;    // the file read, or "spr%04d.bmp" when there is none
  std::string reason;  // second line of a failure
  bool colours_matched = true;
};
// Reads sprite `number` from "spr%04d.bmp" or ".png" (the newer of the two)
// and replaces it; a failure changes nothing.
SpriteInsert insert_sprite_file(int number);
// The message of an import: "Sprite replaced OK", "Sprite too big\n...",
// "Error replacing sprite with NAME\n...", "NAME not found.".
std::string sprite_insert_message(const SpriteInsert& insert);
// Insert: insert_sprite_file() and, unless quiet, its message.
bool replace_sprite_from_bitmap(int number, bool quiet);
// The window procedure runs these for MSG_SAVE_ALL_SPRITES and
// MSG_INSERT_ALL_SPRITES. Save-all writes the format set last.
void save_all_sprite_bitmaps();
void insert_all_sprite_bitmaps();
ExportFormat& save_all_format();
// Sprite number named by a "spr????.bmp" or "spr????.png" listing entry, or
// -1 when the four characters after "spr" are not digits or name no sprite.
int sprite_number_from_bitmap_name(const std::string& name);

}  // namespace tavu
