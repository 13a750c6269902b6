#pragma once
// The program's own version: its build stamp (the last commit's time, or
// SOURCE_DATE_EPOCH), as a build number in China time (UTC+8) with hour
// resolution.
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "update/pe_image.h"

namespace qh {

struct LocalVersion {
  qint32 BuildNumber = 0;  // see BuildNumberOf
  QDateTime BuildDate;     // the link time at UTC+8 in whole hours, or "now"
};

// The version for a link time stamp; a stamp below 1 gives the version of
// `now` (the local date and time when the link time cannot be read).
LocalVersion LocalVersionFromStamp(qint64 stamp, const QDateTime& now);

// The running program's version, computed on first use and kept for the run.
const LocalVersion& RunningLocalVersion();
qint32 LocalBuildNumber();
QDateTime LocalBuildDate();

// yy.mm.dd.hh of a build number (the year in full after 2099).
QString VersionText(qint32 buildNumber);
// The build number of a version text as VersionText writes it; 0 for any
// other text or a date that does not exist.
qint32 BuildNumberOfVersionText(QStringView text);
// yy.mm.dd.hh of a date.
QString VersionTextOfDate(const QDateTime& date);
// yy.mm.dd.hh of the running program, as the navigation panel shows it.
QString LocalVersionText();

// The release this program was built as ("1.0.0"), the project's version.
QString ReleaseVersion();

}  // namespace qh
