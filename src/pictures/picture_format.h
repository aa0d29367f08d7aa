// The .256 full-screen picture file: 320x200 palette indices, then a
// 256-entry palette of 6-bit red, green, blue values. No header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavu {

inline constexpr int kPictureWidth = 320;
inline constexpr int kPictureHeight = 200;
inline constexpr std::size_t kPicturePixelBytes = 64000;
inline constexpr std::size_t kPicturePaletteBytes = 768;
inline constexpr std::size_t kPictureFileSize = kPicturePixelBytes + kPicturePaletteBytes;

// In memory the palette holds 8-bit intensities (the stored value times four).
struct PictureImage {
  std::vector<std::uint8_t> pixels;  // 64000 bytes, rows top to bottom
  std::array<std::uint8_t, kPicturePaletteBytes> palette{};
};

// File bytes from pixels and an 8-bit palette; each palette value is stored
// as value / 4. Returns an empty vector when `pixels` is not 64000 bytes.
std::vector<std::uint8_t> encode_picture(
    std::span<const std::uint8_t> pixels,
    std::span<const std::uint8_t, kPicturePaletteBytes> palette);

// Any file of exactly 64768 bytes is a picture. Palette bytes are shifted
// left by two within the byte, as the game does, so stored values of 64 and
// more wrap.
std::optional<PictureImage> decode_picture(std::span<const std::uint8_t> bytes);
// The same into `out`, reusing its pixel buffer when it already holds 64000
// bytes; false, with `out` untouched, when `bytes` is not a picture.
bool decode_picture_into(std::span<const std::uint8_t> bytes, PictureImage& out);

}  // namespace tavu
