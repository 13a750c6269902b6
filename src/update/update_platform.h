#pragma once
// What the update does differently per platform, in twin files:
// update_platform-posix.cpp and update_platform-win32.cpp.
#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

#include "update/update_paths.h"

class QProcess;

namespace qh {

// "~qznew.exe" on Windows, "~qznew" elsewhere.
QString NewFileName();

// "~qzupdate.bat" on Windows, "~qzupdate.sh" elsewhere.
QString ScriptFileName();

// Paths in appDir for the running program at executablePath; newFile is
// relative to appDir or absolute (on Windows the program file is appDir +
// its name without extension + ".exe", with native separators as the batch
// file needs them).
UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFile);

// The platform's script for paths: the batch file in code page 936 on
// Windows, the UTF-8 shell script elsewhere.
QByteArray PlatformScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title,
                               const ScriptTiming& timing);

// Starts the script without waiting for it; errors are ignored.
void RunUpdateScript(const QString& scriptPath);

// True when folder belongs to the user running this program and nobody
// else may enter it (mode 0700 where the system has modes).
bool IsPrivateToUs(const QFileInfo& folder);

// Sets up a trial run of a downloaded program before it starts: a session
// and process group of its own without a controlling terminal, and only
// PATH, HOME and LANG of the environment.
void ContainTrialRun(QProcess& process);

// Ends whatever the trial run started as process processId left behind
// (its whole process group). Safe to call when it has exited.
void EndTrialRun(qint64 processId);

}  // namespace qh
