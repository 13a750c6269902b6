#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "update/script_text.h"
#include "update/update_platform.h"

namespace qh {

QString NewFileName() { return QStringLiteral("~qznew.exe"); }

QString ScriptFileName() { return QStringLiteral("~qzupdate.bat"); }

// The batch file needs native separators; the program file is named after
// the running program with ".exe".
UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFile) {
  const QDir dir(appDir);
  UpdatePaths paths;
  paths.Program = QDir::toNativeSeparators(
      dir.filePath(QFileInfo(executablePath).completeBaseName() + QStringLiteral(".exe")));
  paths.NewFile = QDir::toNativeSeparators(dir.filePath(newFile));
  paths.Script = QDir::toNativeSeparators(dir.filePath(ScriptFileName()));
  paths.SetAside = QDir::toNativeSeparators(dir.filePath(SetAsideFileName()));
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

// The folder's access list is inherited from the program folder; being
// ours and a directory is what can be told without the security API.
bool IsPrivateToUs(const QFileInfo& folder) {
  return folder.isDir() && !folder.isSymLink() && folder.isWritable();
}

void ContainTrialRun(QProcess& process) {
  const QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
  QProcessEnvironment minimal;
  for (const QString& name : {QStringLiteral("PATH"), QStringLiteral("SystemRoot"),
                              QStringLiteral("USERPROFILE"), QStringLiteral("TEMP")})
    if (all.contains(name)) minimal.insert(name, all.value(name));
  process.setProcessEnvironment(minimal);
}

// The trial run's own process is killed by its QProcess; a job object
// would be needed to reach its children.
void EndTrialRun(qint64) {}

}  // namespace qh
