#include "pictures/pictures.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "display/display.h"
#include "imaging/colour_match.h"
#include "shell/app.h"
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

// The file's pixels and palette into a picture whose image block is there;
// false, with nothing changed, when the bytes are no picture.
bool take_file(Picture& p, std::span<const std::uint8_t> bytes) {
  if (!decode_picture_into(bytes, p.image)) return false;
  std::copy_n(bytes.begin() + kPicturePixelBytes, kPicturePaletteBytes, p.file_palette.begin());
  p.state = kPictureLoaded;
  return true;
}

// A label chosen earlier stays (its entry made white again); otherwise it
// is chosen now.
void settle_label(Picture& p) {
  if (p.label_colour >= 0) {
    if (p.label_made_white) make_white(p, p.label_colour);
    return;
  }
  const LabelChoice choice = choose_label_colour(p.image.palette, p.image.pixels);
  p.label_colour = choice.index;
  p.label_made_white = choice.made_white;
  if (choice.made_white) make_white(p, choice.index);
}

constexpr std::uint32_t kWhiteKey = 0x3FFFF;  // colour_key(255, 255, 255)
constexpr std::uint32_t kStatusMs = 1000;
constexpr std::uint32_t kErrorMs = 2000;  // two lines to read

// The picture's own colour at entry `i` at six bits a channel, as the file
// stores it (a stored value of 64 or more counts as the game shows it).
std::uint32_t own_key(const Picture& p, int i) {
  const auto at = static_cast<std::size_t>(i) * 3;
  return (static_cast<std::uint32_t>(p.file_palette[at] & 63) << 12) |
         (static_cast<std::uint32_t>(p.file_palette[at + 1] & 63) << 6) |
         static_cast<std::uint32_t>(p.file_palette[at + 2] & 63);
}

// Colour -> the lowest entry of the picture with that colour; the label's
// white counts as the label entry's own colour.
class OwnColours {
 public:
  explicit OwnColours(const Picture& p) {
    for (int i = 0; i < 256; ++i) add(own_key(p, i), i);
    if (p.label_made_white && p.label_colour >= 0 && p.label_colour < 256)
      add(kWhiteKey, p.label_colour);
    std::sort(table_.begin(), table_.end());
    // Of equal colours the lowest entry comes first: keep only it.
    table_.erase(std::unique(table_.begin(), table_.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 table_.end());
  }
  // The entry, or -1 when the picture has no such colour.
  int find(std::uint32_t key) const {
    const auto it =
        std::lower_bound(table_.begin(), table_.end(), std::pair<std::uint32_t, int>{key, -1});
    return it != table_.end() && it->first == key ? it->second : -1;
  }

 private:
  void add(std::uint32_t key, int entry) { table_.push_back({key, entry}); }
  std::vector<std::pair<std::uint32_t, int>> table_;
};

std::string hex_colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", r, g, b);
  return text;
}

std::string at_pixel(std::size_t i) {
  return format_decimal(static_cast<std::int32_t>(i % kPictureWidth)) + "," +
         format_decimal(static_cast<std::int32_t>(i / kPictureWidth));
}

