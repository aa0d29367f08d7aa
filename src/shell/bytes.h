// Little-endian field access for the fixed binary layouts of the game's files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavu {

inline std::uint16_t get_u16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::int16_t get_i16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int16_t>(get_u16(b, at));
}
inline std::uint32_t get_u32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::int32_t get_i32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(get_u32(b, at));
}
inline void put_u16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put_u32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace tavu
