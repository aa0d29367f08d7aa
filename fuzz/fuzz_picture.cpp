// A .256 picture from the fuzzer loaded into the picture ring, then its
// label colour, the working palettes of every gamma step, picture mode's
// drawing and the bitmap export in memory.
#include <vector>

#include "harness.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"

using namespace tavu;

namespace {

constexpr const char* kName = "zzfuzz.256";

}  // namespace

bool fuzz::setup() {
  std::vector<std::uint8_t> blank(kPictureFileSize);
  fuzz::put_file(kName, blank);
  reset_picture_ring();
  return build_picture_ring() != 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureRing& r = picture_ring();
  Picture* picture = nullptr;
  for (std::size_t i = 0; i < r.pictures.size(); ++i)
    if (r.pictures[i].file_name == kName) {
      picture = &r.pictures[i];
      r.current = i;
    }
  if (!picture) return 0;
  fuzz::put_file(kName, fuzz::Bytes(data, size));
  // A fresh load each time, as after the release at window destruction.
  picture->state = 0;
  picture->label_colour = -1;
  load_picture(*picture);
  Palette palette{};
  for (int gamma = kGammaMin; gamma <= kGammaMax; ++gamma)
    build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes>(
                              picture->picture_palette(), kPicturePaletteBytes),
                          gamma, picture->label_colour, palette);
  picture_mode_state().gamma = static_cast<std::int8_t>(size % 46 + kGammaMin);
  picture_mode_state().applied_gamma = kGammaNotApplied;
  std::vector<std::uint8_t> frame(320 * 200);
  draw_picture_mode(frame.data(), 320);
  (void)encode_picture_bitmap(*picture);
  fuzz::reset_messages();
  return 0;
}
