#include "update/local_version.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <limits>

#include "base/little_endian.h"
#include "update/build_number.h"

#if !defined(Q_OS_WIN)
// Written into the program by a fresh object at every link (see
// update/link_stamp.cmake). Weak, so libraries and tests linked without it
// see a null address and fall back to the current time.
extern "C" __attribute__((weak)) const long long qhLinkTimeStamp;
#endif

namespace qh {

namespace {

constexpr qsizetype kPeOffsetField = 60;
constexpr quint32 kMaxPeOffset = 1000000000;

QString TwoDigits(qint64 value) { return (QStringLiteral("0") + QString::number(value)).right(2); }

qint64 RunningLinkStamp() {
#if defined(Q_OS_WIN)
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  return PeLinkTime(exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() +
                    QStringLiteral(".exe"));
#else
  return &qhLinkTimeStamp != nullptr ? qhLinkTimeStamp : 0;
#endif
}

}  // namespace

qint32 PeLinkTimeOfBytes(QByteArrayView bytes) {
  if (bytes.size() < kPeOffsetField + 5) return 0;
  if (bytes[0] != 'M' || bytes[1] != 'Z') return 0;
  const quint32 e = ReadLe32(bytes, kPeOffsetField);
  if (e == 0 || e > kMaxPeOffset) return 0;
  if (qsizetype(e) + 11 > bytes.size() - 1) return 0;
  if (bytes[e] != 'P' || bytes[e + 1] != 'E') return 0;
  return static_cast<qint32>(ReadLe32(bytes, e + 8));
}

qint32 PeLinkTime(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return 0;
  return PeLinkTimeOfBytes(file.readAll());
}

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
