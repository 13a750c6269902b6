#include "app/startup.h"

#include "base/user_messages.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/test_files.h"
#include <unistd.h>

namespace qh {
namespace {

using test::ReadAll;
using test::WriteAll;

class StartupTest : public ::testing::Test {
 protected:
  QString Dir() const { return dir_.path() + u'/'; }
  QString LogPath() const { return Dir() + QStringLiteral("qzChart.log"); }
  QByteArray Log() const { return ReadAll(LogPath()); }

  StartupResult Run(const QStringList& args, int graphicsStatus = 0) {
    StartupEnvironment env;
    env.AppDir = dir_.path();  // without the trailing "/": the sequence adds it
    env.Arguments = args;
    env.LogicalDpi = 120;
    env.Work = {0, 0, 1920, 1040};
    env.GraphicsStatus = graphicsStatus;
    return RunStartup(state_, env, messages_);
  }

  QTemporaryDir dir_;
  AppState state_;
  RecordedMessages messages_;
};

TEST_F(StartupTest, NoArgumentLogsSkipAndCreatesSettings) {
  const StartupResult r = Run({});
  EXPECT_TRUE(r.OpenMainWindow);
  EXPECT_EQ(r.ExitCode, kExitOk);
  EXPECT_EQ(Log(), QByteArray("src=\r\ngdiplus startup=0\r\nparse=SKIP no argument\r\n"));
  EXPECT_TRUE(messages_.Entries.empty());
  EXPECT_EQ(state_.AppDir, Dir());
  EXPECT_EQ(state_.SettingsPath, Dir() + QStringLiteral("青禾图表生成工具.ini"));
  EXPECT_TRUE(QFile::exists(state_.SettingsPath));
  EXPECT_EQ(state_.Config, Settings());
  EXPECT_EQ(state_.Table.ItemCount(), 0);
  EXPECT_EQ(state_.ScreenDpi, 120);
  EXPECT_EQ(state_.Work, (WorkArea{0, 0, 1920, 1040}));
}

TEST_F(StartupTest, SettingsAndLabelOptionsComeFromTheFile) {
  WriteAll(SettingsPath(Dir()),
           "[Limits]\r\nPageSize=7\r\n[Display]\r\nShowValue=0\r\n[Line]\r\nUseNumbers=1\r\n");
  Run({});
  EXPECT_EQ(state_.Config.PageSize, 7);
  EXPECT_FALSE(state_.Config.ShowValue);
  EXPECT_TRUE(state_.Labels.LineUseNumbers);
}

TEST_F(StartupTest, GoodFileIsLoaded) {
  const QString data = Dir() + QStringLiteral("sales data.csv");
  WriteAll(data, "A,1\r\nB,2\r\nC,3\r\n");
  const StartupResult r = Run({data, QStringLiteral("extra")});
  EXPECT_TRUE(r.OpenMainWindow);
  EXPECT_EQ(Log(), ("src=" + data + "\r\ngdiplus startup=0\r\nparse=OK items=3\r\n").toUtf8());
  EXPECT_EQ(state_.Table.ItemCount(), 3);
  EXPECT_EQ(state_.Table.SourcePath, data);
  EXPECT_TRUE(messages_.Entries.empty());
}

TEST_F(StartupTest, MissingFileWarnsAndOpensEmpty) {
  const QString data = Dir() + QStringLiteral("missing.csv");
  const StartupResult r = Run({data});
  EXPECT_TRUE(r.OpenMainWindow);
  EXPECT_EQ(r.ExitCode, kExitOk);
  QStringEncoder gbk("GBK");
  EXPECT_EQ(Log(), QByteArray(gbk.encode(QStringLiteral("src=%1\r\ngdiplus startup=0\r\n"
                                                        "parse=FAIL 数据源文件不存在.\r\n")
                                             .arg(data))));
  ASSERT_EQ(messages_.Entries.size(), 1u);
  EXPECT_EQ(messages_.Entries[0].Icon, MessageIcon::Exclamation);
  EXPECT_EQ(messages_.Entries[0].Text,
            QStringLiteral("数据源文件不存在.\r\n\r\n找不到文件:\r\n") + data);
  EXPECT_EQ(state_.Table.ItemCount(), 0);
}

TEST_F(StartupTest, GraphicsFailureEndsWithCodeThree) {
  const StartupResult r = Run({QStringLiteral("/tmp/x.csv")}, 7);
  EXPECT_FALSE(r.OpenMainWindow);
  EXPECT_EQ(r.ExitCode, kExitGraphicsFailed);
  EXPECT_EQ(Log(), QByteArray("src=/tmp/x.csv\r\ngdiplus startup=7\r\n"));
  ASSERT_EQ(messages_.Entries.size(), 1u);
  EXPECT_EQ(messages_.Entries[0].Icon, MessageIcon::Critical);
  EXPECT_EQ(messages_.Entries[0].Text,
            QStringLiteral("图形界面无法启动(错误码 7),无法生成图表.\r\n请在桌面会话 (Wayland 或 "
                           "X11) 中运行本程序,或用 qinghechart-cli 把图表画到文件."));
}

// A copy started while this one runs logs to its own file and takes it
// away at its end; the next start keeps this run's log as ".1".
TEST_F(StartupTest, SecondCopyLogsApartAndTheNextStartKeepsTheLastLog) {
  Run({QStringLiteral("/nowhere/first.csv")});
  const QByteArray firstRun = Log();
  EXPECT_TRUE(firstRun.startsWith("src=/nowhere/first.csv\r\ngdiplus startup=0\r\nparse=FAIL "));
  auto start = [this] {
    AppState other;
    StartupEnvironment env;
    env.AppDir = Dir();
    RecordedMessages quiet;
    RunStartup(other, env, quiet);
    return ReadAll(other.Log.LogPath());
  };
  EXPECT_EQ(start(), QByteArray("src=\r\ngdiplus startup=0\r\nparse=SKIP no argument\r\n"));
  EXPECT_EQ(Log(), firstRun);
  EXPECT_EQ(QDir(Dir()).entryList({QStringLiteral("qzChart*")}),
            QStringList{QStringLiteral("qzChart.log")});

  state_.Log.SetLogPath({});  // this run ends
  start();
  EXPECT_EQ(Log(), QByteArray("src=\r\ngdiplus startup=0\r\nparse=SKIP no argument\r\n"));
  EXPECT_EQ(ReadAll(LogPath() + QStringLiteral(".1")), firstRun);
}

TEST_F(StartupTest, UnwritableFolderRunsWithoutLogOrSettings) {
  StartupEnvironment env;
  env.AppDir = Dir() + QStringLiteral("gone/");
  EXPECT_TRUE(RunStartup(state_, env, messages_).OpenMainWindow);
  EXPECT_EQ(state_.Config, Settings());
  EXPECT_FALSE(QDir(env.AppDir).exists());

  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner);
  AppState readOnly;
  EXPECT_TRUE(
      RunStartup(readOnly, StartupEnvironment{Dir(), {}, 96, {}, 0, {}}, messages_).OpenMainWindow);
  EXPECT_FALSE(QFile::exists(LogPath()));
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(StartupHelpers, ScreenDpiNeverBelow96) {
  EXPECT_EQ(GetScreenDpi(72), 96);
  EXPECT_EQ(GetScreenDpi(0), 96);
  EXPECT_EQ(GetScreenDpi(96), 96);
  EXPECT_EQ(GetScreenDpi(144), 144);
  EXPECT_TRUE(AppDir().endsWith(u'/'));
}

TEST(StartupHelpers, DeleteTempFilesRemovesOnlyTheImageFiles) {
  QTemporaryDir dir;
  for (const char* name : {"~qzqr.jpg", "~qzhand.cur", "keep.txt"}) {
    WriteAll(dir.filePath(QString::fromLatin1(name)), "x");
  }
  DeleteTempFiles(dir.path());
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("~qzqr.jpg"))));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("~qzhand.cur"))));
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("keep.txt"))));
  DeleteTempFiles(dir.path());  // nothing left to delete: still quiet
}

