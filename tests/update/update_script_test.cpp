// The replacement scripts: the batch text byte for byte, and the shell
// script run for real against dummy programs.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "base/code_page.h"
#include "update/update_script.h"

#if !defined(Q_OS_WIN)
#include <unistd.h>
#endif

namespace qh {
namespace {

const QString kTitle = QStringLiteral("青禾图表生成工具");

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(BatchScriptTest, LinesForAProgramInDTools) {
  const UpdatePaths paths{QStringLiteral("D:\\Tools\\chart.exe"),
                          QStringLiteral("D:\\Tools\\~qznew.exe"),
                          QStringLiteral("D:\\Tools\\~qzupdate.bat"),
                          QStringLiteral("D:\\Tools\\~qzold.exe"),
                          {},
                          {}};
  const QString ruler = QStringLiteral("echo  ") + QString(60, u'=');
  const QStringList expected = {
      u"@echo off"_qs,
      u"title 青禾图表生成工具"_qs,
      u"setlocal enabledelayedexpansion"_qs,
      u"set /a WAIT=6"_qs,
      u"set /a MAXTRY=120"_qs,
      u"echo."_qs,
      ruler,
      u"echo    青禾图表生成工具"_qs,
      ruler,
      u"echo."_qs,
      u"echo    Installing the new version (100000 bytes) ..."_qs,
      u"echo."_qs,
      u"set /a n=%WAIT%"_qs,
      u":cd"_qs,
      u"echo    Waiting for the old program to exit ... %n% sec   "_qs,
      u"ping -n 2 127.0.0.1 >nul"_qs,
      u"set /a n-=1"_qs,
      u"if %n% gtr 0 goto cd"_qs,
      u"echo    Replacing the program file ...                            "_qs,
      u"set /a tries=0"_qs,
      u":wait"_qs,
      u"set /a tries+=1"_qs,
      u"move /y \"D:\\Tools\\chart.exe\" \"D:\\Tools\\~qzold.exe\" >nul 2>&1"_qs,
      u"if not exist \"D:\\Tools\\chart.exe\" goto ready"_qs,
      u"echo    File still in use, retrying ... %tries% sec      "_qs,
      u"ping -n 2 127.0.0.1 >nul"_qs,
      u"if %tries% lss %MAXTRY% goto wait"_qs,
      u"goto keep"_qs,
      u":ready"_qs,
      u"move /y \"D:\\Tools\\~qznew.exe\" \"D:\\Tools\\chart.exe\" >nul 2>&1"_qs,
      u"if exist \"D:\\Tools\\chart.exe\" goto installed"_qs,
      u"move /y \"D:\\Tools\\~qzold.exe\" \"D:\\Tools\\chart.exe\" >nul 2>&1"_qs,
      u":keep"_qs,
      u"echo    Could not replace the file. Starting the current program."_qs,
      u"start \"\" \"D:\\Tools\\chart.exe\""_qs,
      u"goto done"_qs,
      u":installed"_qs,
      u"echo    Done. Starting the new version ...                       "_qs,
      u"start \"\" \"D:\\Tools\\chart.exe\""_qs,
      u":done"_qs,
      u"ping -n 3 127.0.0.1 >nul"_qs,
      u"del \"D:\\Tools\\~qzupdate.bat\" >nul 2>&1"_qs,
  };
  const QStringList lines = BatchScriptLines(paths, 100000, kTitle);
  ASSERT_EQ(lines.size(), expected.size());
  for (int i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;

  const QByteArray bytes = BatchScriptBytes(paths, 100000, kTitle);
  EXPECT_EQ(bytes, EncodeGbk(expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
  const QList<QByteArray> split = bytes.split('\n');
  ASSERT_EQ(split.size(), expected.size() + 1);  // every line ended by CR LF
  EXPECT_TRUE(split.last().isEmpty());
  EXPECT_EQ(split[1], "title " + EncodeGbk(u"青禾图表生成工具") + "\r");
  EXPECT_EQ(split[1].size(), 6 + 16 + 1);  // eight double-byte characters
}

// Given a log and the private folder, the batch file reports its result
// and removes the folder, whichever way it ends.
TEST(BatchScriptTest, LogsItsResultAndRemovesThePrivateFolder) {
  const UpdatePaths paths{
      QStringLiteral("D:\\T\\chart.exe"),     QStringLiteral("D:\\T\\~qzdl-a1b2c3\\~qznew.exe"),
      QStringLiteral("D:\\T\\~qzupdate.bat"), QStringLiteral("D:\\T\\~qzold.exe"),
      QStringLiteral("D:\\T\\~qzdl-a1b2c3"),  QStringLiteral("D:\\T\\qzChart.log")};
  const QStringList lines = BatchScriptLines(paths, 1, kTitle);
  const auto after = [&](const char* label) {
    return lines.value(lines.indexOf(QString::fromLatin1(label)) + 1);
  };
  EXPECT_EQ(
      after(":installed"),
      u">>\"D:\\T\\qzChart.log\" echo update script: installed the new version, starting it"_qs);
  EXPECT_EQ(after(":keep"),
            u">>\"D:\\T\\qzChart.log\" echo update script: could not replace the "
            u"program file, starting the current program"_qs);
  EXPECT_EQ(
      after(":done"),
      u"del \"D:\\T\\~qzdl-a1b2c3\\~qznew.exe\" \"D:\\T\\~qzdl-a1b2c3\\~qzdl.script\" >nul 2>&1"_qs);
  EXPECT_EQ(lines.value(lines.indexOf(u":done"_qs) + 2),
            u"rd \"D:\\T\\~qzdl-a1b2c3\" >nul 2>&1"_qs);
}

TEST(ScriptFileTest, RefusalsAreExplained) {
  QTemporaryDir dir;
  const QString scriptAsFolder = dir.filePath(QStringLiteral("busy"));
  QDir().mkpath(scriptAsFolder);
  QFile newFile(dir.filePath(QStringLiteral("~qznew")));
  ASSERT_TRUE(newFile.open(QIODevice::WriteOnly));
  newFile.write("x");
  newFile.close();
  struct Case {
    const char* Name;
    UpdatePaths Paths;
    const char* Error;
    // clang-format off
  } cases[] = {
      {"new file missing", {dir.filePath("chart"), dir.filePath("gone"), dir.filePath("s"), {}, {}, {}},
       "下载的临时文件不存在."},
      {"script not writable", {dir.filePath("chart"), newFile.fileName(), scriptAsFolder, {}, {}, {}},
       "无法创建更新脚本."},
  };
  // clang-format on
  for (const Case& c : cases) {
    QString scriptPath = QStringLiteral("stale");
    QString error;
    EXPECT_FALSE(WriteUpdateScript(c.Paths, kTitle, scriptPath, error)) << c.Name;
    EXPECT_EQ(error, QString::fromUtf8(c.Error)) << c.Name;
    EXPECT_TRUE(scriptPath.isEmpty()) << c.Name;
  }
}

TEST(ScriptFileTest, NextStartDeletesOnlyTheParkedProgram) {
  QTemporaryDir dir;
  for (const char* name : {"~qzold.exe", "~qznew", "chart"}) {
    QFile file(dir.filePath(QString::fromUtf8(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  RemoveSetAsideProgram(dir.path());
  QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  left.sort();
  EXPECT_EQ(left, QStringList({QStringLiteral("chart"), QStringLiteral("~qznew")}));
  RemoveSetAsideProgram(dir.path());  // nothing parked: nothing happens
}

#if !defined(Q_OS_WIN)

// A dummy program that records which version started in `marker`.
void WriteDummyProgram(const QString& path, const char* version, const QString& marker) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QString quoted = marker;
  quoted.replace(u'\'', QStringLiteral("'\\''"));
  file.write(QByteArray("#!/bin/sh\necho ") + version + " > '" + quoted.toUtf8() + "'\n");
  file.close();
  file.setPermissions(file.permissions() | QFile::ExeOwner);
}

QByteArray WaitForStarted(const QString& marker) {
  QFile file(marker);
  QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray text = file.readAll().trimmed();
      file.close();
      if (!text.isEmpty()) return text;
    }
    QThread::msleep(20);
  }
  return {};
}

// Makes the program folder refuse every change. Tests run as root, and root
// ignores missing write permission on folders, so the folder is made
// immutable instead (refused even for root); elsewhere the permission
// suffices. False when neither is possible here.
bool LockFolder(const QString& dir) {
  if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), dir}) == 0) return true;
  if (::geteuid() == 0) return false;
  return QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
}

void UnlockFolder(const QString& dir) {
  QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir});
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

enum class Obstacle { None, FolderInPlaceOfDownload, ReadOnlyFolder };

struct ShellRun {
  const char* Name;
  qh::Obstacle Obstacle;
  const char* Started;
};

TEST(ShellScriptTest, ReplacesTheProgramOrRestartsTheOldOne) {
  const ShellRun runs[] = {
      {"replaced", Obstacle::None, "new"},
      {"download cannot be renamed over the program", Obstacle::FolderInPlaceOfDownload, "old"},
      {"program folder read-only", Obstacle::ReadOnlyFolder, "old"},
  };
  for (const ShellRun& r : runs) {
    SCOPED_TRACE(r.Name);
    QTemporaryDir root;
    // Spaces and a quote in the folder name must survive the shell's quoting.
    const QString dir = root.filePath(QStringLiteral("my 'chart' dir"));
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString marker = root.filePath(QStringLiteral("started"));
    UpdatePaths paths =
        UpdatePathsFor(dir, QDir(dir).filePath(QStringLiteral("chart")), QStringLiteral("~qznew"));
    paths.Log = root.filePath(QStringLiteral("qzChart.log"));
    WriteDummyProgram(paths.Program, "old", marker);
    WriteDummyProgram(paths.NewFile, "new", marker);
    const QByteArray oldBytes = ReadAll(paths.Program);
    // The program gives the download the old file's mode before the script runs.
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(paths.Program, mode);
    QFile::setPermissions(paths.NewFile, mode);
    QString scriptPath, error;
    ASSERT_TRUE(WriteUpdateScript(paths, kTitle, scriptPath, error, {0, 2, 0, 0}))
        << error.toStdString();
    if (r.Obstacle == Obstacle::FolderInPlaceOfDownload) {
      // A directory cannot be renamed over a file, not even by root.
      ASSERT_TRUE(QFile::remove(paths.NewFile));
      ASSERT_TRUE(QDir().mkpath(paths.NewFile + QStringLiteral("/sub")));
    }
    if (r.Obstacle == Obstacle::ReadOnlyFolder && !LockFolder(dir)) {
      GTEST_SKIP() << "this file system cannot make a folder read-only for root";
    }
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {scriptPath});
    const bool ended = shell.waitForFinished(10000);
    if (r.Obstacle == Obstacle::ReadOnlyFolder) UnlockFolder(dir);
    ASSERT_TRUE(ended);
    const QString output = QString::fromUtf8(shell.readAllStandardOutput());

    EXPECT_EQ(WaitForStarted(marker), QByteArray(r.Started));
    EXPECT_EQ(QFileInfo(paths.Program).permissions() & 0x7077,
              QFileDevice::Permissions(mode) & 0x7077);
    EXPECT_TRUE(output.contains(QStringLiteral("    青禾图表生成工具\n")));
    // The result reaches the log, which is all anybody sees of the script.
    EXPECT_EQ(ReadAll(paths.Log), r.Obstacle == Obstacle::None
                                      ? QByteArray("update script: installed the new version, "
                                                   "starting it\r\n")
                                      : QByteArray("update script: could not replace the program "
                                                   "file after 2 tries, starting the current "
                                                   "program\r\n"));
    if (r.Obstacle == Obstacle::None) {
      EXPECT_FALSE(QFileInfo::exists(paths.NewFile));
      EXPECT_FALSE(QFileInfo::exists(scriptPath));
      EXPECT_TRUE(output.contains(QStringLiteral("Done. Starting the new version ...")));
    } else {
      EXPECT_EQ(ReadAll(paths.Program), oldBytes);
      EXPECT_FALSE(output.contains(QStringLiteral("Done.")));
      EXPECT_EQ(output.count(QStringLiteral("File still in use, retrying ...")), 2);
      EXPECT_TRUE(output.contains(
          QStringLiteral("Could not replace the file. Starting the current program.")));
    }
  }
}

#endif

}  // namespace
}  // namespace qh
