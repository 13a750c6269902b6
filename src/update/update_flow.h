#pragma once
// The user-started online update: check the remote build, ask, download,
// write the replacement script, start it and quit. Runs on the UI thread;
// waits run a local event loop, so the window keeps repainting.
#include <QString>
#include <functional>
#include <optional>

#include "base/user_messages.h"
#include "update/local_version.h"

namespace qh {

struct UpdateContext {
  UserMessages& messages;
  QString updateUrl{};       // Settings::UpdateUrl
  QString appDir{};          // the program folder, with or without a trailing separator
  QString executablePath{};  // the running program (QCoreApplication::applicationFilePath())
  std::function<void()> showBusy{};         // wait cursor on
  std::function<void()> showIdle{};         // wait cursor off
  std::function<void()> quitApplication{};  // close the main window once the script runs
  // The program folder is not writable (a system-wide install): the package
  // manager updates the program, nothing is downloaded.
  bool packageManaged = false;

  // Seams for tests; the defaults are what the program uses.
  std::function<void(const QString& scriptPath)> runScript{};  // empty: RunUpdateScript
  int stallTimeoutMs = 30000;  // a transfer without progress for this long fails
  std::optional<LocalVersion> localVersion{};  // empty: the running program's
};

// Runs the whole update with its questions and messages. A call made while
// another update is still running (the window stays live) returns at once.
void CheckForUpdate(UpdateContext& context);

}  // namespace qh
