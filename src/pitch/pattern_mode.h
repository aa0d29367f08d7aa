// Pattern mode (F8): the 16x16 patterns of the six pitches.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kPatternModeHelp;

ModeDescriptor pattern_mode_descriptor();

}  // namespace tavu
