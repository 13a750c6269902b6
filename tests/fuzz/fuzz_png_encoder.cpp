// The PNG encoder sees every picture the program saves: whatever the
// pixels, the file must decode to exactly them.
#include "png/png_encoder.h"
#include "fuzz_support.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Two bytes choose the width; each further byte is one pixel, its colour
  // a scramble of the byte, so repeated bytes make the runs a chart has and
  // varied bytes the literals it has at text and edges.
  // Up to 16,384 pixels: past 10,922 a line is too long to copy from above.
  const int width = 1 + (data[0] | data[1] << 8) % 16384;
  const size_t pixels = size - 2;
  const int height =
      static_cast<int>((pixels + static_cast<size_t>(width) - 1) / static_cast<size_t>(width));
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (size_t i = 0; i < pixels; ++i) {
    const uint32_t b = data[2 + i];
    image.setPixel(static_cast<int>(i % static_cast<size_t>(width)),
                   static_cast<int>(i / static_cast<size_t>(width)),
                   0xFF000000u | (b * 0x9E3779B1u >> 8));
  }
  const QByteArray png = qh::EncodePng(image);
  QImage back;
  if (!back.loadFromData(png, "PNG")) qh::fuzz::Violation("the PNG does not decode");
  if (back.convertToFormat(QImage::Format_RGB32) != image)
    qh::fuzz::Violation("the PNG decodes to other pixels");
  return 0;
}
