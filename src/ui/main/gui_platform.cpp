#include "ui/main/gui_platform.h"

#include <QList>
#include <QMessageLogContext>

#include <cstdio>

#include <dlfcn.h>

namespace qh {

PlatformCheck CheckGuiPlatform(const QByteArray& platform, const QByteArray& display,
                               const DisplayProbe& probe) {
  const QByteArray name = platform.split(':').value(0).trimmed();
  if (!name.isEmpty() && name != "xcb") return {};
  if (display.trimmed().isEmpty())
    return {false,
            QStringLiteral(
                "没有可用的显示器: 环境变量 DISPLAY 未设置 (no display: DISPLAY is not set).")};
  if (probe && !probe(display))
    return {false, QStringLiteral("无法连接显示器 %1 (cannot connect to X display %1).")
                       .arg(QString::fromLocal8Bit(display))};
  return {};
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

namespace {

// Qt's message handler is a plain function without a context argument, so
// the guard's state has to sit where that function can reach it. Only one
// guard exists at a time, on the main thread, before the event loop.
struct GuardState {
  PlatformFailureGuard::FailureHandler onFailure;
  QtMessageHandler previous = nullptr;
};
GuardState* activeGuard = nullptr;

void GuardedMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtFatalMsg && activeGuard && activeGuard->onFailure)
    activeGuard->onFailure(message);  // ends the process
  if (activeGuard && activeGuard->previous) {
    activeGuard->previous(type, context, message);
    return;
  }
  const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
  std::fprintf(stderr, "%s\n", line.constData());
}

}  // namespace

PlatformFailureGuard::PlatformFailureGuard(FailureHandler onFailure) {
  activeGuard = new GuardState{std::move(onFailure), nullptr};
  activeGuard->previous = qInstallMessageHandler(GuardedMessageHandler);
}

PlatformFailureGuard::~PlatformFailureGuard() {
  qInstallMessageHandler(activeGuard->previous);
  delete activeGuard;
  activeGuard = nullptr;
}

QString PlatformPluginFailureText(const QByteArray& platform) {
  const QString name = QString::fromLocal8Bit(platform.trimmed());
  return QStringLiteral("无法加载图形平台插件 %1 (the Qt platform plugin could not be loaded).")
      .arg(name.isEmpty() ? QStringLiteral("xcb") : name);
}

}  // namespace qh
