#include "demo_data/canvas.h"

#include <cstdlib>

namespace tavu::demo {

void Canvas::fill_rect(int x, int y, int w, int h, std::uint8_t v) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) set(i, j, v);
}

void Canvas::frame_rect(int x, int y, int w, int h, std::uint8_t v) {
  for (int i = x; i < x + w; ++i) {
    set(i, y, v);
    set(i, y + h - 1, v);
  }
  for (int j = y; j < y + h; ++j) {
    set(x, j, v);
    set(x + w - 1, j, v);
  }
}

void Canvas::line(int x0, int y0, int x1, int y1, std::uint8_t v) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    set(x0, y0, v);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Canvas::disc2(int cx2, int cy2, int r2, std::uint8_t v) {
  ring2(cx2, cy2, r2, -1, v);
}

void Canvas::ring2(int cx2, int cy2, int r2_outer, int r2_inner, std::uint8_t v) {
  const int lo_x = (cx2 - r2_outer) / 2 - 1, hi_x = (cx2 + r2_outer) / 2 + 1;
  const int lo_y = (cy2 - r2_outer) / 2 - 1, hi_y = (cy2 + r2_outer) / 2 + 1;
  const long outer = static_cast<long>(r2_outer) * r2_outer;
  const long inner = r2_inner < 0 ? -1 : static_cast<long>(r2_inner) * r2_inner;
  for (int y = lo_y; y <= hi_y; ++y)
    for (int x = lo_x; x <= hi_x; ++x) {
      const long dx = 2 * x + 1 - cx2, dy = 2 * y + 1 - cy2;
      const long d = dx * dx + dy * dy;
      if (d <= outer && d > inner) set(x, y, v);
    }
}

void Canvas::blit(const Canvas& src, int x, int y, bool mirror) {
  for (int j = 0; j < src.height(); ++j)
    for (int i = 0; i < src.width(); ++i) {
      const std::uint8_t v = src.at(mirror ? src.width() - 1 - i : i, j);
      if (v) set(x + i, y + j, v);
    }
}

void Canvas::outline(std::uint8_t v, bool diagonals) {
  const Canvas before = *this;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      if (before.at(x, y)) continue;
      bool near =
          before.at(x - 1, y) || before.at(x + 1, y) || before.at(x, y - 1) || before.at(x, y + 1);
      if (diagonals)
        near = near || before.at(x - 1, y - 1) || before.at(x + 1, y - 1) ||
               before.at(x - 1, y + 1) || before.at(x + 1, y + 1);
      if (near) set(x, y, v);
    }
}

void Canvas::replace(std::uint8_t from, std::uint8_t to) {
  for (auto& p : pixels_)
    if (p == from) p = to;
}

Canvas Canvas::mirrored() const {
  Canvas out(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) out.set(x, y, at(width_ - 1 - x, y));
  return out;
}

int isqrt(int n) {
  if (n <= 0) return 0;
  // Bitwise square root: exact, no floating point.
  unsigned rem = static_cast<unsigned>(n), root = 0, bit = 1u << 30;
  while (bit > rem) bit >>= 2;
  while (bit) {
    if (rem >= root + bit) {
      rem -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  return static_cast<int>(root);
}

}  // namespace tavu::demo
