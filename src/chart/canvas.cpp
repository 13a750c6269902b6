#include "chart/canvas.h"

#include "app/text_utils.h"

#include <QColor>
#include <QPainter>
#include <algorithm>

namespace qh {

float DpiScale(int screenDpi) {
  if (screenDpi < 96) return 1.0f;
  return static_cast<float>(screenDpi) / 96.0f;
}

quint32 MakeArgb(int alpha, int byte0, int byte1, int byte2) {
  auto clamp = [](int v) { return static_cast<quint32>(std::clamp(v, 0, 255)); };
  return clamp(alpha) << 24 | clamp(byte2) << 16 | clamp(byte1) << 8 | clamp(byte0);
}

quint32 WithAlpha(quint32 argb, int alpha) {
  return MakeArgb(alpha, static_cast<int>(argb & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                  static_cast<int>((argb >> 16) & 0xFF));
}

QColor ToColor(quint32 argb) { return QColor::fromRgba(argb); }

quint32 PaletteColor(int index) {
  const int n = static_cast<int>(kPalette.size());
  const int k = ((index - 1) % n + n) % n;  // indexes start at 1; stay safe below
  return kPalette[static_cast<size_t>(k)];
}

void SetChartQuality(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void ClearCanvas(QPainter& painter, int width, int height) {
  painter.fillRect(QRect(0, 0, width, height), ToColor(0xFFFFFFFF));
  const QColor frame = ToColor(0xFFE3E9F2);
  painter.fillRect(QRect(0, 0, width, 1), frame);
  painter.fillRect(QRect(0, height - 1, width, 1), frame);
  painter.fillRect(QRect(0, 0, 1, height), frame);
  painter.fillRect(QRect(width - 1, 0, 1, height), frame);
}

namespace {
int WholePixel(double v) {
  constexpr double kLimit = 1e9;  // far outside any picture, well inside int
  return static_cast<int>(RoundHalfEven(std::clamp(v, -kLimit, kLimit)));
}
}  // namespace

QRect WholePixelRect(const QRectF& rect) {
  return QRect(WholePixel(rect.x()), WholePixel(rect.y()), WholePixel(rect.width()),
               WholePixel(rect.height()));
}

void FillRectWhole(QPainter& painter, const QRectF& rect, quint32 argb) {
  const QRect r = WholePixelRect(rect);
  if (r.width() > 0 && r.height() > 0) painter.fillRect(r, ToColor(argb));
}

void FillRectF(QPainter& painter, const QRectF& rect, quint32 argb) {
  painter.fillRect(rect, ToColor(argb));
}

}  // namespace qh
