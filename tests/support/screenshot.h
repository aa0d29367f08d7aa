// Screenshots written by a script's `shot` line: 320x200 8-bit bitmaps.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavu::test {

struct Screenshot {
  bool ok = false;
  std::vector<std::uint8_t> pixels;         // 320 x 200, top row first
  std::array<std::uint8_t, 768> palette{};  // red, green, blue per entry

  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * 320 + x]; }
};

Screenshot read_screenshot(const std::filesystem::path& path);

}  // namespace tavu::test
