#include "data/text_decode.h"

#include "base/partial_load.h"
#include "data/large_buffer.h"

#include <QStringDecoder>
#include <QtEndian>
#include <QSysInfo>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QH_UTF8_AVX2 1
#include <immintrin.h>
#endif

namespace qh {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Decodes one multi-byte sequence starting at p (lead byte >= 0x80); returns
// the bytes used, 0 when the sequence is invalid.
inline int DecodeSequence(const uint8_t* p, const uint8_t* end, char32_t& code) {
  const uint8_t b = p[0];
  // Chinese text is three bytes a character: checked first, in one go.
  if ((b & 0xF0) == 0xE0 && end - p >= 3 && IsContinuation(p[1]) && IsContinuation(p[2])) {
    code = (char32_t(b & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | char32_t(p[2] & 0x3F);
    return code >= 0x800 && (code < 0xD800 || code > 0xDFFF) ? 3 : 0;
  }
  int length;
  char32_t minimum;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2, code = b & 0x1F, minimum = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, code = b & 0x0F, minimum = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, code = b & 0x07, minimum = 0x10000;
  } else {
    return 0;  // a stray continuation byte, an overlong C0/C1 lead, or F5..FF
  }
  if (end - p < length) return 0;
  for (int i = 1; i < length; ++i) {
    if (!IsContinuation(p[i])) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Decodes bytes to dst; at an invalid byte returns nullptr when strict,
// else writes U+FFFD for it and goes on.
char16_t* DecodeUtf8(QByteArrayView bytes, char16_t* dst, bool strict) {
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* const end = p + bytes.size();
  while (p < end) {
    // Plain ASCII runs are the bulk of every export: eight bytes at a time.
    while (end - p >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, p, 8);
      if (chunk & 0x8080808080808080ULL) break;
      for (int i = 0; i < 8; ++i) dst[i] = p[i];
      dst += 8, p += 8;
    }
    if (p == end) break;
    if (*p < 0x80) {
      *dst++ = *p++;
      continue;
    }
    // Chinese text: characters of three bytes one after another, each
    // written as it is read; anything else (and a surrogate or overlong
    // form) goes the general way below.
    while (end - p >= 3) {
      const unsigned b0 = p[0], b1 = p[1], b2 = p[2];
      if ((b0 & 0xF0) != 0xE0 || ((b1 | b2 << 8) & 0xC0C0) != 0x8080) break;
      const unsigned unit = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F);
      if (unit < 0x800 || unit - 0xD800 < 0x800) break;
      *dst++ = static_cast<char16_t>(unit);
      p += 3;
    }
    if (p == end || *p < 0x80) continue;
    char32_t code;
    const int used = DecodeSequence(p, end, code);
    if (used == 0) {
      if (strict) return nullptr;
      *dst++ = kReplacement;
      ++p;
      continue;
    }
    p += used;
    if (code >= 0x10000) {
      code -= 0x10000;
      *dst++ = static_cast<char16_t>(0xD800 + (code >> 10));
      *dst++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      *dst++ = static_cast<char16_t>(code);
    }
  }
  return dst;
}

}  // namespace

bool DecodeUtf8Strict(QByteArrayView bytes, QString& out) {
  out.resize(bytes.size());  // never more UTF-16 units than bytes
  AdviseLargeBuffer(out.data(), out.size() * 2);
  char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
  char16_t* const end = DecodeUtf8(bytes, begin, true);
  if (!end) return false;
  out.truncate(end - begin);
  return true;
}

char16_t* DecodeUtf8Into(QByteArrayView bytes, char16_t* out) {
  return DecodeUtf8(bytes, out, false);
}

#if defined(__SSE2__)
namespace {

// The stripped UTF-16 units of the first valid bytes (0 to 16) at p, as
// the byte-wise count below finds them; p[16] and p[17] are read too. Each
// byte is worth 1, a continuation byte 0, a lead of four bytes 2, the
// first byte of a space of any kind 0: summed sixteen at a time.
__m128i ChunkUnits(const uint8_t* p, qsizetype valid) {
  alignas(16) static constexpr uint8_t kValid[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0xFF};
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
  const auto byte = [](int v) { return _mm_set1_epi8(static_cast<char>(v)); };
  const __m128i continuation = _mm_cmpeq_epi8(_mm_and_si128(b, byte(0xC0)), byte(0x80));
  const __m128i four = _mm_cmpeq_epi8(_mm_and_si128(b, byte(0xF0)), byte(0xF0));
  const __m128i space = _mm_or_si128(
      _mm_cmpeq_epi8(b, byte(' ')),
      _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(b, byte(0xC2)), _mm_cmpeq_epi8(b1, byte(0xA0))),
                   _mm_and_si128(
                       _mm_and_si128(_mm_cmpeq_epi8(b, byte(0xE3)), _mm_cmpeq_epi8(b1, byte(0x80))),
                       _mm_cmpeq_epi8(b2, byte(0x80)))));
  // Masks are -1 where they hold: 1 + continuation - four + space.
  __m128i units = _mm_sub_epi8(_mm_add_epi8(byte(1), continuation), four);
  units = _mm_add_epi8(units, space);
  units =
      _mm_and_si128(units, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kValid + 16 - valid)));
  return _mm_sad_epu8(units, _mm_setzero_si128());
}

}  // namespace
#endif

