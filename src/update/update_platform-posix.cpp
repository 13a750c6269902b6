#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "update/script_text.h"
#include "update/update_platform.h"

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

bool IsPrivateToUs(const QFileInfo& folder) {
  constexpr auto kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                              QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
  return folder.isDir() && !folder.isSymLink() && folder.ownerId() == ::geteuid() &&
         folder.permissions() == kOwnerOnly;
}

void ContainTrialRun(QProcess& process) {
  const QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
  QProcessEnvironment minimal;
  for (const QString& name :
       {QStringLiteral("PATH"), QStringLiteral("HOME"), QStringLiteral("LANG")})
    if (all.contains(name)) minimal.insert(name, all.value(name));
  process.setProcessEnvironment(minimal);
  // A session of its own: no controlling terminal to write to, and one
  // process group that ends as a whole.
  process.setChildProcessModifier([] { ::setsid(); });
}

void EndTrialRun(qint64 processId) {
  if (processId > 1) ::kill(-pid_t(processId), SIGKILL);
}

}  // namespace qh
