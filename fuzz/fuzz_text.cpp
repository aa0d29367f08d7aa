// measure_text and draw_text on arbitrary bytes with the loaded font, every
// flag value, both fonts, both colour modes and positions from the input;
// draw_number on a value taken from the input.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

using namespace tavu;

bool fuzz::setup() {
  return fuzz::load_demo_sprites();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int x = static_cast<std::int8_t>(data[0]) * 3;
  const int y = static_cast<std::int8_t>(data[1]) * 2;
  const int colour = data[2] & 1 ? -1 : data[3];
  // Text ends at the first zero byte, as a C string does.
  const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
  std::vector<std::uint8_t> frame(320 * 200);
  for (int big = 0; big < 2; ++big) {
    (void)measure_text(text.c_str(), true, big);
    (void)measure_text(text.c_str(), false, big);
    for (std::uint32_t flags = 0; flags < 128; ++flags)
      draw_text(text.c_str(), x, y, frame.data(), 320, big, colour, flags);
    std::int32_t value = 0;
    for (std::size_t i = 0; i < 4 && 4 + i < size; ++i)
      value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 8 | data[4 + i]);
    draw_number(value, x, y, frame.data(), 320, big);
  }
  return 0;
}
