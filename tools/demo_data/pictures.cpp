// The full-screen pictures: a stadium, the title screen, the menu texture,
// a night scene dark enough that picture mode picks its own label colour,
// and a close-up of a ball. Palettes are built from ramps; every value is a
// multiple of four so the files' 6-bit palettes hold them exactly.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "demo_data/art.h"
#include "demo_data/demo_data.h"
#include "pictures/picture_format.h"

namespace tavu::demo {

namespace {

using Palette = std::array<std::uint8_t, kPicturePaletteBytes>;
constexpr int kW = kPictureWidth, kH = kPictureHeight;

struct Rgb {
  int r, g, b;
};

void set_colour(Palette& p, int index, Rgb c) {
  p[static_cast<std::size_t>(index) * 3] = static_cast<std::uint8_t>(std::clamp(c.r, 0, 252) & ~3);
  p[static_cast<std::size_t>(index) * 3 + 1] =
      static_cast<std::uint8_t>(std::clamp(c.g, 0, 252) & ~3);
  p[static_cast<std::size_t>(index) * 3 + 2] =
      static_cast<std::uint8_t>(std::clamp(c.b, 0, 252) & ~3);
}

// Entries first .. first + count - 1 blend from `a` to `b`.
void ramp(Palette& p, int first, int count, Rgb a, Rgb b) {
  for (int i = 0; i < count; ++i) {
    const int d = count > 1 ? count - 1 : 1;
    set_colour(p, first + i,
               {a.r + (b.r - a.r) * i / d, a.g + (b.g - a.g) * i / d, a.b + (b.b - a.b) * i / d});
  }
}

// Smooth value noise in 0..255 from a lattice of hashed values.
int noise(int x, int y, int cell, std::uint32_t seed) {
  const int gx = x / cell, gy = y / cell, fx = x % cell, fy = y % cell;
  const auto v = [&](int i, int j) {
    return static_cast<int>(
        hash2(static_cast<std::uint32_t>(gx + i), static_cast<std::uint32_t>(gy + j), seed) & 255);
  };
  const int top = v(0, 0) * (cell - fx) + v(1, 0) * fx;
  const int bottom = v(0, 1) * (cell - fx) + v(1, 1) * fx;
  return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

// Text from the font, each font pixel a `scale` square, in colour `v`, with
// an optional shadow colour offset by `scale` / 2 + 1.
void draw_text(Canvas& c, std::string_view text, bool big, int x, int y, int scale, std::uint8_t v,
               int shadow = -1) {
  const Canvas m = text_mask(text, big);
  for (int pass = shadow >= 0 ? 0 : 1; pass < 2; ++pass) {
    const int off = pass == 0 ? scale / 2 + 1 : 0;
    for (int j = 0; j < m.height() * scale; ++j)
      for (int i = 0; i < m.width() * scale; ++i)
        if (m.at(i / scale, j / scale))
          c.set(x + i + off, y + j + off, pass == 0 ? static_cast<std::uint8_t>(shadow) : v);
  }
}

int text_width(std::string_view text, bool big, int scale) {
  return text_mask(text, big).width() * scale;
}

NamedFile picture(std::string name, const Canvas& c, const Palette& p) {
  return {std::move(name), encode_picture(c.pixels(), p)};
}

// Sphere shading: brightness 0..n-1 for the pixel (x, y) of a sphere of
// radius r at (cx, cy), or -1 outside. Light from the upper left.
int sphere_light(int x, int y, int cx, int cy, int r, int n, int* nx, int* ny, int* nz) {
  const int dx = x - cx, dy = y - cy;
  const int z2 = r * r - dx * dx - dy * dy;
  if (z2 < 0) return -1;
  const int dz = isqrt(z2);
  *nx = dx * 1000 / r;
  *ny = dy * 1000 / r;
  *nz = dz * 1000 / r;
  const int light = (-*nx * 5 - *ny * 6 + *nz * 8) / 11;  // about -1000..1000
  return std::clamp((light + 400) * n / 1500, 0, n - 1);
}

NamedFile stadium() {
  Palette p{};
  ramp(p, 0, 32, {40, 80, 160}, {168, 208, 248});  // sky
  ramp(p, 32, 16, {24, 24, 32}, {120, 120, 136});  // stand concrete and roof
  ramp(p, 48, 16, {60, 96, 20}, {124, 176, 52});   // grass
  const std::array<Rgb, 16> crowd = {{{200, 40, 40},
                                      {240, 240, 240},
                                      {40, 60, 200},
                                      {240, 200, 40},
                                      {60, 160, 60},
                                      {160, 120, 80},
                                      {90, 60, 40},
                                      {220, 160, 120},
                                      {30, 30, 30},
                                      {120, 40, 140},
                                      {250, 120, 40},
                                      {100, 100, 100},
                                      {180, 180, 220},
                                      {240, 100, 140},
                                      {40, 140, 180},
                                      {200, 200, 120}}};
  for (int i = 0; i < 16; ++i) set_colour(p, 64 + i, crowd[static_cast<std::size_t>(i)]);
  ramp(p, 80, 8, {252, 252, 200}, {252, 252, 252});  // floodlight glow
  set_colour(p, 255, {252, 252, 252});
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      std::uint8_t v;
      if (y < 52) {
        v = static_cast<std::uint8_t>(31 - y * 31 / 52);
        // A few clouds.
        if (noise(x + 40, y * 3, 24, 7) > 170) v = static_cast<std::uint8_t>(std::min(31, v + 8));
      } else if (y < 58) {
        v = static_cast<std::uint8_t>(34 + (x % 12 == 0 ? 4 : 0));  // roof edge
      } else if (y < 108) {
        // Terraces: rows of spectators with gangways.
        const bool gangway = (x + 8) % 64 < 4;
        const bool step = (y - 58) % 5 == 4;
        if (gangway || step)
          v = static_cast<std::uint8_t>(40 + (y - 58) / 10);
        else
          v = static_cast<std::uint8_t>(
              64 +
              hash2(static_cast<std::uint32_t>(x / 2), static_cast<std::uint32_t>(y / 2), 3) % 16);
      } else if (y < 112) {
        v = static_cast<std::uint8_t>(x / 24 % 2 ? 65 : 64);  // advertising boards, red and white
      } else {
        // Pitch in perspective: stripes get deeper towards the viewer.
        const int depth = y - 112;
        const int stripe = (depth * depth / 60 + depth * 2) / 22 % 2;
        v = static_cast<std::uint8_t>(
            48 + (stripe ? 6 : 10) + depth / 30 +
            (hash2(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 5) % 7 == 0 ? 2
                                                                                             : 0));
      }
      c.set(x, y, v);
    }
  // Touch line, halfway line and centre circle in perspective.
  for (int y = 116; y < kH; ++y) {
    const int spread = (y - 116) * 3 / 2;
    c.fill_rect(20 - spread, y, 2, 1, 255);
    c.fill_rect(299 + spread, y, 2, 1, 255);
  }
  c.fill_rect(20, 115, 281, 1, 255);
  c.fill_rect(159, 115, 2, 85, 255);
  for (int y = 112; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int dx = x - 160, dy = (y - 160) * 3;
      const int d = dx * dx + dy * dy;
      if (d >= 72 * 72 && d < 76 * 76) c.set(x, y, 255);
    }
  // Floodlight towers.
  for (int tower : {24, 296}) {
    c.fill_rect(tower - 1, 8, 3, 50, 33);
    c.fill_rect(tower - 10, 2, 21, 9, 35);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 2; ++j)
        c.fill_rect(tower - 9 + i * 5, 3 + j * 4, 4, 3,
                    static_cast<std::uint8_t>(80 + (i + j) % 8));
  }
  draw_text(c, "TAVU STADIUM", true, (kW - text_width("TAVU STADIUM", true, 1)) / 2, 60 - 9, 1,
            255);
  return picture("stad.256", c, p);
}

// The title screen carries the default palette, because the replay browser
// shows its pixels with that palette; picture mode then shows it the same.
NamedFile title() {
  Palette p{};
  static constexpr std::array<std::uint32_t, 16> kDefault16 = {
      0x000024, 0xB4B4B4, 0xFCFCFC, 0x000000, 0x6C2400, 0xB44800, 0xFC6C00, 0x6C6C6C,
      0x242424, 0x484848, 0xFC0000, 0x0000FC, 0x6C0024, 0x9090FC, 0x249000, 0xFCFC00};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t v = kDefault16[static_cast<std::size_t>(i)];
    set_colour(
        p, i,
        {static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)});
  }
  // The default palette's ramps, as far as the picture uses them.
  ramp(p, 16, 16, {144, 120, 84}, {252, 252, 252});
  ramp(p, 32, 32, {0, 0, 0}, {0, 0, 252});
  ramp(p, 64, 32, {108, 36, 0}, {252, 180, 0});
  ramp(p, 96, 32, {36, 36, 36}, {244, 180, 180});
  ramp(p, 128, 32, {252, 0, 0}, {252, 116, 116});
  ramp(p, 192, 32, {0, 0, 252}, {80, 216, 216});
  ramp(p, 224, 32, {16, 32, 0}, {252, 252, 0});
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int glow = noise(x, y, 40, 17) / 32;
      c.set(x, y, static_cast<std::uint8_t>(32 + std::min(31, y * 20 / kH + glow)));
    }
  // Pitch lines in the background.
  for (int y = 120; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int dx = x - 160, dy = (y - 200) * 2;
      const int d = dx * dx + dy * dy;
      if ((d >= 120 * 120 && d < 123 * 123) || y == 199 || y == 198) c.set(x, y, 60);
    }
  // TAVU in big letters: orange ramp, black outline, shadow.
  const Canvas word = text_mask("TAVU", true);
  const int scale = 9, top = 22;
  const int left = (kW - word.width() * scale) / 2;
  Canvas letters(kW, kH);
  for (int j = 0; j < word.height() * scale; ++j)
    for (int i = 0; i < word.width() * scale; ++i)
      if (word.at(i / scale, j / scale)) letters.set(left + i, top + j, 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (letters.at(x - 5, y - 5) && !letters.at(x, y)) c.set(x, y, 33);  // shadow
    }
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (!letters.at(x, y)) continue;
      const bool edge = !letters.at(x - 2, y) || !letters.at(x + 2, y) || !letters.at(x, y - 2) ||
                        !letters.at(x, y + 2);
      const int shade = 95 - (y - top) * 28 / (word.height() * scale);
      c.set(x, y, edge ? (letters.at(x, y - 2) ? 64 : 15) : static_cast<std::uint8_t>(shade));
    }
  const std::string_view sub = "PICTURE EDITOR";
  draw_text(c, sub, true, (kW - text_width(sub, true, 2)) / 2, top + word.height() * scale + 12, 2,
            2, 3);
  const std::string_view demo = "DEMO GAME DATA";
  draw_text(c, demo, false, (kW - text_width(demo, false, 1)) / 2, 188, 1, 1);
  // A ball by the lettering.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int nx, ny, nz;
      const int l = sphere_light(x, y, 274, 150, 22, 16, &nx, &ny, &nz);
      if (l < 0) continue;
      const bool patch = (std::abs(nx - 300) + std::abs(ny + 200) < 380) ||
                         (std::abs(nx + 500) + std::abs(ny - 300) < 300) ||
                         (std::abs(nx - 600) + std::abs(ny - 650) < 300);
      c.set(x, y, static_cast<std::uint8_t>(patch ? 96 + l / 2 : 16 + l));
    }
  return picture("kltitle.256", c, p);
}

