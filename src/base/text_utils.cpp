#include "base/text_utils.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace qh {

QString StripSpaces(QStringView text) {
  // Called for every cell of every export: most cells hold no space at all
  // and come out with one copy.
  qsizetype first = 0;
  while (first < text.size() && !IsStrippedSpace(text[first])) ++first;
  if (first == text.size()) return text.toString();
  QString out(text.size(), Qt::Uninitialized);
  QChar* const begin = out.data();
  QChar* end = std::copy(text.begin(), text.begin() + first, begin);
  for (qsizetype i = first + 1; i < text.size(); ++i) {
    if (!IsStrippedSpace(text[i])) *end++ = text[i];
  }
  out.truncate(end - begin);
  return out;
}

char* WriteUtf8(char* out, QStringView text) {
  const char16_t* const units = text.utf16();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char32_t c = units[i];
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
      const char32_t code = QChar::surrogateToUcs4(static_cast<char16_t>(c), units[++i]);
      *out++ = static_cast<char>(0xF0 | (code >> 18));
      *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (QChar::isSurrogate(c)) {
      *out++ = '?';
    } else {
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool IsBlank(QStringView text) {
  for (QChar c : text) {
    if (!IsStrippedSpace(c)) return false;
  }
  return true;
}

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

long long RoundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::nearbyint(value);  // default mode: to nearest, ties to even
  if (rounded >= 9.2e18) return 9200000000000000000LL;
  if (rounded <= -9.2e18) return -9200000000000000000LL;
  return static_cast<long long>(rounded);
}

}  // namespace qh
