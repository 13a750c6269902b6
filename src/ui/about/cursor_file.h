#pragma once
// Reads a Windows cursor file (.cur) from memory: the first image and its
// hot spot.
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <optional>

namespace qh {

struct CursorPicture {
  QImage Image;  // ARGB32, transparent where the cursor shows the screen
  QPoint HotSpot;
};

// Nothing when the bytes are not a readable cursor file.
std::optional<CursorPicture> DecodeCursorFile(const QByteArray& bytes);

}  // namespace qh
