#include "cli_json.h"

#include "base/partial_load.h"
#include "base/shortest_number.h"
#include "base/text_utils.h"

#include <bit>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>


namespace qh::cli {

namespace {

// The escape of one ASCII quote, backslash or control character.
char* WriteEscape(char* d, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  *d++ = '\\';
  switch (c) {
    case '"': *d++ = '"'; break;
    case '\\': *d++ = '\\'; break;
    case '\n': *d++ = 'n'; break;
    case '\r': *d++ = 'r'; break;
    case '\t': *d++ = 't'; break;
    case '\b': *d++ = 'b'; break;
    case '\f': *d++ = 'f'; break;
    default:
      d = std::copy_n("u00", 3, d);
      *d++ = kHex[c >> 4];
      *d++ = kHex[c & 0xF];
  }
  return d;
}

#if !defined(__SSE2__)
// The escape of an ASCII character other than a quote, a backslash or a
// control character: none.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }
#endif

#if defined(__SSE2__)
// The bytes of chunk that need an escape, as a movemask.
unsigned EscapeMask(__m128i chunk) {
  // Bytes below 0x20: unsigned minimum with 0x1F leaves them unchanged.
  const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
  const __m128i quote = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"'));
  const __m128i backslash = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(control, _mm_or_si128(quote, backslash))));
}
#endif

char* WriteJsonUtf8(char* d, std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    // Runs without escapes (every byte of a longer character among them)
    // are copied whole.
    const char* run = p;
#if defined(__SSE2__)
    for (;;) {
      if (end - run >= 16) {
        const unsigned found = EscapeMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(run)));
        if (found == 0) {
          run += 16;
          continue;
        }
        run += std::countr_zero(found);
      } else if (run < end) {
        const unsigned found = EscapeMask(LoadPartial(run, end)) & FirstLanes(end - run);
        run = found == 0 ? end : run + std::countr_zero(found);
      }
      break;
    }
#else
    while (run < end && !NeedsEscape(static_cast<unsigned char>(*run))) ++run;
#endif
    d = std::copy(p, run, d);
    if (run == end) break;
    d = WriteEscape(d, static_cast<unsigned char>(*run));
    p = run + 1;
  }
  return d;
}

char* WriteNumber(char* d, double value) {
  if (!std::isfinite(value)) return std::copy_n("null", 4, d);
  return WriteShortest(d, value);
}
char* WriteNumber(char* d, float value) {
  if (!std::isfinite(value)) return std::copy_n("null", 4, d);
  return std::to_chars(d, d + 64, value).ptr;
}

}  // namespace

size_t JsonPairRoom(size_t nameBytes) { return 6 * nameBytes + 6 + kShortestRoom; }

char* WriteJsonPair(char* d, std::string_view name, double value) {
  *d++ = '[';
  *d++ = '"';
  d = WriteJsonUtf8(d, name);
  *d++ = '"';
  *d++ = ',';
  d = WriteNumber(d, value);
  *d++ = ']';
  return d;
}

void AppendJsonString(QByteArray& out, QStringView text) {
  // As UTF-8 first (3 bytes a unit at most), then escaped (6 a byte).
  std::string utf8(static_cast<size_t>(text.size()) * 3, '\0');
  utf8.resize(static_cast<size_t>(WriteUtf8(utf8.data(), text) - utf8.data()));
  const qsizetype start = out.size();
  out.resize(start + 2 + 6 * static_cast<qsizetype>(utf8.size()));
  char* d = out.data() + start;
  *d++ = '"';
  d = WriteJsonUtf8(d, utf8);
  *d++ = '"';
  out.truncate(d - out.constData());
}

namespace {
template <typename T>
void AppendShortest(QByteArray& out, T value) {
  char buffer[64];
  out.append(buffer, WriteNumber(buffer, value) - buffer);
}
}  // namespace

void AppendJsonNumber(QByteArray& out, double value) { AppendShortest(out, value); }
void AppendJsonNumber(QByteArray& out, float value) { AppendShortest(out, value); }

}  // namespace qh::cli
