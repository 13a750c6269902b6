#include "data/large_buffer.h"

#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace qh {

void AdviseLargeBuffer(void* data, qsizetype bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr qsizetype kHugePage = 2 * 1024 * 1024;
  if (bytes < kHugePage) return;
  // Only whole huge pages inside the buffer can be backed by one.
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHugePage - 1) & ~static_cast<uintptr_t>(kHugePage - 1);
  const uintptr_t last =
      (begin + static_cast<uintptr_t>(bytes)) & ~static_cast<uintptr_t>(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace qh
