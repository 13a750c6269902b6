#pragma once
// The last few bytes of a short run, looked at sixteen at a time like the
// rest: names and cells of a dozen bytes would otherwise be read one byte
// at a time once fewer than sixteen are left.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>

#if defined(__SANITIZE_ADDRESS__)
#define QH_PARTIAL_LOAD_COPIES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QH_PARTIAL_LOAD_COPIES 1
#endif
#endif

namespace qh {

// Whether the bytes [p, p + bytes) may be loaded though some lie past the
// run p starts: true when they share p's page (bytes at most 4096), which
// a load cannot leave; never under AddressSanitizer, which would see them.
inline bool CanReadAhead(const void* p, std::size_t bytes) {
#if defined(QH_PARTIAL_LOAD_COPIES)
  (void)p;
  (void)bytes;
  return false;
#else
  return (reinterpret_cast<std::uintptr_t>(p) & 4095) <= 4096 - bytes;
#endif
}

// The bytes [p, end), one to sixteen, in the first lanes; the lanes past
// end hold whatever follows p's bytes, and count for nothing (mask them
// with FirstLanes). One load when all sixteen lie within p's page, where
// it cannot fault; else, and under AddressSanitizer, which would see the
// bytes past end read, the bytes are copied out.
inline __m128i LoadPartial(const void* p, const void* end) {
  if (CanReadAhead(p, 16)) return _mm_loadu_si128(static_cast<const __m128i*>(p));
  alignas(16) unsigned char copy[16] = {};
  std::memcpy(copy, p,
              static_cast<size_t>(static_cast<const char*>(end) - static_cast<const char*>(p)));
  return _mm_load_si128(reinterpret_cast<const __m128i*>(copy));
}

// The lanes before n (0 to 16) of a movemask.
inline unsigned FirstLanes(std::ptrdiff_t n) { return (1u << n) - 1u; }

}  // namespace qh

#endif