TEST(StartupHelpers, WindowFailureTexts) {
  EXPECT_EQ(WindowFailureLogLine(481, QStringLiteral("bad picture")),
            QStringLiteral("formload FAIL err=481 bad picture"));
  EXPECT_EQ(WindowFailureText(481, QStringLiteral("ignored"), QStringLiteral("/opt/qh/")),
            QStringLiteral("青禾图表生成工具无法启动.\r\n\r\n"
                           "原因:程序所在文件夹的访问权限受限,"
                           "导致系统无法读取程序自身内嵌的界面图标资源.(错误码 481)\r\n\r\n"
                           "处理方法(任选一种):\r\n"
#if defined(Q_OS_WIN)
                           "1. 右键该文件夹 -> 属性 -> 安全,授予当前用户完全控制后重试;\r\n"
                           "2. 把本程序复制到桌面或我的文档等普通文件夹后再运行;\r\n"
                           "3. 若程序刚下载,右键程序 -> 属性,勾选解除锁定后重试.\r\n\r\n"
#else
                           "1. 在终端执行 chmod u+rwx 加该文件夹路径,给当前用户读写权限后重试;\r\n"
                           "2. 把本程序复制到主文件夹(~)下的普通文件夹后再运行;\r\n"
                           "3. 若程序刚下载,在终端执行 chmod +x "
                           "加程序路径,给它执行权限后重试.\r\n\r\n"
#endif
                           "程序所在文件夹:\r\n/opt/qh/"));
  EXPECT_EQ(WindowFailureText(5, QStringLiteral("no display 100%"), QStringLiteral("/opt/qh/")),
            QStringLiteral("青禾图表生成工具无法启动.\r\n\r\n错误码:5\r\nno display 100%\r\n\r\n"
                           "程序所在文件夹:\r\n/opt/qh/"));
}