// Texture of the replay browser's boxes: values 0-31 only, so that adding
// 64-224 stays inside one ramp of the default palette.
NamedFile fill() {
  Palette p{};
  ramp(p, 0, 32, {0, 0, 0}, {252, 252, 252});
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int n = noise(x, y, 32, 91) * 2 + noise(x, y, 8, 92) + noise(x * 3, y, 4, 93) / 2;
      // Soft marble veins, kept in 6-22 so white text stays readable on it.
      const int vein = std::abs(((x + y * 2 + n / 4) % 48) - 24) < 2 ? 4 : 0;
      c.set(x, y, static_cast<std::uint8_t>(std::clamp(6 + n * 14 / 896 + vein, 0, 31)));
    }
  return picture("fill.256", c, p);
}

// Brightest colour 208,208,208 (sqrt(3) * 208 < 381), so picture mode gives
// the label a colour of its own.
NamedFile night() {
  Palette p{};
  ramp(p, 0, 32, {0, 0, 8}, {20, 28, 72});           // sky
  ramp(p, 32, 16, {0, 0, 0}, {28, 28, 36});          // stands
  ramp(p, 48, 16, {8, 28, 4}, {40, 92, 20});         // lit grass
  ramp(p, 64, 8, {120, 120, 100}, {208, 208, 208});  // stars and lights
  ramp(p, 72, 8, {120, 112, 64}, {204, 196, 144});   // moon
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      std::uint8_t v = static_cast<std::uint8_t>(y < 120 ? 31 - y * 31 / 120 : 0);
      if (y < 120 &&
          hash2(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 77) % 211 == 0)
        v = static_cast<std::uint8_t>(
            64 + hash2(static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(x), 78) % 8);
      c.set(x, y, v);
    }
  for (int y = 10; y < 60; ++y)  // crescent moon: one disc minus another
    for (int x = 226; x < 276; ++x) {
      const int a = (x - 250) * (x - 250) + (y - 34) * (y - 34);
      const int b = (x - 257) * (x - 257) + (y - 30) * (y - 30);
      if (a < 16 * 16 && b >= 14 * 14)
        c.set(x, y, static_cast<std::uint8_t>(a < 12 * 12 ? 79 : 76));
    }
  // Stadium silhouette with light falling on the pitch.
  for (int x = 0; x < kW; ++x) {
    const int roof = 96 + (std::abs(x - 160) * std::abs(x - 160)) / 800;
    for (int y = roof; y < 140; ++y) c.set(x, y, static_cast<std::uint8_t>(32 + (y - roof) / 6));
  }
  for (int y = 140; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int dist = std::abs(x - 160) / 8 + (kH - y) / 10;
      c.set(x, y,
            static_cast<std::uint8_t>(48 + std::clamp(15 - dist, 0, 15) - ((y - 140) / 12 % 2)));
    }
  for (int tower : {40, 280}) {
    c.fill_rect(tower - 1, 40, 3, 60, 33);
    for (int i = 0; i < 5; ++i) c.fill_rect(tower - 10 + i * 4, 34, 3, 4, 71);
    for (int r = 0; r < 3; ++r)
      c.ring2(2 * tower + 1, 2 * 36, 18 + r * 6, 16 + r * 6, static_cast<std::uint8_t>(66 - r));
  }
  return picture("night.256", c, p);
}

