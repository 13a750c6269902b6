#pragma once
// The first of a few bytes in a short run, sixteen bytes a step: cells and
// names of a dozen characters are too short for memchr's start-up to pay.
#include "base/partial_load.h"

#include <bit>

namespace qh {

// The first byte in [p, end) equal to a, b or c; end when there is none.
inline const char* FindAnyOf(const char* p, const char* end, char a, char b, char c) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  while (end - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(chunk, va),
                                     _mm_or_si128(_mm_cmpeq_epi8(chunk, vb), _mm_cmpeq_epi8(chunk, vc)));
    if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0)
      return p + std::countr_zero(mask);
    p += 16;
  }
  if (p == end) return end;
  const __m128i chunk = LoadPartial(p, end);
  const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(chunk, va),
                                   _mm_or_si128(_mm_cmpeq_epi8(chunk, vb), _mm_cmpeq_epi8(chunk, vc)));
  const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)) & FirstLanes(end - p);
  return mask != 0 ? p + std::countr_zero(mask) : end;
#else
  while (p < end && *p != a && *p != b && *p != c) ++p;
  return p;
#endif
}

}  // namespace qh
