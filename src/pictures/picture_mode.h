// Picture mode (F6): every .256 picture of the game directory, one at a time.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kPictureModeHelp;

ModeDescriptor picture_mode_descriptor();

}  // namespace tavu
