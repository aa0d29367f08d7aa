#include "pictures/pictures.h"

#include <algorithm>
#include <numeric>

#include "display/display.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/bmp.h"

namespace tavu {

namespace {

constexpr std::uint32_t kReadFlags = kAccessRead | kAccessSequential | kShareRead;
constexpr std::uint32_t kBrightLabel = 381;
constexpr std::size_t kMaxExportName = 260;

void set_error(Picture& p, int code) {
  p.state = static_cast<std::uint8_t>(code << 1);
}

void make_white(Picture& p, int index) {
  auto at = static_cast<std::size_t>(index) * 3;
  p.image.palette[at] = p.image.palette[at + 1] = p.image.palette[at + 2] = 255;
}

}  // namespace

const std::uint8_t* Picture::picture_palette() const {
  return loaded() ? image.palette.data() : default_palette().data();
}

PictureRing& picture_ring() {
  static PictureRing ring;
  return ring;
}

void reset_picture_ring() {
  picture_ring() = PictureRing{};
}

Picture* current_picture() {
  PictureRing& r = picture_ring();
  return r.pictures.empty() ? nullptr : &r.pictures[r.current];
}

std::size_t next_picture(std::size_t index) {
  const std::size_t n = picture_ring().pictures.size();
  return n == 0 ? 0 : (index + 1) % n;
}

std::size_t previous_picture(std::size_t index) {
  const std::size_t n = picture_ring().pictures.size();
  return n == 0 ? 0 : (index + n - 1) % n;
}

std::vector<std::size_t> picture_ring_order(std::span<const std::string> names) {
  // Adjacent exchanges of greater pairs until none is left give exactly the
  // stable ascending order; a stable sort reaches it in n log n.
  std::vector<std::size_t> order(names.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return compare_names(names[a], names[b]) < 0;
  });
  return order;
}

int build_picture_ring() {
  reset_picture_ring();
  PictureRing& r = picture_ring();
  std::vector<std::string> names = list_directory("*.256");
  const std::vector<std::size_t> order = picture_ring_order(names);
  std::vector<std::size_t> position(names.size());
  r.pictures.resize(names.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    position[order[k]] = k;
    r.pictures[k].file_name = std::move(names[order[k]]);
  }
  // The required pictures are taken in directory order: of two names that
  // differ only in case, the one found first serves.
  for (std::size_t found = 0; found < position.size(); ++found) {
    const std::size_t k = position[found];
    Picture& p = r.pictures[k];
    for (RequiredPicture& row : r.required) {
      if (row.found || compare_names(p.file_name, row.name) != 0) continue;
      row.found = true;
      load_picture(p);
      if (p.error() != kPictureNoError) {
        add_startup_failure_reason(std::string("Error loading ") + row.name);
        return 0;
      }
      row.index = k;
      break;
    }
  }
  r.current = 0;
  bool all_found = true;
  for (const RequiredPicture& row : r.required) {
    if (row.found) continue;
    add_startup_failure_reason(std::string(row.name) + " missing!");
    all_found = false;
  }
  return all_found ? 1 : 0;
}

void load_picture(Picture& p) {
  if (p.loaded()) return;
  PictureRing& r = picture_ring();
  FileHandle f = open_for_read(p.file_name, kReadFlags);
  if (!f.valid()) return set_error(p, kPictureCantOpen);
  if (f.size() != static_cast<std::int64_t>(kPictureFileSize)) return set_error(p, kPictureBadSize);
  if (p.image.pixels.empty() && !try_allocate(p.image.pixels, kPicturePixelBytes))
    return set_error(p, kPictureNoMemory);
  if (r.read_buffer.size() != kPictureFileSize && !try_allocate(r.read_buffer, kPictureFileSize)) {
    p.image = PictureImage{};
    return set_error(p, kPictureNoMemory);
  }
  if (f.read(r.read_buffer) != kPictureFileSize || !decode_picture_into(r.read_buffer, p.image)) {
    p.image = PictureImage{};
    return set_error(p, kPictureReadError);
  }
  f.close();
  p.state = kPictureLoaded;
  if (p.label_colour >= 0) {
    if (p.label_made_white) make_white(p, p.label_colour);
    return;
  }
  const LabelChoice choice = choose_label_colour(p.image.palette, p.image.pixels);
  p.label_colour = choice.index;
  p.label_made_white = choice.made_white;
  if (choice.made_white) make_white(p, choice.index);
}

