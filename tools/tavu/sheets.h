// Sprite sheets: every sprite of one sprite file on one indexed PNG, in
// number order, 16 to a row, each row as high and each column as wide as
// its largest sprite, with a 1-pixel gap; and the JSON beside it that says
// where each sprite is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sprites/sprite_format.h"

namespace tavu::cli {

inline constexpr int kSheetColumns = 16;
inline constexpr int kSheetGap = 1;
// A JSON file larger than this is no sheet's.
inline constexpr std::size_t kMaxSheetJson = 4u << 20;

struct SheetSprite {
  int number = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int centre_x = 0;
  int centre_y = 0;
  bool operator==(const SheetSprite&) const = default;
};

struct Sheet {
  std::string file;  // "CHARSET.DAT"
  int width = 0;
  int height = 0;
  std::vector<SheetSprite> sprites;
};

// "CHARSET.DAT" -> "CHARSET".
std::string sheet_stem(std::string_view sprite_file);

// Where each of `sprites` (numbered from `first`) goes. Sprites with
// negative sizes have none: the caller refuses them first.
Sheet lay_out_sheet(std::string file, std::span<const SpriteRecord> sprites, int first);
// The sheet's pixels: sprite colours 1-15, everything else 16.
std::vector<std::uint8_t> sheet_pixels(const Sheet& sheet, std::span<const SpriteRecord> sprites);

std::string sheet_json(const Sheet& sheet, std::string_view image_name);
// False with a short reason ("line 3: expected ','") for anything that is
// not such a file; sizes and positions are checked against the picture by
// the caller.
bool parse_sheet_json(std::string_view text, Sheet& out, std::string* reason);

}  // namespace tavu::cli
