#include "support/painted_images.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sprites/bmp.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;

namespace tavu::test {

Image decode_file(const fs::path& path) {
  Image im;
  const auto bytes = read_bytes(path);
  EXPECT_TRUE(decode_image(bytes, im).ok()) << path;
  return im;
}

Image reorder(const Image& in, const std::vector<int>& perm) {
  Image out = in;
  out.palette.assign(perm.size(), {0, 0, 0, 255});
  for (std::size_t i = 0; i < perm.size() && i < in.palette.size(); ++i)
    out.palette[static_cast<std::size_t>(perm[i])] = in.palette[i];
  for (auto& v : out.indices) v = static_cast<std::uint8_t>(perm[v]);
  return out;
}

Image reversed(const Image& in) {
  std::vector<int> perm(in.palette.size());
  for (std::size_t i = 0; i < perm.size(); ++i) perm[i] = static_cast<int>(perm.size() - 1 - i);
  return reorder(in, perm);
}

Image reduced(const Image& in) {
  std::vector<int> perm(in.palette.size(), -1);
  int next = 0;
  for (auto v : in.indices)
    if (perm[v] < 0) perm[v] = next++;
  for (auto& p : perm)
    if (p < 0) p = next++;
  Image out = reorder(in, perm);
  out.palette.resize(static_cast<std::size_t>(std::max(next, 1)));
  return out;
}

Image scaled(const Image& in) {
  Image out = in;
  for (auto& c : out.palette)
    for (int k = 0; k < 3; ++k) c[k] = static_cast<std::uint8_t>(c[k] * 255 / 252);
  return out;
}

Image true_colour(const Image& in) {
  Image out;
  out.width = in.width;
  out.height = in.height;
  for (auto v : in.indices) {
    const auto c = in.palette[v];
    out.rgba.insert(out.rgba.end(), {c[0], c[1], c[2], c[3]});
  }
  return out;
}

std::vector<std::uint8_t> bmp8(const Image& im) {
  std::vector<std::uint8_t> rgb;
  for (const auto& c : im.palette) rgb.insert(rgb.end(), {c[0], c[1], c[2]});
  return make_bmp_file(rgb, static_cast<std::uint32_t>(im.palette.size()), im.width, im.height,
                       im.indices);
}

std::vector<std::uint8_t> bmp24(const Image& in) {
  const Image im = in.indexed ? true_colour(in) : in;
  const std::size_t stride = (static_cast<std::size_t>(im.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t size = 54 + stride * static_cast<std::size_t>(im.height);
  std::vector<std::uint8_t> f(size, 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k)
      f[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(im.width), 4);
  put(22, static_cast<std::uint32_t>(im.height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x) {
      const std::uint8_t* c = im.rgba.data() + 4 * (static_cast<std::size_t>(y) * im.width + x);
      std::uint8_t* d = f.data() + 54 + stride * static_cast<std::size_t>(im.height - 1 - y) +
                        3 * static_cast<std::size_t>(x);
      d[0] = c[2];
      d[1] = c[1];
      d[2] = c[0];
    }
  return f;
}

}  // namespace tavu::test
