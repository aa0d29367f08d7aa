// Picture mode (F6): every .256 picture of the game directory, one at a time.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kPictureModeHelp;

ModeDescriptor picture_mode_descriptor();

// The shell calls this after a switch between window and full screen while
// picture mode is current: the working palette is built afresh (applied_gamma
// reset, then rebuild_working_palette).
void picture_mode_display_switched();

}  // namespace tavu
