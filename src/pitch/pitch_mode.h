// Pitch mode (F7): a scrolling view of one pitch, with edit mode.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kPitchModeHelp;

ModeDescriptor pitch_mode_descriptor();

}  // namespace tavu
