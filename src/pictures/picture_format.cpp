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

bool decode_picture_into(std::span<const std::uint8_t> bytes, PictureImage& out) {
  if (bytes.size() != kPictureFileSize) return false;
  if (out.pixels.size() == kPicturePixelBytes)
    std::copy_n(bytes.begin(), kPicturePixelBytes, out.pixels.begin());
  else
    out.pixels.assign(bytes.begin(), bytes.begin() + kPicturePixelBytes);
  for (std::size_t i = 0; i < kPicturePaletteBytes; ++i)
    out.palette[i] = static_cast<std::uint8_t>(bytes[kPicturePixelBytes + i] << 2);
  return true;
}

std::optional<PictureImage> decode_picture(std::span<const std::uint8_t> bytes) {
  PictureImage picture;
  if (!decode_picture_into(bytes, picture)) return std::nullopt;
  return picture;
}

}  // namespace tavu
