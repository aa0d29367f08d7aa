// Patterns and whole pitches exchanged with paint programs as 8-bit bitmaps
// in the Pattern palette: a 16x16 bitmap per pattern, a 672x848 bitmap per
// pitch (map rows 1 to 53), and the tile matching that turns a pitch picture
// back into patterns and cells.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/display.h"
#include "pitch/pitch_files.h"

namespace tavu {

inline constexpr int kPitchBitmapWidth = kPitchColumns * kPatternSide;       // 672
inline constexpr int kPitchPictureRows = 53;                                 // map rows 1-53
inline constexpr int kPitchBitmapHeight = kPitchPictureRows * kPatternSide;  // 848
inline constexpr std::size_t kPitchPictureSize =
    static_cast<std::size_t>(kPitchBitmapWidth) * kPitchBitmapHeight;
inline constexpr int kPitchPictureTiles = kPitchPictureRows * kPitchColumns;  // 2226
// The most patterns a pitch of the game may have.
inline constexpr int kPatternLimit = 296;

using PatternPixels = std::array<std::uint8_t, kPatternSize>;

// "pt1-0.bmp": pitch number (index + 1) and pattern number.
std::string pattern_bitmap_name(int pitch_index, int pattern);
// "pitch1-normal.bmp": what the export writes.
std::string pitch_bitmap_save_name(int pitch_index, int type);
// "pitch1.bmp": what the import reads.
std::string pitch_bitmap_read_name(int pitch_index);

// A whole 16x16 bitmap of pattern n with `palette`; empty when the pitch has
// no pattern n.
std::vector<std::uint8_t> encode_pattern_bitmap(const PitchRecord& pitch, int n,
                                                const Palette& palette);
// Accepts only an uncompressed 8-bit 16x16 bitmap stored bottom-up.
bool decode_pattern_bitmap(std::span<const std::uint8_t> file, PatternPixels& out);

// Map rows 1 to 53 as one 672x848 picture, top row first; cells whose
// pattern lies outside the pattern data are colour 0. Both are empty when
// memory runs out.
std::vector<std::uint8_t> pitch_picture(const PitchRecord& pitch);
std::vector<std::uint8_t> encode_pitch_bitmap(const PitchRecord& pitch, const Palette& palette);
// Accepts only an uncompressed 8-bit 672x848 bitmap stored bottom-up;
// `picture` receives it top row first.
bool decode_pitch_bitmap(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& picture);

// The patterns and tile numbers of a pitch picture. Pitches 1 to 5 start
// with a blank pattern and follow each new odd pattern 1 to 23 with an
// unused copy; pitch 6 (index 5) starts empty.
struct PitchTiles {
  std::vector<std::uint8_t> patterns;                       // count x 256 bytes
  std::array<std::uint32_t, kPitchPictureTiles> numbers{};  // row by row from the top
  int count = 0;
};
// False only when memory runs out.
bool match_pitch_tiles(std::span<const std::uint8_t> picture, int pitch_index, PitchTiles& out);
// Puts the tiles in place: the new pattern block, the cells of rows 1 to 53,
// and cells of rows 0 and 54 on that would point past the new patterns set
// to the last one.
void apply_pitch_tiles(PitchRecord& pitch, PitchTiles&& tiles);

// The four operations of the modes; they show their own messages except
// for a failed save, which the mode reports as "Save failed".
bool save_pattern_bitmap(int pitch_index, int pattern);
void read_pattern_bitmap(int pitch_index, int pattern);
bool save_pitch_bitmap(int pitch_index, int type);
void read_pitch_bitmap(int pitch_index);

}  // namespace tavu
