#include "update/update_script.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "base/code_page.h"
#include "base/save_file.h"
#include "app/settings.h"
#include "base/text_utils.h"

namespace qh {

namespace {

const QString kNewFileMissing = QStringLiteral("下载的临时文件不存在.");
const QString kCannotWriteScript = QStringLiteral("无法创建更新脚本.");

QString Ruler() { return QString(60, QLatin1Char('=')); }

QString WithTrailingSpaces(const QString& text, int count) {
  return text + QString(count, QLatin1Char(' '));
}

// A single-quoted shell word: nothing inside is expanded.
QString ShellQuoted(const QString& text) {
  QString quoted = text;
  quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QByteArray ScriptBytes(const UpdatePaths& paths, qint64 size, const ScriptTiming& timing) {
#if defined(Q_OS_WIN)
  Q_UNUSED(timing);
  return BatchScriptBytes(paths, size);
#else
  return ShellScriptText(paths, size, timing).toUtf8();
#endif
}

}  // namespace

QString ScriptFileName() {
#if defined(Q_OS_WIN)
  return QStringLiteral("~qzupdate.bat");
#else
  return QStringLiteral("~qzupdate.sh");
#endif
}

QString SetAsideFileName() { return QStringLiteral("~qzold.exe"); }

void RemoveSetAsideProgram(const QString& appDir) {
  QFile::remove(QDir(appDir).filePath(SetAsideFileName()));
}

UpdatePaths UpdatePathsFor(const QString& appDir, const QString& executablePath,
                           const QString& newFileName) {
  const QDir dir(appDir);
  UpdatePaths paths;
#if defined(Q_OS_WIN)
  paths.program = QDir::toNativeSeparators(
      dir.filePath(QFileInfo(executablePath).completeBaseName() + QStringLiteral(".exe")));
  paths.newFile = QDir::toNativeSeparators(dir.filePath(newFileName));
  paths.script = QDir::toNativeSeparators(dir.filePath(ScriptFileName()));
  paths.setAside = QDir::toNativeSeparators(dir.filePath(SetAsideFileName()));
#else
  paths.program = QFileInfo(executablePath).absoluteFilePath();
  paths.newFile = dir.filePath(newFileName);
  paths.script = dir.filePath(ScriptFileName());
  paths.setAside = dir.filePath(SetAsideFileName());
#endif
  return paths;
}

QStringList BatchScriptLines(const UpdatePaths& paths, qint64 size) {
  const QString title = QString::fromUtf8(kWindowTitle);
  const QString exe = QLatin1Char('"') + paths.program + QLatin1Char('"');
  const QString newFile = QLatin1Char('"') + paths.newFile + QLatin1Char('"');
  const QString bat = QLatin1Char('"') + paths.script + QLatin1Char('"');
  const QString old = QLatin1Char('"') + paths.setAside + QLatin1Char('"');
  const QString ping2 = QStringLiteral("ping -n 2 127.0.0.1 >nul");
  return {
      QStringLiteral("@echo off"),
      QStringLiteral("title ") + title,
      QStringLiteral("setlocal enabledelayedexpansion"),
      QStringLiteral("set /a WAIT=6"),
      QStringLiteral("set /a MAXTRY=120"),
      QStringLiteral("echo."),
      QStringLiteral("echo  ") + Ruler(),
      QStringLiteral("echo    ") + title,
      QStringLiteral("echo  ") + Ruler(),
      QStringLiteral("echo."),
      QStringLiteral("echo    Installing the new version (%1 bytes) ...").arg(size),
      QStringLiteral("echo."),
      QStringLiteral("set /a n=%WAIT%"),
      QStringLiteral(":cd"),
      WithTrailingSpaces(QStringLiteral("echo    Waiting for the old program to exit ... %n% sec"),
                         3),
      ping2,
      QStringLiteral("set /a n-=1"),
      QStringLiteral("if %n% gtr 0 goto cd"),
      WithTrailingSpaces(QStringLiteral("echo    Replacing the program file ..."), 28),
      QStringLiteral("set /a tries=0"),
      QStringLiteral(":wait"),
      QStringLiteral("set /a tries+=1"),
      // A rename, never a delete: the old program stays whole beside us.
      QStringLiteral("move /y ") + exe + QLatin1Char(' ') + old + QStringLiteral(" >nul 2>&1"),
      QStringLiteral("if not exist ") + exe + QStringLiteral(" goto ready"),
      WithTrailingSpaces(QStringLiteral("echo    File still in use, retrying ... %tries% sec"), 6),
      ping2,
      QStringLiteral("if %tries% lss %MAXTRY% goto wait"),
      QStringLiteral("goto keep"),
      QStringLiteral(":ready"),
      QStringLiteral("move /y ") + newFile + QLatin1Char(' ') + exe + QStringLiteral(" >nul 2>&1"),
      QStringLiteral("if exist ") + exe + QStringLiteral(" goto installed"),
      QStringLiteral("move /y ") + old + QLatin1Char(' ') + exe + QStringLiteral(" >nul 2>&1"),
      QStringLiteral(":keep"),
      QStringLiteral("echo    Could not replace the file. Starting the current program."),
      QStringLiteral("start \"\" ") + exe,
      QStringLiteral("goto done"),
      QStringLiteral(":installed"),
      WithTrailingSpaces(QStringLiteral("echo    Done. Starting the new version ..."), 23),
      QStringLiteral("start \"\" ") + exe,
      QStringLiteral(":done"),
      QStringLiteral("ping -n 3 127.0.0.1 >nul"),
      QStringLiteral("del ") + bat + QStringLiteral(" >nul 2>&1"),
  };
}

QByteArray BatchScriptBytes(const UpdatePaths& paths, qint64 size) {
  const QString crlf = QStringLiteral("\r\n");
  return EncodeGbk(BatchScriptLines(paths, size).join(crlf) + crlf);
}

QString ShellScriptText(const UpdatePaths& paths, qint64 size, const ScriptTiming& timing) {
  const QString title = QString::fromUtf8(kWindowTitle);
  QStringList lines = {
      QStringLiteral("#!/bin/sh"),
      QStringLiteral("# ") + title + QStringLiteral(": replaces the program once it has exited."),
      QStringLiteral("WAIT=%1").arg(timing.exitWaitSeconds),
      QStringLiteral("MAXTRY=%1").arg(timing.maxTries),
      QStringLiteral("EXE=") + ShellQuoted(paths.program),
      QStringLiteral("NEW=") + ShellQuoted(paths.newFile),
      QStringLiteral("SELF=") + ShellQuoted(paths.script),
      QStringLiteral("echo"),
      QStringLiteral("echo '  ") + Ruler() + QLatin1Char('\''),
      QStringLiteral("echo ") + ShellQuoted(QStringLiteral("    ") + title),
      QStringLiteral("echo '  ") + Ruler() + QLatin1Char('\''),
      QStringLiteral("echo"),
      QStringLiteral("echo '    Installing the new version (%1 bytes) ...'").arg(size),
      QStringLiteral("echo"),
      QStringLiteral("n=$WAIT"),
      QStringLiteral("while [ \"$n\" -gt 0 ]; do"),
      QStringLiteral("  echo \"    Waiting for the old program to exit ... $n sec   \""),
      QStringLiteral("  sleep %1").arg(timing.retryPauseSeconds),
      QStringLiteral("  n=$((n - 1))"),
      QStringLiteral("done"),
      QStringLiteral("echo '    Replacing the program file ...                            '"),
      QStringLiteral("tries=0"),
      QStringLiteral("while :; do"),
      QStringLiteral("  tries=$((tries + 1))"),
      // One rename: at every moment the program file is a whole program,
      // the old one or the new one. -T refuses to move into a directory.
      QStringLiteral(
          "  if chmod +x \"$NEW\" 2>/dev/null && mv -fT \"$NEW\" \"$EXE\" 2>/dev/null; then"),
      QStringLiteral("    echo '    Done. Starting the new version ...                       '"),
      QStringLiteral("    break"),
      QStringLiteral("  fi"),
      QStringLiteral("  echo \"    File still in use, retrying ... $tries sec      \""),
      QStringLiteral("  sleep %1").arg(timing.retryPauseSeconds),
      QStringLiteral("  if [ \"$tries\" -ge \"$MAXTRY\" ]; then"),
      QStringLiteral("    echo '    Could not replace the file. Starting the current program.'"),
      QStringLiteral("    break"),
      QStringLiteral("  fi"),
      QStringLiteral("done"),
      // New or old, the program starts again, detached and without arguments.
      QStringLiteral("\"$EXE\" </dev/null >/dev/null 2>&1 &"),
      QStringLiteral("sleep %1").arg(timing.finalPauseSeconds),
      QStringLiteral("rm -f \"$SELF\""),
  };
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool WriteUpdateScript(const UpdatePaths& paths, QString& scriptPath, QString& errorText,
                       const ScriptTiming& timing) {
  scriptPath.clear();
  errorText.clear();
  if (!FileExists(paths.newFile)) {
    errorText = kNewFileMissing;
    return false;
  }
  const qint64 size = QFileInfo(paths.newFile).size();
  const QByteArray bytes = ScriptBytes(paths, size, timing);
  // Executable from the start: the script is never there without its mode.
  if (!SaveFile(paths.script, bytes, {0777})) {
    errorText = kCannotWriteScript;
    return false;
  }
  scriptPath = paths.script;
  return true;
}

void RunUpdateScript(const QString& scriptPath) {
  if (scriptPath.isEmpty()) return;
  const QString folder = QFileInfo(scriptPath).absolutePath();
#if defined(Q_OS_WIN)
  QProcess::startDetached(QStringLiteral("cmd.exe"),
                          {QStringLiteral("/c"), QDir::toNativeSeparators(scriptPath)}, folder);
#else
  QProcess::startDetached(QStringLiteral("/bin/sh"), {scriptPath}, folder);
#endif
}

}  // namespace qh
