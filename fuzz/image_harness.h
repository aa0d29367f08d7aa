// Shared by the BMP and PNG image harnesses: one input decoded from memory
// and from disk (which must agree), then imported as a sprite, a pattern
// and a pitch through the editor's Insert operations.
#pragma once

#include <string>

#include "harness.h"

namespace tavu::fuzz {

// Loads the sprites and pitches the imports change.
bool setup_image_imports();

// `extension` is the one the imports look for (".bmp" or ".png"); the
// bytes are also tried under the other, as a user may misname a file.
void run_image_input(Bytes input, const std::string& extension);

}  // namespace tavu::fuzz