qsizetype StrippedUtf16Length(std::string_view utf8) {
  auto q = reinterpret_cast<const uint8_t*>(utf8.data());
  const uint8_t* const end = q + utf8.size();
  qsizetype length = 0;
#if defined(__SSE2__)
  // Most names are at most 32 bytes with no space and no four-byte
  // character: one unit for each byte that starts a character. A byte that
  // may begin anything else (' ', C2, E3, F0 and up) leaves the name to the
  // full count below. (An empty name may point just past its memory.)
  if (!utf8.empty() && utf8.size() <= 32 && CanReadAhead(q, 32)) {
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16));
    const __m128i space = _mm_set1_epi8(' '), c2 = _mm_set1_epi8(static_cast<char>(0xC2));
    const __m128i e3 = _mm_set1_epi8(static_cast<char>(0xE3));
    const __m128i high4 = _mm_set1_epi8(static_cast<char>(0xF0));
    const __m128i top2 = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i cont = _mm_set1_epi8(static_cast<char>(0x80));
    const auto odd = [&](__m128i b) {
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(b, space), _mm_cmpeq_epi8(b, c2)),
          _mm_or_si128(_mm_cmpeq_epi8(b, e3), _mm_cmpeq_epi8(_mm_and_si128(b, high4), high4)))));
    };
    const auto follows = [&](__m128i b) {
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(b, top2), cont)));
    };
    const unsigned valid =
        utf8.size() == 32 ? 0xFFFFFFFFu : (1u << static_cast<unsigned>(utf8.size())) - 1u;
    if (((odd(b0) | odd(b1) << 16) & valid) == 0) {
      // The bytes that start a character, counted without a library call.
      unsigned x = ~(follows(b0) | follows(b1) << 16) & valid;
      x = x - ((x >> 1) & 0x55555555u);
      x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
      x = (x + (x >> 4)) & 0x0F0F0F0Fu;
      return static_cast<qsizetype>((x * 0x01010101u) >> 24);
    }
  }
  // A name is one or two steps. The last few bytes are read where they
  // stand when that cannot leave their page, else copied out. What lies
  // past the name never counts: only the first valid bytes do, and a lead
  // byte among them, whose next bytes are looked at, has them in the name.
  __m128i sums = _mm_setzero_si128();
  for (; end - q >= 18; q += 16) sums = _mm_add_epi64(sums, ChunkUnits(q, 16));
  if (q < end) {
    const qsizetype left = end - q;
    alignas(16) uint8_t tail[48];
    const uint8_t* from = q;
    if (!CanReadAhead(q, 34)) {
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, q, static_cast<size_t>(left));
      from = tail;
    }
    for (qsizetype at = 0; at < left; at += 16)
      sums = _mm_add_epi64(sums, ChunkUnits(from + at, std::min<qsizetype>(16, left - at)));
    q = end;
  }
  length = static_cast<qsizetype>(_mm_cvtsi128_si64(sums) +
                                  _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
  for (; q < end; ++q) {
    const auto b = static_cast<unsigned char>(*q);
    if ((b & 0xC0) != 0x80) ++length;
    if (b >= 0xF0) ++length;
    if (b == ' ') {
      --length;
    } else if (b == 0xC2 && end - q >= 2 && static_cast<unsigned char>(q[1]) == 0xA0) {
      --length;
    } else if (b == 0xE3 && end - q >= 3 && static_cast<unsigned char>(q[1]) == 0x80 &&
               static_cast<unsigned char>(q[2]) == 0x80) {
      --length;
    }
  }
  return length;
}

