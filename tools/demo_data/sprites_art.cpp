// Character set, score display and bench sprites: glyphs, digits, icons,
// balls, flags, banners and the Game palette pieces (goals, boards, cups).
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "demo_data/art.h"

namespace tavu::demo {

namespace {

SpriteArt art(Canvas image, int cx, int cy, std::uint8_t kind) {
  SpriteArt a;
  a.image = std::move(image);
  a.centre_x = cx;
  a.centre_y = cy;
  a.kind = kind;
  return a;
}

Canvas scale2(const Canvas& c) {
  Canvas out(c.width() * 2, c.height() * 2);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.set(x, y, c.at(x / 2, y / 2));
  return out;
}

// Text with a coloured body, a lighter top half and a black outline.
Canvas banner(std::string_view text, bool big, bool doubled, std::uint8_t top, std::uint8_t bottom,
              std::uint8_t edge) {
  Canvas mask = text_mask(text, big);
  if (doubled) mask = scale2(mask);
  Canvas out(mask.width() + 2, mask.height() + 2);
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x)
      if (mask.at(x, y)) out.set(x + 1, y + 1, y < mask.height() / 2 ? top : bottom);
  out.outline(edge, true);
  return out;
}

// A football: white with black patches, `turn` 0-3 rotating the patches.
Canvas ball(int diameter, int turn) {
  Canvas c(diameter, diameter);
  c.disc2(diameter, diameter, diameter, kWhite);
  const int r = diameter / 2;
  static constexpr int kSpots[4][2] = {{-1, -1}, {1, 0}, {0, 1}, {-1, 1}};
  for (int i = 0; i < 3; ++i) {
    const int* s = kSpots[(i + turn) % 4];
    const int x = r + s[0] * std::max(1, r / 2) - (diameter % 2 == 0 ? 1 : 0);
    const int y = r + s[1] * std::max(1, r / 2) - (diameter % 2 == 0 ? 1 : 0);
    c.set(x, y, kBlack);
    if (diameter >= 9) {
      c.set(x + 1, y, kBlack);
      c.set(x, y + 1, kBlack);
    }
  }
  // Shade the lower right so the ball looks round.
  for (int y = 0; y < diameter; ++y)
    for (int x = 0; x < diameter; ++x)
      if (c.at(x, y) == kWhite && (x + y) * 2 > 3 * (diameter - 1) - 1) c.set(x, y, kGrey);
  return c;
}

Canvas arrow(int direction, int size, std::uint8_t colour) {
  Canvas c(size, size);
  const int mid = size / 2;
  for (int i = 0; i < size; ++i) {
    const int half = std::min(i, mid);
    for (int j = mid - half; j <= mid + half && i <= mid; ++j) c.set(j, i, colour);
    if (i > mid) c.fill_rect(mid - size / 6, i, size / 3 + 1, 1, colour);
  }
  Canvas out(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int sx = x, sy = y;
      switch (direction) {
        case 1:
          sy = size - 1 - y;
          break;  // down
        case 2:
          sx = y;
          sy = x;
          break;  // left
        case 3:
          sx = y;
          sy = size - 1 - x;
          break;  // right
        default:
          break;
      }
      out.set(x, y, c.at(sx, sy));
    }
  return out;
}

Canvas star(int size, std::uint8_t colour, std::uint8_t centre) {
  Canvas c(size, size);
  const int m2 = size - 1;  // centre in half pixels doubled
  c.disc2(size, size, size / 3, centre);
  for (int i = 0; i < size; ++i) {
    c.set(i, size / 2, colour);
    c.set(size / 2, i, colour);
    if (i > size / 5 && i < size - 1 - size / 5) {
      c.set(i, i, colour);
      c.set(m2 - i, i, colour);
    }
  }
  return c;
}

Canvas flag(int w, int h, std::array<std::uint8_t, 3> colours, bool vertical) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      c.set(x, y, colours[static_cast<std::size_t>(vertical ? x * 3 / w : y * 3 / h)]);
  c.frame_rect(0, 0, w, h, kBlack);
  return c;
}

Canvas shirt_icon(std::uint8_t body, std::uint8_t trim) {
  static constexpr std::array<const char*, 11> kRows = {
      "..##...##..", ".###...###.", "####.#.####", "###########", ".#########.", "..#######..",
      "..#######..", "..#######..", "..#######..", "..#######..", "..#######.."};
  Canvas c(11, 11);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x)
      if (kRows[static_cast<std::size_t>(y)][x] == '#')
        c.set(x, y, (x < 2 || x > 8 || y == 0) ? trim : body);
  Canvas out(13, 13);
  out.blit(c, 1, 1);
  out.outline(kBlack);
  return out;
}

