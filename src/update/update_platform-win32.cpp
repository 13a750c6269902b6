#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "update/download_update.h"
#include "update/update_platform.h"
#include "update/update_script.h"

namespace qh {

QString NewFileName() { return QStringLiteral("~qznew.exe"); }

QString ScriptFileName() { return QStringLiteral("~qzupdate.bat"); }

// The batch file needs native separators; the program file is named after
// the running program with ".exe".
UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFile) {
  const QDir dir(appDir);
  UpdatePaths paths;
  paths.program = QDir::toNativeSeparators(
      dir.filePath(QFileInfo(executablePath).completeBaseName() + QStringLiteral(".exe")));
  paths.newFile = QDir::toNativeSeparators(dir.filePath(newFile));
  paths.script = QDir::toNativeSeparators(dir.filePath(ScriptFileName()));
  paths.setAside = QDir::toNativeSeparators(dir.filePath(SetAsideFileName()));
  return paths;
}

QByteArray PlatformScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title,
                               const ScriptTiming&) {
  return BatchScriptBytes(paths, size, title);
}

void RunUpdateScript(const QString& scriptPath) {
  if (scriptPath.isEmpty()) return;
  QProcess::startDetached(QStringLiteral("cmd.exe"),
                          {QStringLiteral("/c"), QDir::toNativeSeparators(scriptPath)},
                          QFileInfo(scriptPath).absolutePath());
}

}  // namespace qh
