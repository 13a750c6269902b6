// The shell script of the other platforms: a pure text.
#include <QStringList>

#include "update/script_text.h"

namespace qh {

namespace {

QString Ruler() { return QString(60, QLatin1Char('=')); }

// A single-quoted shell word: nothing inside is expanded.
QString ShellQuoted(const QString& text) {
  QString quoted = text;
  quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

QString ShellScriptText(const UpdatePaths& paths, qint64 size, const QString& title,
                        const ScriptTiming& timing) {
  QStringList lines = {
      QStringLiteral("#!/bin/sh"),
      QStringLiteral("# ") + title + QStringLiteral(": replaces the program once it has exited."),
      QStringLiteral("WAIT=%1").arg(timing.ExitWaitSeconds),
      QStringLiteral("MAXTRY=%1").arg(timing.MaxTries),
      QStringLiteral("EXE=") + ShellQuoted(paths.Program),
      QStringLiteral("NEW=") + ShellQuoted(paths.NewFile),
      QStringLiteral("SELF=") + ShellQuoted(paths.Script),
      QStringLiteral("DIR=") + ShellQuoted(paths.PrivateFolder),
      QStringLiteral("LOG=") + ShellQuoted(paths.Log),
      // The result goes to the program's log: nobody sees this script's output.
      QStringLiteral(
          "log() { [ -n \"$LOG\" ] && printf '%s\\r\\n' \"update script: $1\" >> \"$LOG\"; }"),
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
      QStringLiteral("  sleep %1").arg(timing.RetryPauseSeconds),
      QStringLiteral("  n=$((n - 1))"),
      QStringLiteral("done"),
      QStringLiteral("echo '    Replacing the program file ...                            '"),
      QStringLiteral("tries=0"),
      QStringLiteral("while :; do"),
      QStringLiteral("  tries=$((tries + 1))"),
      // One rename: at every moment the program file is a whole program,
      // the old one or the new one, with the old one's mode (set by the
      // program). -T refuses to move into a directory.
      QStringLiteral("  if mv -fT \"$NEW\" \"$EXE\" 2>/dev/null; then"),
      QStringLiteral("    echo '    Done. Starting the new version ...                       '"),
      QStringLiteral("    log 'installed the new version, starting it'"),
      QStringLiteral("    break"),
      QStringLiteral("  fi"),
      QStringLiteral("  echo \"    File still in use, retrying ... $tries sec      \""),
      QStringLiteral("  sleep %1").arg(timing.RetryPauseSeconds),
      QStringLiteral("  if [ \"$tries\" -ge \"$MAXTRY\" ]; then"),
      QStringLiteral("    echo '    Could not replace the file. Starting the current program.'"),
      QStringLiteral("    log \"could not replace the program file after $tries tries, "
                     "starting the current program\""),
      QStringLiteral("    break"),
      QStringLiteral("  fi"),
      QStringLiteral("done"),
      // New or old, the program starts again, detached and without arguments.
      QStringLiteral("\"$EXE\" </dev/null >/dev/null 2>&1 &"),
      // The private folder is done with, whatever happened (its lock and
      // mark are named as the program names them).
      QStringLiteral("if [ -n \"$DIR\" ]; then"),
      QStringLiteral("  rm -f \"$NEW\" \"$DIR/~qzdl.lock\" \"$DIR/~qzdl.script\""),
      QStringLiteral("  rmdir \"$DIR\" 2>/dev/null"),
      QStringLiteral("fi"),
      QStringLiteral("sleep %1").arg(timing.FinalPauseSeconds),
      QStringLiteral("rm -f \"$SELF\""),
  };
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace qh
