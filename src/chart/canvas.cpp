#include "chart/canvas.h"

#include "base/text_utils.h"

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

QRect WholePixelEdges(const QRectF& rect) {
  const int left = WholePixel(rect.left()), top = WholePixel(rect.top());
  return QRect(left, top, WholePixel(rect.right()) - left, WholePixel(rect.bottom()) - top);
}

void FillEdgesWhole(QPainter& painter, const QRectF& rect, quint32 argb) {
  const QRect r = WholePixelEdges(rect);
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

// One row of the area: every column blended by its own coverage, without
// branches so the compiler can vectorise the loop (the hottest loop of a
// line chart repaint). Plain x86-64 has no 32-bit vector multiply, so an
// AVX2 version is chosen at load time where the processor has it.
#if defined(__GNUC__) && !defined(__clang__)
#if defined(__x86_64__)
__attribute__((optimize("O3"), target_clones("avx2", "default")))
#else
__attribute__((optimize("O3")))
#endif
#endif
void BlendRow(quint32* __restrict px, const int* __restrict topFx, int count, int rowFx, int bottomCap, quint32 src) {
  for (int i = 0; i < count; ++i) {
    // Coverage of this pixel in 1/256: the part of the row below the edge.
    const int cover = std::min(std::clamp(rowFx + 256 - topFx[i], 0, 256), bottomCap);
    const quint32 rb = ((src & 0x00FF00FF) * static_cast<quint32>(cover)) >> 8 & 0x00FF00FF;
    const quint32 ag = ((src >> 8) & 0x00FF00FF) * static_cast<quint32>(cover) & 0xFF00FF00;
    const quint32 s = rb | ag;
    const quint32 a = s >> 24;
    const quint32 inv = 256 - (a + (a >> 7));
    const quint32 d = px[i];
    const quint32 drb = ((d & 0x00FF00FF) * inv) >> 8 & 0x00FF00FF;
    const quint32 dag = ((d >> 8) & 0x00FF00FF) * inv & 0xFF00FF00;
    px[i] = s + (drb | dag);
  }
}

void BlendArea(QImage& image, const QPolygonF& line, float bottom, quint32 argb) {
  const int w = image.width(), h = image.height();
  const quint32 src = qPremultiply(ToColor(argb).rgba());
  // Top edge per pixel column, sampled at the column centre, in 1/256 pixel.
  const int c0 = std::max(0, static_cast<int>(std::ceil(line.front().x() - 0.5)));
  const int c1 = std::min(w - 1, static_cast<int>(std::floor(line.back().x() - 0.5)));
  if (c1 < c0) return;
  std::vector<int> topFx(static_cast<size_t>(c1 - c0 + 1));
  qsizetype seg = 1;
  double minTop = bottom;
  for (int col = c0; col <= c1; ++col) {
    const double x = col + 0.5;
    while (seg < line.size() - 1 && line[seg].x() < x) ++seg;
    const QPointF a = line[seg - 1], b = line[seg];
    const double t = b.x() > a.x() ? std::clamp((x - a.x()) / (b.x() - a.x()), 0.0, 1.0) : 1.0;
    const double y = std::clamp(a.y() + (b.y() - a.y()) * t, -1.0, static_cast<double>(bottom));
    topFx[static_cast<size_t>(col - c0)] = static_cast<int>(std::lround(y * 256));
    minTop = std::min(minTop, y);
  }
  const int r0 = std::max(0, static_cast<int>(std::floor(minTop)));
  const int r1 = std::min(h - 1, static_cast<int>(std::ceil(bottom)) - 1);
  for (int row = r0; row <= r1; ++row) {
    const int bottomCap = std::clamp(static_cast<int>(std::lround((bottom - row) * 256)), 0, 256);
    auto* px = reinterpret_cast<quint32*>(image.scanLine(row)) + c0;
    BlendRow(px, topFx.data(), c1 - c0 + 1, row * 256, bottomCap, src);
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
