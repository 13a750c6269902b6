#include "chart/canvas.h"

#include "app/text_utils.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <vector>
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

namespace qh {

namespace {

bool CanBlendDirectly(const QPainter& painter, QImage*& image) {
  if (painter.device() == nullptr || painter.device()->devType() != QInternal::Image) return false;
  image = static_cast<QImage*>(painter.device());
  const QImage::Format f = image->format();
  return (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied) &&
         painter.worldTransform().isIdentity() && !painter.hasClipping() &&
         image->devicePixelRatio() == 1.0 &&
         painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// src (premultiplied) over dst, src scaled by coverage 0..256.
inline quint32 BlendPixel(quint32 dst, quint32 src, quint32 coverage) {
  auto mul = [](quint32 x, quint32 a) {  // two 8-bit channels at once, a in 0..256
    quint32 rb = ((x & 0x00FF00FF) * a) >> 8 & 0x00FF00FF;
    quint32 ag = ((x >> 8) & 0x00FF00FF) * a & 0xFF00FF00;
    return rb | ag;
  };
  const quint32 s = coverage >= 256 ? src : mul(src, coverage);
  const quint32 inv = 256 - ((s >> 24) + ((s >> 24) >> 7));  // 256 - alpha scaled to 0..256
  return s + mul(dst, inv);
}

void BlendArea(QImage& image, const QPolygonF& line, float bottom, quint32 argb) {
  const int w = image.width(), h = image.height();
  const QColor c = ToColor(argb);
  const quint32 src = qPremultiply(c.rgba());
  // Top edge per pixel column, sampled at the column centre.
  const int c0 = std::max(0, static_cast<int>(std::ceil(line.front().x() - 0.5)));
  const int c1 = std::min(w - 1, static_cast<int>(std::floor(line.back().x() - 0.5)));
  if (c1 < c0) return;
  std::vector<float> top(static_cast<size_t>(c1 - c0 + 1));
  qsizetype seg = 1;
  float minTop = bottom;
  for (int col = c0; col <= c1; ++col) {
    const double x = col + 0.5;
    while (seg < line.size() - 1 && line[seg].x() < x) ++seg;
    const QPointF a = line[seg - 1], b = line[seg];
    const double t = b.x() > a.x() ? std::clamp((x - a.x()) / (b.x() - a.x()), 0.0, 1.0) : 1.0;
    const float y = static_cast<float>(a.y() + (b.y() - a.y()) * t);
    top[static_cast<size_t>(col - c0)] = y;
    minTop = std::min(minTop, y);
  }
  const int r0 = std::max(0, static_cast<int>(std::floor(minTop)));
  const int r1 = std::min(h - 1, static_cast<int>(std::ceil(bottom)) - 1);
  for (int row = r0; row <= r1; ++row) {
    auto* px = reinterpret_cast<quint32*>(image.scanLine(row));
    const float rowBottomCover = std::min(1.0f, bottom - row);  // partial last row
    for (int col = c0; col <= c1; ++col) {
      const float y = top[static_cast<size_t>(col - c0)];
      if (y >= row + 1) continue;
      const float cover = std::min(rowBottomCover, row + 1 - std::max(y, static_cast<float>(row)));
      if (cover <= 0) continue;
      px[col] = BlendPixel(px[col], src, static_cast<quint32>(cover * 256 + 0.5f));
    }
  }
}

}  // namespace

void FillAreaUnderLine(QPainter& painter, const QPolygonF& line, float bottom, quint32 argb) {
  if (line.size() < 2) return;
  QImage* image = nullptr;
  if (CanBlendDirectly(painter, image)) {
    BlendArea(*image, line, bottom, argb);
    return;
  }
  QPolygonF area = line;
  area.prepend(QPointF(line.front().x(), bottom));
  area.append(QPointF(line.back().x(), bottom));
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToColor(argb));
  painter.drawPolygon(area, Qt::WindingFill);
  painter.restore();
}

void DrawRoundPolyline(QPainter& painter, const QPolygonF& line, quint32 argb, float width) {
  // Flat-capped segments take the painter's fast line path; a disc on every
  // inner vertex makes the round join.
  QPen pen(ToColor(argb), width);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  for (qsizetype i = 1; i < line.size(); ++i) painter.drawLine(line[i - 1], line[i]);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToColor(argb));
  const qreal r = width / 2.0;
  for (qsizetype i = 1; i + 1 < line.size(); ++i) painter.drawEllipse(line[i], r, r);
  painter.setBrush(Qt::NoBrush);
}

}  // namespace qh
