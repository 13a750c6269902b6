#include "ui/about/embedded_hex.h"

namespace qh {

int HexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}

std::optional<QByteArray> DecodeHex(QStringView hexText, qint64 expectedBytes) {
  const qint64 n = hexText.size() / 2;
  if (n != expectedBytes) return std::nullopt;
  QByteArray bytes(n, Qt::Uninitialized);
  for (qint64 i = 0; i < n; ++i) {
    const int high = HexDigitValue(hexText[2 * i]);
    const int low = HexDigitValue(hexText[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<char>(high * 16 + low);
  }
  return bytes;
}

}  // namespace qh
