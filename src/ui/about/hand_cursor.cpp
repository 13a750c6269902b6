#include "ui/about/hand_cursor.h"

#include <QPixmap>

#include "ui/about/embedded_assets.h"
#include "ui/about/cursor_file.h"

namespace qh {

std::optional<QCursor> EmbeddedHandCursor() {
  const std::optional<QByteArray> bytes = HandCursorBytes();
  if (!bytes) return std::nullopt;
  const std::optional<CursorPicture> picture = DecodeCursorFile(*bytes);
  if (!picture) return std::nullopt;
  return QCursor(QPixmap::fromImage(picture->Image), picture->HotSpot.x(), picture->HotSpot.y());
}

}  // namespace qh
