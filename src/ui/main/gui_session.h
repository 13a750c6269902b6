#pragma once
// The window half of a run: create the main window, turn the event loop
// until it closes, and end with exit code 0, or 4 when the window cannot be
// created.
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

class QWidget;

namespace qh {

struct AppState;
class UserMessages;

// Raised while the main window is being created; the number and text go to
// the log and the message.
struct WindowLoadError : std::runtime_error {
  WindowLoadError(int number, const QString& description)
      : std::runtime_error(description.toStdString()), Number(number), Description(description) {}
  int Number;
  QString Description;
};

using WindowFactory = std::function<std::unique_ptr<QWidget>(AppState&)>;
using EventLoop = std::function<void(QWidget& window)>;

// Creates and shows the window, runs loop (normally QApplication::exec),
// destroys the window and finishes the run. Returns the exit code.
int RunWindowSession(AppState& state, UserMessages& messages, const WindowFactory& create,
                     const EventLoop& loop);

}  // namespace qh
