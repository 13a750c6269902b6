#pragma once
// Vertical bars from row 1, as many as fit the width.
#include "chart/render_chart.h"

#include <vector>

namespace qh {

struct BarGeometry {
  int Item = 0;  // 1-based row
  float X = 0, Width = 0, Height = 0;  // the bar stands on the plot bottom
  QString Label;        // empty when names are off
  float LabelExtent = 0;  // how far an upright label reaches up
  QRectF ValueRect;     // empty when value labels are off
};

struct BarLayout {
  float Scale = 1;
  int Capacity = 0;  // BarCapacity
  int Count = 0;     // bars drawn
  QString Subtitle;
  AxisScale Axis;
  PlotArea Plot;
  bool PlotDrawn = false;  // false: the title block only
  float SlotW = 0, BarW = 0;
  bool Rotate = false;
  std::vector<BarGeometry> Bars;
  std::vector<HitRegion> Regions;
};

// floor((width - 110s) / 38s) bars, at least 1 and at most rowCount.
int ComputeBarCapacity(int width, int rowCount, float s);

// Everything but the painting; label widths come from face (null: the
// fixed 14-pixel estimate).
BarLayout ComputeBarLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const FontFace* face);

void DrawBarChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state);

// A bar with a rounded top: a whole-pixel body under eight narrowing strips.
void DrawRoundedBar(QPainter& painter, float x, float y, float w, float h, quint32 argb);

// Draws text reading upwards from (cx, y), cut with "…" at maxExtent;
// returns how far it reaches up.
float DrawRotatedLabel(QPainter& painter, const FontFace& face, const QString& text, float cx,
                       float y, float s, float maxExtent);

}  // namespace qh
