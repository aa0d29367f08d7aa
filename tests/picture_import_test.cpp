// Importing an image into a picture: which numbers and which palette the
// picture's file gets, and what is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "pictures/picture_format.h"
#include "pictures/pictures.h"
#include "shell/app.h"

using namespace tavu;

namespace {

using Stored = std::array<std::uint8_t, kPicturePaletteBytes>;  // 6-bit values

// Entry i of a bright palette: distinct colours, one of them white.
Stored bright_stored() {
  Stored s{};
  for (int i = 0; i < 256; ++i) {
    s[i * 3] = static_cast<std::uint8_t>(i & 63);
    s[i * 3 + 1] = static_cast<std::uint8_t>(i >> 2);
    s[i * 3 + 2] = static_cast<std::uint8_t>((i * 5) & 63);
  }
  s[255 * 3] = s[255 * 3 + 1] = s[255 * 3 + 2] = 63;
  return s;
}

// A dark palette with distinct colours: the label entry is made white.
Stored dark_stored() {
  Stored s{};
  for (int i = 0; i < 256; ++i) {
    s[i * 3] = static_cast<std::uint8_t>(i % 30);
    s[i * 3 + 1] = static_cast<std::uint8_t>(i / 30);
    s[i * 3 + 2] = 7;
  }
  return s;
}

std::vector<std::uint8_t> pixels_of(int seed, int colours = 200) {
  std::vector<std::uint8_t> px(kPicturePixelBytes);
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) % colours);
  return px;
}

std::vector<std::uint8_t> file_of(const std::vector<std::uint8_t>& px, const Stored& stored) {
  std::vector<std::uint8_t> f(px);
  f.insert(f.end(), stored.begin(), stored.end());
  return f;
}

// An 8-bit colour as a paint program writes it back: 6-bit value times
// four, or scaled to 0..255 (both are the same colour at six bits).
std::uint8_t widen(std::uint8_t v, bool scaled) {
  return scaled ? static_cast<std::uint8_t>(v * 255 / 63) : static_cast<std::uint8_t>(v << 2);
}

Image indexed_image(const std::vector<std::uint8_t>& px, const Stored& stored, bool scaled,
                    int entries = 256) {
  Image im;
  im.width = kPictureWidth;
  im.height = kPictureHeight;
  im.indexed = true;
  im.indices = px;
  for (int i = 0; i < entries; ++i)
    im.palette.push_back({widen(stored[i * 3] & 63, scaled), widen(stored[i * 3 + 1] & 63, scaled),
                          widen(stored[i * 3 + 2] & 63, scaled), 255});
  return im;
}

Image true_colour_image(const std::vector<std::uint8_t>& px, const Stored& stored, bool scaled,
                        std::uint8_t alpha = 255) {
  Image im;
  im.width = kPictureWidth;
  im.height = kPictureHeight;
  for (std::size_t i = 0; i < px.size(); ++i) {
    for (int c = 0; c < 3; ++c) im.rgba.push_back(widen(stored[px[i] * 3 + c] & 63, scaled));
    im.rgba.push_back(static_cast<std::uint8_t>(alpha ^ (i & 1)));
  }
  return im;
}

Picture picture(const std::vector<std::uint8_t>& px, const Stored& stored) {
  Picture p = picture_from_bytes("fill.256", file_of(px, stored));
  EXPECT_TRUE(p.loaded());
  return p;
}

// The picture's file after the import.
std::vector<std::uint8_t> imported(const Picture& before, const Image& image,
                                   bool* palette_changed = nullptr) {
  Picture p = before;
  PictureImport r = import_picture_image(p, image);
  EXPECT_TRUE(r.ok()) << r.refusal;
  if (palette_changed) *palette_changed = r.palette_changed;
  apply_picture_import(p, std::move(r));
  return picture_file_bytes(p);
}

class PictureImportTest : public ::testing::Test {
 protected:
  void SetUp() override { app().flags = 0; }
  void TearDown() override { app().flags = 0; }
};

