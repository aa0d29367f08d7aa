// The picture ring: every .256 file of the game directory, sorted by name and
// loaded on first need; the three pictures the program cannot start without;
// the colour each picture's name is written in; and the bitmap export. The
// replay browser shows "kltitle.256" behind its menus and textures its boxes
// with "fill.256".
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/picture_format.h"
#include "shell/exports.h"

namespace tavu {

// Load error codes, kept in bits 1-3 of Picture::state.
enum PictureError : int {
  kPictureNoError = 0,
  kPictureCantOpen = 1,
  kPictureReadError = 2,
  kPictureNoMemory = 3,
  kPictureBadSize = 4,
};
inline constexpr std::uint8_t kPictureLoaded = 1;

// One .256 file of the ring.
struct Picture {
  std::string file_name;  // as the directory spells it
  // The file's pixels and its palette in 8-bit intensities; `pixels` is
  // empty while no block is allocated. Kept and reused by later reloads.
  PictureImage image;
  std::uint8_t state = 0;  // kPictureLoaded | error code << 1
  std::int16_t label_colour = -1;
  // The label entry was made white because the palette has no bright colour;
  // a reload makes it white again.
  bool label_made_white = false;

  bool loaded() const { return (state & kPictureLoaded) != 0; }
  int error() const { return (state >> 1) & 7; }
  // The palette in use: the picture's own after a successful load, the
  // default palette before one and after a failed one.
  const std::uint8_t* picture_palette() const;
};

struct RequiredPicture {
  const char* name;
  bool found = false;
  std::size_t index = 0;  // into PictureRing::pictures once found
};

// The ring is a vector in ring order: the next of the last picture is the
// first.
struct PictureRing {
  std::vector<Picture> pictures;
  std::size_t current = 0;
  std::array<RequiredPicture, 3> required{{{"stad.256"}, {"kltitle.256"}, {"fill.256"}}};
  std::vector<std::uint8_t> read_buffer;  // one file's bytes, reused by every load
};

PictureRing& picture_ring();
// An empty ring (tests build several in one process).
void reset_picture_ring();
// The current picture, or nullptr when the ring is empty.
Picture* current_picture();
std::size_t next_picture(std::size_t index);
std::size_t previous_picture(std::size_t index);

// Ring order of `names` (given in directory order): ascending by
// compare_names, equal names keeping their directory order. Element k is the
// directory position of the k-th picture of the ring.
std::vector<std::size_t> picture_ring_order(std::span<const std::string> names);

// Picture mode's init: lists "*.256", sorts the ring and loads the required
// pictures. Records "Error loading %s" (first required picture that fails)
// or "%s missing!" (every missing one) as start-up failure reasons and
// returns 0 then.
int build_picture_ring();

// Reads the picture's file unless it is loaded; sets the error code on
// failure. The first successful load chooses the label colour.
void load_picture(Picture& picture);
// "Can't open file", "Error reading file", "Not enough memory for picture",
// "Invalid picture size", or "Unknown error".
const char* picture_error_text(int code);

struct LabelChoice {
  std::int16_t index = -1;
  bool made_white = false;  // the entry is to be set to 255, 255, 255
};
// The brightest entry (the higher index on ties) when its length
// integer_sqrt(r² + g² + b²) is 381 or more; otherwise the least used pixel
// value (the lowest on ties), to be made white.
LabelChoice choose_label_colour(std::span<const std::uint8_t, kPicturePaletteBytes> palette,
                                std::span<const std::uint8_t> pixels);

// The export's name: `file_name` with its last three characters replaced by
// "bmp" ("fill.256" -> "fill.bmp").
std::string picture_bitmap_name(std::string_view file_name);
// The 320x200 bitmap of a loaded picture with its own palette (not the
// brightened view); empty when it is not loaded without error.
std::vector<std::uint8_t> encode_picture_bitmap(const Picture& picture);
// "fill.png" and the indexed PNG of the same picture.
std::string picture_export_name(std::string_view file_name, ExportFormat format);
std::vector<std::uint8_t> encode_picture_export(const Picture& picture, ExportFormat format);
// Writes the bitmap (temporary file renamed over the old one) whatever is
// there and shows "Saved %s OK"; false on any failure.
bool save_picture_bitmap(const Picture& picture);
// F2 and Ctrl+F2: the same through the overwrite question (see exports.h).
ExportResult export_picture_bitmap(const Picture& picture, ExportFormat format);

// At window destruction: frees every picture's data except the required
// three and clears its loaded bit.
void release_pictures();

// The 64000 pixels (rows of 320, top first) of a required picture
// ("stad.256", "kltitle.256" or "fill.256") while it is loaded; nullptr
// otherwise.
const std::uint8_t* required_picture_pixels(std::string_view name);

}  // namespace tavu
