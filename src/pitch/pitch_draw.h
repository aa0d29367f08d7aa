// Pitch drawing for every caller (pitch mode, replay playback, test mode):
// a 320x200 view of a pitch at any scroll position, and the Pattern palette
// whose pitch colours follow the pitch type.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "display/display.h"
#include "pitch/pitch_files.h"
#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr int kPitchTypeCount = 7;
// The view is cut out of 21 x 14 tiles around it.
inline constexpr int kTileBufferColumns = 21;
inline constexpr int kTileBufferRows = 14;
inline constexpr int kTileBufferWidth = kTileBufferColumns * kPatternSide;  // 336
inline constexpr int kTileBufferHeight = kTileBufferRows * kPatternSide;    // 224
inline constexpr std::uint8_t kGridColour = 254;
inline constexpr std::uint8_t kCursorColour = 52;  // plus the blink phase 0-7

// "frozen", "muddy", "wet", "soft", "normal", "dry", "hard"; types outside
// 0..6 have no name ("").
const char* pitch_type_name(int type);

// The current pitch type, shared by pattern mode and pitch mode (0 at
// start). Replay playback and test mode pass their own type instead.
std::int8_t& pitch_type();

// The Game palette with the colours of the last pitch type applied.
const Palette& pattern_palette();
// The palette slot of pitch, pattern and test mode.
const Palette* pattern_palette_slot();

// Writes the nine pitch colours of `type` into `palette`. A type outside
// 0..6 (a damaged replay) gets the Game palette's own colours, those of
// type 1 ("muddy"), so the same file always looks the same.
void apply_pitch_colours(Palette& palette, int type);
// The same on the Pattern palette, which is then handed to the display with
// force. Safe for any value.
void apply_pitch_type(int type);

// Draws the view of pitch `pitch_index` whose top-left corner is pitch
// pixel (x, y) into 200 rows of 320 bytes, `stride` bytes apart. Any x and y
// are safe: tiles beyond the map (past column 41 or row 54) are colour 0. A
// pitch index outside 0..5 fills the view with colour 0.
void draw_pitch(std::uint8_t* target, std::uint32_t x, std::uint32_t y, int stride, int pitch_index,
                bool edit_mode, bool show_numbers);

// Marks the cached tiles stale (after any change of cells or patterns).
void invalidate_pitch_view();

// Start-up step of the pitch files: the Pattern palette from the Game
// palette, the tile buffer, the stale mark.
void prepare_pitch_drawing();

// The tiles around the last view and what they were built for.
struct PitchViewCache {
  std::vector<std::uint8_t> tiles;  // kTileBufferWidth x kTileBufferHeight
  int pitch_index = -1;
  std::int64_t top_left = -1;  // cell index of the top-left tile, less one row
  bool edit_mode = false;
  bool show_numbers = false;
  bool stale = true;
  std::uint64_t builds = 0;  // rebuilds so far
};
PitchViewCache& pitch_view_cache();

// Everything one view depends on.
struct PitchView {
  const PitchRecord* pitch = nullptr;  // nullptr: no such pitch, the view is colour 0
  int pitch_index = 0;
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  bool edit_mode = false;
  bool show_numbers = false;
  int cursor_x = 0;  // tile-buffer pixels
  int cursor_y = 0;
  int blink = 0;                       // 0-7
  std::span<const SpriteRecord> font;  // digit glyphs are sprites 162-170
};

// draw_pitch over explicit inputs. The cursor box is drawn onto the target,
// so the cached tiles never hold it and a cursor move shows at once.
void draw_pitch_view(PitchViewCache& cache, const PitchView& view, std::uint8_t* target,
                     int stride);

}  // namespace tavu
