// Turning a decoded picture into the palette numbers a sprite, pattern,
// pitch or picture stores, by colour value at the game's precision (the top
// six bits of each 8-bit channel), so a paint program that reordered the
// palette or scaled 252 to 255 still gives the numbers meant.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/image.h"

namespace tavu {

// The colour of an 8-bit red, green, blue at six bits a channel.
inline std::uint32_t colour_key(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (static_cast<std::uint32_t>(r >> 2) << 12) | (static_cast<std::uint32_t>(g >> 2) << 6) |
         static_cast<std::uint32_t>(b >> 2);
}

// Second line of an import's message when an indexed file's colours did not
// match and its numbers were taken as they stand.
inline constexpr const char* kColoursDidNotMatch = "colours did not match the palette";

struct ColourTarget {
  // One or more palettes of `entries` colours each (red, green, blue, 8 bit,
  // 3 * entries bytes). A file's number keeps its value when its colour
  // equals that entry in any of them (pitch types); other colours are
  // looked up in the first palette that has all of them (the one the picture
  // was made with), or, when none has, each in the first that has it.
  std::vector<std::span<const std::uint8_t>> palettes;
  int entries = 256;
  // Sprites: the number that means transparent (16), taken by alpha below
  // 128; -1 for none.
  int transparent = -1;
};

struct ColourMatch {
  std::vector<std::uint8_t> numbers;  // width * height, rows top first
  // Indexed file with a used colour that no entry has: `numbers` are the
  // file's numbers as stored, and the caller says the colours did not match.
  bool colours_matched = true;
  // True-colour file with a colour no entry has: refused, `numbers` empty,
  // "colour 0DC84D at 4,2 not in the palette".
  std::string refusal;
  bool ok() const { return refusal.empty(); }
};

// Where several target entries have a pixel's colour: an indexed file's own
// number when it is one of them, then `preferred` (optional, width * height
// numbers: what the thing had there before, e.g. a sprite's old pixel) when
// it is one of them, then the lowest.
ColourMatch match_colours(const Image& image, const ColourTarget& target,
                          std::span<const std::uint8_t> preferred = {});

}  // namespace tavu
