#include "update/release_statement.h"

#include <QStringList>
#include <QSysInfo>

#include "update/local_version.h"

namespace qh {

namespace {

// Printable ASCII and spaces: no tabs, line ends or look-alike letters.
bool IsPlainAscii(QByteArrayView text) {
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

bool IsWord(const QString& word) {
  if (word.isEmpty()) return false;
  for (QChar c : word)
    if (!c.isLetterOrNumber() && c != u'-' && c != u'_') return false;
  return true;
}

}  // namespace

std::optional<ReleaseStatement> ParseReleaseStatement(QByteArrayView trustedComment) {
  if (!IsPlainAscii(trustedComment)) return std::nullopt;
  const QStringList words = QString::fromLatin1(trustedComment).split(u' ');
  if (words.size() != 7 || words[3] != u"version" || words[5] != u"expires") return std::nullopt;
  ReleaseStatement release;
  release.Product = words[0];
  release.Program = words[1];
  release.Platform = words[2];
  if (!IsWord(release.Product) || !IsWord(release.Platform)) return std::nullopt;
  if (release.Program != QLatin1String(kWindowProgram) &&
      release.Program != QLatin1String(kCliProgram))
    return std::nullopt;
  release.BuildNumber = BuildNumberOfVersionText(words[4]);
  release.Expires = QDate::fromString(words[6], Qt::ISODate);
  // One spelling per date: 2027-3-9 or a day that does not exist is no date.
  if (release.BuildNumber <= 0 || !release.Expires.isValid() ||
      release.Expires.toString(Qt::ISODate) != words[6])
    return std::nullopt;
  return release;
}

bool ExpiryWithinLimit(const ReleaseStatement& release) {
  const qint32 n = release.BuildNumber;
  const QDate versionDate(n / 1000000, (n / 10000) % 100, (n / 100) % 100);
  return versionDate.isValid() && release.Expires <= versionDate.addYears(2);
}

QString ReleaseStatementText(const ReleaseStatement& release) {
  return QStringList{release.Product,
                     release.Program,
                     release.Platform,
                     QStringLiteral("version"),
                     VersionText(release.BuildNumber),
                     QStringLiteral("expires"),
                     release.Expires.toString(Qt::ISODate)}
      .join(u' ');
}

QString UpdatePlatformName() {
  const QString kernel = QSysInfo::kernelType();
  return (kernel == u"winnt" ? QStringLiteral("windows") : kernel) + u'-' +
         QSysInfo::buildCpuArchitecture();
}

}  // namespace qh