void import_indexed(const Picture& p, const Image& image, PictureImport& out) {
  std::array<bool, 256> used{};
  for (std::size_t i = 0; i < image.indices.size(); ++i) {
    const std::uint8_t n = image.indices[i];
    if (n >= image.palette.size()) {
      // A number past the file's palette has no colour to show.
      out.refusal = "number " + format_decimal(n) + " at " + at_pixel(i) + " has no colour";
      return;
    }
    used[n] = true;
  }
  const int label = p.label_made_white ? p.label_colour : -1;
  const OwnColours own(p);
  std::array<std::uint8_t, 256> map{};
  bool mapped = true;
  for (int n = 0; n < 256 && mapped; ++n) {
    if (!used[n]) continue;
    const auto& c = image.palette[static_cast<std::size_t>(n)];
    const std::uint32_t key = colour_key(c[0], c[1], c[2]);
    if (key == own_key(p, n) || (n == label && key == kWhiteKey)) {
      map[n] = static_cast<std::uint8_t>(n);
      continue;
    }
    const int entry = own.find(key);
    mapped = entry >= 0;
    map[n] = static_cast<std::uint8_t>(entry);
  }
  out.pixels.resize(image.indices.size());
  if (mapped) {
    // The picture's palette stays; the game may rely on its layout.
    for (std::size_t i = 0; i < image.indices.size(); ++i) out.pixels[i] = map[image.indices[i]];
    return;
  }
  std::copy(image.indices.begin(), image.indices.end(), out.pixels.begin());
  const std::size_t entries = std::min<std::size_t>(image.palette.size(), 256);
  for (std::size_t n = 0; n < entries; ++n)
    for (std::size_t c = 0; c < 3; ++c)
      out.file_palette[n * 3 + c] = static_cast<std::uint8_t>(image.palette[n][c] >> 2);
  out.palette_changed = true;
}

void import_true_colour(const Picture& p, const Image& image, PictureImport& out) {
  const OwnColours own(p);
  out.pixels.resize(kPicturePixelBytes);
  std::uint32_t last_key = ~0u;
  int last_entry = -1;
  for (std::size_t i = 0; i < kPicturePixelBytes; ++i) {
    const std::uint8_t* c = &image.rgba[i * 4];
    const std::uint32_t key = colour_key(c[0], c[1], c[2]);
    if (key != last_key) {
      last_key = key;
      last_entry = own.find(key);
    }
    if (last_entry < 0) {
      out.pixels.clear();
      out.refusal =
          "colour " + hex_colour(c[0], c[1], c[2]) + " at " + at_pixel(i) + " not in the palette";
      return;
    }
    out.pixels[i] = static_cast<std::uint8_t>(last_entry);
  }
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
  if (f.read(r.read_buffer) != kPictureFileSize || !take_file(p, r.read_buffer)) {
    p.image = PictureImage{};
    return set_error(p, kPictureReadError);
  }
  f.close();
  settle_label(p);
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
  std::string name(file_name.substr(0, kMaxExportName));
  name.resize(name.size() >= 3 ? name.size() - 3 : 0);
  return name + "bmp";
}

std::vector<std::uint8_t> encode_picture_bitmap(const Picture& p) {
  if (!p.loaded() || p.error() != kPictureNoError) return {};
  return make_bmp_file(std::span<const std::uint8_t>(p.picture_palette(), kPicturePaletteBytes),
                       256, kPictureWidth, kPictureHeight, p.image.pixels);
}

bool save_picture_bitmap(const Picture& p) {
  const std::vector<std::uint8_t> file = encode_picture_bitmap(p);
  if (file.empty()) return false;
  const std::string name = picture_bitmap_name(p.file_name);
  if (!replace_file(name, file)) return false;
  show_status("Saved " + name + " OK", 1000, kTextCentred);
  return true;
}

Picture picture_from_bytes(std::string name, std::span<const std::uint8_t> bytes) {
  Picture p;
  p.file_name = std::move(name);
  if (!take_file(p, bytes)) {
    set_error(p, kPictureBadSize);
    return p;
  }
  settle_label(p);
  return p;
}

std::vector<std::uint8_t> picture_file_bytes(const Picture& p) {
  if (!p.loaded() || p.image.pixels.size() != kPicturePixelBytes) return {};
  std::vector<std::uint8_t> out(p.image.pixels);
  out.insert(out.end(), p.file_palette.begin(), p.file_palette.end());
  return out;
}

