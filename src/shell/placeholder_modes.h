// A mode descriptor for a mode whose editor is not built yet: it starts,
// shows an empty picture and uses no keys.
#pragma once

#include <cstdint>

#include "shell/modes.h"

namespace tavu {

ModeDescriptor placeholder_mode(const char* help, const char* name, std::uint32_t hot_key);

}  // namespace tavu
