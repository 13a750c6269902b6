// Saves under faults: a full filesystem, a kill in the middle of writing the
// settings, a settings file far too large to read.
#include "app/settings.h"
#include "app/startup.h"
#include "base/ini_file.h"
#include "base/save_file.h"
#include "base/user_messages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/cli_process.h"
#include "support/full_filesystem.h"
#include "support/test_files.h"

namespace qh {
namespace {

using test::ReadAll;
using test::WriteAll;

QStringList NamesIn(const QString& dir) {
  return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

// Pictures of every format and the layout JSON, drawn while there was room,
// stay as they were when the filesystem is full; render says why and exits 4.
TEST(FullFilesystem, RenderKeepsEveryOldOutputAndSaysWhy) {
  test::SmallTmpfs fs(1024);
  if (!fs.SkipReason().empty()) GTEST_SKIP() << fs.SkipReason();
  QTemporaryDir elsewhere;
  const QString data = elsewhere.filePath(QStringLiteral("d.csv"));
  WriteAll(data, "A,1\nB,2\nC,3\n");
  const QString layout = fs.Path(QStringLiteral("good.json"));
  const QStringList formats = {"png", "jpg", "bmp", "svg", "pdf"};
  auto render = [&](const QString& out, const QString& layoutPath, const char* kind) {
    return test::RunCli({QStringLiteral("render"), QStringLiteral("--kind"),
                         QString::fromLatin1(kind), QStringLiteral("--size"),
                         QStringLiteral("200x120"), QStringLiteral("--layout"), layoutPath,
                         QStringLiteral("-o"), out, data});
  };
  std::map<QString, QByteArray> before;
  for (const QString& ext : formats) {
    const QString out = fs.Path(QStringLiteral("good.") + ext);
    ASSERT_EQ(render(out, layout, "bar").ExitCode, 0) << ext.toStdString();
    before[out] = ReadAll(out);
  }
  before[layout] = ReadAll(layout);
  const QStringList names = fs.Names();
  fs.Fill();

  for (const QString& ext : formats) {
    const QString out = fs.Path(QStringLiteral("good.") + ext);
    const test::ProcessRun run = render(out, layout, "pie");
    EXPECT_EQ(run.ExitCode, 4) << ext.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.Err),
              QStringLiteral("qinghechart-cli: 无法写入 ") + out + QStringLiteral(":磁盘已满\n"));
  }
  // The picture goes elsewhere; only the layout meets the full disk.
  const test::ProcessRun json =
      render(elsewhere.filePath(QStringLiteral("pie.png")), layout, "pie");
  EXPECT_EQ(json.ExitCode, 4);
  EXPECT_EQ(QString::fromUtf8(json.Err),
            QStringLiteral("qinghechart-cli: 无法写入 ") + layout + QStringLiteral(":磁盘已满\n"));
  for (const auto& [path, bytes] : before) {
    EXPECT_EQ(ReadAll(path), bytes) << path.toStdString();
  }
  EXPECT_EQ(fs.Names(), names);
}

// The settings file keeps its bytes, the write says why, and the window's
// report (log line and message) carries the reason.
TEST(FullFilesystem, SettingsKeepTheirBytes) {
  test::SmallTmpfs fs(64);
  if (!fs.SkipReason().empty()) GTEST_SKIP() << fs.SkipReason();
  const QString path = SettingsPath(fs.Root() + u'/');
  ASSERT_TRUE(WriteDefaultSettings(path));
  const QByteArray before = ReadAll(path);
  fs.Fill();

  IniFile ini(path);
  DiagLog log;
  RecordedMessages messages;
  ReportSettingsFailures(ini, log, messages);
  const struct {
    const char16_t *Section, *Key, *Value;
  } writes[] = {
      {u"Colors", u"LineColor", u"#FF0000"},
      {u"Recent", u"LastFile", u"/data/a.html"},
      {u"Bar", u"NoName", u"1"},
  };
  for (const auto& w : writes) {
    const SaveResult result = ini.IniWrite(w.Section, w.Key, w.Value);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.Reason, QStringLiteral("磁盘已满"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(fs.Names(), QStringList{QFileInfo(path).fileName()});
  }
  ASSERT_EQ(messages.Entries.size(), 1u);  // once per run
  EXPECT_EQ(messages.Entries[0].Text, SettingsSaveFailureText(path, SaveResult::Failed(ENOSPC)));
}

// Writes the line colour in a child process that the kernel kills at its
// first write past 16 bytes (SIGXFSZ), as root or as "nobody".
int WriteColourKilledAtTheWrite(const QString& path, bool asNobody) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    const struct rlimit limit { 16, 16 };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const SaveResult r = IniFile(path).IniWrite(u"Colors", u"LineColor", u"#FF0000");
    ::_exit(r ? 0 : 3);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// Killed at the write, a save leaves the old file whole; a folder that takes
// no new file (the settings file itself writable) is never written in place;
// the next start removes what the killed save left.
TEST(KilledSave, OldSettingsStayWholeAndTheNextStartCleansUp) {
  const struct {
    const char* Name;
    bool AsNobody;
    int Outcome;  // the child's exit code, or minus the signal that ended it
  } cases[] = {
      {"folder takes the temporary file", false, -SIGXFSZ},
      {"only the file is writable", true, 3},
  };
  for (const auto& c : cases) {
    if (c.AsNobody && ::geteuid() != 0) {
      std::fprintf(stderr, "skipped '%s': needs root to run the save as another user\n", c.Name);
      continue;
    }
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString path = SettingsPath(dir.path() + u'/');
    ASSERT_TRUE(WriteDefaultSettings(path));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    const QByteArray before = ReadAll(path);

    EXPECT_EQ(WriteColourKilledAtTheWrite(path, c.AsNobody), c.Outcome) << c.Name;
    EXPECT_EQ(ReadAll(path), before) << c.Name;

    AppState next;
    RecordedMessages messages;
    StartupEnvironment env;
    env.AppDir = dir.path();
    RunStartup(next, env, messages);
    EXPECT_EQ(NamesIn(dir.path()),
              (QStringList{QStringLiteral("qzChart.log"), QFileInfo(path).fileName()}))
        << c.Name;
  }
}

TEST(HugeSettings, FiftyMegabytesOpenAtOnceWithDefaults) {
  QTemporaryDir dir;
  const QString path = SettingsPath(dir.path() + u'/');
  const QByteArray huge = "[Limits]\r\nPageSize=7\r\n" + QByteArray(50 * 1024 * 1024, ';');
  WriteAll(path, huge);
  AppState state;
  RecordedMessages messages;
  StartupEnvironment env;
  env.AppDir = dir.path();
  QElapsedTimer timer;
  timer.start();
  RunStartup(state, env, messages);
  EXPECT_LT(timer.elapsed(), 1000);
  EXPECT_EQ(state.Config, Settings());
  EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("qzChart.log")))
                  .contains("settings=SKIP size=" + QByteArray::number(huge.size()) +
                            " over 1048576 bytes"));
  EXPECT_EQ(QFileInfo(path).size(), huge.size());
}

}  // namespace
}  // namespace qh
