#pragma once
// The start-up sequence up to the main window: log, settings, label options,
// command line, graphics check and the first data load. The window side
// (creating it, the event loop, the exit) calls in here; everything the
// sequence needs from the platform comes in through StartupEnvironment, so
// tests can run it against a temporary folder.
#include "base/diag_log.h"
#include "base/ini_file.h"
#include "app/label_options.h"
#include "app/settings.h"
#include "data/item_table.h"

#include <QString>
#include <QStringList>

namespace qh {

class UserMessages;

inline constexpr int kExitOk = 0;
inline constexpr int kExitGraphicsFailed = 3;
inline constexpr int kExitWindowFailed = 4;

// The platform error number for a picture inside the window that cannot be read.
inline constexpr int kPictureLoadError = 481;

// The desktop work area in pixels; all 0 when the system cannot tell.
struct WorkArea {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const WorkArea&, const WorkArea&) = default;
};

// What the sequence reads from the platform.
struct StartupEnvironment {
  QString AppDir;         // the executable's folder; a "/" is appended when missing
  QStringList Arguments;  // command-line arguments without the executable name
  int LogicalDpi = 96;    // the screen's logical DPI as reported
  WorkArea Work;
  int GraphicsStatus = 0;  // 0 when the graphics library started
  QString DataDir;         // settings, log and temporary files; empty means AppDir
};

// The process state the sequence builds and the main window goes on using.
struct AppState {
  QString AppDir;   // ends in "/"
  QString DataDir;  // settings file, log and temporary files; ends in "/"
  QString SettingsPath;
  IniFile SettingsFile;  // read once at start; writes go through it
  DiagLog Log;           // disabled until the sequence sets its path
  Settings Config;
  LabelOptions Labels;
  ItemTable Table;  // Table.SourcePath is the command-line path
  int ScreenDpi = 96;
  WorkArea Work;
};

// How the sequence ended: open the main window, or exit with ExitCode.
struct StartupResult {
  bool OpenMainWindow = true;
  int ExitCode = kExitOk;  // the exit code to use when OpenMainWindow is false
};

// Everything before the window opens: starts the log (keeping the last run's), reads DPI and work
// area, creates and loads the settings and label options, takes the path from the arguments, logs
// "src=" and "gdiplus startup=", and either refuses (graphics failed: critical message, exit code
// 3) or loads the file and logs the outcome, warning through messages when the file is refused.
// Every log line is in the file when this returns.
StartupResult RunStartup(AppState& state, const StartupEnvironment& env, UserMessages& messages);

// The folder of the running executable, ending in "/".
QString AppDir();

// The logical DPI to lay out with: never below 96.
int GetScreenDpi(int logicalDpi);

// The environment of this process: AppDir(), its data folder (the per-user
// configuration folder when the program is installed system-wide), the primary screen's logical
// DPI and work area when a QGuiApplication exists (96 and zeros otherwise).
StartupEnvironment PlatformEnvironment(const QStringList& arguments, int graphicsStatus);

// Deletes the temporary image files beside the executable; errors are ignored.
void DeleteTempFiles(const QString& appDir);

// The message for a graphics library that failed to start.
QString GraphicsFailureText(int status);

// The log line and message for a main window that could not be created.
QString WindowFailureLogLine(int errorNumber, const QString& description);
QString WindowFailureText(int errorNumber, const QString& description, const QString& appDir);

// A main window that could not be created: logs, deletes the temporary
// files, shows the critical message; returns kExitWindowFailed.
int HandleWindowFailure(AppState& state, int errorNumber, const QString& description,
                        UserMessages& messages);

// After the window closed: deletes the temporary files and
// flushes the log; returns kExitOk.
int FinishRun(AppState& state);

}  // namespace qh
