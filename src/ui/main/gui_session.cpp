#include "ui/main/gui_session.h"

#include "app/startup.h"

#include <QWidget>
#include <new>

namespace qh {
namespace {

// The numbers the failure message and the log give the failures we can
// name; fixed, so a number quoted to support means the same in every release.
inline constexpr int kOutOfMemory = 7;
inline constexpr int kInternalError = 51;

}  // namespace

int RunWindowSession(AppState& state, UserMessages& messages, const WindowFactory& create,
                     const EventLoop& loop) {
  std::unique_ptr<QWidget> window;
  try {
    window = create(state);
    if (!window) throw WindowLoadError(kInternalError, QStringLiteral("无法创建主窗口"));
  } catch (const WindowLoadError& e) {
    return HandleWindowFailure(state, e.Number, e.Description, messages);
  } catch (const std::bad_alloc&) {
    return HandleWindowFailure(state, kOutOfMemory, QStringLiteral("Out of memory"), messages);
  } catch (const std::exception& e) {
    return HandleWindowFailure(state, kInternalError, QString::fromLocal8Bit(e.what()), messages);
  }
  window->show();
  loop(*window);
  window.reset();
  return FinishRun(state);
}

}  // namespace qh
