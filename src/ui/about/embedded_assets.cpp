#include "ui/about/embedded_assets.h"

#include <QDir>

#include "ui/about/embedded_hex.h"

// QrImageHex and HandCursorHex are defined in the source generated from
// assets/ at build time (assets/embed_hex.cmake).

namespace qh {

std::optional<QByteArray> QrImageBytes() { return DecodeHex(QrImageHex(), kQrImageBytes); }

std::optional<QByteArray> HandCursorBytes() { return DecodeHex(HandCursorHex(), kHandCursorBytes); }

QString WriteQrImage(const QString& appDir) {
  return WriteHexFile(QrImageHex(), kQrImageBytes, kQrTempFileName, appDir);
}

QString WriteHandCursor(const QString& appDir) {
  return WriteHexFile(HandCursorHex(), kHandCursorBytes, kHandTempFileName, appDir);
}

void DeleteEmbeddedTempFiles(const QString& appDir) {
  const QDir dir(appDir);
  DeleteFileQuietly(dir.filePath(kQrTempFileName));
  DeleteFileQuietly(dir.filePath(kHandTempFileName));
}

}  // namespace qh
