#include "cli_json.h"

#include "base/shortest_number.h"

#include <QChar>
#include <bit>
#include <algorithm>
#include <charconv>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qh::cli {

namespace {

// Writes the UTF-16 units of text as UTF-8 at d, with JSON escapes; a lone
// surrogate becomes "?" as in every other UTF-8 text the tool prints.
// Needs room for 6 bytes per unit.
char* WriteJsonChars(char* d, QStringView text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const char16_t* const units = text.utf16();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = units[i];
    if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
      *d++ = static_cast<char>(c);
    } else if (c < 0x80) {
      *d++ = '\\';
      switch (c) {
        case u'"': *d++ = '"'; break;
        case u'\\': *d++ = '\\'; break;
        case u'\n': *d++ = 'n'; break;
        case u'\r': *d++ = 'r'; break;
        case u'\t': *d++ = 't'; break;
        case u'\b': *d++ = 'b'; break;
        case u'\f': *d++ = 'f'; break;
        default:
          d = std::copy_n("u00", 3, d);
          *d++ = kHex[c >> 4];
          *d++ = kHex[c & 0xF];
      }
    } else if (c < 0x800) {
      *d++ = static_cast<char>(0xC0 | (c >> 6));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
      const char32_t code = QChar::surrogateToUcs4(c, units[++i]);
      *d++ = static_cast<char>(0xF0 | (code >> 18));
      *d++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *d++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (QChar::isSurrogate(c)) {
      *d++ = '?';
    } else {
      *d++ = static_cast<char>(0xE0 | (c >> 12));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return d;
}

// The escape of an ASCII character other than a quote, a backslash or a
// control character: none.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

char* WriteJsonUtf8(char* d, std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    // Runs without escapes (every byte of a longer character among them)
    // are copied whole.
    const char* run = p;
#if defined(__SSE2__)
    while (end - run >= 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run));
      // Bytes below 0x20: unsigned minimum with 0x1F leaves them unchanged.
      const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
      const __m128i quote = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"'));
      const __m128i backslash = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'));
      const auto found = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(control, _mm_or_si128(quote, backslash))));
      if (found != 0) {
        run += std::countr_zero(found);
        break;
      }
      run += 16;
    }
#endif
    while (run < end && !NeedsEscape(static_cast<unsigned char>(*run))) ++run;
    d = std::copy(p, run, d);
    if (run == end) break;
    // One unit of ASCII: WriteJsonChars writes its escape.
    const char16_t unit = static_cast<unsigned char>(*run);
    d = WriteJsonChars(d, QStringView(&unit, 1));
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
  const qsizetype start = out.size();
  out.resize(start + 2 + 6 * text.size());  // the new bytes are left uninitialised
  char* d = out.data() + start;
  *d++ = '"';
  d = WriteJsonChars(d, text);
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