TEST_F(StartupTest, WindowFailureIsLoggedAndReported) {
  Run({});
  WriteAll(Dir() + QStringLiteral("~qzqr.jpg"), "x");
  EXPECT_EQ(HandleWindowFailure(state_, 5, QStringLiteral("oops"), messages_), kExitWindowFailed);
  EXPECT_TRUE(Log().endsWith("parse=SKIP no argument\r\nformload FAIL err=5 oops\r\n"));
  EXPECT_FALSE(QFile::exists(Dir() + QStringLiteral("~qzqr.jpg")));
  ASSERT_EQ(messages_.Entries.size(), 1u);
  EXPECT_EQ(messages_.Entries[0].Icon, MessageIcon::Critical);
}

}  // namespace
}  // namespace qh

namespace qh {
namespace {

TEST(StartupDataFolder, SettingsAndLogFollowTheDataFolder) {
  QTemporaryDir app;
  QTemporaryDir data;
  StartupEnvironment env;
  env.AppDir = app.path();
  env.DataDir = data.path();
  AppState state;
  RecordedMessages messages;
  RunStartup(state, env, messages);
  state.Log.Flush();
  const QString dataDir = data.path() + u'/';
  EXPECT_EQ(state.DataDir, dataDir);
  EXPECT_EQ(state.SettingsPath, dataDir + QStringLiteral("青禾图表生成工具.ini"));
  EXPECT_TRUE(QFile::exists(dataDir + QStringLiteral("qzChart.log")));
  EXPECT_TRUE(QDir(app.path()).entryList(QDir::Files).isEmpty())
      << "nothing written beside the program";
}

// The settings beside a program that keeps its files in the user's folder
// are carried there once; after that the user's own file is the one read.
TEST(StartupDataFolder, SettingsBesideTheProgramAreCarriedOnce) {
  QTemporaryDir app;
  QTemporaryDir data;
  const QString beside = SettingsPath(app.path() + u'/');
  const QString own = SettingsPath(data.path() + u'/');
  test::WriteAll(beside, "[Limits]\r\nPageSize=7\r\n");
  const struct {
    const char* Name;
    int PageSize;
  } starts[] = {{"first start carries the file", 7}, {"later starts keep the user's", 9}};
  for (const auto& start : starts) {
    AppState state;
    RecordedMessages messages;
    RunStartup(state, StartupEnvironment{app.path(), {}, 96, {}, 0, data.path()}, messages);
    EXPECT_EQ(state.Config.PageSize, start.PageSize) << start.Name;
    state.SettingsFile.IniWrite(u"Limits", u"PageSize", u"9");
  }
  EXPECT_EQ(ReadAll(beside), QByteArray("[Limits]\r\nPageSize=7\r\n"));
  EXPECT_EQ(ReadAll(own), QByteArray("[Limits]\r\nPageSize=9\r\n"));
}

}  // namespace
}  // namespace qh