namespace {

#if defined(__SSE2__)
// Past the ASCII and standard three-byte characters from p, sixteen bytes a
// step: Chinese text goes by without a look at each character. Stops at the
// start of a character the steps do not judge (a byte of another kind, a
// broken sequence) or of the last few bytes; what lies before is UTF-8.
const uint8_t* SkipAsciiAndThreeByte(const uint8_t* p, const uint8_t* end) {
  const auto byte = [](int v) { return _mm_set1_epi8(static_cast<char>(v)); };
  unsigned pending = 0;  // the places of the next step that must continue a character
  unsigned afterE0 = 0;  // its first place follows an E0 (needs A0..BF)
  unsigned afterED = 0;  // or an ED (needs 80..9F: no surrogates)
  // One step over the first bytes of chunk that count (valid): false when
  // they need the byte-wise look.
  const auto step = [&](__m128i chunk, unsigned valid) {
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(chunk)) & valid;
    if (high == 0 && pending == 0) return true;
    const auto continuation = static_cast<unsigned>(_mm_movemask_epi8(
                                  _mm_cmpeq_epi8(_mm_and_si128(chunk, byte(0xC0)), byte(0x80)))) &
                              valid;
    const auto lead = static_cast<unsigned>(_mm_movemask_epi8(
                          _mm_cmpeq_epi8(_mm_and_si128(chunk, byte(0xF0)), byte(0xE0)))) &
                      valid;
    const unsigned wanted = pending | lead << 1 | lead << 2;
    if ((high & ~(continuation | lead)) != 0 || (wanted & 0xFFFFu) != continuation) return false;
    // A continuation byte is A0..BF when its bit 5 is set.
    const auto upper = static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(chunk, 2)));
    const auto e0 =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, byte(0xE0)))) & valid;
    const auto ed =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, byte(0xED)))) & valid;
    if ((((e0 << 1) | afterE0) & ~upper & 0xFFFFu) != 0 || (((ed << 1) | afterED) & upper) != 0)
      return false;
    pending = wanted >> 16;
    afterE0 = e0 >> 15;
    afterED = ed >> 15;
    return true;
  };
  for (; end - p >= 16; p += 16) {
    // A whole file is looked at from its first byte on: its pages come
    // fresh from the page cache, and are asked for before they are needed.
    if (end - p > 2048) _mm_prefetch(reinterpret_cast<const char*>(p) + 2048, _MM_HINT_T0);
    if (!step(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 0xFFFFu)) break;
  }
  // The last few bytes in one step too; a character they leave open
  // (wanted past the end) fails the step and is judged byte by byte.
  if (end - p < 16 && p < end && step(LoadPartial(p, end), FirstLanes(end - p)) && pending == 0)
    return end;
  // Back to the lead of a character the last step left open.
  if (pending == 1) return p - 2;
  if (pending == 3) return p - 1;
  return p;
}
#endif

#if defined(QH_UTF8_AVX2)
// Standard UTF-8 judged 32 bytes a step, without a branch per character
// (the lookup method of Keiser and Lemire): each byte and the one before it
// index three small tables by their halves, and a bit survives the three
// only where the pair breaks a rule. Faults gather in one register that is
// looked at once, at the end.
constexpr uint8_t kTooShort = 1 << 0;    // a lead byte not followed by a continuation
constexpr uint8_t kTooLong = 1 << 1;     // a continuation after ASCII
constexpr uint8_t kOverlong3 = 1 << 2;   // E0 80..9F
constexpr uint8_t kTooLarge = 1 << 3;    // past U+10FFFF: F4 90.., F5..FF
constexpr uint8_t kSurrogate = 1 << 4;   // ED A0..BF
constexpr uint8_t kOverlong2 = 1 << 5;   // C0, C1
constexpr uint8_t kTooLarge1000 = 1 << 6;  // F5..FF 80..8F
constexpr uint8_t kOverlong4 = 1 << 6;   // F0 80..8F
constexpr uint8_t kTwoConts = 1 << 7;    // a continuation after a continuation
constexpr uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

__attribute__((target("avx2"))) inline __m256i Table(const uint8_t (&t)[16]) {
  const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  return _mm256_broadcastsi128_si256(half);
}

