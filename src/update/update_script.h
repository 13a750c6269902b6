#pragma once
// The script that replaces the program once it has exited: a batch file on
// Windows, a shell script elsewhere. The texts are pure functions; both show
// the window title they are given.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace qh {

struct UpdatePaths {
  QString Program;   // the running program's file
  QString NewFile;   // the downloaded program
  QString Script;    // the script itself
  QString SetAside;  // where the batch file parks the old program meanwhile
};

// Paths in appDir for the running program at executablePath; newFile is
// relative to appDir or absolute (on Windows the program file is appDir +
// its name without extension + ".exe", with native separators as the batch
// file needs them).
UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFile);

// "~qzupdate.bat" on Windows, "~qzupdate.sh" elsewhere.
QString ScriptFileName();

// "~qzold.exe": the old program, parked by the batch file until the next start.
QString SetAsideFileName();

// Deletes the old program the last update parked in appDir and the private
// download folders left there, ignoring errors. Called at start-up, when
// that program has certainly exited.
void RemoveSetAsideProgram(const QString& appDir);

// The lines of the batch file, without line ends. At every moment a program
// is in place: the old one is renamed aside, the new one moved in, and the
// old one moved back and started when that fails.
QStringList BatchScriptLines(const UpdatePaths& paths, qint64 size, const QString& title);
// The batch file as written: code page 936, every line ended by CR LF.
QByteArray BatchScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title);

// Waits of the shell script; tests shorten them.
struct ScriptTiming {
  int ExitWaitSeconds = 6;  // for the old program to exit
  int MaxTries = 120;       // attempts to replace the program file
  int RetryPauseSeconds = 1;
  int FinalPauseSeconds = 2;  // before the script deletes itself
};

// The shell script: same waits, retries, messages and order as the batch
// file, but the new program replaces the old one in a single rename.
QString ShellScriptText(const UpdatePaths& paths, qint64 size, const QString& title,
                        const ScriptTiming& timing = {});

// Writes the platform's script for paths.NewFile. False with errorText set
// when the new file is missing or the script cannot be written.
bool WriteUpdateScript(const UpdatePaths& paths, const QString& title, QString& scriptPath,
                       QString& errorText, const ScriptTiming& timing = {});

// Starts the script without waiting for it; errors are ignored.
void RunUpdateScript(const QString& scriptPath);

}  // namespace qh
