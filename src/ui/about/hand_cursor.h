#pragma once
// The hand pointer of the clickable areas of the main window (navigation
// items, the upgrade label, the company link), decoded in memory from the
// cursor carried inside the program, so it works from a read-only folder.
#include <QCursor>
#include <optional>

namespace qh {

// The built-in hand cursor (32 x 32, hot spot at the fingertip), or nothing
// when it cannot be decoded; callers then keep the default pointer.
std::optional<QCursor> EmbeddedHandCursor();

}  // namespace qh
