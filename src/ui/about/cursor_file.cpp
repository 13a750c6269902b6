#include "ui/about/cursor_file.h"

#include "base/little_endian.h"

namespace qh {
namespace {

constexpr qsizetype kDirHeaderBytes = 6;
constexpr qsizetype kDirEntryBytes = 16;
constexpr qsizetype kInfoHeaderBytes = 40;
constexpr QRgb kTransparent = 0x00000000;

bool BitAt(const uchar* row, int x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

// A 1-bit image: colour (XOR) bitmap then mask (AND) bitmap, both bottom-up,
// rows padded to 32 bits. Mask 1 + colour 0 is transparent; mask 1 + colour 1
// would invert the screen, which a pixmap cannot do, so it is drawn black.
std::optional<QImage> DecodeMonochrome(const QByteArray& bytes, qsizetype infoAt, int width,
                                       int height) {
  const qsizetype paletteAt = infoAt + kInfoHeaderBytes;
  const qsizetype stride = ((width + 31) / 32) * 4;
  const qsizetype xorAt = paletteAt + 8;
  const qsizetype andAt = xorAt + stride * height;
  if (andAt + stride * height > bytes.size()) return std::nullopt;
  const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
  const QRgb palette[2] = {0xFF000000u | (ReadLe32(bytes, paletteAt) & 0xFFFFFFu),
                           0xFF000000u | (ReadLe32(bytes, paletteAt + 4) & 0xFFFFFFu)};
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    const qsizetype fromBottom = height - 1 - y;
    const uchar* colour = data + xorAt + fromBottom * stride;
    const uchar* mask = data + andAt + fromBottom * stride;
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const bool masked = BitAt(mask, x);
      const bool set = BitAt(colour, x);
      line[x] = masked ? (set ? palette[0] : kTransparent) : palette[set ? 1 : 0];
    }
  }
  return image;
}

}  // namespace

std::optional<CursorPicture> DecodeCursorFile(const QByteArray& bytes) {
  if (bytes.size() < kDirHeaderBytes + kDirEntryBytes + kInfoHeaderBytes) return std::nullopt;
  if (ReadLe16(bytes, 0) != 0 || ReadLe16(bytes, 2) != 2 || ReadLe16(bytes, 4) < 1)
    return std::nullopt;
  const qsizetype entryAt = kDirHeaderBytes;
  const int width =
      static_cast<uchar>(bytes[entryAt]) == 0 ? 256 : static_cast<uchar>(bytes[entryAt]);
  const int height =
      static_cast<uchar>(bytes[entryAt + 1]) == 0 ? 256 : static_cast<uchar>(bytes[entryAt + 1]);
  const QPoint hotSpot(ReadLe16(bytes, entryAt + 4), ReadLe16(bytes, entryAt + 6));
  const quint32 imageBytes = ReadLe32(bytes, entryAt + 8);
  const quint32 imageAt = ReadLe32(bytes, entryAt + 12);
  if (imageAt > quint32(bytes.size()) || imageBytes > quint32(bytes.size()) - imageAt ||
      imageBytes < kInfoHeaderBytes) {
    return std::nullopt;
  }
  const quint16 bitCount = ReadLe16(bytes, imageAt + 14);
  std::optional<QImage> image;
  if (ReadLe32(bytes, imageAt) == kInfoHeaderBytes && bitCount == 1 &&
      ReadLe32(bytes, imageAt + 16) == 0) {
    image = DecodeMonochrome(bytes.left(imageAt + imageBytes), imageAt, width, height);
  } else {
    // Colour cursors (or PNG-compressed ones): leave them to Qt's reader.
    QImage read = QImage::fromData(bytes, "CUR");
    if (!read.isNull()) image = read.convertToFormat(QImage::Format_ARGB32);
  }
  if (!image) return std::nullopt;
  return CursorPicture{*image, hotSpot};
}

}  // namespace qh
