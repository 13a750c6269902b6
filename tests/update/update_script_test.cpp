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

namespace qh {
namespace {

TEST(BatchScriptTest, LinesForAProgramInDTools) {
  const UpdatePaths paths{QStringLiteral("D:\\Tools\\chart.exe"),
                          QStringLiteral("D:\\Tools\\~qznew.exe"),
                          QStringLiteral("D:\\Tools\\~qzupdate.bat")};
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
      u"del \"D:\\Tools\\chart.exe\" >nul 2>&1"_qs,
      u"if not exist \"D:\\Tools\\chart.exe\" goto ready"_qs,
      u"echo    File still in use, retrying ... %tries% sec      "_qs,
      u"ping -n 2 127.0.0.1 >nul"_qs,
      u"if %tries% lss %MAXTRY% goto wait"_qs,
      u"echo    Could not replace the file. Starting the current program."_qs,
      u"start \"\" \"D:\\Tools\\chart.exe\""_qs,
      u"goto done"_qs,
      u":ready"_qs,
      u"copy /y \"D:\\Tools\\~qznew.exe\" \"D:\\Tools\\chart.exe\" >nul"_qs,
      u"if exist \"D:\\Tools\\chart.exe\" del \"D:\\Tools\\~qznew.exe\" >nul 2>&1"_qs,
      u"echo    Done. Starting the new version ...                       "_qs,
      u"start \"\" \"D:\\Tools\\chart.exe\""_qs,
      u":done"_qs,
      u"ping -n 3 127.0.0.1 >nul"_qs,
      u"del \"D:\\Tools\\~qzupdate.bat\" >nul 2>&1"_qs,
  };
  const QStringList lines = BatchScriptLines(paths, 100000);
  ASSERT_EQ(lines.size(), 38);
  for (int i = 0; i < 38; ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;

  const QByteArray bytes = BatchScriptBytes(paths, 100000);
  const QList<QByteArray> split = bytes.split('\n');
  ASSERT_EQ(split.size(), 39);  // 38 lines, each ended by CR LF
  EXPECT_TRUE(split.last().isEmpty());
  for (int i = 0; i < 38; ++i) EXPECT_TRUE(split[i].endsWith('\r')) << "line " << i + 1;
  EXPECT_EQ(split[1], "title " + EncodeGbk(u"青禾图表生成工具") + "\r");
  EXPECT_EQ(split[1].size(), 6 + 16 + 1);  // eight double-byte characters
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
    const char* name;
    UpdatePaths paths;
    const char* error;
  } cases[] = {
      {"new file missing", {dir.filePath("chart"), dir.filePath("gone"), dir.filePath("s")},
       "下载的临时文件不存在."},
      {"script not writable", {dir.filePath("chart"), newFile.fileName(), scriptAsFolder},
       "无法创建更新脚本."},
  };
  for (const Case& c : cases) {
    QString scriptPath = QStringLiteral("stale");
    QString error;
    EXPECT_FALSE(WriteUpdateScript(c.paths, scriptPath, error)) << c.name;
    EXPECT_EQ(error, QString::fromUtf8(c.error)) << c.name;
    EXPECT_TRUE(scriptPath.isEmpty()) << c.name;
  }
}

#if !defined(Q_OS_WIN)

// A dummy program that records which version started in "started".
void WriteDummyProgram(const QString& path, const char* version) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("#!/bin/sh\necho ") + version +
             " > \"$(dirname \"$0\")/started\"\n");
  file.close();
  file.setPermissions(file.permissions() | QFile::ExeOwner);
}

QByteArray WaitForStarted(const QString& dir) {
  QFile marker(QDir(dir).filePath(QStringLiteral("started")));
  QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    if (marker.open(QIODevice::ReadOnly)) {
      const QByteArray text = marker.readAll().trimmed();
      marker.close();
      if (!text.isEmpty()) return text;
    }
    QThread::msleep(20);
  }
  return {};
}

struct ShellRun {
  const char* name;
  bool replaceable;
  const char* started;
};

TEST(ShellScriptTest, ReplacesTheProgramOrRestartsTheOldOne) {
  const ShellRun runs[] = {{"replaced", true, "new"}, {"target cannot be replaced", false, "old"}};
  for (const ShellRun& r : runs) {
    SCOPED_TRACE(r.name);
    QTemporaryDir root;
    // Spaces and a quote in the folder name must survive the shell's quoting.
    const QString dir = root.filePath(QStringLiteral("my 'chart' dir"));
    ASSERT_TRUE(QDir().mkpath(dir));
    const UpdatePaths paths = UpdatePathsFor(dir, QDir(dir).filePath(QStringLiteral("chart")),
                                             QStringLiteral("~qznew"));
    WriteDummyProgram(paths.program, "old");
    WriteDummyProgram(paths.newFile, "new");
    QFile::setPermissions(paths.newFile, QFile::ReadOwner | QFile::WriteOwner);
    QString scriptPath, error;
    ASSERT_TRUE(WriteUpdateScript(paths, scriptPath, error, {0, 2, 0, 0})) << error.toStdString();
    if (!r.replaceable) {
      // Tests run as root, which defeats read-only folders; a directory in
      // place of the download cannot be renamed over a file.
      ASSERT_TRUE(QFile::remove(paths.newFile));
      ASSERT_TRUE(QDir().mkpath(paths.newFile + QStringLiteral("/sub")));
    }
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {scriptPath});
    ASSERT_TRUE(shell.waitForFinished(10000));
    const QString output = QString::fromUtf8(shell.readAllStandardOutput());

    EXPECT_EQ(WaitForStarted(dir), QByteArray(r.started));
    EXPECT_FALSE(QFileInfo::exists(scriptPath));
    EXPECT_TRUE(QFileInfo(paths.program).isExecutable());
    EXPECT_TRUE(output.contains(QStringLiteral("    青禾图表生成工具\n")));
    if (r.replaceable) {
      EXPECT_FALSE(QFileInfo::exists(paths.newFile));
      EXPECT_TRUE(output.contains(QStringLiteral("Done. Starting the new version ...")));
    } else {
      EXPECT_EQ(output.count(QStringLiteral("File still in use, retrying ...")), 2);
      EXPECT_TRUE(output.contains(
          QStringLiteral("Could not replace the file. Starting the current program.")));
    }
  }
}

#endif

}  // namespace
}  // namespace qh
