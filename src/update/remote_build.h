#pragma once
// The Last-Modified time of the download, read for the log: whether a
// newer version exists is decided by the signed statement alone.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "update/build_number.h"

namespace qh {

// The "zero" date-time that stands for "no time" (1899-12-30 00:00 UTC).
QDateTime ZeroDateTime();

// 1 to 12 for "Jan" to "Dec" (exact case), else 0.
int MonthNumber(QStringView text);

// The RFC 1123 date of a Last-Modified header read at fixed positions, taken
// as GMT, or one of the obsolete RFC 850 and asctime forms HTTP allows;
// ZeroDateTime() when it is none of them or has no month or year.
QDateTime LastModifiedOf(QStringView header);

struct RemoteBuild {
  bool Ok = false;
  qint32 BuildNumber = 0;   // 0 unless ok
  bool Unreadable = false;  // a header came, but no date this program can use
};

// The build number at UTC+8 of a raw Last-Modified header value as the
// server sent it (empty when there was none). Only the header counts, not
// the status code. A year before 1970 (a two-digit year read as one) is no
// date: it would make every build look newer than the server's for ever.
RemoteBuild RemoteBuildOfHeader(QByteArray header);

}  // namespace qh
