// The size a PNG declares, from its first chunk alone, for refusing a
// picture over the limits before anything else of it is read.
#pragma once

#include <cstdint>
#include <span>

namespace tavu::png_detail {

// True when `file` starts with the signature and a whole IHDR whose CRC is
// right; then `width` and `height` are its sizes.
bool read_png_size(std::span<const std::uint8_t> file, std::uint32_t& width, std::uint32_t& height);

}  // namespace tavu::png_detail
