#include "ui/about/embedded_hex.h"

#include <QDir>
#include <QFile>

#include "base/text_utils.h"

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

QString WriteHexFile(QStringView hexText, qint64 expectedBytes, const QString& fileName,
                     const QString& folder) {
  // Decode everything first: a bad text must leave an existing file alone.
  const std::optional<QByteArray> bytes = DecodeHex(hexText, expectedBytes);
  if (!bytes) return {};
  const QString path = QDir(folder).filePath(fileName);
  // Remove first so that a longer old file can never leave a stale tail.
  DeleteFileQuietly(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  const bool written = file.write(*bytes) == bytes->size() && file.flush();
  file.close();
  if (!written) {
    // A truncated picture is worse than none.
    DeleteFileQuietly(path);
    return {};
  }
  return path;
}

void DeleteFileQuietly(const QString& path) {
  if (path.isEmpty() || !FileExists(path)) return;
  QFile::remove(path);
}

}  // namespace qh
