// Test mode (F10): one player steered over pitch 1.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kTestModeHelp;

ModeDescriptor test_mode_descriptor();

}  // namespace tavu
