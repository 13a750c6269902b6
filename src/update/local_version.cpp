#include "update/local_version.h"

#include <limits>

#include "update/build_number.h"
#include "update/running_link_stamp.h"

namespace qh {

namespace {

QString TwoDigits(qint64 value) { return (QStringLiteral("0") + QString::number(value)).right(2); }

}  // namespace

LocalVersion LocalVersionFromStamp(qint64 stamp, const QDateTime& now) {
  LocalVersion version;
  // A stamp that does not fit the signed 32-bit field (links from 2038 on)
  // counts as unreadable, like a missing one.
  if (stamp < 1 || stamp > std::numeric_limits<qint32>::max()) {
    version.buildDate = now;
  } else {
    const qint64 days = stamp / 86400;
    const qint64 hours = (stamp - days * 86400) / 3600 + 8;  // China time, fixed offset
    const QDate date = QDate(1970, 1, 1).addDays(days + hours / 24);
    version.buildDate = QDateTime(date, QTime(int(hours % 24), 0), Qt::OffsetFromUTC, 8 * 3600);
  }
  version.buildNumber = BuildNumberOf(version.buildDate);
  return version;
}

const LocalVersion& RunningLocalVersion() {
  // Computed once per run: replacing the file on disk later changes nothing.
  static const LocalVersion version =
      LocalVersionFromStamp(RunningLinkStamp(), QDateTime::currentDateTime());
  return version;
}

qint32 LocalBuildNumber() { return RunningLocalVersion().buildNumber; }

QDateTime LocalBuildDate() { return RunningLocalVersion().buildDate; }

QString VersionText(qint32 n) {
  const QStringList fields = {TwoDigits(n / 1000000), TwoDigits((n / 10000) % 100),
                              TwoDigits((n / 100) % 100), TwoDigits(n % 100)};
  return fields.join(QLatin1Char('.'));
}

QString VersionTextOfDate(const QDateTime& date) {
  const QStringList fields = {TwoDigits(date.date().year() % 100), TwoDigits(date.date().month()),
                              TwoDigits(date.date().day()), TwoDigits(date.time().hour())};
  return fields.join(QLatin1Char('.'));
}

QString LocalVersionText() { return VersionTextOfDate(LocalBuildDate()); }

}  // namespace qh