PictureImport import_picture_image(const Picture& p, const Image& image) {
  PictureImport out;
  out.file_palette = p.file_palette;
  if (image.width != kPictureWidth || image.height != kPictureHeight) {
    out.refusal = "Size " + format_decimal(image.width) + "x" + format_decimal(image.height) +
                  ", not 320x200";
    return out;
  }
  const std::size_t pixels = kPicturePixelBytes;
  if (image.indexed ? image.indices.size() != pixels : image.rgba.size() != pixels * 4) {
    out.refusal = "Picture data missing";
    return out;
  }
  if (image.indexed)
    import_indexed(p, image, out);
  else
    import_true_colour(p, image, out);
  return out;
}

void apply_picture_import(Picture& p, PictureImport import) {
  if (!import.ok() || import.pixels.size() != kPicturePixelBytes) return;
  p.image.pixels = std::move(import.pixels);
  p.file_palette = import.file_palette;
  for (std::size_t i = 0; i < kPicturePaletteBytes; ++i)
    p.image.palette[i] = static_cast<std::uint8_t>(p.file_palette[i] << 2);
  p.state = kPictureLoaded;
  p.label_colour = -1;
  p.label_made_white = false;
  settle_label(p);
  p.replaced = true;
  set_app_flag(unsaved_changes, true);
}

std::string picture_stem(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  return std::string(file_name.substr(0, dot == std::string_view::npos ? file_name.size() : dot));
}

bool replace_picture_from_file(Picture& p) {
  if (!p.loaded() || p.error() != kPictureNoError) return false;
  const std::string stem = picture_stem(p.file_name);
  std::string name = newer_image_file(stem);
  std::string reason;
  Image image;
  if (name.empty()) {
    name = stem + ".bmp";
    reason = "No " + name + " or " + stem + ".png";
  } else {
    const ImageResult read = read_image_file(name, image, kPictureWidth, kPictureHeight);
    if (read.status == ImageStatus::too_big)
      reason = "Size " + format_decimal(image.width) + "x" + format_decimal(image.height) +
               ", not 320x200";
    else if (read.status == ImageStatus::not_found)
      reason = "File not found";
    else if (!read.ok())
      reason = read.reason.empty() ? "Unreadable file" : read.reason;
  }
  PictureImport import;
  if (reason.empty()) {
    import = import_picture_image(p, image);
    reason = import.refusal;
  }
  if (!reason.empty()) {
    show_status("Error replacing picture with " + name + "\n" + reason, kErrorMs, kTextCentred);
    return false;
  }
  const bool palette_changed = import.palette_changed;
  apply_picture_import(p, std::move(import));
  show_status(
      "Picture replaced with " + name + " OK." + (palette_changed ? "\nPalette changed" : ""),
      palette_changed ? kErrorMs : kStatusMs, kTextCentred);
  return true;
}

bool picture_changes_pending() {
  const PictureRing& r = picture_ring();
  return std::any_of(r.pictures.begin(), r.pictures.end(),
                     [](const Picture& p) { return p.replaced; });
}

SaveContribution plan_picture_save() {
  SaveContribution out;
  std::vector<std::size_t> written;
  PictureRing& r = picture_ring();
  for (std::size_t k = 0; k < r.pictures.size(); ++k) {
    const Picture& p = r.pictures[k];
    if (!p.replaced) continue;
    std::vector<std::uint8_t> bytes = picture_file_bytes(p);
    if (bytes.empty()) continue;
    out.files.push_back({p.file_name, std::move(bytes)});
    written.push_back(k);
  }
  if (written.empty()) return out;
  out.committed = [written] {
    PictureRing& ring = picture_ring();
    for (std::size_t k : written)
      if (k < ring.pictures.size()) ring.pictures[k].replaced = false;
  };
  return out;
}

void discard_picture_changes(Picture& p) {
  p.replaced = false;
  p.label_colour = -1;
  p.label_made_white = false;
  p.state = static_cast<std::uint8_t>(p.state & ~kPictureLoaded);
  load_picture(p);
  set_app_flag(unsaved_changes,
               other_changes_pending(SaveSubsystem::pictures) || picture_changes_pending());
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