Canvas trophy(int scale, std::array<std::uint8_t, 3> ramp) {
  // Cup, stem and base; ramp = dark, mid, light.
  const int w = 8 * scale + 2, h = 11 * scale;
  Canvas c(w, h);
  const int cx2 = w;  // doubled centre x
  for (int y = 0; y < 5 * scale; ++y) {
    const int half = 4 * scale - y * scale / (5 * scale) - (y * y) / (8 * scale);
    for (int x = 0; x < w; ++x) {
      const int d = std::abs(2 * x + 1 - cx2);
      if (d <= 2 * half) c.set(x, y, d < half ? ramp[2] : ramp[1]);
    }
  }
  c.ring2(3, 2 * scale * 2, scale * 2 + 1, scale, ramp[0]);
  c.ring2(2 * w - 3, 2 * scale * 2, scale * 2 + 1, scale, ramp[0]);
  c.fill_rect(w / 2 - scale / 2 - 1, 5 * scale, scale + 2, 3 * scale, ramp[1]);
  c.fill_rect(w / 2 - 3 * scale, 8 * scale, 6 * scale, 3 * scale, ramp[0]);
  c.fill_rect(w / 2 - 3 * scale + 1, 8 * scale + 1, 6 * scale - 2, 1, ramp[1]);
  return c;
}

// A sphere lit from the upper left, shaded along `ramp` (dark to light).
Canvas shaded_sphere(int radius, std::span<const std::uint8_t> ramp) {
  const int d = 2 * radius;
  Canvas c(d, d);
  const int n = static_cast<int>(ramp.size());
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < d; ++x) {
      const int dx = 2 * x + 1 - d, dy = 2 * y + 1 - d;  // doubled offsets
      const int r2 = d * d - dx * dx - dy * dy;
      if (r2 < 0) continue;
      const int dz = isqrt(r2);
      // Light from (-1, -1, 1.4); brightness from -d*1.4 .. d*2.4.
      const int light = (-dx - dy) * 10 + dz * 14;
      const int lo = -d * 10, hi = d * 24;
      int k = (light - lo) * n / (hi - lo + 1);
      c.set(x, y, ramp[static_cast<std::size_t>(std::clamp(k, 0, n - 1))]);
    }
  return c;
}

// Varied small pictures for the spare sprite numbers.
SpriteArt icon(int k) {
  static constexpr std::array<std::uint8_t, 12> kColours = {10, 11, 15, 14, 6, 13,
                                                            12, 5,  2,  4,  9, 1};
  const std::uint8_t colour = kColours[static_cast<std::size_t>(k) % kColours.size()];
  switch (k % 8) {
    case 0: {
      const int size = 5 + (k / 8) % 5 * 2;
      return art(arrow((k / 8) % 4, size, colour), size / 2, size / 2, kKindIcon);
    }
    case 1: {
      const int dia = 4 + (k / 8) % 9;
      return art(ball(dia, k % 4), dia / 2, dia - 1, kKindBall);
    }
    case 2: {
      const int size = 7 + (k / 8) % 4 * 2;
      return art(star(size, colour, kWhite), size / 2, size / 2, kKindIcon);
    }
    case 3: {
      const int w = 9 + (k / 8) % 7 * 3, h = 6 + (k / 8) % 3 * 2;
      const std::array<std::array<std::uint8_t, 3>, 4> kFlags = {
          {{10, 2, 10}, {11, 15, 11}, {14, 2, 10}, {3, 10, 15}}};
      return art(flag(w, h, kFlags[static_cast<std::size_t>(k / 8) % 4], (k / 8) % 2 == 0), 0,
                 h - 1, kKindIcon);
    }
    case 4: {
      const std::uint8_t trim = kColours[static_cast<std::size_t>(k + 3) % kColours.size()];
      return art(shirt_icon(colour, trim), 6, 12, kKindIcon);
    }
    case 5: {
      const int scale = 1 + (k / 8) % 3;
      Canvas t = trophy(scale, {6, 15, 2});
      return art(t, t.width() / 2, t.height() - 1, kKindIcon);
    }
    case 6: {
      static constexpr std::array<std::uint8_t, 5> kRamp = {3, 9, 7, 1, 2};
      const int r = 3 + (k / 8) % 6;
      return art(shaded_sphere(r, kRamp), r, 2 * r - 1, kKindIcon);
    }
    default: {
      const int w = 6 + (k / 8) % 6 * 5, h = 5 + (k / 8) % 4 * 3;
      Canvas c(w, h, colour);
      c.frame_rect(0, 0, w, h, kBlack);
      c.line(1, 1, w - 2, h - 2, kWhite);
      c.line(w - 2, 1, 1, h - 2, kWhite);
      return art(c, w - 1, 0, kKindIcon);
    }
  }
}

