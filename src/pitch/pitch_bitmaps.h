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
#include "imaging/colour_match.h"
#include "imaging/image.h"
#include "pitch/pitch_files.h"
#include "shell/exports.h"

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
std::string pattern_export_name(int pitch_index, int pattern, ExportFormat format);
// "pitch1-normal.bmp": what the export writes.
std::string pitch_bitmap_save_name(int pitch_index, int type);
std::string pitch_export_name(int pitch_index, int type, ExportFormat format);
// "pitch1.bmp": what the import reads.
std::string pitch_bitmap_read_name(int pitch_index);
// The file pitch mode's Insert reads: "pitchN.bmp" or "pitchN.png" (the
// newer), and when neither exists the newest "pitchN-TYPE.bmp/.png" an
// export wrote (`type` then receives its pitch type, otherwise -1). Empty
// when there is none.
std::string pitch_import_file(int pitch_index, int* type = nullptr);

// A whole 16x16 bitmap of pattern n with `palette`; empty when the pitch has
// no pattern n.
std::vector<std::uint8_t> encode_pattern_bitmap(const PitchRecord& pitch, int n,
                                                const Palette& palette);
std::vector<std::uint8_t> encode_pattern_export(const PitchRecord& pitch, int n,
                                                const Palette& palette, ExportFormat format);

// The colours an import is matched against: `current` (the Pattern palette
// as it stands) first, then the Game palette under each of the seven pitch
// types, so a file exported under another type keeps its numbers. A file
// known to be made under pitch type `made_with` (0-6) has that type's
// palette first: a true-colour picture cannot tell which of two entries of
// one colour it meant when the types give both that colour.
struct PitchColourTarget {
  std::vector<Palette> palettes;
  ColourTarget target;
};
PitchColourTarget pitch_colour_target(const Palette& current, int made_with = -1);

// A 16x16 picture as a pattern, by colour (see colour_match.h). Another
// size is refused ("17x16, must be 16x16"), as is a true-colour picture with
// a colour none of the palettes has. Where two entries have a pixel's
// colour, `before` (the pattern's old pixels, optional) decides.
struct PatternImageImport {
  PatternPixels pixels{};
  bool colours_matched = true;
  std::string reason;
  bool ok() const { return reason.empty(); }
};
PatternImageImport import_pattern_image(const Image& image, const Palette& current,
                                        std::span<const std::uint8_t> before = {});
// A whole BMP or PNG file through import_pattern_image() with the Pattern
// palette.
bool decode_pattern_bitmap(std::span<const std::uint8_t> file, PatternPixels& out);

// Map rows 1 to 53 as one 672x848 picture, top row first; cells whose
// pattern lies outside the pattern data are colour 0. Both are empty when
// memory runs out.
std::vector<std::uint8_t> pitch_picture(const PitchRecord& pitch);
std::vector<std::uint8_t> encode_pitch_bitmap(const PitchRecord& pitch, const Palette& palette);
std::vector<std::uint8_t> encode_pitch_export(const PitchRecord& pitch, const Palette& palette,
                                              ExportFormat format);
// A 672x848 picture's numbers by colour, top row first (reasons as for
// patterns; `before` is the old pitch_picture()).
struct PitchPictureImport {
  std::vector<std::uint8_t> picture;
  bool colours_matched = true;
  std::string reason;
  bool ok() const { return reason.empty(); }
};
PitchPictureImport import_pitch_picture(const Image& image, const Palette& current,
                                        int made_with = -1,
                                        std::span<const std::uint8_t> before = {});
// A whole BMP or PNG file through import_pitch_picture() with the Pattern
// palette.
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

// A whole pitch from a decoded picture: colours (ties decided by what
// `pitch` showed there) and tiles; nothing changes.
struct PitchImageImport {
  PitchTiles tiles;
  bool colours_matched = true;
  std::string reason;
  bool ok() const { return reason.empty(); }
};
PitchImageImport import_pitch_image(const Image& image, int pitch_index, const PitchRecord& pitch,
                                    const Palette& current, int made_with = -1);

// The operations of the modes; they show their own messages except for a
// failed save, which the mode reports as "Save failed". The saves write
// whatever is there; the exports ask first (see exports.h).
bool save_pattern_bitmap(int pitch_index, int pattern, ExportFormat format = ExportFormat::bmp);
ExportResult export_pattern_bitmap(int pitch_index, int pattern, ExportFormat format);
void read_pattern_bitmap(int pitch_index, int pattern);
bool save_pitch_bitmap(int pitch_index, int type, ExportFormat format = ExportFormat::bmp);
ExportResult export_pitch_bitmap(int pitch_index, int type, ExportFormat format);
void read_pitch_bitmap(int pitch_index);

}  // namespace tavu
