#pragma once
// Windows program (PE) headers, read from bytes: pure functions, built and
// tested on every platform although only the Windows build runs them on
// itself.
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace qh {

// The link time stamp of a PE image (seconds since 1970 UTC), or 0 when the
// bytes are not a PE image. Bounds-checked: any bytes are safe.
qint32 PeLinkTimeOfBytes(QByteArrayView bytes);
// The same for a file; a missing or unreadable file gives 0.
qint32 PeLinkTime(const QString& path);

// True when the bytes start like a Windows program ("MZ").
bool IsPeImage(QByteArrayView head);

// True when candidate (the start of a file of candidateSize bytes) is a PE
// executable image like running: the same machine and optional-header kind,
// not a library, with its section table inside the file.
bool PeImageMatches(QByteArrayView candidate, qint64 candidateSize, QByteArrayView running);

}  // namespace qh
