// The Windows batch file: a pure text, built and tested on every platform.
#include <QStringList>

#include "base/code_page.h"
#include "update/script_text.h"

namespace qh {

namespace {

QString Ruler() { return QString(60, QLatin1Char('=')); }

QString WithTrailingSpaces(const QString& text, int count) {
  return text + QString(count, QLatin1Char(' '));
}

}  // namespace

QStringList BatchScriptLines(const UpdatePaths& paths, qint64 size, const QString& title) {
  const QString exe = QLatin1Char('"') + paths.Program + QLatin1Char('"');
  const QString newFile = QLatin1Char('"') + paths.NewFile + QLatin1Char('"');
  const QString bat = QLatin1Char('"') + paths.Script + QLatin1Char('"');
  const QString old = QLatin1Char('"') + paths.SetAside + QLatin1Char('"');
  const QString ping2 = QStringLiteral("ping -n 2 127.0.0.1 >nul");
  QStringList lines = {
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
  // The result goes to the program's log, and the private folder goes.
  if (!paths.Log.isEmpty()) {
    const QString log =
        QStringLiteral(">>\"") + paths.Log + QStringLiteral("\" echo update script: ");
    lines.insert(lines.indexOf(QStringLiteral(":installed")) + 1,
                 log + QStringLiteral("installed the new version, starting it"));
    lines.insert(lines.indexOf(QStringLiteral(":keep")) + 1,
                 log + QStringLiteral("could not replace the program file, starting the current "
                                      "program"));
  }
  if (!paths.PrivateFolder.isEmpty()) {
    const QString folder = QLatin1Char('"') + paths.PrivateFolder + QLatin1Char('"');
    const qsizetype done = lines.indexOf(QStringLiteral(":done")) + 1;
    lines.insert(done, QStringLiteral("rd ") + folder + QStringLiteral(" >nul 2>&1"));
    lines.insert(done, QStringLiteral("del ") + newFile + QLatin1Char(' ') + QLatin1Char('"') +
                           paths.PrivateFolder + QStringLiteral("\\~qzdl.script\" >nul 2>&1"));
  }
  return lines;
}

QByteArray BatchScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title) {
  const QString crlf = QStringLiteral("\r\n");
  return EncodeGbk(BatchScriptLines(paths, size, title).join(crlf) + crlf);
}

}  // namespace qh
