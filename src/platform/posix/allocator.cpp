#include "platform/allocator.h"

#include <algorithm>
#include <climits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tavu::platform {

void keep_freed_memory(std::size_t bytes) {
#if defined(__GLIBC__)
  const int keep = static_cast<int>(std::min<std::size_t>(bytes, INT_MAX));
  mallopt(M_TRIM_THRESHOLD, keep);
  // The work buffers (a decoded pitch is under 2 MB) come from the heap too,
  // not from mappings made and unmade each time.
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
#else
  (void)bytes;
#endif
}

}  // namespace tavu::platform
