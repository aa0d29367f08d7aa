// Pictures on disk: the signature tells BMP from PNG, and no more is read
// than the picture's headers say it can need.
#include <algorithm>
#include <array>

#include "imaging/bmp_layout.h"
#include "imaging/image.h"
#include "imaging/png_header.h"
#include "platform/file_ops.h"
#include "shell/bytes.h"
#include "shell/files.h"

namespace tavu {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A PNG may carry any amount of other chunks; past this it is not read.
constexpr std::size_t kPngReadCap = 64u << 20;
// Between the headers and the pixels a BMP may leave a gap; a short one is
// read as it is, a longer one skipped.
constexpr std::size_t kBmpGapKept = 64u << 10;

bool is_png(std::span<const std::uint8_t> b) {
  return b.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), b.begin());
}
bool is_bmp(std::span<const std::uint8_t> b) {
  return b.size() >= 2 && b[0] == 'B' && b[1] == 'M';
}

// Reads a file front to back (with one jump), never asking for bytes past
// its end; a read that gives fewer than are there is an error.
class Reader {
 public:
  Reader(FileHandle& f, std::uint64_t size) : f_(f), size_(size) {}
  std::uint64_t size() const { return size_; }
  // Up to `count` more bytes (fewer where the file ends) onto `buf`.
  bool append(std::vector<std::uint8_t>& buf, std::uint64_t count) {
    count = std::min(count, size_ - std::min(pos_, size_));
    if (count == 0) return true;
    const std::size_t at = buf.size();
    try {
      buf.resize(at + static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
      return false;
    }
    const std::size_t got = f_.read(std::span<std::uint8_t>(buf).subspan(at));
    buf.resize(at + got);
    pos_ += got;
    return got == count;
  }
  bool seek(std::uint64_t to) {
    if (to > size_ || !f_.seek(static_cast<std::int64_t>(to))) return false;
    pos_ = to;
    return true;
  }

 private:
  FileHandle& f_;
  std::uint64_t size_;
  std::uint64_t pos_ = 0;
};

}  // namespace

ImageResult decode_image(std::span<const std::uint8_t> file, Image& out, int max_width,
                         int max_height) {
  if (is_bmp(file)) return decode_bmp(file, out, max_width, max_height);
  if (is_png(file)) return decode_png(file, out, max_width, max_height);
  out = Image{};
  return image_result(ImageStatus::bad, "not a BMP or PNG file");
}

ImageResult read_image_file(std::string_view name, Image& out, int max_width, int max_height) {
  out = Image{};
  const std::string path = find_file(name);
  FileHandle f = open_for_read(path, kAccessRead | kAccessSequential | kShareRead);
  if (!f.valid()) {
    if (!platform::file_status(path).exists)
      return image_result(ImageStatus::not_found, "not found");
    return image_result(ImageStatus::bad, "cannot open it");
  }
  const std::int64_t size = f.size();
  const auto read_error = [] { return image_result(ImageStatus::bad, "cannot read it"); };
  if (size < 0) return read_error();
  Reader in(f, static_cast<std::uint64_t>(size));
  std::vector<std::uint8_t> buf;

  if (!in.append(buf, 8)) return read_error();
  if (is_png(buf)) {
    // The signature and IHDR give the size; too big, and nothing else is read.
    if (!in.append(buf, 25)) return read_error();
    std::uint32_t w = 0, h = 0;
    if (png_detail::read_png_size(buf, w, h) &&
        (w > static_cast<std::uint32_t>(std::min(max_width, kMaxImageSide)) ||
         h > static_cast<std::uint32_t>(std::min(max_height, kMaxImageSide)))) {
      out.width = static_cast<int>(w);
      out.height = static_cast<int>(h);
      return image_result(ImageStatus::too_big,
                          std::to_string(w) + "x" + std::to_string(h) + " too big");
    }
    if (!in.append(buf, kPngReadCap - buf.size())) return read_error();
    return decode_png(buf, out, max_width, max_height);
  }
  if (!is_bmp(buf)) return image_result(ImageStatus::bad, "not a BMP or PNG file");

  // The headers and palette, then the pixels as far as the picture needs.
  constexpr std::size_t kHead = bmp_detail::kMaxHeadBytes;
  if (!in.append(buf, kHead - buf.size())) return read_error();
  const bmp_detail::BmpLayout l = bmp_detail::parse_bmp_layout(buf);
  if (!l.reason.empty() || l.width > std::min(max_width, kMaxImageSide) ||
      l.height > std::min(max_height, kMaxImageSide))
    return decode_bmp(buf, out, max_width, max_height);
  const std::uint64_t end = l.data_offset + l.pixel_bytes;
  if (l.data_offset <= kHead + kBmpGapKept) {
    if (end > buf.size() && !in.append(buf, end - buf.size())) return read_error();
  } else if (in.size() > l.data_offset) {
    // Skip the gap: the pixels follow the headers, the offset moved to match.
    if (!in.seek(l.data_offset) || !in.append(buf, l.pixel_bytes)) return read_error();
    put_u32(buf, 10, static_cast<std::uint32_t>(kHead));
  }
  return decode_bmp(buf, out, max_width, max_height);
}

std::string newer_image_file(std::string_view stem) {
  const std::string bmp = find_file(std::string(stem) + ".bmp");
  const std::string png = find_file(std::string(stem) + ".png");
  const platform::FileStatus b = platform::file_status(bmp);
  const platform::FileStatus p = platform::file_status(png);
  const bool has_bmp = b.exists && b.regular;
  const bool has_png = p.exists && p.regular;
  if (has_bmp && has_png) return p.modified_ns > b.modified_ns ? png : bmp;
  if (has_bmp) return bmp;
  if (has_png) return png;
  return {};
}

}  // namespace tavu
