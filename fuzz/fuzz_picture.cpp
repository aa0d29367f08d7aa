// A .256 picture from the fuzzer loaded into the picture ring, then its
// label colour, the working palettes of every gamma step, picture mode's
// drawing and the bitmap export; the same bytes as a required picture of
// the start-up load. A second part of the input (after kSplit) is an image
// file imported into the picture with Insert, then planned for the save and
// discarded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "imaging/image.h"
#include "pictures/picture_format.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "shell/files.h"

using namespace tavu;

namespace {

constexpr const char* kName = "zzfuzz.256";

Picture* fuzzed_picture() {
  PictureRing& r = picture_ring();
  for (std::size_t i = 0; i < r.pictures.size(); ++i)
    if (r.pictures[i].file_name == kName) {
      r.current = i;
      return &r.pictures[i];
    }
  return nullptr;
}

// What the file system can do to a load and an export whatever the bytes:
// a required picture or the shown one unreadable or failing to read, an
// export that fails.
void drive_failures() {
  for (const char* name : {"fill.256", kName})
    fuzz::with_unreadable_file(name, [] {
      (void)build_picture_ring();
      if (Picture* p = fuzzed_picture()) load_picture(*p);
    });
  for (int code = kPictureNoError; code <= kPictureBadSize + 1; ++code)
    (void)picture_error_text(code);
  fuzz::put_file(kName, std::vector<std::uint8_t>(kPictureFileSize));
  (void)build_picture_ring();
  if (Picture* p = fuzzed_picture()) {
    load_picture(*p);
    set_file_fault_for_tests({FileOp::create, 1});
    (void)save_picture_bitmap(*p);
    clear_file_faults_for_tests();
    // Insert with neither image file there.
    (void)replace_picture_from_file(*p);
  }
  fuzz::reset_messages();
}

}  // namespace

bool fuzz::setup() {
  drive_failures();
  return build_picture_ring() != 0;
}

// The image file as Insert reads it, and the decoded image straight into
// the picture; what a save would write, then the file's picture again.
void drive_import(Picture& picture, fuzz::Bytes image_file) {
  if (!picture.loaded()) return;
  const bool png = image_file.size() >= 4 && image_file[1] == 'P' && image_file[2] == 'N';
  const std::string name = picture_stem(kName) + (png ? ".png" : ".bmp");
  fuzz::put_file(name, image_file);
  (void)replace_picture_from_file(picture);
  fuzz::restore_file(name);
  Image image;
  if (decode_image(image_file, image, kPictureWidth, kPictureHeight).ok()) {
    PictureImport import = import_picture_image(picture, image);
    if (import.ok() && import.pixels.size() != kPicturePixelBytes) std::abort();
    apply_picture_import(picture, std::move(import));
  }
  const SaveContribution plan = plan_picture_save();
  for (const PlannedFile& f : plan.files)
    if (f.bytes.size() != kPictureFileSize) std::abort();
  if (picture.replaced) discard_picture_changes(picture);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<fuzz::Bytes> parts = fuzz::split(fuzz::Bytes(data, size), 2);
  const fuzz::Bytes bytes = parts[0];
  Picture* picture = fuzzed_picture();
  if (!picture) return 0;
  fuzz::put_file(kName, bytes);
  // A fresh load each time, as after the release at window destruction.
  picture->state = 0;
  picture->label_colour = -1;
  load_picture(*picture);
  (void)decode_picture(bytes);  // the decoder the tests and the demo use
  Palette palette{};
  for (int gamma = kGammaMin; gamma <= kGammaMax; ++gamma)
    build_working_palette(std::span<const std::uint8_t, kPicturePaletteBytes>(
                              picture->picture_palette(), kPicturePaletteBytes),
                          gamma, picture->label_colour, palette);
  picture_mode_state().gamma = static_cast<std::int8_t>(size % 46 + kGammaMin);
  picture_mode_state().applied_gamma = kGammaNotApplied;
  std::vector<std::uint8_t> frame(320 * 200);
  draw_picture_mode(frame.data(), 320);
  // F2 writes the export to disk; the reload after a step finds the kept
  // label colour.
  if (picture->loaded()) (void)save_picture_bitmap(*picture);
  (void)encode_picture_export(*picture, ExportFormat::png);
  (void)picture_error_text(picture->error());
  const std::size_t at = picture_ring().current;
  load_picture(picture_ring().pictures[next_picture(at)]);
  load_picture(picture_ring().pictures[previous_picture(at)]);
  release_pictures();
  load_picture(*picture);
  if (!parts[1].empty()) drive_import(*picture, parts[1]);

  // The start-up load with the bytes as a required picture; the title the
  // replay browser draws comes from it.
  if (size % 4 == 0) {
    fuzz::put_file("kltitle.256", bytes);
    if (build_picture_ring()) (void)required_picture_pixels("kltitle.256");
    fuzz::restore_file("kltitle.256");
    (void)build_picture_ring();
  }
  fuzz::reset_messages();
  return 0;
}
