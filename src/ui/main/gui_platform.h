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

}  // namespace qh
