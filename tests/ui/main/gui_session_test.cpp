// The window half of a run: exit codes 0 and 4, and whether a window system
// can be reached before Qt would abort.
#include "ui/main/gui_platform.h"
#include "ui/main/gui_session.h"
#include "ui/main/window_test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

namespace qh {
namespace {

struct SessionFixture {
  QTemporaryDir dir;
  AppState state;
  RecordedMessages messages;
  test::RecordedFileDialogs dialogs;

  SessionFixture() {
    StartupEnvironment env;
    env.AppDir = dir.path() + QStringLiteral("/");
    RunStartup(state, env, messages);
  }
  QString Log() {
    state.Log.Flush();
    QFile f(state.Log.LogPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
  }
};

TEST(WindowSession, ANormalCloseEndsWithZero) {
  SessionFixture s;
  bool looped = false;
  const int code = RunWindowSession(
      s.state, s.messages,
      [&](AppState& state) -> std::unique_ptr<QWidget> {
        return std::make_unique<MainWindow>(state, s.messages, s.dialogs, WindowHooks{}, 1.0f);
      },
      [&](QWidget& window) {
        looped = window.isVisible();
        window.close();
      });
  EXPECT_TRUE(looped);
  EXPECT_EQ(code, kExitOk);
  EXPECT_TRUE(s.messages.entries.empty());
}

TEST(WindowSession, AWindowThatCannotBeCreatedEndsWithFour) {
  struct Case {
    std::function<void()> fail;
    int number;
  } cases[] = {
      {[] { throw WindowLoadError(kPictureLoadError, QStringLiteral("picture")); }, 481},
      {[] { throw std::bad_alloc(); }, 7},
      {[] { throw std::runtime_error("broken"); }, 51},
  };
  for (const Case& c : cases) {
    SessionFixture s;
    bool looped = false;
    const int code = RunWindowSession(
        s.state, s.messages,
        [&](AppState&) -> std::unique_ptr<QWidget> {
          c.fail();
          return nullptr;
        },
        [&](QWidget&) { looped = true; });
    EXPECT_EQ(code, kExitWindowFailed);
    EXPECT_FALSE(looped);
    ASSERT_EQ(s.messages.entries.size(), 1u);
    EXPECT_EQ(s.messages.entries[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(s.messages.entries[0].text.startsWith(QStringLiteral("青禾图表生成工具无法启动.")));
    EXPECT_TRUE(s.Log().contains(QStringLiteral("formload FAIL err=%1").arg(c.number))) << c.number;
  }
}

TEST(GuiPlatform, ADisplayIsNeededOnlyByTheX11Platform) {
  int probes = 0;
  auto reachable = [&](const QByteArray&) { return ++probes, true; };
  auto unreachable = [&](const QByteArray&) { return ++probes, false; };
  struct Case {
    QByteArray platform, display;
    bool probeAnswer, available;
    // clang-format off
  } cases[] = {
      {"", "", true, false},         {"xcb", "  ", true, false}, {"", ":0", true, true},
      {"xcb", ":98", false, false},  {"offscreen", "", false, true},
      {"offscreen:fontengine=freetype", "", false, true},       {"vnc", "", false, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    const PlatformCheck check = CheckGuiPlatform(
        c.platform, c.display, c.probeAnswer ? DisplayProbe(reachable) : DisplayProbe(unreachable));
    EXPECT_EQ(check.Available, c.available)
        << c.platform.constData() << " " << c.display.constData();
    EXPECT_EQ(check.Reason.isEmpty(), c.available);
  }
  EXPECT_EQ(probes, 2) << "only a set DISPLAY is probed";
}

TEST(GuiPlatform, AnUnusedDisplayNumberCannotBeReached) { EXPECT_FALSE(ProbeXDisplay(":1999")); }

TEST(GuiPlatform, PluginTextNamesThePlatform) {
  EXPECT_TRUE(PlatformPluginFailureText("wayland").contains(QStringLiteral("wayland")));
  EXPECT_TRUE(PlatformPluginFailureText("").contains(QStringLiteral("xcb")));
}

// The window program of this build, copied into a folder of its own so its
// settings file and log land there.
QString CopyWindowProgram(const QTemporaryDir& dir) {
  const QString built = QStringLiteral(QH_WINDOW_PROGRAM);
  const QString copy = dir.filePath(QStringLiteral("qinghechart"));
  QFile::copy(built, copy);
  return copy;
}

TEST(GuiPlatform, APlatformThatCannotLoadEndsLikeAMissingDisplay) {
  struct Case {
    QString platform, display, reason;
    // clang-format off
  } cases[] = {
      {QStringLiteral("nosuchplatform"), {}, QStringLiteral("无法加载图形平台插件 nosuchplatform")},
      {QStringLiteral("wayland-typo"), QStringLiteral(":0"), QStringLiteral("无法加载图形平台插件")},
      {QStringLiteral("xcb"), {}, QStringLiteral("没有可用的显示器")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.platform.toStdString());
    QTemporaryDir dir;
    const QString program = CopyWindowProgram(dir);
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "build the qinghechart target first";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), c.platform);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (c.display.isEmpty())
      env.remove(QStringLiteral("DISPLAY"));
    else
      env.insert(QStringLiteral("DISPLAY"), c.display);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), kExitGraphicsFailed);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.contains(GraphicsFailureText(1))) << err.toStdString();
    EXPECT_TRUE(err.contains(c.reason)) << err.toStdString();
    QFile log(dir.filePath(QStringLiteral("qzChart.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("gdiplus startup=1"));
  }
}

}  // namespace
}  // namespace qh
