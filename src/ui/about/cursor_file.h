#pragma once
// Reads a Windows cursor file (.cur) from memory: the first image and its
// hot spot.
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <optional>

namespace qh {

struct CursorPicture {
  QImage image;  // ARGB32, transparent where the cursor shows the screen
  QPoint hotSpot;
};

// Nothing when the bytes are not a readable cursor file.
std::optional<CursorPicture> DecodeCursorFile(const QByteArray& bytes);

}  // namespace qh
