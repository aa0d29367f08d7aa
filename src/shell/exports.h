// Every export (F2, Ctrl+F2, Shift+F2, Ctrl+Shift+F2 in every mode) goes
// through here, so that a bitmap the user painted and has not imported yet
// is never overwritten without asking: a file whose picture differs from
// what the export would write needs a "y" first; a missing file or one that
// holds the same picture is written at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image.h"

namespace tavu {

enum class ExportFormat { bmp, png };
// ".bmp" or ".png".
const char* export_extension(ExportFormat format);

// Whether an existing picture holds what the export would write in the
// terms of its own import (a sprite bitmap on another background): null for
// the pixel comparison alone.
using SameContent = std::function<bool(const Image& existing)>;

struct ExportFile {
  std::string name;
  std::vector<std::uint8_t> bytes;  // the whole BMP or PNG file
  SameContent same_content = {};
};

// Which of "STEM.bmp" and "STEM.png" an import reads (see
// newer_image_file), spelt as the program names it ("pitch2.bmp" for a
// file the directory spells "PITCH2.BMP"); reading finds it ignoring case.
// Empty when neither exists.
std::string import_file_name(const std::string& stem);

enum class ExistingPicture {
  missing,  // no such file
  same,     // the same picture: replacing it loses nothing
  differs,  // another picture, or a file that cannot be read as one
};

// Whether two decoded pictures show the same thing: equal sizes and, pixel
// by pixel, the same colour at the game's precision, or both transparent
// (alpha below 128) whatever their colour. How the files store it (BMP or
// PNG, palette order, bit depth) does not matter.
bool same_picture(const Image& a, const Image& b);

// The file `name` (found ignoring case) against the file an export would
// write: the same when it shows the same picture or, with `same_content`,
// when that says so.
ExistingPicture compare_existing_picture(std::string_view name, std::span<const std::uint8_t> fresh,
                                         const SameContent& same_content = {});

enum class ExportResult {
  written,  // "Saved NAME OK" is shown
  asking,   // "Overwrite NAME? (y/n)" is open; "y" writes and reports
  failed,   // nothing written; the caller shows its own message
};
// F2 and Ctrl+F2. When "y" is answered and the write fails, "Save failed" is
// shown.
ExportResult export_file(ExportFile file);

// Shift+F2 and Ctrl+Shift+F2: the missing and unchanged files are written
// at once, each replaced on its own up to the first failure; then, if some
// existing files hold other pictures, one question "Overwrite N changed
// bitmaps? (y/n)" decides about all of them. When fewer than `expected`
// files are written in the end, `failure` is shown for 1200 ms; otherwise
// the Status message is cleared. "n" keeps the changed files and reports
// nothing.
void export_files(std::vector<ExportFile> files, std::size_t expected, std::string failure);

// The export waiting for the answer to the question (empty when none is).
struct PendingExport {
  std::vector<ExportFile> files;
  bool bulk = false;
  std::size_t written = 0;   // bulk: files already written before asking
  std::size_t expected = 0;  // bulk
  std::string failure;       // bulk
};
PendingExport& pending_export();

}  // namespace tavu
