#include "pictures/picture_format.h"

#include <algorithm>

namespace tavu {

std::vector<std::uint8_t> encode_picture(
    std::span<const std::uint8_t> pixels,
    std::span<const std::uint8_t, kPicturePaletteBytes> palette) {
  if (pixels.size() != kPicturePixelBytes) return {};
  std::vector<std::uint8_t> out(kPictureFileSize);
  std::copy(pixels.begin(), pixels.end(), out.begin());
  for (std::size_t i = 0; i < kPicturePaletteBytes; ++i)
    out[kPicturePixelBytes + i] = static_cast<std::uint8_t>(palette[i] >> 2);
  return out;
}

std::optional<PictureImage> decode_picture(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kPictureFileSize) return std::nullopt;
  PictureImage picture;
  picture.pixels.assign(bytes.begin(), bytes.begin() + kPicturePixelBytes);
  for (std::size_t i = 0; i < kPicturePaletteBytes; ++i)
    picture.palette[i] = static_cast<std::uint8_t>(bytes[kPicturePixelBytes + i] << 2);
  return picture;
}

}  // namespace tavu
