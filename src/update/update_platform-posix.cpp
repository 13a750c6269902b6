#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "update/download_update.h"
#include "update/update_platform.h"
#include "update/update_script.h"

namespace qh {

QString NewFileName() { return QStringLiteral("~qznew"); }

QString ScriptFileName() { return QStringLiteral("~qzupdate.sh"); }

UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFile) {
  const QDir dir(appDir);
  UpdatePaths paths;
  paths.Program = QFileInfo(executablePath).absoluteFilePath();
  paths.NewFile = dir.filePath(newFile);
  paths.Script = dir.filePath(ScriptFileName());
  paths.SetAside = dir.filePath(SetAsideFileName());
  return paths;
}

QByteArray PlatformScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title,
                               const ScriptTiming& timing) {
  return ShellScriptText(paths, size, title, timing).toUtf8();
}

void RunUpdateScript(const QString& scriptPath) {
  if (scriptPath.isEmpty()) return;
  QProcess::startDetached(QStringLiteral("/bin/sh"), {scriptPath},
                          QFileInfo(scriptPath).absolutePath());
}

}  // namespace qh
