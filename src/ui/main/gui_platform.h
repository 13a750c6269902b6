#pragma once
// Whether the window system can be reached before Qt tries: a Qt GUI
// application aborts the process when its platform cannot connect, and we
// want the graphics start-up failure (exit code 3) instead.
#include <QByteArray>
#include <QString>
#include <functional>

namespace qh {

struct PlatformCheck {
  bool Available = true;
  QString Reason;  // why not, for the message on stderr
};

// Opens an X connection to display and closes it again; true when it works.
using DisplayProbe = std::function<bool(const QByteArray& display)>;

// platform is QT_QPA_PLATFORM (empty: the default, xcb), display is DISPLAY.
// Platforms that need no display are always available.
PlatformCheck CheckGuiPlatform(const QByteArray& platform, const QByteArray& display,
                               const DisplayProbe& probe);

// The probe of this machine: libxcb, loaded at run time, as Qt itself uses it.
bool ProbeXDisplay(const QByteArray& display);

// Qt aborts the process when no platform plugin can be loaded (a typo in
// QT_QPA_PLATFORM, wayland on a plain X install). While a guard lives, such
// a fatal message runs onFailure instead, which must end the process itself;
// other messages pass on as before. Create it right before the application
// object and let it go once that exists.
class PlatformFailureGuard {
 public:
  using FailureHandler = std::function<void(const QString& qtMessage)>;
  explicit PlatformFailureGuard(FailureHandler onFailure);
  ~PlatformFailureGuard();
  PlatformFailureGuard(const PlatformFailureGuard&) = delete;
  PlatformFailureGuard& operator=(const PlatformFailureGuard&) = delete;
};

// The stderr line for a platform plugin that could not be loaded.
QString PlatformPluginFailureText(const QByteArray& platform);

}  // namespace qh
