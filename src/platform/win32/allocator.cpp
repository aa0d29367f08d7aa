#include "platform/allocator.h"

namespace tavu::platform {

// The process heap keeps freed blocks for reuse by itself.
void keep_freed_memory(std::size_t) {}

}  // namespace tavu::platform
