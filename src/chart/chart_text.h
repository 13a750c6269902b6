#pragma once
// Every text a chart draws is placed before anything is painted: the layout
// decides what fits where, the painter only draws the placed texts, and the
// layout dump lists the same boxes.
#include "chart/chart_fonts.h"

#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <vector>

class QPainter;

namespace qh {

enum class TextRole {
  Title,
  Subtitle,
  Tick,
  Category,
  Value,
  LegendName,
  LegendValue,
  LegendPct,
  LegendMore,
  EmptyState,
  RangeNote,    // which rows a chart that leaves some out shows
  ValueHeading  // what the numbers are ("销售额(元)"), beside the statistics
};

// "title", "subtitle", "tick", "category", "value", "legend-name",
// "legend-value", "legend-pct", "legend-more", "empty-state", "range-note",
// "value-heading".
const char* TextRoleName(TextRole role);

struct ChartText {
  TextRole Role = TextRole::Title;
  QString Text;          // as drawn, after any "…"
  QRectF Box;            // where the glyphs are: advance × font size, turned for upright text
  bool Cut = false;      // ended with "…" to fit
  bool Upright = false;  // reads bottom to top
  bool Large = false;    // in the title font
  quint32 Color = 0;
  // Upright names over a bar: the first OnBarChars characters lie wholly on
  // the bar and are drawn in OnBarColor; the rest start RestAlong pixels up
  // from the name's start, in Color. A name is split only between
  // characters, so no glyph is half on the bar and half on the white.
  qsizetype OnBarChars = 0;
  qreal RestAlong = 0;
  quint32 OnBarColor = 0;
};

// Measuring through a font, or without one the fixed estimate (14 pixels
// per UTF-16 unit, 16s high), so layouts can be checked without fonts.
struct TextMeasure {
  const FontFace* Face = nullptr;
  float Scale = 1;
  float EstimatedSize = 16;  // font size in pixels at s = 1, without a face
  float Width(const QString& text) const { return MeasureTextWidth(Face, text); }
  float Height() const;
  // The text cut with "…" to fit width, as the painter would show it.
  QString Elide(const QString& text, float width) const;
};

// Text in rect the way a text box shows it: cut with "…" to the rect's
// width, centred vertically, aligned horizontally.
ChartText PlaceInBox(const TextMeasure& m, TextRole role, const QString& text, const QRectF& rect,
                     TextAlign align, quint32 color);

// Text that must stay whole (a number), centred on (cx, cy) and moved
// sideways as little as needed to stay within [minX, maxX].
ChartText PlaceWhole(const TextMeasure& m, TextRole role, const QString& text, float cx, float cy,
                     float minX, float maxX, quint32 color);

// Text reading upwards from (cx, y), cut with "…" at maxLength.
ChartText PlaceUpright(const TextMeasure& m, TextRole role, const QString& text, float cx, float y,
                       float maxLength, quint32 color);

// Boxes that share more than a hair's breadth, or, with a gap, that come
// closer than it: two texts that touch read as one.
bool Overlaps(const QRectF& a, const QRectF& b, qreal gap = 0);
bool OverlapsAny(const QRectF& box, const std::vector<ChartText>& texts, qreal gap = 0);
bool InsidePicture(const QRectF& box, int width, int height);

// The title and normal measures of a chart drawing; fonts may be null.
struct ChartMeasures {
  TextMeasure Title, Normal;
};
ChartMeasures MeasuresOf(const ChartFonts* fonts, float s);

void PaintTexts(QPainter& painter, const ChartFonts& fonts, const std::vector<ChartText>& texts);

}  // namespace qh
