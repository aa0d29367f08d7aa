// Replay mode (F9): the browser of recordings and their playback.
#pragma once

#include "shell/modes.h"

namespace tavu {

extern const char* const kReplayModeHelp;

ModeDescriptor replay_mode_descriptor();

}  // namespace tavu
