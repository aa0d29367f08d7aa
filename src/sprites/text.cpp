#include "sprites/text.h"

#include <algorithm>
#include <array>
#include <bit>

#include "shell/files.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"

namespace tavu {
namespace {

constexpr int kBigOffset = 57;

consteval std::array<std::uint8_t, 91> make_char_table() {
  std::array<std::uint8_t, 91> t{};
  for (auto& v : t) v = kGlyphNone;
  t[9] = kGlyphTab;
  t[10] = kGlyphLineFeed;
  t[11] = kGlyphVerticalTab;
  t[12] = 44;  // the prompt's entry cursor
  t[13] = kGlyphCarriageReturn;
  t[' '] = kGlyphSpace;
  t['%'] = 51;
  t['\''] = 1;
  t['('] = 2;
  t[')'] = 3;
  t['*'] = 45;
  t['+'] = 50;
  t[','] = 4;
  t['-'] = 47;
  t['.'] = 6;
  t['/'] = 7;
  for (int d = 0; d < 10; ++d) t['0' + d] = static_cast<std::uint8_t>(8 + d);
  t[':'] = 49;
  t[';'] = 52;
  t['?'] = 48;
  for (int l = 0; l < 26; ++l) t['A' + l] = static_cast<std::uint8_t>(18 + l);
  return t;
}
constexpr auto kCharTable = make_char_table();

const SpriteRecord* glyph(std::span<const SpriteRecord> font, int number) {
  return number >= 0 && static_cast<std::size_t>(number) < font.size() ? &font[number] : nullptr;
}

int floor_to_multiple(int value, int step) {
  int q = value / step;
  if (value % step != 0 && value < 0) --q;
  return q * step;
}

}  // namespace

int glyph_for_char(unsigned char c, int big) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= kCharTable.size()) return kGlyphNone;
  const int g = kCharTable[c];
  if (g >= kGlyphCarriageReturn) return g;
  return big ? g + kBigOffset : g;
}

// Each line's width counts from the indent that the carriage returns of the
// lines above it set, so the widest line is max(width_i + sum of indents
// before line i); walked iteratively so long texts cost no recursion.
TextSize measure_text(std::span<const SpriteRecord> font, const char* text, bool first_line_only,
                      int big) {
  const int base_height = big ? 8 : 6;
  const int gap = big ? 2 : 1;
  TextSize size;
  long long indent_sum = 0, widest = 0;
  bool first = true;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
  for (;;) {
    int width = 0, line_height = base_height, indent = 0;
    for (; *p && *p != '\n'; ++p) {
      const int g = glyph_for_char(*p, big);
      switch (g) {
        case kGlyphSpace:
          width += big ? 6 : 4;
          break;
        case kGlyphTab:
          width += big ? 64 : 32;
          break;
        case kGlyphVerticalTab:
          line_height += big ? 20 : 14;
          break;
        case kGlyphCarriageReturn:
          indent = width;
          break;
        case kGlyphNone:
        case kGlyphLineFeed:
          break;
        default:
          if (const SpriteRecord* s = glyph(font, g)) {
            width += s->width + 1;
            line_height = std::max<int>(line_height, s->height);
          }
      }
    }
    if (first) size.width = width;
    first = false;
    widest = std::max(widest, width + indent_sum);
    indent_sum += indent;
    size.height += line_height;
    if (*p != '\n') break;
    size.height += gap;
    ++p;
  }
  if (!first_line_only) size.width = static_cast<int>(std::min<long long>(widest, 1 << 30));
  return size;
}

void draw_text(std::span<const SpriteRecord> font, const char* text, int x, int y,
               std::uint8_t* target, int pitch, int big, int colour, std::uint32_t flags) {
  if (!text || !target) return;
  const std::uint32_t horizontal = flags & 7, vertical = flags & 0x38;
  if (std::popcount(horizontal) > 1 || std::popcount(vertical) > 1) return;
  const bool centring = (flags & kTextCentreLine) != 0;
  TextSize size = measure_text(font, text, centring, big);
  size.width = std::min(size.width, 320);
  size.height = std::min(size.height, 200);

  if (flags & kTextLeft) x = 0;
  if (flags & kTextRight) x = 320 - size.width;
  if (flags & kTextCentreLine) x = (320 - size.width) / 2;
  if (flags & kTextTop) y = 0;
  if (flags & kTextBottom) y = 200 - size.height;
  if (flags & kTextMiddle) y = (200 - size.height) / 2;
  const int line_start = x;

  if (flags & kTextBox) {
    const int x0 = std::max(x, 0), x1 = std::min(x + size.width, 320);
    const int y0 = std::max(y, 0), y1 = std::min(y + size.height, 200);
    for (int row = y0; row < y1 && x0 < x1; ++row)
      std::fill(target + row * pitch + x0, target + row * pitch + x1, std::uint8_t{3});
  }

  int line_height = size.height;
  int indent = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const int g = glyph_for_char(*p, big);
    switch (g) {
      case kGlyphSpace:
        x += big ? 6 : 4;
        break;
      case kGlyphTab: {
        const int step = big ? 64 : 32;
        x = floor_to_multiple(x + step, step);
        break;
      }
      case kGlyphVerticalTab:
        y += big ? 16 : 12;
        break;
      case kGlyphCarriageReturn:
        indent = x - line_start;
        break;
      case kGlyphLineFeed:
        y += line_height + (big ? 2 : 1);
        if (centring) {
          const TextSize rest = measure_text(font, reinterpret_cast<const char*>(p + 1), true, big);
          line_height = rest.height;
          x = (320 - std::min(rest.width, 320)) / 2;
        } else {
          x = line_start + indent;
        }
        indent = 0;
        break;
      case kGlyphNone:
        break;
      default:
        if (const SpriteRecord* s = glyph(font, g)) {
          draw_sprite(x, y, target, s, pitch, colour);
          x += s->width + 1;
          line_height = s->height;
        }
    }
  }
}

TextSize measure_text(const char* text, bool first_line_only, int big) {
  return measure_text(sprite_table(), text, first_line_only, big);
}

void draw_text(const char* text, int x, int y, std::uint8_t* target, int pitch, int big, int colour,
               std::uint32_t flags) {
  draw_text(sprite_table(), text, x, y, target, pitch, big, colour, flags);
}

void draw_number(std::int32_t value, int x, int y, std::uint8_t* target, int pitch, int big) {
  char buffer[16];
  format_decimal(value, buffer);
  draw_text(buffer, x, y, target, pitch, big, kNaturalColours, 0);
}

}  // namespace tavu