void put_glyphs(std::span<SpriteArt, 227> out, int offset, bool big) {
  static constexpr std::string_view kChars = "'(),./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\f*-?:+%;";
  static constexpr std::array<int, 51> kSmallSprite = {
      1,  2,  3,  4,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
      19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35,
      36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 47, 48, 49, 50, 51, 52};
  for (std::size_t i = 0; i < kChars.size(); ++i) {
    Canvas g = glyph_image(kChars[i], big);
    const int h = g.height();
    out[static_cast<std::size_t>(kSmallSprite[i] + offset)] =
        art(std::move(g), 0, h - 2, kKindGlyph);
  }
  // Spare numbers between the mapped characters.
  Canvas bang = glyph_image('!', big);
  out[static_cast<std::size_t>(46 + offset)] = art(bang, 0, bang.height() - 2, kKindGlyph);
}

}  // namespace

void draw_charset(std::span<SpriteArt, 227> out) {
  // 0: the TAVU badge sprite mode opens on.
  {
    const Canvas word = banner("TAVU", true, false, 15, 6, kBlack);
    Canvas badge(word.width() + 8, word.height() + 6, 11);
    badge.frame_rect(0, 0, badge.width(), badge.height(), kWhite);
    badge.frame_rect(1, 1, badge.width() - 2, badge.height() - 2, 13);
    badge.blit(word, 4, 3);
    out[0] = art(badge, badge.width() / 2, badge.height() - 1, kKindIcon);
  }
  put_glyphs(out, 0, false);
  put_glyphs(out, 57, true);
  Canvas dot(1, 1, kWhite);
  out[5] = art(dot, 0, 0, kKindIcon);
  out[62] = art(glyph_image('=', true), 0, 6, kKindGlyph);
  out[53] = art(glyph_image('=', false), 0, 4, kKindGlyph);
  for (int i = 0; i < 4; ++i)
    out[static_cast<std::size_t>(54 + i)] = art(arrow(i, 5, kWhite), 2, 2, kKindIcon);
  for (int i = 110; i < 162; ++i) out[static_cast<std::size_t>(i)] = icon(i - 110);
  for (int d = 1; d <= 9; ++d)
    out[static_cast<std::size_t>(161 + d)] = art(pattern_digit_image(d), 0, 0, kKindDigit);
  for (int i = 171; i < 227; ++i) out[static_cast<std::size_t>(i)] = icon(i - 171 + 52);
  // A big panel: the largest charset sprite.
  {
    Canvas panel(64, 48, 11);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        if ((x + y) % 8 < 2) panel.set(x, y, 13);
    panel.frame_rect(0, 0, 64, 48, kWhite);
    panel.frame_rect(1, 1, 62, 46, kBlack);
    const Canvas title = banner("TAVU", true, true, 15, 6, kBlack);
    panel.blit(title, (64 - title.width()) / 2, 6);
    const Canvas sub = banner("EDITOR", false, false, kWhite, kGrey, kBlack);
    panel.blit(sub, (64 - sub.width()) / 2, 32);
    out[226] = art(panel, 8, 40, kKindIcon);
  }
}

