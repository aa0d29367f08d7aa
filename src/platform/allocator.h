// How the C runtime's allocator treats freed memory.
#pragma once

#include <cstddef>

namespace tavu::platform {

// Keeps up to `bytes` of freed memory in the process for reuse instead of
// giving it back to the system. Each import frees and takes again a few
// megabytes beside an undo history of tens; given back, that memory faults
// in anew page by page on the next import, several times the import's own
// work. Without an allocator that gives memory back eagerly, nothing.
void keep_freed_memory(std::size_t bytes);

}  // namespace tavu::platform
