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