const char* picture_error_text(int code) {
  switch (code) {
    case kPictureCantOpen:
      return "Can't open file";
    case kPictureReadError:
      return "Error reading file";
    case kPictureNoMemory:
      return "Not enough memory for picture";
    case kPictureBadSize:
      return "Invalid picture size";
    default:
      return "Unknown error";
  }
}

LabelChoice choose_label_colour(std::span<const std::uint8_t, kPicturePaletteBytes> palette,
                                std::span<const std::uint8_t> pixels) {
  std::uint32_t brightest = 0;
  int brightest_index = 0;
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t r = palette[i * 3], g = palette[i * 3 + 1], b = palette[i * 3 + 2];
    const std::uint32_t length = integer_sqrt(r * r + g * g + b * b);
    if (length >= brightest) {
      brightest = length;
      brightest_index = i;
    }
  }
  if (brightest >= kBrightLabel) return {static_cast<std::int16_t>(brightest_index), false};
  std::array<std::uint32_t, 256> counts{};
  for (std::uint8_t v : pixels) ++counts[v];
  const auto least = std::min_element(counts.begin(), counts.end());
  return {static_cast<std::int16_t>(least - counts.begin()), true};
}

std::string picture_bitmap_name(std::string_view file_name) {
  return picture_export_name(file_name, ExportFormat::bmp);
}

std::string picture_export_name(std::string_view file_name, ExportFormat format) {
  std::string name(file_name.substr(0, kMaxExportName));
  name.resize(name.size() >= 3 ? name.size() - 3 : 0);
  return name + (export_extension(format) + 1);
}

std::vector<std::uint8_t> encode_picture_bitmap(const Picture& p) {
  if (!p.loaded() || p.error() != kPictureNoError) return {};
  return make_bmp_file(std::span<const std::uint8_t>(p.picture_palette(), kPicturePaletteBytes),
                       256, kPictureWidth, kPictureHeight, p.image.pixels);
}

std::vector<std::uint8_t> encode_picture_export(const Picture& p, ExportFormat format) {
  if (format == ExportFormat::bmp) return encode_picture_bitmap(p);
  if (!p.loaded() || p.error() != kPictureNoError) return {};
  return encode_indexed_png(
      kPictureWidth, kPictureHeight, p.image.pixels,
      std::span<const std::uint8_t>(p.picture_palette(), kPicturePaletteBytes), 256);
}

ExportResult export_picture_bitmap(const Picture& p, ExportFormat format) {
  return export_file({picture_export_name(p.file_name, format), encode_picture_export(p, format)});
}

bool save_picture_bitmap(const Picture& p) {
  const std::vector<std::uint8_t> file = encode_picture_bitmap(p);
  if (file.empty()) return false;
  const std::string name = picture_bitmap_name(p.file_name);
  if (!replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", 1000, kTextCentred);
  return true;
}

void release_pictures() {
  PictureRing& r = picture_ring();
  for (Picture& p : r.pictures) {
    const bool required = std::any_of(r.required.begin(), r.required.end(), [&](const auto& row) {
      return compare_names(p.file_name, row.name) == 0;
    });
    if (required) continue;
    p.image = PictureImage{};
    p.state = static_cast<std::uint8_t>(p.state & ~kPictureLoaded);
  }
}

const std::uint8_t* required_picture_pixels(std::string_view name) {
  const PictureRing& r = picture_ring();
  for (const RequiredPicture& row : r.required) {
    if (!row.found || compare_names(name, row.name) != 0) continue;
    const Picture& p = r.pictures[row.index];
    return p.loaded() ? p.image.pixels.data() : nullptr;
  }
  return nullptr;
}

}  // namespace tavu