void draw_score(std::span<SpriteArt, 114> out) {
  static constexpr std::string_view kDigits = "0123456789";
  for (int d = 0; d < 10; ++d) {
    const std::string_view ch = kDigits.substr(static_cast<std::size_t>(d), 1);
    out[static_cast<std::size_t>(d)] = art(banner(ch, true, true, 15, 6, kBlack), 0, 0, kKindScore);
    out[static_cast<std::size_t>(12 + d)] =
        art(banner(ch, true, false, kWhite, kGrey, kBlack), 0, 0, kKindScore);
    out[static_cast<std::size_t>(22 + d)] =
        art(banner(ch, false, false, 15, 15, kBlack), 0, 0, kKindScore);
  }
  out[10] = art(banner(":", true, true, 15, 6, kBlack), 0, 0, kKindScore);
  out[11] = art(banner("-", true, true, 15, 6, kBlack), 0, 0, kKindScore);
  // Scoreboard panels of several widths.
  static constexpr std::array<std::array<int, 2>, 4> kPanels = {
      {{80, 18}, {64, 16}, {48, 12}, {33, 11}}};
  for (std::size_t i = 0; i < kPanels.size(); ++i) {
    const int w = kPanels[i][0], h = kPanels[i][1];
    Canvas p(w, h, kBlack);
    p.frame_rect(0, 0, w, h, kGrey);
    p.fill_rect(2, 2, w - 4, h / 2 - 2, 9);
    p.fill_rect(w / 2, 2, 1, h - 4, kGrey);
    out[32 + i] = art(p, w / 2, h / 2, kKindScore);
  }
  static constexpr std::array<std::uint8_t, 10> kShirts = {10, 11, 15, 14, 2, 12, 13, 6, 3, 5};
  for (std::size_t i = 0; i < kShirts.size(); ++i)
    out[36 + i] = art(shirt_icon(kShirts[i], kShirts[(i + 4) % kShirts.size()]), 6, 12, kKindScore);
  static constexpr std::array<std::string_view, 8> kBanners = {
      "GOAL!", "HALF TIME", "FULL TIME", "EXTRA TIME", "PENALTY", "OFFSIDE", "CORNER", "FREE KICK"};
  for (std::size_t i = 0; i < kBanners.size(); ++i) {
    Canvas b = banner(kBanners[i], true, i < 3, i % 2 ? kWhite : 15, i % 2 ? kGrey : 6, kBlack);
    const int w = b.width();
    out[46 + i] = art(std::move(b), w / 2, 0, kKindScore);
  }
  for (std::size_t i = 54; i < out.size(); ++i) out[i] = icon(static_cast<int>(i) * 3 + 1);
}

