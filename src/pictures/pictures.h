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

#include "imaging/image.h"
#include "pictures/picture_format.h"
#include "shell/saving.h"

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
  // The palette as the file stores it (6-bit values, byte for byte): what a
  // save writes back, never the brightened view nor the label's white entry.
  std::array<std::uint8_t, kPicturePaletteBytes> file_palette{};
  // Replaced by an import and not saved since.
  bool replaced = false;

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
// F2: writes the bitmap (temporary file renamed over the old one) and shows
// "Saved %s OK"; false on any failure.
bool save_picture_bitmap(const Picture& picture);

// A loaded picture of the given name from its file's bytes, its label colour
// chosen as a first load chooses it; an error code when the bytes are no
// picture.
Picture picture_from_bytes(std::string name, std::span<const std::uint8_t> bytes);
// The bytes of the picture's file as it stands now: the pixels, then the
// palette as stored.
std::vector<std::uint8_t> picture_file_bytes(const Picture& picture);

// What importing a decoded image makes of a picture: the pixels and the
// palette of its new file, or why it cannot take the image.
struct PictureImport {
  std::string refusal;  // empty when the import is possible
  std::vector<std::uint8_t> pixels;
  std::array<std::uint8_t, kPicturePaletteBytes> file_palette{};  // 6-bit values
  bool palette_changed = false;
  bool ok() const { return refusal.empty(); }
};
// The image must be 320x200. Colours compare at six bits a channel; the
// picture's own colour at a number includes the white its label entry was
// given, so an exported picture comes back byte for byte.
// Indexed: the numbers are kept where every used colour is the picture's
// own at that number; where each is one of the picture's colours, numbers
// map to its entries (the same number where it fits, else the lowest), so
// the palette layout stays; otherwise the picture takes the file's palette
// (entries the file lacks keep the picture's) and numbers.
// True colour: each colour must be one of the picture's entries (the lowest
// of equal ones), else refused naming the colour and the first pixel.
PictureImport import_picture_image(const Picture& picture, const Image& image);
// Takes the import into the loaded picture, chooses its label colour again,
// marks it replaced and sets unsaved_changes.
void apply_picture_import(Picture& picture, PictureImport import);
// "fill.256" -> "fill": the stem whose .bmp or .png an import reads.
std::string picture_stem(std::string_view file_name);
// Insert: reads the newer of STEM.bmp and STEM.png into the picture and
// shows "Picture replaced with NAME OK." or "Error replacing picture with
// NAME" and the reason. True when the picture was replaced.
bool replace_picture_from_file(Picture& picture);

// Whether a picture was replaced and not saved.
bool picture_changes_pending();
// The pictures' part of the save on quit: every replaced picture's file.
SaveContribution plan_picture_save();
// F3 on a replaced picture, once the user agreed: the picture as its file
// has it, its label chosen afresh.
void discard_picture_changes(Picture& picture);

// At window destruction: frees every picture's data except the required
// three and clears its loaded bit.
void release_pictures();

// The 64000 pixels (rows of 320, top first) of a required picture
// ("stad.256", "kltitle.256" or "fill.256") while it is loaded; nullptr
// otherwise.
const std::uint8_t* required_picture_pixels(std::string_view name);

}  // namespace tavu
