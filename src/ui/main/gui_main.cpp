// The window program's entry point: start-up, then the main window and its
// event loop. Exit codes: 0 after a normal close, 3 when no window system
// can be reached, 4 when the main window cannot be created. "--version" and
// "--help" answer on stdout before anything else happens (the update runs a
// downloaded program with "--version" to see that it starts).
#include "app/data_folder.h"
#include "base/native_name.h"
#include "app/settings.h"
#include "app/startup.h"
#include "ui/about/about_dialog.h"
#include "ui/main/gui_platform.h"
#include "ui/main/gui_session.h"
#include "ui/main/main_window.h"
#include "ui/services/chinese_dialogs.h"
#include "ui/services/file_dialogs.h"
#include "ui/services/message_box.h"
#include "update/local_version.h"
#include "update/update_flow.h"
#include "update/update_script.h"

#include <QApplication>
#include <QScreen>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// The graphics start-up status we log when no window system is reachable.
constexpr int kNoDisplayStatus = 1;

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList args;
  // As bytes: a file name that is no UTF-8 still names its file.
  for (int i = 1; i < argc; ++i) args << qh::NameFromNative(argv[i]);
  return args;
}

// Without a window system the messages go to stderr.
class StderrMessages final : public qh::UserMessages {
 public:
  qh::MessageAnswer Show(const QString& text, qh::MessageIcon, qh::MessageButtons) override {
    QTextStream(stderr) << text << "\n";
    return qh::MessageAnswer::No;
  }
};

// The start-up sequence as far as the graphics check, which fails: the log
// and the messages, then exit code 3. Needs no application object, so it
// also serves a platform plugin that fails while one is being built.
int ReportNoDisplay(const qh::StartupEnvironment& env, const QString& reason) {
  qh::AppState state;
  StderrMessages messages;
  const qh::StartupResult result = qh::RunStartup(state, env, messages);
  QTextStream(stderr)
      << reason << "\n"
      << "Start the program on a desktop (Wayland or X11), or set WAYLAND_DISPLAY or "
         "DISPLAY to a running compositor or X server (for example Xvfb), or use "
         "qinghechart-cli to render charts to files.\n";
  return result.OpenMainWindow ? qh::kExitGraphicsFailed : result.ExitCode;
}

int RunWithoutDisplay(int argc, char** argv, const QString& reason) {
  QCoreApplication core(argc, argv);
  return ReportNoDisplay(qh::PlatformEnvironment(ArgumentsOf(argc, argv), kNoDisplayStatus),
                         reason);
}

// "--version", "--help" and "-h": answered without a window, settings or
// log. Returns the exit code, or -1 for a normal start.
int AnswerInformationFlag(int argc, char** argv) {
  if (argc != 2) return -1;
  const QByteArray flag(argv[1]);
  if (flag == "--version") {
    QCoreApplication core(argc, argv);
    QTextStream(stdout) << qh::LocalVersionText() << "\n";
    return 0;
  }
  if (flag == "--help" || flag == "-h") {
    QTextStream(stdout) << "用法: qinghechart [数据文件]\n"
                           "\n"
                           "  数据文件     要打开的 HTML、CSV、.xls 或 .xlsx 文件\n"
                           "  --version    显示版本后退出\n"
                           "  -h, --help   显示本说明后退出\n";
    return 0;
  }
  return -1;
}

// The update flow lives as long as the window: closing the window during a
// download stops it and deletes what was fetched.
qh::UpdateFlow& UpdateFlowOf(QWidget* owner, qh::AppState& state, qh::UserMessages& messages) {
  if (auto* flow = owner->findChild<qh::UpdateFlow*>(QString(), Qt::FindDirectChildrenOnly))
    return *flow;
  qh::UpdateContext context{.Messages = messages,
                            .UpdateUrl = state.Config.UpdateUrl,
                            .AppDir = state.AppDir,
                            .ExecutablePath = QCoreApplication::applicationFilePath(),
                            .WindowTitle = QString::fromUtf8(qh::kWindowTitle)};
  context.ShowBusy = [] { QApplication::setOverrideCursor(Qt::WaitCursor); };
  context.ShowIdle = [] { QApplication::restoreOverrideCursor(); };
  context.QuitApplication = [owner] { owner->close(); };
  context.Log = &state.Log;
  // A read-only portable folder is not the package manager's: the flow says so itself.
  context.PackageManaged = qh::IsPackageInstallFolder(state.AppDir);
  return *new qh::UpdateFlow(std::move(context), owner);
}

qh::WindowHooks MakeHooks(qh::AppState& state, qh::UserMessages& messages, float scale) {
  qh::WindowHooks hooks;
  hooks.VersionText = [] { return qh::LocalVersionText(); };
  hooks.ShowAbout = [scale](QWidget* owner) { qh::QzShowAbout(owner, scale); };
  hooks.StartUpdate = [&state, &messages](QWidget* owner) {
    UpdateFlowOf(owner, state, messages).Start();
  };
  return hooks;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int code = AnswerInformationFlag(argc, argv); code >= 0) return code;
  if (qh::ScreenScalingMustBeOff(qgetenv("QT_SCALE_FACTOR"), qgetenv("QT_ENABLE_HIGHDPI_SCALING")))
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  const qh::PlatformChoice platform = qh::ChooseGuiPlatform(
      {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY")},
      qh::MachineProbes());
  if (!platform.Available) return RunWithoutDisplay(argc, argv, platform.Reason);
  if (!platform.Note.isEmpty()) QTextStream(stderr) << platform.Note << "\n";
  if (!platform.Platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform.Platform);

  const qh::StartupEnvironment noDisplay =
      qh::PlatformEnvironment(ArgumentsOf(argc, argv), kNoDisplayStatus);
  std::optional<qh::PlatformFailureGuard> guard(std::in_place, [&](const QString&) {
    const int code =
        ReportNoDisplay(noDisplay, qh::PlatformPluginFailureText(qgetenv("QT_QPA_PLATFORM")));
    std::fflush(stderr);
    std::_Exit(code);  // Qt would abort; the half-built application is never used
  });
  QApplication app(argc, argv);
  guard.reset();
  qh::ChineseTranslators translators;
  qh::InstallChineseTranslators(translators);
  qh::AppState state;
  qh::MessageBoxMessages messages;
  const qh::StartupResult started =
      qh::RunStartup(state, qh::PlatformEnvironment(ArgumentsOf(argc, argv), 0), messages);
  if (!started.OpenMainWindow) return started.ExitCode;
  qh::RemoveSetAsideProgram(state.AppDir);

  const QScreen* screen = QGuiApplication::primaryScreen();
  const float scale = qh::WindowScale(state.ScreenDpi, screen ? screen->devicePixelRatio() : 1.0);
  qh::QtFileDialogs dialogs;
  const qh::WindowHooks hooks = MakeHooks(state, messages, scale);
  return qh::RunWindowSession(
      state, messages,
      [&](qh::AppState& s) -> std::unique_ptr<QWidget> {
        auto window = std::make_unique<qh::MainWindow>(s, messages, dialogs, hooks, scale);
        messages.SetOwner(window.get());
        return window;
      },
      [&](QWidget&) { app.exec(); });
}