// The bytes of input moved on by n places, the first n from prev's end.
template <int N>
__attribute__((target("avx2"))) inline __m256i Before(__m256i input, __m256i prev) {
  return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(prev, input, 0x21), 16 - N);
}

__attribute__((target("avx2"))) bool IsValidUtf8Avx2(const uint8_t* p, const uint8_t* end) {
  static constexpr uint8_t kFirstHigh[16] = {
      kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
      kTwoConts, kTwoConts, kTwoConts, kTwoConts,
      kTooShort | kOverlong2,
      kTooShort,
      kTooShort | kOverlong3 | kSurrogate,
      kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
  static constexpr uint8_t kFirstLow[16] = {
      kCarry | kOverlong3 | kOverlong2 | kOverlong4,
      kCarry | kOverlong2,
      kCarry,
      kCarry,
      kCarry | kTooLarge,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
      kCarry | kTooLarge | kTooLarge1000,
      kCarry | kTooLarge | kTooLarge1000};
  static constexpr uint8_t kSecondHigh[16] = {
      kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
      kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,
      kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
      kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
      kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
      kTooShort, kTooShort, kTooShort, kTooShort};
  // A lead byte this near a step's end wants bytes of the next step.
  alignas(32) static constexpr uint8_t kLastComplete[32] = {
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1};
  const __m256i firstHigh = Table(kFirstHigh);
  const __m256i firstLow = Table(kFirstLow);
  const __m256i secondHigh = Table(kSecondHigh);
  const __m256i lastComplete = _mm256_load_si256(reinterpret_cast<const __m256i*>(kLastComplete));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i prev = _mm256_setzero_si256();
  __m256i prevIncomplete = _mm256_setzero_si256();
  __m256i error = _mm256_setzero_si256();
  alignas(32) uint8_t tail[32];
  while (p < end) {
    __m256i input;
    if (end - p >= 32) {
      if (end - p > 2048) _mm_prefetch(reinterpret_cast<const char*>(p) + 2048, _MM_HINT_T0);
      input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      p += 32;
    } else {
      // The last bytes, followed by NULs: ASCII, so a character they leave
      // open counts as cut short.
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, p, static_cast<size_t>(end - p));
      input = _mm256_load_si256(reinterpret_cast<const __m256i*>(tail));
      p = end;
    }
    if (_mm256_movemask_epi8(input) == 0) {
      error = _mm256_or_si256(error, prevIncomplete);
      prevIncomplete = _mm256_setzero_si256();
    } else {
      const __m256i prev1 = Before<1>(input, prev);
      const __m256i rules = _mm256_and_si256(
          _mm256_and_si256(
              _mm256_shuffle_epi8(firstHigh, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
              _mm256_shuffle_epi8(firstLow, _mm256_and_si256(prev1, nibble))),
          _mm256_shuffle_epi8(secondHigh, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
      // The third and fourth bytes of a character must be continuations:
      // the high bit of these differences is set after E0.. two places
      // back or F0.. three places back.
      const __m256i third = _mm256_subs_epu8(Before<2>(input, prev), _mm256_set1_epi8(0xE0 - 0x80));
      const __m256i fourth =
          _mm256_subs_epu8(Before<3>(input, prev), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
      const __m256i wanted =
          _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
      error = _mm256_or_si256(error, _mm256_xor_si256(wanted, rules));
      prevIncomplete = _mm256_subs_epu8(input, lastComplete);
    }
    prev = input;
  }
  error = _mm256_or_si256(error, prevIncomplete);
  return _mm256_testz_si256(error, error) != 0;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace

bool IsValidUtf8(QByteArrayView bytes) {
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* const end = p + bytes.size();
#if defined(QH_UTF8_AVX2)
  if (bytes.size() >= 64 && HasAvx2()) return IsValidUtf8Avx2(p, end);
#endif
  while (p < end) {
#if defined(__SSE2__)
    p = SkipAsciiAndThreeByte(p, end);
#else
    while (end - p >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, p, 8);
      if (chunk & 0x8080808080808080ULL) break;
      p += 8;
    }
#endif
    // What the steps leave, a step's worth of bytes one character at a
    // time: a text of other characters is not tried sixteen bytes at a
    // time over and over.
    const uint8_t* const stop = end - p > 16 ? p + 16 : end;
    while (p < stop) {
      if (*p < 0x80) {
        ++p;
        continue;
      }
      char32_t code;
      const int used = DecodeSequence(p, end, code);
      if (used == 0) return false;
      p += used;
    }
  }
  return true;
}

QString DecodeCodePage936(QByteArrayView bytes) {
  QStringDecoder decoder("GBK");
  if (!decoder.isValid()) return QString::fromLatin1(bytes.data(), bytes.size());
  // Room for every byte plus the flushes below; decoded straight into place.
  QString out(decoder.requiredSpace(bytes.size()) + 3 * bytes.count('\xFF') + 16,
              Qt::Uninitialized);
  AdviseLargeBuffer(out.data(), out.size() * 2);
  QChar* const begin = out.data();
  QChar* end = begin;
  // 0xFF is part of no GBK character, yet the converter turns it into a
  // private-use character: decode the runs between such bytes and put
  // U+FFFD in their place. A line feed after each run flushes a dangling
  // lead byte as U+FFFD; it is not part of the text and is taken off again.
  qsizetype start = 0;
  for (;;) {
    qsizetype stop = bytes.indexOf('\xFF', start);
    if (stop < 0) stop = bytes.size();
    if (stop > start) {
      end = decoder.appendToBuffer(end, bytes.sliced(start, stop - start));
      end = decoder.appendToBuffer(end, QByteArrayView("\n", 1));
      --end;
    }
    if (stop == bytes.size()) break;
    *end++ = QChar(kReplacement);
    start = stop + 1;
  }
  out.truncate(end - begin);
  return out;
}

QByteArray CodePage936ToUtf8(QByteArrayView bytes) {
  QStringDecoder decoder("GBK");
  if (!decoder.isValid()) return QString::fromLatin1(bytes.data(), bytes.size()).toUtf8();
  // Two bytes of GBK become at most three of UTF-8, one byte one.
  QByteArray out;
  out.reserve(bytes.size() + bytes.size() / 2 + 16);
  constexpr qsizetype kBlock = 1 << 20;
  QString block(decoder.requiredSpace(kBlock) + 16, Qt::Uninitialized);
  QChar* const begin = block.data();
  QChar* end = begin;
  // What the decoder gave, in UTF-8; a high surrogate at the end waits for
  // its pair from the next block.
  const auto hand = [&](bool last) {
    qsizetype n = end - begin;
    const bool holdBack = !last && n > 0 && begin[n - 1].isHighSurrogate();
    if (holdBack) --n;
    out += QStringView(begin, n).toUtf8();
    if (holdBack) begin[0] = begin[n];
    end = begin + (holdBack ? 1 : 0);
  };
  // The runs between 0xFF bytes as DecodeCodePage936 takes them, each fed
  // in blocks: the decoder keeps its state from block to block.
  qsizetype start = 0;
  for (;;) {
    qsizetype stop = bytes.indexOf('\xFF', start);
    if (stop < 0) stop = bytes.size();
    for (qsizetype at = start; at < stop; at += kBlock) {
      end = decoder.appendToBuffer(end, bytes.sliced(at, std::min(kBlock, stop - at)));
      if (at + kBlock >= stop) {
        end = decoder.appendToBuffer(end, QByteArrayView("\n", 1));
        --end;
      }
      hand(false);
    }
    if (stop == bytes.size()) break;
    *end++ = QChar(kReplacement);
    if (end - begin >= kBlock) hand(false);  // a long row of 0xFF bytes
    start = stop + 1;
  }
  hand(true);
  return out;
}

namespace {

constexpr int kTrails = 0xFF - 0x40;  // 40..FE, 7F left unused

// Every character of two bytes as the converter decodes it, and last the
// byte 80, built once; empty when there is no converter or it reads a pair
// other than as one character (then only the converter may read the text).
const std::vector<char16_t>& CodePage936Pairs() {
  static const std::vector<char16_t> pairs = [] {
    std::vector<char16_t> table;
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) return table;
    QByteArray all;
    all.reserve(2 * 126 * kTrails);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        all += static_cast<char>(lead);
        all += static_cast<char>(trail == 0x7F ? 0x40 : trail);
      }
    }
    all += '\x80';  // last: the one byte above ASCII that is a character by itself
    const QString text = decoder.decode(all);
    if (text.size() != all.size() / 2 + 1 || decoder.hasError()) return table;
    table.assign(text.utf16(), text.utf16() + text.size());
    for (size_t at = 0x7F - 0x40; at + 1 < table.size(); at += kTrails) table[at] = kReplacement;
    return table;
  }();
  return pairs;
}

}  // namespace

bool CanDecodeCodePage936Into() { return !CodePage936Pairs().empty(); }

char16_t* DecodeCodePage936Into(QByteArrayView bytes, char16_t* out) {
  const std::vector<char16_t>& pairs = CodePage936Pairs();
  if (pairs.empty()) return out;
  const qsizetype n = bytes.size();
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  qsizetype i = 0;
  while (i < n) {
    while (n - i >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, p + i, 8);
      if (chunk & 0x8080808080808080ULL) break;
      for (int k = 0; k < 8; ++k) out[k] = p[i + k];
      out += 8, i += 8;
    }
    if (i == n) break;
    const uint8_t lead = p[i];
    if (lead < 0x80) {
      *out++ = lead;
      ++i;
    } else if (const qsizetype end = CodePage936CharEnd(bytes, i); end == i + 2) {
      *out++ = pairs[static_cast<size_t>((lead - 0x81) * kTrails + (p[i + 1] - 0x40))];
      i = end;
    } else {
      *out++ = lead == 0x80 ? pairs.back() : kReplacement;
      ++i;
    }
  }
  return out;
}

