// A small indexed-colour drawing surface for the demo data: sprites use
// values 0-15 (0 transparent), patterns and pictures 0-255. Drawing outside
// the surface is ignored. Integer arithmetic only, so output is identical on
// every machine.
#pragma once

#include <cstdint>
#include <vector>

namespace tavu::demo {

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, std::uint8_t fill = 0)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  std::uint8_t at(int x, int y) const {
    return inside(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : 0;
  }
  void set(int x, int y, std::uint8_t v) {
    if (inside(x, y)) pixels_[static_cast<std::size_t>(y) * width_ + x] = v;
  }

  void fill_rect(int x, int y, int w, int h, std::uint8_t v);
  void frame_rect(int x, int y, int w, int h, std::uint8_t v);
  void line(int x0, int y0, int x1, int y1, std::uint8_t v);
  // Pixels whose centre lies within radius r of (cx, cy); coordinates in
  // half pixels let shapes centre between pixels.
  void disc2(int cx2, int cy2, int r2, std::uint8_t v);
  void ring2(int cx2, int cy2, int r2_outer, int r2_inner, std::uint8_t v);
  // Copies `src` with its zero pixels transparent, optionally mirrored.
  void blit(const Canvas& src, int x, int y, bool mirror = false);
  // Puts `v` on every transparent pixel next to a non-transparent one.
  void outline(std::uint8_t v, bool diagonals = false);
  // Replaces every pixel of value `from` by `to`.
  void replace(std::uint8_t from, std::uint8_t to);
  Canvas mirrored() const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

// Deterministic xorshift32; the same seed gives the same sequence everywhere.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<std::uint32_t>(n)) : 0; }

 private:
  std::uint32_t state_;
};

// A hash of grid coordinates for position-dependent texture.
inline std::uint32_t hash2(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

int isqrt(int n);

}  // namespace tavu::demo
