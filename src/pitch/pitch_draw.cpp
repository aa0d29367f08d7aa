#include "pitch/pitch_draw.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "pitch/pitch_mode.h"
#include "shell/files.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"

namespace tavu {
namespace {

constexpr std::array<int, 9> kPitchColourEntries = {0, 7, 9, 78, 79, 80, 81, 106, 107};
constexpr int kGamePaletteType = 1;

// Red, green, blue of the nine entries, per pitch type.
// clang-format off
constexpr std::array<std::array<std::uint8_t, 27>, kPitchTypeCount> kPitchColours = {{
    {144,144,96, 128,144,96, 112,144,96, 188,188,160, 152,152,132, 60,60,52, 88,88,76, 136,116,84, 160,156,136},
    {112,80,0, 96,80,0, 80,80,0, 200,184,164, 176,120,0, 68,44,0, 92,56,0, 84,60,8, 184,156,120},
    {48,144,0, 112,144,0, 48,144,0, 184,192,160, 132,172,48, 60,88,0, 72,108,0, 100,124,0, 180,180,148},
    {48,112,0, 112,112,0, 48,112,0, 180,192,152, 84,148,36, 44,68,0, 60,88,0, 92,88,0, 164,164,128},
    {112,144,0, 96,144,0, 144,144,0, 180,192,152, 128,168,44, 60,88,0, 72,108,0, 124,128,0, 192,184,136},
    {144,144,0, 128,144,0, 112,144,0, 176,184,148, 132,176,48, 60,88,0, 72,108,0, 132,120,0, 188,164,136},
    {144,112,0, 128,112,0, 112,112,0, 200,184,148, 180,136,0, 76,60,0, 104,76,0, 80,100,0, 176,152,112},
}};
// clang-format on

// What a tile off the map or off the pattern data shows.
constexpr std::array<std::uint8_t, kPatternSize> kBlankPattern{};

constexpr int kZeroGlyphAdvance = 5;
constexpr int kFirstDigitSprite = 113;  // plus the character code: '1' is sprite 162
constexpr int kDigitLimitX = 320;
constexpr int kDigitLimitY = 200;

Palette& palette_copy() {
  static Palette p = game_palette();
  return p;
}

// Pixels clipped to a w x h area that starts at `origin`.
struct ClippedTarget {
  std::uint8_t* origin;
  int stride;
  int w;
  int h;
  void put(int x, int y, std::uint8_t c) const {
    if (x >= 0 && y >= 0 && x < w && y < h) origin[static_cast<std::ptrdiff_t>(y) * stride + x] = c;
  }
  void row(int y, int x0, int x1, std::uint8_t c) const {
    for (int x = x0; x <= x1; ++x) put(x, y, c);
  }
  void column(int x, int y0, int y1, std::uint8_t c) const {
    for (int y = y0; y <= y1; ++y) put(x, y, c);
  }
};

// The hand-drawn zero: a 3x5 outline in colour 2, its inside and a shadow
// to the right and below in colour 3.
void draw_zero_glyph(const ClippedTarget& t, int gx, int gy) {
  t.row(gy, gx, gx + 2, 2);
  t.row(gy + 4, gx, gx + 2, 2);
  t.column(gx, gy + 1, gy + 3, 2);
  t.column(gx + 2, gy + 1, gy + 3, 2);
  t.column(gx + 1, gy + 1, gy + 3, 3);
  t.column(gx + 3, gy + 1, gy + 5, 3);
  t.row(gy + 5, gx + 1, gx + 2, 3);
}

// A pattern number at (1, 1) of the tile whose corner is `t.origin`. Glyphs
// are clipped to the tile buffer; those reaching into the next tile are
// covered when it is drawn.
void draw_pattern_number(const ClippedTarget& t, std::uint32_t number,
                         std::span<const SpriteRecord> font) {
  char text[16];
  format_decimal(static_cast<std::int32_t>(number), text);
  int gx = 1;
  const int gy = 1;
  for (const char* c = text; *c; ++c) {
    if (*c == '0') {
      if (gx + 5 > kDigitLimitX || gy + 5 > kDigitLimitY) return;
      draw_zero_glyph(t, gx, gy);
      gx += kZeroGlyphAdvance;
      continue;
    }
    const std::size_t sprite = static_cast<std::size_t>(*c + kFirstDigitSprite);
    if (sprite >= font.size()) return;
    const SpriteSize size = get_sprite_size(&font[sprite]);
    if (gx + size.width >= kDigitLimitX) return;
    draw_sprite_clipped(gx, gy, t.origin, &font[sprite], t.stride, kNaturalColours, t.w, t.h);
    gx += size.width + 1;
  }
}

void rebuild_tiles(PitchViewCache& cache, const PitchView& v, std::int64_t tx, std::int64_t ty) {
  std::uint8_t* tiles = cache.tiles.data();
  const PitchRecord& pitch = *v.pitch;
  for (int r = 0; r < kTileBufferRows; ++r) {
    const std::int64_t map_row = ty + r + 1;
    for (int j = 0; j < kTileBufferColumns; ++j) {
      const std::int64_t column = tx + j;
      std::uint8_t* corner = tiles + (r * kTileBufferWidth + j) * kPatternSide;
      const std::uint8_t* src = nullptr;
      std::uint32_t cell = 0;
      if (column < kPitchColumns && map_row < kPitchRows) {
        const auto i = static_cast<std::size_t>(map_row * kPitchColumns + column);
        if (i < pitch.cells.size()) {
          cell = pitch.cells[i];
          src = pitch.pattern_at(cell);
        }
      }
      if (!src) src = kBlankPattern.data();
      for (int y = 0; y < kPatternSide; ++y)
        std::memcpy(corner + y * kTileBufferWidth, src + y * kPatternSide, kPatternSide);
      if (v.edit_mode)
        for (int y = 0; y < kPatternSide; ++y) corner[y * kTileBufferWidth] = kGridColour;
      if (v.show_numbers)
        draw_pattern_number({corner, kTileBufferWidth, kTileBufferWidth - j * kPatternSide,
                             kTileBufferHeight - r * kPatternSide},
                            cell / kPatternSize, v.font);
    }
    if (v.edit_mode)
      std::memset(tiles + r * kPatternSide * kTileBufferWidth, kGridColour, kTileBufferWidth);
  }
}

// 17 x 17 with sides two pixels thick, on the tile whose corner is (cx, cy).
void draw_cursor_box(const ClippedTarget& t, int cx, int cy, std::uint8_t colour) {
  for (int d : {0, 1, 15, 16}) {
    t.row(cy + d, cx, cx + 16, colour);
    t.column(cx + d, cy, cy + 16, colour);
  }
}

}  // namespace

const char* pitch_type_name(int type) {
  static const char* const kNames[kPitchTypeCount] = {"frozen", "muddy", "wet", "soft",
                                                      "normal", "dry",   "hard"};
  return type >= 0 && type < kPitchTypeCount ? kNames[type] : "";
}

std::int8_t& pitch_type() {
  static std::int8_t type = 0;
  return type;
}

const Palette& pattern_palette() {
  return palette_copy();
}

const Palette* pattern_palette_slot() {
  return &palette_copy();
}

void apply_pitch_colours(Palette& palette, int type) {
  if (type < 0 || type >= kPitchTypeCount) type = kGamePaletteType;
  const auto& colours = kPitchColours[static_cast<std::size_t>(type)];
  for (std::size_t k = 0; k < kPitchColourEntries.size(); ++k)
    std::copy_n(colours.begin() + 3 * k, 3,
                palette.begin() + 3 * static_cast<std::size_t>(kPitchColourEntries[k]));
}

void apply_pitch_type(int type) {
  apply_pitch_colours(palette_copy(), type);
  set_palette(&palette_copy(), nullptr, true);
}

PitchViewCache& pitch_view_cache() {
  static PitchViewCache cache;
  return cache;
}

void prepare_pitch_drawing() {
  palette_copy() = game_palette();
  PitchViewCache& cache = pitch_view_cache();
  if (cache.tiles.size() != static_cast<std::size_t>(kTileBufferWidth * kTileBufferHeight))
    allocate_or_stop(cache.tiles, static_cast<std::size_t>(kTileBufferWidth * kTileBufferHeight));
  cache.stale = true;
}

void invalidate_pitch_view() {
  pitch_view_cache().stale = true;
}

void draw_pitch_view(PitchViewCache& cache, const PitchView& v, std::uint8_t* target, int stride) {
  if (!v.pitch) {
    for (int y = 0; y < kScreenHeight; ++y)
      std::memset(target + static_cast<std::ptrdiff_t>(y) * stride, 0, kScreenWidth);
    return;
  }
  if (cache.tiles.size() != static_cast<std::size_t>(kTileBufferWidth * kTileBufferHeight)) {
    allocate_or_stop(cache.tiles, static_cast<std::size_t>(kTileBufferWidth * kTileBufferHeight));
    cache.stale = true;
  }
  const std::int64_t tx = v.x / kPatternSide, ty = v.y / kPatternSide;
  const int fx = static_cast<int>(v.x % kPatternSide), fy = static_cast<int>(v.y % kPatternSide);
  const std::int64_t top_left = ty * kPitchColumns + tx;
  if (cache.stale || cache.pitch_index != v.pitch_index || cache.top_left != top_left ||
      cache.edit_mode != v.edit_mode || cache.show_numbers != v.show_numbers) {
    rebuild_tiles(cache, v, tx, ty);
    cache.pitch_index = v.pitch_index;
    cache.top_left = top_left;
    cache.edit_mode = v.edit_mode;
    cache.show_numbers = v.show_numbers;
    cache.stale = false;
    ++cache.builds;
  }
  const std::uint8_t* src = cache.tiles.data() + fy * kTileBufferWidth + fx;
  for (int y = 0; y < kScreenHeight; ++y)
    std::memcpy(target + static_cast<std::ptrdiff_t>(y) * stride, src + y * kTileBufferWidth,
                kScreenWidth);
  if (v.edit_mode && v.cursor_x >= 0 && v.cursor_y >= 0 && v.cursor_x + 17 < kTileBufferWidth &&
      v.cursor_y + 17 < kTileBufferHeight)
    draw_cursor_box({target, stride, kScreenWidth, kScreenHeight}, v.cursor_x - fx, v.cursor_y - fy,
                    static_cast<std::uint8_t>(kCursorColour + (v.blink & 7)));
}

void draw_pitch(std::uint8_t* target, std::uint32_t x, std::uint32_t y, int stride, int pitch_index,
                bool edit_mode, bool show_numbers) {
  const PitchModeState& mode = pitch_mode_state();
  PitchView v;
  v.pitch = pitch_at(pitch_index);
  v.pitch_index = pitch_index;
  v.x = x;
  v.y = y;
  v.edit_mode = edit_mode;
  v.show_numbers = show_numbers;
  v.cursor_x = mode.cursor_x;
  v.cursor_y = mode.cursor_y;
  v.blink = mode.blink;
  v.font = sprite_table();
  draw_pitch_view(pitch_view_cache(), v, target, stride);
}

}  // namespace tavu
