// Sprite mode (F5).
#pragma once

#include "shell/modes.h"

namespace tavu {

ModeDescriptor sprite_mode_descriptor();

}  // namespace tavu
