#pragma once
// Vertical bars from row 1, as many as fit the width.
#include "chart/chart_types.h"
#include "data/item_table.h"

#include <vector>

namespace qh {

struct BarGeometry {
  int Item = 0;                        // 1-based row
  float X = 0, Width = 0, Height = 0;  // the bar stands on the zero line
  float Base = 0;     // the zero line: the plot bottom unless the axis dips below 0
  bool Down = false;  // a negative value hangs down from the zero line
  float Top() const { return Down ? Base : Base - Height; }
  QString Label;          // empty when names are off
  float LabelExtent = 0;  // how far an upright label reaches up
  QRectF ValueRect;       // the value label's box; empty when it is not drawn
};

struct BarLayout {
  ChartStyle Style{1.0f};
  int Capacity = 0;  // BarCapacity
  int Count = 0;     // bars drawn
  QString Subtitle;
  AxisScale Axis;
  bool Headroom = false;   // the axis gained a step so the tallest value label fits
  bool RangeNote = false;  // "显示第 …" says the table has more rows
  PlotArea Plot;
  bool PlotDrawn = false;  // false: the title block only
  float SlotW = 0, BarW = 0;
  bool Rotate = false;
  std::vector<BarGeometry> Bars;
  std::vector<HitRegion> Regions;
  std::vector<ChartText> Texts;  // title block, ticks, category labels, value labels
};

// floor((width - 110s) / 38s) bars, at least 1 and at most rowCount.
int ComputeBarCapacity(int width, int rowCount, const ChartStyle& st);

// Everything but the painting; texts are measured with fonts (null: the
// fixed 14-pixel estimate).
BarLayout ComputeBarLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const ChartFonts* fonts);

void DrawBarChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state);

// A bar with a rounded top: a whole-pixel body under eight narrowing strips.
// Hanging, the rounded end is at the bottom.
void DrawRoundedBar(QPainter& painter, float x, float y, float w, float h, quint32 argb,
                    bool hanging = false);

// The colour of an upright name over a bar of this colour.
quint32 NameColorOnBar(const ChartStyle& st, quint32 barColor);

}  // namespace qh
