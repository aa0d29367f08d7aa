// Descriptors of the modes that do not have their own editor yet.
#pragma once

#include "shell/modes.h"

namespace tavu {

ModeDescriptor picture_mode_descriptor();
ModeDescriptor pitch_mode_descriptor();
ModeDescriptor pattern_mode_descriptor();
ModeDescriptor replay_mode_descriptor();
ModeDescriptor test_mode_descriptor();

}  // namespace tavu
