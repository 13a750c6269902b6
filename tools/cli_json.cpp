#include "cli_json.h"

#include <QChar>
#include <algorithm>
#include <charconv>
#include <cmath>

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

}  // namespace

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
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr - buffer);
}
}  // namespace

void AppendJsonNumber(QByteArray& out, double value) { AppendShortest(out, value); }
void AppendJsonNumber(QByteArray& out, float value) { AppendShortest(out, value); }

}  // namespace qh::cli
