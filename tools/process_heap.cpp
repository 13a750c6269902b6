#include "process_heap.h"

#include "data/large_buffer.h"

#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#include <cstdlib>
#endif

// Sanitizer builds bring their own allocator; the C library's knobs mean
// nothing there.
#if defined(__SANITIZE_ADDRESS__)
#define QH_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QH_OWN_ALLOCATOR 1
#endif
#endif

namespace qh {

void ReserveHugePageHeap(qsizetype reserveBytes) {
#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_HUGEPAGE) && !defined(QH_OWN_ALLOCATOR)
  // Buffers up to the C library's largest threshold come from the heap, so
  // memory freed by one step (the file's bytes) serves the next (the items).
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * reserveBytes));
  mallopt(M_TOP_PAD, static_cast<int>(reserveBytes));
  // A huge page can back a 2 MiB range only while no byte of it has been
  // touched, yet growing the heap writes block headers. So the growth starts
  // with a small block that ends right below a 2 MiB boundary: the headers
  // stay below it and everything above it is fresh. The block is never used.
  constexpr uintptr_t kHugePage = 2 * 1024 * 1024;
  constexpr uintptr_t kProbe = 256 * 1024;
  constexpr uintptr_t kHeaderRoom = 64;
  const auto oldTop = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t boundary = (oldTop + kProbe + kHeaderRoom + kHugePage - 1) & ~(kHugePage - 1);
  // The C library takes a break it did not set as the start of its next area.
  if (sbrk(static_cast<intptr_t>(boundary - kProbe - kHeaderRoom - oldTop)) ==
      reinterpret_cast<void*>(-1)) {
    return;
  }
  // Kept for the life of the process: freed, it would rejoin the free space
  // below the boundary and the first large buffer would start there.
  static void* const floorBlock = std::malloc(kProbe);
  if (floorBlock == nullptr) return;
  const auto newTop = reinterpret_cast<uintptr_t>(sbrk(0));
  if (newTop > boundary) {
    AdviseLargeBuffer(reinterpret_cast<void*>(boundary), static_cast<qsizetype>(newTop - boundary));
  }
#else
  (void)reserveBytes;
#endif
}

}  // namespace qh
