#include "app/data_folder.h"

#include "app/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace qh {

namespace {

QString WithSlash(QString dir) {
  if (!dir.endsWith(u'/') && !dir.endsWith(u'\\')) dir += u'/';
  return dir;
}

// Asking for the permission bits is not enough (root, ACLs, read-only
// mounts): try to create a file.
bool CanCreateFilesIn(const QString& dir) {
  QTemporaryFile probe(WithSlash(dir) + QStringLiteral("~qzprobe-XXXXXX"));
  return probe.open();
}

}  // namespace

bool IsPackageInstallFolder(const QString& appDir) {
  const QString canonical = QFileInfo(appDir).canonicalFilePath();
  if (canonical.isEmpty()) return false;  // a folder that is gone is nobody's install
  static const char* const kSystemFolders[] = {"/usr/bin", "/usr/local/bin", "/bin", "/usr/games",
                                               "/opt"};
  for (const char* system : kSystemFolders) {
    const QString s = QString::fromLatin1(system);
    if (canonical == s || canonical.startsWith(s + u'/')) return true;
  }
  return false;
}

bool IsSystemInstallFolder(const QString& appDir) {
  const QString canonical = QFileInfo(appDir).canonicalFilePath();
  if (canonical.isEmpty()) return false;  // a folder that is gone is nobody's install
  return IsPackageInstallFolder(canonical) || !CanCreateFilesIn(canonical);
}

QString DataFolderFor(const QString& appDir, const QString& configDir) {
  if (!IsSystemInstallFolder(appDir)) return WithSlash(appDir);
  QDir().mkpath(configDir);
  return WithSlash(configDir);
}

QString SettingsFileFor(const QString& appDir, const QString& configDir) {
  return SettingsPath(WithSlash(IsSystemInstallFolder(appDir) ? configDir : appDir));
}

QString PictureFolderFor(const QString& appDir, const QString& dataDir) {
  if (dataDir.isEmpty() || dataDir == appDir) return appDir;
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

QString UserConfigFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.config");
  return WithSlash(dir) + QStringLiteral("qinghechart/");
}

}  // namespace qh
