#include "chart/canvas.h"

#include "base/text_utils.h"

#include <QColor>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
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

namespace {
double RelativeLuminance(quint32 argb) {
  auto channel = [](quint32 byte) {
    const double c = static_cast<double>(byte & 0xFF) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(argb >> 16) + 0.7152 * channel(argb >> 8) + 0.0722 * channel(argb);
}
}  // namespace

double ContrastRatio(quint32 a, quint32 b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

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

bool PaintsVector(const QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  return engine != nullptr && engine->type() != QPaintEngine::Raster;
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

void FillDomedBar(QPainter& painter, const QRectF& bar, float r, quint32 argb) {
  const qreal half = bar.width() / 2;
  if (!(half > 0) || !(bar.height() > 0)) return;
  r = std::clamp(r, 0.0f, static_cast<float>(std::min(half, bar.height())));
  const qreal cy = bar.top() + r;
  QPainterPath path(QPointF(bar.left(), bar.bottom()));
  path.lineTo(bar.left(), cy);
  if (r > 0) {
    // Qt counts arc angles anticlockwise from 3 o'clock; the dome runs from
    // 9 o'clock up to where the circle meets the top edge, then across.
    const qreal rise = std::asin(std::min<qreal>(r / half, 1.0)) * 180 / M_PI;
    const QRectF circle(bar.center().x() - half, cy - half, 2 * half, 2 * half);
    path.arcTo(circle, 180, -rise);
    path.arcTo(circle, rise, -rise);  // a straight chord joins the two arcs
  }
  path.lineTo(bar.right(), bar.bottom());
  path.closeSubpath();
  painter.fillPath(path, ToColor(argb));
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
    const int bottomCap =
        std::clamp(static_cast<int>(std::lround((bottom - static_cast<float>(row)) * 256)), 0, 256);
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
  // A path keeps the winding rule in documents (their polygons are even-odd).
  QPainterPath area(QPointF(line.front().x(), bottom));
  area.setFillRule(Qt::WindingFill);
  for (const QPointF& p : line) area.lineTo(p);
  area.lineTo(line.back().x(), bottom);
  area.closeSubpath();
  painter.fillPath(area, ToColor(argb));
}

void FillAreaToLevel(QPainter& painter, const QPolygonF& line, float base, quint32 argb) {
  if (line.size() < 2) return;
  // Where a segment crosses the level it gets a point on it, so holding the
  // line at the level on one side keeps the other side's shape exact.
  QPolygonF crossed;
  crossed.reserve(line.size() * 2);
  crossed << line.front();
  for (qsizetype i = 1; i < line.size(); ++i) {
    const QPointF a = line[i - 1], b = line[i];
    if ((a.y() - base) * (b.y() - base) < 0) {
      const double t = (base - a.y()) / (b.y() - a.y());
      crossed << QPointF(a.x() + (b.x() - a.x()) * t, base);
    }
    crossed << b;
  }
  QPolygonF above = crossed, below = crossed;
  for (QPointF& p : above) p.setY(std::min<qreal>(p.y(), base));
  for (QPointF& p : below) p.setY(std::max<qreal>(p.y(), base));
  FillAreaUnderLine(painter, above, base, argb);
  QPainterPath dips(QPointF(below.front().x(), base));
  for (const QPointF& p : below) dips.lineTo(p);
  dips.lineTo(below.back().x(), base);
  dips.closeSubpath();
  painter.fillPath(dips, ToColor(argb));
}

void DrawRoundPolyline(QPainter& painter, const QPolygonF& line, quint32 argb, float width) {
  if (PaintsVector(painter)) {
    // One path with round joins: what the pixel version imitates.
    QPen pen(ToColor(argb), width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    return;
  }
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
