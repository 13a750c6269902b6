#include "chart/chart_text.h"

#include "chart/canvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qh {

const char* TextRoleName(TextRole role) {
  switch (role) {
    case TextRole::Title: return "title";
    case TextRole::Subtitle: return "subtitle";
    case TextRole::Tick: return "tick";
    case TextRole::Category: return "category";
    case TextRole::Value: return "value";
    case TextRole::LegendName: return "legend-name";
    case TextRole::LegendValue: return "legend-value";
    case TextRole::LegendPct: return "legend-pct";
    case TextRole::LegendMore: return "legend-more";
    case TextRole::EmptyState: return "empty-state";
    case TextRole::RangeNote: return "range-note";
    case TextRole::ValueHeading: return "value-heading";
  }
  return "text";
}

float TextMeasure::Height() const {
  if (Face != nullptr) return static_cast<float>(Face->Font.pixelSize());
  return EstimatedSize * Scale;
}

ChartMeasures MeasuresOf(const ChartFonts* fonts, float s) {
  return {TextMeasure{fonts ? &fonts->Title : nullptr, s, 24},
          TextMeasure{fonts ? &fonts->Normal : nullptr, s, 16}};
}

QString TextMeasure::Elide(const QString& text, float width) const {
  if (Face != nullptr) return ElideToWidth(*Face, text, width);
  if (Width(text) <= width) return text;
  const qsizetype keep = static_cast<qsizetype>(std::max(std::floor(width / 14) - 1, 0.0f));
  return keep > 0 ? text.left(keep) + QChar(0x2026) : QString();
}

ChartText PlaceInBox(const TextMeasure& m, TextRole role, const QString& text, const QRectF& rect,
                     TextAlign align, quint32 color) {
  ChartText t;
  t.Role = role;
  t.Color = color;
  if (text.isEmpty() || !(rect.width() > 0)) return t;
  t.Text = m.Elide(text, static_cast<float>(rect.width()));
  t.Cut = t.Text != text;
  const qreal w = m.Width(t.Text), h = m.Height();
  const qreal left = align == TextAlign::Near  ? rect.left()
                     : align == TextAlign::Far ? rect.right() - w
                                               : rect.center().x() - w / 2;
  t.Box = QRectF(left, rect.center().y() - h / 2, w, h);
  return t;
}

ChartText PlaceWhole(const TextMeasure& m, TextRole role, const QString& text, float cx, float cy,
                     float minX, float maxX, quint32 color) {
  ChartText t;
  t.Role = role;
  t.Color = color;
  t.Text = text;
  const qreal w = m.Width(text), h = m.Height();
  qreal left = cx - w / 2;
  left = std::min(left, maxX - w);
  left = std::max(left, static_cast<qreal>(minX));
  t.Box = QRectF(left, cy - h / 2, w, h);
  return t;
}

ChartText PlaceUpright(const TextMeasure& m, TextRole role, const QString& text, float cx, float y,
                       float maxLength, quint32 color) {
  ChartText t;
  t.Role = role;
  t.Color = color;
  t.Upright = true;
  if (text.isEmpty() || !(maxLength > 0)) return t;
  t.Text = m.Elide(text, maxLength);
  t.Cut = t.Text != text;
  const qreal length = m.Width(t.Text), h = m.Height();
  t.Box = QRectF(cx - h / 2, y - length, h, length);
  return t;
}

namespace {
constexpr qreal kSlack = 0.01;  // float noise of boxes that only touch
}

bool Overlaps(const QRectF& a, const QRectF& b, qreal gap) {
  if (a.isEmpty() || b.isEmpty()) return false;
  return a.left() - gap < b.right() - kSlack && b.left() < a.right() + gap - kSlack &&
         a.top() - gap < b.bottom() - kSlack && b.top() < a.bottom() + gap - kSlack;
}

bool OverlapsAny(const QRectF& box, const std::vector<ChartText>& texts, qreal gap) {
  return std::any_of(texts.begin(), texts.end(),
                     [&](const ChartText& t) { return Overlaps(box, t.Box, gap); });
}

bool InsidePicture(const QRectF& box, int width, int height) {
  return box.left() >= -kSlack && box.top() >= -kSlack && box.right() <= width + kSlack &&
         box.bottom() <= height + kSlack;
}

void PaintTexts(QPainter& painter, const ChartFonts& fonts, const std::vector<ChartText>& texts) {
  constexpr int kFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
  for (const ChartText& t : texts) {
    if (t.Text.isEmpty()) continue;
    painter.setFont(t.Large ? fonts.Title.Font : fonts.Normal.Font);
    painter.setPen(ToColor(t.Color));
    if (!t.Upright) {
      painter.drawText(t.Box, kFlags, t.Text);
      continue;
    }
    // Along: how far up from the label's start the text begins.
    auto drawUpright = [&](const QString& text, qreal along = 0) {
      const QTransform before = painter.worldTransform();
      painter.translate(t.Box.center().x(), t.Box.bottom());
      painter.rotate(-90);
      painter.drawText(QRectF(along, -t.Box.width() / 2, t.Box.height() - along, t.Box.width()),
                       kFlags, text);
      painter.setWorldTransform(before);
    };
    if (t.OnBarChars <= 0) {
      drawUpright(t.Text, t.RestAlong);
      continue;
    }
    // Two runs rather than a clip, which documents do not all keep, so
    // pictures and documents show the same.
    painter.setPen(ToColor(t.OnBarColor));
    drawUpright(t.Text.left(t.OnBarChars));
    if (t.OnBarChars >= t.Text.size()) continue;
    painter.setPen(ToColor(t.Color));
    drawUpright(t.Text.mid(t.OnBarChars), t.RestAlong);
  }
}

}  // namespace qh
