#include "update/local_version.h"

#include <limits>

#include "update/build_number.h"
#include "update/running_link_stamp.h"

namespace qh {

namespace {

QString TwoDigits(qint64 value) { return (QStringLiteral("0") + QString::number(value)).right(2); }

// Two digits up to 2099; later years in full, so 2100 never reads as 00.
QString YearText(qint64 year) {
  return year > 2099 ? QString::number(year) : TwoDigits(year % 100);
}

}  // namespace

LocalVersion LocalVersionFromStamp(qint64 stamp, const QDateTime& now) {
  LocalVersion version;
  // A stamp that does not fit the signed 32-bit field (links from 2038 on)
  // counts as unreadable, like a missing one.
  if (stamp < 1 || stamp > std::numeric_limits<qint32>::max()) {
    version.BuildDate = now;
  } else {
    const qint64 days = stamp / 86400;
    const qint64 hours = (stamp - days * 86400) / 3600 + 8;  // China time, fixed offset
    const QDate date = QDate(1970, 1, 1).addDays(days + hours / 24);
    version.BuildDate = QDateTime(date, QTime(int(hours % 24), 0), Qt::OffsetFromUTC, 8 * 3600);
  }
  version.BuildNumber = BuildNumberOf(version.BuildDate);
  return version;
}

const LocalVersion& RunningLocalVersion() {
  // Computed once per run: replacing the file on disk later changes nothing.
  static const LocalVersion version =
      LocalVersionFromStamp(RunningLinkStamp(), QDateTime::currentDateTime());
  return version;
}

qint32 LocalBuildNumber() { return RunningLocalVersion().BuildNumber; }

QDateTime LocalBuildDate() { return RunningLocalVersion().BuildDate; }

QString VersionText(qint32 n) {
  const QStringList fields = {YearText(n / 1000000), TwoDigits((n / 10000) % 100),
                              TwoDigits((n / 100) % 100), TwoDigits(n % 100)};
  return fields.join(QLatin1Char('.'));
}

QString VersionTextOfDate(const QDateTime& date) {
  const QStringList fields = {YearText(date.date().year()), TwoDigits(date.date().month()),
                              TwoDigits(date.date().day()), TwoDigits(date.time().hour())};
  return fields.join(QLatin1Char('.'));
}

qint32 BuildNumberOfVersionText(QStringView text) {
  const QList<QStringView> fields = text.split(u'.');
  if (fields.size() != 4) return 0;
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    values[i] = fields[i].toInt(&ok);
    if (!ok || values[i] < 0) return 0;
  }
  const int year = fields[0].size() == 2 ? 2000 + values[0] : values[0];
  const QDate date(year, values[1], values[2]);
  if (!date.isValid() || values[3] > 23) return 0;
  const qint32 n = BuildNumberOf(QDateTime(date, QTime(values[3], 0)));
  // One spelling per version: "24.5.2.16", "+24..." or "2024.05..." are not it.
  return n > 0 && VersionText(n) == text ? n : 0;
}

QString LocalVersionText() { return VersionTextOfDate(LocalBuildDate()); }

QString ReleaseVersion() { return QStringLiteral(QH_RELEASE_VERSION); }

}  // namespace qh