NamedFile ball_closeup() {
  Palette p{};
  ramp(p, 0, 32, {40, 48, 56}, {252, 252, 252});  // white leather, shaded
  ramp(p, 32, 32, {4, 4, 8}, {96, 96, 108});      // black patches
  ramp(p, 64, 32, {20, 60, 8}, {112, 172, 48});   // grass
  ramp(p, 96, 8, {8, 20, 4}, {24, 44, 12});       // shadow
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int stripe = (x / 40) % 2 ? 4 : 0;
      c.set(x, y,
            static_cast<std::uint8_t>(
                64 + std::clamp(y * 20 / kH + stripe + noise(x, y, 6, 55) / 32, 0, 31)));
    }
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int dx = x - 186, dy = (y - 170) * 4;
      if (dx * dx + dy * dy < 88 * 88)
        c.set(x, y, static_cast<std::uint8_t>(96 + std::min(7, (dx * dx + dy * dy) / 1000)));
    }
  // Patches where the surface normal is close to one of twelve directions.
  static constexpr std::array<std::array<int, 3>, 12> kPatches = {{{0, 526, 851},
                                                                   {0, -526, 851},
                                                                   {526, 851, 0},
                                                                   {-526, 851, 0},
                                                                   {851, 0, 526},
                                                                   {-851, 0, 526},
                                                                   {0, 526, -851},
                                                                   {0, -526, -851},
                                                                   {526, -851, 0},
                                                                   {-526, -851, 0},
                                                                   {851, 0, -526},
                                                                   {-851, 0, -526}}};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int nx, ny, nz;
      const int l = sphere_light(x, y, 160, 96, 78, 32, &nx, &ny, &nz);
      if (l < 0) continue;
      // Turn the ball a little so the patches sit off-centre.
      const int rx = (nx * 940 + nz * 342) / 1000, rz = (-nx * 342 + nz * 940) / 1000;
      const int ry = (ny * 906 + rz * 423) / 1000, rz2 = (-ny * 423 + rz * 906) / 1000;
      bool patch = false, seam = false;
      for (const auto& d : kPatches) {
        const int dot = (rx * d[0] + ry * d[1] + rz2 * d[2]) / 1000;
        if (dot > 900)
          patch = true;
        else if (dot > 880)
          seam = true;
      }
      c.set(x, y, static_cast<std::uint8_t>(patch ? 32 + l : seam ? l / 3 : l));
    }
  draw_text(c, "TAVU", true, 8, 8, 2, 31, 96);
  return picture("ball.256", c, p);
}

}  // namespace

void build_picture_files(std::vector<NamedFile>* files) {
  files->push_back(stadium());
  files->push_back(title());
  files->push_back(fill());
  files->push_back(night());
  files->push_back(ball_closeup());
}

}  // namespace tavu::demo
