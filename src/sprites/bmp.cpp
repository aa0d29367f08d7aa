#include "sprites/bmp.h"

#include <algorithm>

#include "shell/bytes.h"

namespace tavu {

void make_bmp_headers(std::span<std::uint8_t, kBmpFileHeaderSize> fh,
                      std::span<std::uint8_t, kBmpInfoHeaderSize> ih, std::uint32_t palette_entries,
                      std::int32_t width, std::int32_t height) {
  const std::uint32_t data_offset = 54 + 4 * palette_entries;
  const std::uint32_t image_size =
      bmp_row_stride(static_cast<std::uint32_t>(width)) * static_cast<std::uint32_t>(height);
  std::fill(fh.begin(), fh.end(), std::uint8_t{0});
  std::fill(ih.begin(), ih.end(), std::uint8_t{0});
  fh[0] = 'B';
  fh[1] = 'M';
  put_u32(fh, 2, data_offset + image_size);
  put_u32(fh, 10, data_offset);
  put_u32(ih, 0, 40);
  put_u32(ih, 4, static_cast<std::uint32_t>(width));
  put_u32(ih, 8, static_cast<std::uint32_t>(height));
  put_u16(ih, 12, 1);
  put_u16(ih, 14, 8);
  put_u32(ih, 20, image_size);
  put_u32(ih, 32, palette_entries);
  put_u32(ih, 36, palette_entries);
}

std::vector<std::uint8_t> make_bmp_file(std::span<const std::uint8_t> rgb,
                                        std::uint32_t palette_entries, std::int32_t width,
                                        std::int32_t height, std::span<const std::uint8_t> pixels,
                                        std::uint8_t padding) {
  const std::uint32_t stride = bmp_row_stride(static_cast<std::uint32_t>(width));
  const std::size_t data_offset = 54 + 4 * static_cast<std::size_t>(palette_entries);
  std::vector<std::uint8_t> out(data_offset + static_cast<std::size_t>(stride) * height);
  make_bmp_headers(std::span<std::uint8_t, kBmpFileHeaderSize>(out.data(), kBmpFileHeaderSize),
                   std::span<std::uint8_t, kBmpInfoHeaderSize>(out.data() + 14, kBmpInfoHeaderSize),
                   palette_entries, width, height);
  for (std::uint32_t i = 0; i < palette_entries && 3 * i + 2 < rgb.size(); ++i) {
    out[54 + 4 * i] = rgb[3 * i + 2];
    out[54 + 4 * i + 1] = rgb[3 * i + 1];
    out[54 + 4 * i + 2] = rgb[3 * i];
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(data_offset), out.end(), padding);
  for (std::int32_t r = 0; r < height; ++r) {
    const std::size_t src = static_cast<std::size_t>(r) * width;
    if (src + width > pixels.size()) break;
    std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(src), width,
                out.begin() + static_cast<std::ptrdiff_t>(
                                  data_offset + static_cast<std::size_t>(height - 1 - r) * stride));
  }
  return out;
}

std::span<const std::uint8_t> BmpView::row(std::int32_t r) const {
  if (!ok() || r < 0 || r >= info.height) return {};
  return file.subspan(info.data_offset + static_cast<std::size_t>(r) * info.stride,
                      static_cast<std::size_t>(info.width));
}

BmpView read_bmp(std::span<const std::uint8_t> file) {
  BmpView v;
  v.file = file;
  if (file.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize) return v;
  BmpInfo& i = v.info;
  i.data_offset = get_u32(file, 10);
  i.info_size = get_u32(file, 14);
  i.width = get_i32(file, 18);
  i.height = get_i32(file, 22);
  i.bits_per_pixel = get_u16(file, 28);
  i.compression = get_u32(file, 30);
  if (file[0] != 'B' || file[1] != 'M') {
    v.status = BmpStatus::not_bmp;
    return v;
  }
  // A smaller (OS/2) header puts its fields elsewhere.
  if (i.info_size < kBmpInfoHeaderSize || i.bits_per_pixel != 8 || i.compression != 0) {
    v.status = BmpStatus::unsupported;
    return v;
  }
  if (i.width <= 0 || i.height <= 0) {
    v.status = BmpStatus::bad_dimensions;
    return v;
  }
  i.stride = bmp_row_stride(static_cast<std::uint32_t>(i.width));
  const std::uint64_t end =
      static_cast<std::uint64_t>(i.data_offset) +
      static_cast<std::uint64_t>(i.stride) * static_cast<std::uint32_t>(i.height);
  if (end > file.size()) {
    v.status = BmpStatus::missing_pixels;
    return v;
  }
  v.status = BmpStatus::ok;
  return v;
}

ReadStatus read_bmp_file(std::string_view name, std::vector<std::uint8_t>& out,
                         std::int32_t max_width, std::int32_t max_height) {
  FileHandle f = open_for_read(name, kAccessRead | kAccessSequential | kShareRead);
  if (!f.valid()) return ReadStatus::cannot_open;
  constexpr std::size_t kHead = kBmpFileHeaderSize + kBmpInfoHeaderSize;
  constexpr std::size_t kMaxGap = 64 * 1024;
  out.assign(kHead, 0);
  out.resize(f.read(out));
  const BmpView v = read_bmp(out);
  // Headers the caller refuses, or a picture whose rows lie inside them.
  if (v.status != BmpStatus::missing_pixels || v.info.width > max_width ||
      v.info.height > max_height)
    return ReadStatus::ok;
  const std::size_t offset = v.info.data_offset;
  const std::size_t rows = v.info.stride * static_cast<std::size_t>(v.info.height);
  if (offset <= kHead + kMaxGap) {
    out.resize(std::max(kHead, offset + rows));
  } else {
    if (!f.seek(static_cast<std::int64_t>(offset))) return ReadStatus::read_error;
    out.resize(kHead + rows);
    put_u32(out, 10, static_cast<std::uint32_t>(kHead));
  }
  out.resize(kHead + f.read(std::span<std::uint8_t>(out).subspan(kHead)));
  return ReadStatus::ok;
}

}  // namespace tavu
