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
  QTemporaryDir Dir;
  AppState State;
  RecordedMessages Messages;
  test::RecordedFileDialogs Dialogs;

  SessionFixture() {
    StartupEnvironment env;
    env.AppDir = Dir.path() + QStringLiteral("/");
    RunStartup(State, env, Messages);
  }
  QString Log() {
    State.Log.Flush();
    QFile f(State.Log.LogPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
  }
};

TEST(WindowSession, ANormalCloseEndsWithZero) {
  SessionFixture s;
  bool looped = false;
  const int code = RunWindowSession(
      s.State, s.Messages,
      [&](AppState& state) -> std::unique_ptr<QWidget> {
        return std::make_unique<MainWindow>(state, s.Messages, s.Dialogs, WindowHooks{}, 1.0f);
      },
      [&](QWidget& window) {
        looped = window.isVisible();
        window.close();
      });
  EXPECT_TRUE(looped);
  EXPECT_EQ(code, kExitOk);
  EXPECT_TRUE(s.Messages.Entries.empty());
}

TEST(WindowSession, AWindowThatCannotBeCreatedEndsWithFour) {
  struct Case {
    std::function<void()> Fail;
    int Number;
  } cases[] = {
      {[] { throw WindowLoadError(kPictureLoadError, QStringLiteral("picture")); }, 481},
      {[] { throw std::bad_alloc(); }, 7},
      {[] { throw std::runtime_error("broken"); }, 51},
  };
  for (const Case& c : cases) {
    SessionFixture s;
    bool looped = false;
    const int code = RunWindowSession(
        s.State, s.Messages,
        [&](AppState&) -> std::unique_ptr<QWidget> {
          c.Fail();
          return nullptr;
        },
        [&](QWidget&) { looped = true; });
    EXPECT_EQ(code, kExitWindowFailed);
    EXPECT_FALSE(looped);
    ASSERT_EQ(s.Messages.Entries.size(), 1u);
    EXPECT_EQ(s.Messages.Entries[0].Icon, MessageIcon::Critical);
    EXPECT_TRUE(s.Messages.Entries[0].Text.startsWith(QStringLiteral("青禾图表生成工具无法启动.")));
    EXPECT_TRUE(s.Log().contains(QStringLiteral("formload FAIL err=%1").arg(c.Number))) << c.Number;
  }
}

// Which platform the window starts on, by QT_QPA_PLATFORM, WAYLAND_DISPLAY
// and DISPLAY and what answers there. Probe answers: X server, compositor,
// Wayland plugin installed.
TEST(GuiPlatform, WaylandFirstThenX) {
  struct Case {
    const char *Platform, *Wayland, *Display;
    bool X, Compositor, Plugin;
    bool Available;
    const char* Chosen;  // QT_QPA_PLATFORM to set; "" leaves it
    const char* Said;    // in the reason or the note
    // clang-format off
  } cases[] = {
      {"",          "",          "",   true,  true,  true,  false, "",        "DISPLAY 未设置"},
      {"xcb",       "",          "  ", true,  true,  true,  false, "",        "DISPLAY 未设置"},
      {"",          "",          ":0", true,  true,  true,  true,  "xcb",     ""},
      {"xcb",       "",          ":98",false, true,  true,  false, "",        "无法连接显示器 :98"},
      {"xcb",       "wayland-0", ":0", true,  true,  true,  true,  "",        ""},
      {"offscreen", "",          "",   false, false, false, true,  "",        ""},
      {"offscreen:fontengine=freetype", "", "", false, false, false, true, "", ""},
      {"vnc",       "",          "",   false, false, false, true,  "",        ""},
      {"wayland;xcb","wayland-0","",   false, false, false, true,  "",        ""},
      {"",          "wayland-0", "",   false, true,  true,  true,  "wayland", ""},
      {"",          "wayland-0", ":0", true,  true,  true,  true,  "wayland", ""},
      {"",          "wayland-9", "",   false, false, true,  false, "",        "无法连接 Wayland 合成器 wayland-9"},
      {"",          "wayland-0", "",   false, true,  false, false, "",        "qt6-wayland"},
      {"",          "wayland-9", ":0", true,  false, true,  true,  "xcb",     "改用 X11"},
      {"",          "wayland-0", ":0", true,  true,  false, true,  "xcb",     "qt6-wayland"},
      {"",          "wayland-9", ":98",false, false, true,  false, "",        "无法连接显示器 :98"},
      {"wayland",   "",          ":0", true,  false, true,  false, "",        "合成器 wayland-0"},
      {"wayland",   "/run/w-1",  "",   false, true,  true,  true,  "",        ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Platform) + " | " + c.Wayland + " | " + c.Display);
    const PlatformProbes probes{[&](const QByteArray&) { return c.X; },
                                [&](const QByteArray&) { return c.Compositor; },
                                [&] { return c.Plugin; }};
    const PlatformChoice choice = ChooseGuiPlatform({c.Platform, c.Wayland, c.Display}, probes);
    EXPECT_EQ(choice.Available, c.Available);
    EXPECT_EQ(choice.Reason.isEmpty(), c.Available);
    EXPECT_EQ(choice.Platform, QByteArray(c.Chosen));
    EXPECT_TRUE((choice.Reason + choice.Note).contains(QString::fromUtf8(c.Said)))
        << (choice.Reason + choice.Note).toStdString();
  }
}

