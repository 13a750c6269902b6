#pragma once
// Which window system to start on, decided before Qt tries: a Qt GUI
// application aborts the process when its platform cannot connect, and we
// want the graphics start-up failure (exit code 3) with a message that says
// what failed instead. Also the one scale the window lays itself out with.
#include <QByteArray>
#include <QString>
#include <functional>

namespace qh {

// The environment the choice reads: QT_QPA_PLATFORM, WAYLAND_DISPLAY, DISPLAY.
struct GuiPlatformEnv {
  QByteArray QpaPlatform, WaylandDisplay, Display;
};

// What the choice asks of the machine; each is called only when needed.
struct PlatformProbes {
  std::function<bool(const QByteArray& display)> XDisplay;        // an X server answers
  std::function<bool(const QByteArray& display)> WaylandDisplay;  // a compositor listens
  std::function<bool()> WaylandPlugin;  // Qt's Wayland platform plugin is installed
};

struct PlatformChoice {
  bool Available = true;
  QByteArray Platform;  // the value for QT_QPA_PLATFORM; empty: leave it as it is
  QString Reason;       // why none can be used, for the message on stderr
  QString Note;         // why Wayland was passed over for X, when it was
};

// With WAYLAND_DISPLAY set the program starts on Wayland, and on X only when
// Wayland cannot be used and DISPLAY is set. A platform named in
// QT_QPA_PLATFORM is kept; platforms that need no display are always available.
PlatformChoice ChooseGuiPlatform(const GuiPlatformEnv& env, const PlatformProbes& probes);

// The probes of this machine.
PlatformProbes MachineProbes();
// Opens an X connection to display through libxcb, loaded at run time as Qt
// itself uses it, and closes it again.
bool ProbeXDisplay(const QByteArray& display);
// Connects to the compositor's socket: display is a path, or a name in
// XDG_RUNTIME_DIR.
bool ProbeWaylandDisplay(const QByteArray& display);
// A Qt Wayland platform plugin lies in one of the folders Qt searches.
bool WaylandPluginInstalled();

// Qt multiplies its own screen factor with QT_SCALE_FACTOR. A factor set
// there is the user's whole scale, so the screen's factor must then stay
// off: true when QT_ENABLE_HIGHDPI_SCALING should be set to 0.
bool ScreenScalingMustBeOff(const QByteArray& scaleFactor, const QByteArray& enableScaling);

// The program's own DPI scale s on top of Qt's device pixel ratio, so that
// the two multiply to the screen's scale once: the DPI Qt reports beyond what
// the ratio already covers, never below 1.
float WindowScale(double logicalDpi, double devicePixelRatio);

// Qt aborts the process when no platform plugin can be loaded (a typo in
// QT_QPA_PLATFORM). While a guard lives, such a fatal message runs onFailure
// instead, which must end the process itself; other messages pass on as
// before. Create it right before the application object and let it go once
// that exists.
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