QString DecodeFileText(QByteArrayView bytes) {
  QString text;
  if (DecodeUtf8Strict(bytes, text)) return text;
  return DecodeCodePage936(bytes);
}

QByteArrayView WithoutUtf8Mark(QByteArrayView bytes) {
  return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

QString DecodeFileText(QByteArrayView bytes, Utf8Mark mark) {
  return DecodeFileText(mark == Utf8Mark::Skip ? WithoutUtf8Mark(bytes) : bytes);
}

bool StartsWithUtf16Mark(QByteArrayView bytes) {
  return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

std::optional<QStringView> Utf16InPlace(QByteArrayView bytes) {
  if (QSysInfo::ByteOrder != QSysInfo::LittleEndian || !bytes.startsWith("\xFF\xFE") ||
      bytes.size() % 2 != 0 || reinterpret_cast<quintptr>(bytes.data()) % alignof(char16_t) != 0)
    return std::nullopt;
  return QStringView(reinterpret_cast<const char16_t*>(bytes.data()) + 1, bytes.size() / 2 - 1);
}

Utf16Pieces::Utf16Pieces(QByteArrayView bytes)
    : data_(reinterpret_cast<const uchar*>(bytes.data()) + 2),
      units_((bytes.size() - 2) / 2),
      big_(bytes.startsWith("\xFE\xFF")),
      odd_(bytes.size() % 2 != 0) {}

void Utf16Pieces::Decode(qsizetype from, qsizetype count, char16_t* out) const {
  const qsizetype whole = std::min(count, units_ - from);
  if (whole > 0) {
    const uchar* const src = data_ + 2 * from;
    if (big_)
      qFromBigEndian<quint16>(src, whole, out);
    else
      qFromLittleEndian<quint16>(src, whole, out);
  }
  if (whole < count) out[whole] = kReplacement;  // the odd last byte
}

char16_t Utf16Pieces::operator[](qsizetype i) const {
  if (i == units_) return kReplacement;
  const uchar* const p = data_ + 2 * i;
  return big_ ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
}

QString DecodeUtf16(QByteArrayView bytes, const std::function<void(qsizetype)>& passed) {
  const Utf16Pieces pieces(bytes);
  QString text(pieces.Units(), Qt::Uninitialized);
  AdviseLargeBuffer(text.data(), text.size() * 2);
  char16_t* const out = reinterpret_cast<char16_t*>(text.data());
  constexpr qsizetype kBlock = qsizetype(1) << 19;
  for (qsizetype from = 0; from < text.size(); from += kBlock) {
    const qsizetype count = std::min(kBlock, text.size() - from);
    pieces.Decode(from, count, out + from);
    if (passed) passed(std::min(bytes.size(), Utf16Pieces::ByteOffset(from + count)));
  }
  return text;
}

QString DecodeUtf16AndRelease(QByteArray& bytes) {
  QString text = DecodeUtf16(bytes, {});
  bytes = QByteArray();
  return text;
}

QString DecodeAndRelease(QByteArray& bytes, Utf8Mark mark) {
  QString text = DecodeFileText(bytes, mark);
  bytes = QByteArray();
  return text;
}

}  // namespace qh