TEST(GuiPlatform, OneScaleFromQtRatioAndTheReportedDpi) {
  struct Case {
    double Dpi, Ratio;
    float S;
    // clang-format off
  } cases[] = {
      {96, 1, 1.0f}, {144, 1, 1.5f}, {120, 1.25, 1.0f}, {96, 1.5, 1.0f}, {144, 1.25, 1.2f},
      {64, 1.5, 1.0f}, {192, 2, 1.0f}, {72, 1, 1.0f}, {96, 0, 1.0f},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(WindowScale(c.Dpi, c.Ratio), c.S) << c.Dpi << " dpi at " << c.Ratio;
  EXPECT_TRUE(ScreenScalingMustBeOff("1.25", QByteArray()));
  EXPECT_FALSE(ScreenScalingMustBeOff("1.25", "1")) << "the user's own choice stands";
  EXPECT_FALSE(ScreenScalingMustBeOff("", QByteArray()));
}

TEST(GuiPlatform, ACompositorSocketNobodyListensOnCannotBeReached) {
  EXPECT_FALSE(ProbeWaylandDisplay("/nonexistent/wayland-77"));
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
    QString Platform, Display, Reason;
    QString Wayland = {};
    // clang-format off
  } cases[] = {
      {QStringLiteral("nosuchplatform"), {}, QStringLiteral("无法加载图形平台插件 nosuchplatform")},
      {QStringLiteral("wayland-typo"), QStringLiteral(":0"), QStringLiteral("无法加载图形平台插件")},
      {QStringLiteral("xcb"), {}, QStringLiteral("没有可用的显示器")},
      // No compositor there (or, without qt6-wayland, no plugin): named, not "plugin wayland".
      {{}, {}, QStringLiteral("Wayland"), QStringLiteral("/nonexistent/wayland-77")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Platform.toStdString());
    QTemporaryDir dir;
    const QString program = CopyWindowProgram(dir);
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "build the qinghechart target first";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (c.Platform.isEmpty())
      env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    else
      env.insert(QStringLiteral("QT_QPA_PLATFORM"), c.Platform);
    if (c.Wayland.isEmpty())
      env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    else
      env.insert(QStringLiteral("WAYLAND_DISPLAY"), c.Wayland);
    if (c.Display.isEmpty())
      env.remove(QStringLiteral("DISPLAY"));
    else
      env.insert(QStringLiteral("DISPLAY"), c.Display);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), kExitGraphicsFailed);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.contains(GraphicsFailureText(1))) << err.toStdString();
    EXPECT_TRUE(err.contains(c.Reason)) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("GDI+")) || err.contains(QStringLiteral("gdiplus")));
    QFile log(dir.filePath(QStringLiteral("qzChart.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("gdiplus startup=1"));
  }
}

}  // namespace
}  // namespace qh
