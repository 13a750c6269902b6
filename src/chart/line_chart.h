#pragma once
// Points of the first rows joined by a line over a tinted area.
#include "chart/chart_types.h"
#include "data/item_table.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <vector>

namespace qh {

struct LinePoint {
  float X = 0, Y = 0;
  bool ValueLabel = false;     // picked for a value label
  QRectF ValueRect;            // where the value label goes, when it fits
  bool ValueShown = false;     // its value label is drawn (it overlaps none drawn before)
  bool CategoryLabel = false;  // its name, letter or number is drawn
};

struct LineLayout {
  ChartStyle Style{1.0f};
  int Count = 0;  // points drawn
  ValueStats Stats;
  bool UseLetters = false;
  QString Subtitle;
  AxisScale Axis;
  PlotArea Plot;
  bool PlotDrawn = false;
  int Gap = 1;    // value labels keep this many positions apart
  int Every = 1;  // category label on every n-th point
  bool Markers = false;
  bool RangeNote = false;  // "显示第 …" says the table has more rows
  std::vector<LinePoint> Points;
  std::vector<HitRegion> Regions;
  std::vector<ChartText> Texts;  // title block, ticks, category labels, value labels
};

// The axis of the line chart: from the data minimum when the values spread
// widely or dip below zero, else from zero.
AxisScale LineAxis(double lowest, double highest);

// Points that fit: floor((plotW - 10s) / 20s) + 1, at least 2, at most rowCount.
int ComputeLineFit(float plotW, int rowCount, const ChartStyle& st);

// One flag per position: the ends, the first highest and lowest, then the
// largest values at least gap positions away from every label before them.
std::vector<bool> PickValueLabelPoints(const std::vector<double>& values, int gap);

// Where the value label (a text box of size) of point index goes: beside its
// point on the side its two segments leave free (above a peak, below a
// valley), else on the other side, else nudged sideways; the first box
// inside bounds that no segment of the line or marker crosses and that
// keeps the text gap to every text placed. Empty when none fits.
QRectF PlaceLineValueBox(const std::vector<QPointF>& points, size_t index, const QSizeF& size,
                         const QRectF& bounds, const std::vector<ChartText>& texts, bool markers,
                         const ChartStyle& st);

// Whether the segment from a to b passes through rect.
bool SegmentCrossesRect(const QPointF& a, const QPointF& b, const QRectF& rect);

LineLayout ComputeLineLayout(int width, int height, const ItemTable& table,
                             const ChartRequest& request, const ChartFonts* fonts);

// Category labels on every n-th point, n chosen from the widest label
// (labelWidths in pixels, margin included) and the slot of one point.
int CategoryLabelEvery(const std::vector<float>& labelWidths, float slot);

void DrawLineChart(QPainter& painter, int width, int height, const ItemTable& table,
                   const ChartRequest& request, ChartState& state);

}  // namespace qh