void draw_bench(std::span<SpriteArt, 155> out) {
  for (int t = 0; t < kBallFrames; ++t)
    out[static_cast<std::size_t>(t)] = art(ball(6, t), 3, 5, kKindBall);
  {
    Canvas shadow(6, 3);
    shadow.fill_rect(1, 0, 4, 3, kShadow);
    shadow.fill_rect(0, 1, 6, 1, kShadow);
    out[4] = art(shadow, 3, 1, kKindBall);
  }
  for (int i = 0; i < 4; ++i) {
    const int dia = 7 + i * 2;
    out[static_cast<std::size_t>(5 + i)] = art(ball(dia, i), dia / 2, dia - 1, kKindBall);
  }
  // Corner flags waving, red and yellow.
  for (int colour = 0; colour < 2; ++colour)
    for (int f = 0; f < 4; ++f) {
      Canvas c(9, 16);
      c.fill_rect(0, 0, 1, 16, kWhite);
      for (int x = 1; x < 8; ++x) {
        const int wave = (x + f) % 4 < 2 ? 0 : 1;
        c.fill_rect(x, 1 + wave, 1, 4, colour == 0 ? 10 : 15);
      }
      c.set(1, 15, kShadow);
      c.set(2, 15, kShadow);
      out[static_cast<std::size_t>(9 + colour * 4 + f)] = art(c, 0, 15, kKindBench);
    }
  // Team benches.
  for (int i = 0; i < 2; ++i) {
    const int w = 48 - i * 8, h = 20 - i * 2;
    Canvas c(w, h);
    c.fill_rect(0, 0, w, 4, i == 0 ? 11 : 10);
    c.fill_rect(0, 4, w, 1, kBlack);
    c.fill_rect(0, 4, 2, h - 4, kGrey);
    c.fill_rect(w - 2, 4, 2, h - 4, kGrey);
    for (int x = 3; x < w - 3; x += 5) c.fill_rect(x, h - 8, 4, 4, kBlack);
    c.fill_rect(2, h - 4, w - 4, 2, 9);
    out[static_cast<std::size_t>(17 + i)] = art(c, w / 2, h - 1, kKindBench);
  }
  for (int i = 19; i < 30; ++i) out[static_cast<std::size_t>(i)] = icon(i * 5 + 2);

  // 1209-1272: shown with the Game palette, values raised into 113-127:
  // greys 3 1 2 6 7 8 9 11 12 13 14 (dark to light), reds 4 15 5 10.
  static constexpr std::array<std::uint8_t, 11> kGreys = {3, 1, 2, 6, 7, 8, 9, 11, 12, 13, 14};
  static constexpr std::array<std::uint8_t, 4> kReds = {4, 15, 5, 10};
  std::span<SpriteArt> game = std::span<SpriteArt>(out).subspan(30, 64);
  static constexpr std::array<std::array<int, 2>, 4> kGoals = {
      {{64, 48}, {64, 40}, {56, 36}, {48, 30}}};
  for (std::size_t i = 0; i < kGoals.size(); ++i) {
    const int w = kGoals[i][0], h = kGoals[i][1];
    Canvas c(w, h);
    for (int y = 3; y < h - 3; ++y)
      for (int x = 3; x < w - 3; ++x)
        if ((x + y) % 5 == 0 || (x - y + 100) % 5 == 0) c.set(x, y, y < h / 2 ? 8 : 6);
    c.frame_rect(2, 2, w - 4, h - 4, 11);
    c.fill_rect(0, i % 2 ? h - 3 : 0, w, 3, 14);
    c.fill_rect(0, 0, 3, h, 14);
    c.fill_rect(w - 3, 0, 3, h, 14);
    c.fill_rect(w - 1, 0, 1, h, 9);
    game[i] = art(c, w / 2, i % 2 ? h - 1 : 0, kKindGamePalette);
  }
  for (int i = 0; i < 8; ++i)
    game[static_cast<std::size_t>(4 + i)] =
        art(shaded_sphere(3 + i, kGreys), 3 + i, 5 + 2 * i, kKindGamePalette);
  static constexpr std::array<std::string_view, 8> kBoards = {"TAVU", "GOAL", "KICK",  "BALL",
                                                              "CUP",  "PLAY", "SPORT", "FAIR"};
  for (std::size_t i = 0; i < kBoards.size(); ++i) {
    const Canvas word = text_mask(kBoards[i], true);
    const bool red_ground = i % 2 == 1;
    Canvas c(word.width() + 10, 11, red_ground ? 4 : 14);
    for (int y = 0; y < word.height(); ++y)
      for (int x = 0; x < word.width(); ++x)
        if (word.at(x, y)) c.set(x + 5, y + 2, red_ground ? 14 : 4);
    c.fill_rect(0, 10, c.width(), 1, 3);
    c.fill_rect(0, 0, c.width(), 1, red_ground ? 15 : 13);
    game[8 + i] = art(c, 0, 10, kKindGamePalette);
  }
  for (int i = 0; i < 4; ++i) {
    Canvas t = trophy(1 + i, {6, 11, 14});
    game[static_cast<std::size_t>(16 + i)] =
        art(t, t.width() / 2, t.height() - 1, kKindGamePalette);
  }
  for (int i = 0; i < 8; ++i) {
    Canvas c(12, 9);
    for (int x = 0; x < 12; ++x) {
      const int wave = (x / 2 + i) % 4 < 2 ? 0 : 1;
      for (int y = 0; y < 7; ++y) c.set(x, y + wave, (y / 2 + i) % 2 ? kReds[1] : 14);
    }
    game[static_cast<std::size_t>(20 + i)] = art(c, 0, 8, kKindGamePalette);
  }
  for (int i = 0; i < 4; ++i) {
    // Floodlight towers.
    const int h = 32 + i * 6;
    Canvas c(14, h);
    c.fill_rect(6, 8, 2, h - 8, 6);
    for (int y = 10; y < h; y += 4) c.line(4, y, 9, y + 3, 2);
    c.fill_rect(0, 0, 14, 8, 1);
    for (int y = 1; y < 7; y += 2)
      for (int x = 1; x < 13; x += 2) c.set(x, y, (x + y + i) % 3 ? 14 : 13);
    game[static_cast<std::size_t>(28 + i)] = art(c, 7, h - 1, kKindGamePalette);
  }
  for (std::size_t i = 32; i < game.size(); ++i) {
    // Grey and red ramps, handy for checking the raised colours.
    const std::size_t n = i % 2 ? kReds.size() : kGreys.size();
    const int w = static_cast<int>(n) * (2 + static_cast<int>(i) % 3),
              h = 4 + static_cast<int>(i) % 5;
    Canvas c(w, h);
    for (int x = 0; x < w; ++x)
      c.fill_rect(x, 0, 1, h,
                  i % 2 ? kReds[static_cast<std::size_t>(x) * n / static_cast<std::size_t>(w)]
                        : kGreys[static_cast<std::size_t>(x) * n / static_cast<std::size_t>(w)]);
    game[i] = art(c, 0, 0, kKindGamePalette);
  }

  draw_officials(std::span<SpriteArt>(out).subspan(94, 48));
  static constexpr std::array<std::uint8_t, 2> kCards = {15, 10};
  for (int i = 0; i < 2; ++i) {
    Canvas c(6, 8, kCards[static_cast<std::size_t>(i)]);
    c.frame_rect(0, 0, 6, 8, kBlack);
    out[static_cast<std::size_t>(142 + i)] = art(c, 3, 7, kKindBench);
  }
  for (std::size_t i = 144; i < out.size(); ++i) out[i] = icon(static_cast<int>(i) * 7);
}

}  // namespace tavu::demo