TEST_F(PictureImportTest, IndexedFilesKeepNumbersMapReorderingsOrBringTheirPalette) {
  const Stored own = bright_stored();
  const auto old_px = pixels_of(1);
  const auto new_px = pixels_of(5, 256);
  // A permutation of the palette: the file's number k holds the picture's
  // colour perm[k].
  std::vector<int> perm(256);
  std::iota(perm.begin(), perm.end(), 0);
  std::shuffle(perm.begin(), perm.end(), std::mt19937(7));
  Stored reordered{};
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c) reordered[k * 3 + c] = own[perm[k] * 3 + c];
  std::vector<int> inverse(256);
  for (int k = 0; k < 256; ++k) inverse[perm[k]] = k;
  std::vector<std::uint8_t> reordered_px(new_px.size());
  for (std::size_t i = 0; i < new_px.size(); ++i)
    reordered_px[i] = static_cast<std::uint8_t>(inverse[new_px[i]]);
  Stored other = own;
  for (int c = 0; c < 3; ++c) other[230 * 3 + c] = static_cast<std::uint8_t>(40 + c);
  // A 16-colour file whose colours the picture has at other numbers.
  Stored sixteen{};
  for (int k = 0; k < 16; ++k)
    for (int c = 0; c < 3; ++c) sixteen[k * 3 + c] = own[(200 + k) * 3 + c];
  const auto sixteen_px = pixels_of(3, 16);
  std::vector<std::uint8_t> sixteen_mapped(sixteen_px.size());
  for (std::size_t i = 0; i < sixteen_px.size(); ++i)
    sixteen_mapped[i] = static_cast<std::uint8_t>(sixteen_px[i] + 200);
  Stored new_palette{};
  for (std::size_t i = 0; i < new_palette.size(); ++i)
    new_palette[i] = static_cast<std::uint8_t>((i * 11) & 63);

  struct Case {
    const char* what;
    Image image;
    std::vector<std::uint8_t> file;  // what the picture's file becomes
    bool palette_changed;
  };
  const Case cases[] = {
      {"same palette", indexed_image(new_px, own, false), file_of(new_px, own), false},
      {"same palette, scaled to 255", indexed_image(new_px, own, true), file_of(new_px, own),
       false},
      {"reordered palette", indexed_image(reordered_px, reordered, true), file_of(new_px, own),
       false},
      {"unused entries differ", indexed_image(old_px, other, false), file_of(old_px, own), false},
      {"fewer colours, all the picture's", indexed_image(sixteen_px, sixteen, false, 16),
       file_of(sixteen_mapped, own), false},
      {"new palette", indexed_image(new_px, new_palette, true), file_of(new_px, new_palette), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool changed = !c.palette_changed;
    EXPECT_EQ(imported(picture(old_px, own), c.image, &changed), c.file);
    EXPECT_EQ(changed, c.palette_changed);
  }
  // A file with a palette shorter than 256 entries brings only those.
  Stored partial = own;
  for (int k = 0; k < 16; ++k)
    for (int c = 0; c < 3; ++c) partial[k * 3 + c] = new_palette[k * 3 + c];
  EXPECT_EQ(imported(picture(old_px, own), indexed_image(sixteen_px, new_palette, false, 16)),
            file_of(sixteen_px, partial));
}

TEST_F(PictureImportTest, TrueColourTakesTheLowestEntryOfEachColour) {
  Stored own = bright_stored();
  // Entry 9 repeats entry 4's colour: pixels of that colour become 4.
  for (int c = 0; c < 3; ++c) own[9 * 3 + c] = own[4 * 3 + c];
  const auto px = pixels_of(2);
  auto lowest = px;
  std::replace(lowest.begin(), lowest.end(), std::uint8_t{9}, std::uint8_t{4});
  ASSERT_NE(lowest, px);
  for (bool scaled : {false, true})
    for (std::uint8_t alpha : {std::uint8_t{255}, std::uint8_t{0}}) {
      SCOPED_TRACE(testing::Message() << "scaled " << scaled << " alpha " << int(alpha));
      bool changed = true;
      EXPECT_EQ(
          imported(picture(pixels_of(1), own), true_colour_image(px, own, scaled, alpha), &changed),
          file_of(lowest, own));
      EXPECT_FALSE(changed);
    }
}

