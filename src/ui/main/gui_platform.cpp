#include "ui/main/gui_platform.h"

#include <QDir>
#include <QLibraryInfo>
#include <QList>
#include <QMessageLogContext>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qh {

namespace {

QString Local(const QByteArray& bytes) { return QString::fromLocal8Bit(bytes); }

bool IsWaylandPlugin(const QByteArray& name) {
  for (const char* known : {"wayland", "wayland-egl", "wayland-brcm", "wayland-xcomposite-egl",
                            "wayland-xcomposite-glx"})
    if (name == known) return true;
  return false;
}

PlatformChoice CheckX(const QByteArray& display, const PlatformProbes& probes) {
  if (display.trimmed().isEmpty())
    return {false,
            {},
            QStringLiteral(
                "没有可用的显示器: 环境变量 DISPLAY 未设置 (no display: DISPLAY is not set)."),
            {}};
  if (probes.XDisplay && !probes.XDisplay(display))
    return {
        false,
        {},
        QStringLiteral("无法连接显示器 %1 (cannot connect to X display %1).").arg(Local(display)),
        {}};
  return {};
}

PlatformChoice CheckWayland(const QByteArray& display, const PlatformProbes& probes) {
  if (probes.WaylandPlugin && !probes.WaylandPlugin())
    return {false,
            {},
            QStringLiteral("缺少 Qt 的 Wayland 平台插件, 请安装 qt6-wayland 软件包 "
                           "(the Qt Wayland platform plugin is missing: install qt6-wayland)."),
            {}};
  if (probes.WaylandDisplay && !probes.WaylandDisplay(display))
    return {false,
            {},
            QStringLiteral("无法连接 Wayland 合成器 %1 (no Wayland compositor at "
                           "WAYLAND_DISPLAY=%1).")
                .arg(Local(display)),
            {}};
  return {};
}

}  // namespace

PlatformChoice ChooseGuiPlatform(const GuiPlatformEnv& env, const PlatformProbes& probes) {
  const QByteArray named = env.QpaPlatform.split(':').value(0).trimmed();
  const QByteArray wayland = env.WaylandDisplay.trimmed();
  if (IsWaylandPlugin(named))  // as libwayland does, an unset name means wayland-0
    return CheckWayland(wayland.isEmpty() ? QByteArray("wayland-0") : wayland, probes);
  if (named == "xcb") return CheckX(env.Display, probes);
  if (!named.isEmpty()) return {};  // offscreen, vnc, a list for Qt to try, a typo Qt reports
  if (wayland.isEmpty()) {
    PlatformChoice x = CheckX(env.Display, probes);
    if (x.Available) x.Platform = "xcb";
    return x;
  }
  PlatformChoice w = CheckWayland(wayland, probes);
  if (w.Available) return {true, "wayland", {}, {}};
  if (env.Display.trimmed().isEmpty()) return w;
  const PlatformChoice x = CheckX(env.Display, probes);
  if (!x.Available) return {false, {}, w.Reason + QLatin1Char('\n') + x.Reason, {}};
  return {true, "xcb", {}, w.Reason + QStringLiteral(" 改用 X11 (using X11 instead).")};
}

PlatformProbes MachineProbes() {
  return {ProbeXDisplay, ProbeWaylandDisplay, WaylandPluginInstalled};
}

bool ProbeXDisplay(const QByteArray& display) {
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
  if (!lib) return false;
  auto connect = reinterpret_cast<Connect>(dlsym(lib, "xcb_connect"));
  auto hasError = reinterpret_cast<HasError>(dlsym(lib, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(lib, "xcb_disconnect"));
  bool ok = false;
  if (connect && hasError && disconnect) {
    void* connection = connect(display.constData(), nullptr);
    if (connection) {
      ok = hasError(connection) == 0;
      disconnect(connection);  // also frees a connection in error
    }
  }
  dlclose(lib);
  return ok;
}

bool ProbeWaylandDisplay(const QByteArray& display) {
  QByteArray path = display;
  if (!path.startsWith('/')) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) return false;
    path = runtime + '/' + display;
  }
  sockaddr_un address{};
  if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return ok;
}

bool WaylandPluginInstalled() {
  QStringList folders =
      qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
  for (const QString& folder : folders) {
    const QDir platforms(folder + QStringLiteral("/platforms"));
    if (!platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty())
      return true;
  }
  return false;
}

bool ScreenScalingMustBeOff(const QByteArray& scaleFactor, const QByteArray& enableScaling) {
  return !scaleFactor.trimmed().isEmpty() && enableScaling.isNull();
}

float WindowScale(double logicalDpi, double devicePixelRatio) {
  const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  return static_cast<float>(std::max(1.0, logicalDpi / (96.0 * ratio)));
}

namespace {

// Qt's message handler is a plain function without a context argument, so
// the guard's state has to sit where that function can reach it. Only one
// guard exists at a time, on the main thread, before the event loop.
struct GuardState {
  PlatformFailureGuard::FailureHandler OnFailure;
  QtMessageHandler Previous = nullptr;
};
GuardState* activeGuard = nullptr;

void GuardedMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtFatalMsg && activeGuard && activeGuard->OnFailure)
    activeGuard->OnFailure(message);  // ends the process
  if (activeGuard && activeGuard->Previous) {
    activeGuard->Previous(type, context, message);
    return;
  }
  const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
  std::fprintf(stderr, "%s\n", line.constData());
}

}  // namespace

PlatformFailureGuard::PlatformFailureGuard(FailureHandler onFailure) {
  activeGuard = new GuardState{std::move(onFailure), nullptr};
  activeGuard->Previous = qInstallMessageHandler(GuardedMessageHandler);
}

PlatformFailureGuard::~PlatformFailureGuard() {
  qInstallMessageHandler(activeGuard->Previous);
  delete activeGuard;
  activeGuard = nullptr;
}

QString PlatformPluginFailureText(const QByteArray& platform) {
  const QString name = QString::fromLocal8Bit(platform.trimmed());
  return QStringLiteral("无法加载图形平台插件 %1 (the Qt platform plugin could not be loaded).")
      .arg(name.isEmpty() ? QStringLiteral("xcb") : name);
}

}  // namespace qh
