#pragma once
// Fetches the new program into the program folder, refusing anything that
// is not a complete program for this platform.
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace qh {

inline constexpr qint64 kMaxDownloadBytes = 512LL * 1024 * 1024;

enum class ExecutableFormat { Pe, Elf };
ExecutableFormat NativeExecutableFormat();

// True when the first bytes of a file start a program of that format.
bool LooksLikeProgram(QByteArrayView head, ExecutableFormat format);

// "~qznew.exe" on Windows, "~qznew" elsewhere.
QString NewFileName();

struct DownloadRequest {
  QString url;
  QString appDir;
  int stallTimeoutMs = 30000;
  qint64 maxBytes = kMaxDownloadBytes;
  ExecutableFormat format = NativeExecutableFormat();
};

// Downloads into appDir + NewFileName(). Returns that path, or an empty text
// with errorText set; a refused download leaves no new file behind.
QString DownloadUpdate(const DownloadRequest& request, QString& errorText);

}  // namespace qh