TEST_F(PictureImportTest, RefusalsNameTheReasonAndChangeNothing) {
  const Stored own = bright_stored();
  const auto px = pixels_of(1);
  Image off = true_colour_image(px, own, false);
  // Pixel (5, 2) gets a colour the palette does not have; (9, 3) another.
  const auto put = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::uint8_t* at = &off.rgba[static_cast<std::size_t>(y * kPictureWidth + x) * 4];
    at[0] = r, at[1] = g, at[2] = b;
  };
  put(5, 2, 0x0D, 0xC8, 0x4D);
  put(9, 3, 0x01, 0x02, 0x03);
  Image small = indexed_image(px, own, false);
  small.width = 319;
  small.indices.resize(319 * 200);
  Image tall = true_colour_image(px, own, false);
  tall.height = 201;
  Image past_palette = indexed_image(px, own, false, 100);  // pixels use up to 199

  struct Case {
    const char* what;
    const Image& image;
    std::string refusal;
  };
  const Case cases[] = {
      {"off-palette colour", off, "colour 0DC84D at 5,2 not in the palette"},
      {"narrower", small, "Size 319x200, not 320x200"},
      {"taller", tall, "Size 320x201, not 320x200"},
      {"number past the file's palette", past_palette, "number 106 at 15,0 has no colour"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Picture p = picture(px, own);
    const auto before = picture_file_bytes(p);
    PictureImport r = import_picture_image(p, c.image);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.refusal, c.refusal);
    apply_picture_import(p, std::move(r));
    EXPECT_FALSE(p.replaced);
    EXPECT_FALSE(app_flag(unsaved_changes));
    EXPECT_EQ(picture_file_bytes(p), before);
  }
}

// The export of a dark picture shows its label entry white; imported
// unchanged (or reordered) it gives back the file as it was, never the white.
TEST_F(PictureImportTest, DarkPictureComesBackByteForByte) {
  Stored own = dark_stored();
  own[3 * 3] = 64 + 3;  // a stored value the game wraps: kept as stored
  // Every number used equally often: the label is entry 0, made white.
  const auto px = pixels_of(4, 256);
  const Picture p = picture(px, own);
  ASSERT_TRUE(p.label_made_white);
  const int label = p.label_colour;
  ASSERT_GE(label, 0);
  // The bitmap's colours: the picture's palette with the label entry white.
  const std::vector<std::uint8_t> bmp = encode_picture_bitmap(p);
  ASSERT_FALSE(bmp.empty());
  Image exported;
  exported.width = kPictureWidth;
  exported.height = kPictureHeight;
  exported.indexed = true;
  exported.indices = px;
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* bgr = &bmp[54 + i * 4];
    exported.palette.push_back({bgr[2], bgr[1], bgr[0], 255});
  }
  ASSERT_EQ(exported.palette[label], (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
  bool changed = true;
  EXPECT_EQ(imported(p, exported, &changed), file_of(px, own));
  EXPECT_FALSE(changed);

  ASSERT_EQ(label, 0);
  // Reordered by a paint program: the white goes back to the label entry.
  Image swapped = exported;
  std::swap(swapped.palette[0], swapped.palette[7]);
  for (auto& v : swapped.indices) v = v == 0 ? 7 : v == 7 ? 0 : v;
  EXPECT_EQ(imported(p, swapped), file_of(px, own));

  // True colour: the white pixels are the label entry's.
  Image rgb;
  rgb.width = kPictureWidth;
  rgb.height = kPictureHeight;
  for (std::uint8_t v : px)
    for (int c = 0; c < 4; ++c) rgb.rgba.push_back(exported.palette[v][c]);
  EXPECT_EQ(imported(p, rgb), file_of(px, own));
}

// After the import the label is chosen again from the new picture, and the
// file never holds its white.
TEST_F(PictureImportTest, LabelIsChosenAgainAndNeverWritten) {
  const Stored dark = dark_stored();
  const Stored bright = bright_stored();
  Picture p = picture(pixels_of(4), dark);
  ASSERT_TRUE(p.label_made_white);
  // A new, bright palette: its white entry is the label, nothing made white.
  PictureImport r = import_picture_image(p, indexed_image(pixels_of(4), bright, false));
  ASSERT_TRUE(r.palette_changed);
  apply_picture_import(p, std::move(r));
  EXPECT_TRUE(p.replaced);
  EXPECT_TRUE(app_flag(unsaved_changes));
  EXPECT_FALSE(p.label_made_white);
  EXPECT_EQ(p.label_colour, 255);
  // Back to a dark one where only entry 250 is unused: made white in the
  // view, stored as the file's colour.
  std::vector<std::uint8_t> px = pixels_of(9, 250);
  px[0] = 251, px[1] = 252, px[2] = 253, px[3] = 254, px[4] = 255;
  r = import_picture_image(p, indexed_image(px, dark, false));
  ASSERT_TRUE(r.palette_changed);
  apply_picture_import(p, std::move(r));
  EXPECT_TRUE(p.label_made_white);
  EXPECT_EQ(p.label_colour, 250);
  EXPECT_EQ(p.image.palette[250 * 3], 255);
  EXPECT_EQ(picture_file_bytes(p), file_of(px, dark));
}

}  // namespace
