#pragma once
// The words the chart parts and their callers share: hover regions, the pie
// as drawn, what a drawing showed, the request and the state kept between
// repaints. Kept apart from render_chart.h so a chart includes only these,
// not the entry point that dispatches to it.
#include "chart/chart_fonts.h"
#include "chart/chart_frame.h"
#include "chart/chart_page.h"
#include "chart/chart_text.h"
#include "chart/label_options.h"

#include <QPainterPath>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace qh {

struct HitRegion {
  int ItemIndex = 0;                               // 1-based row of the item table
  float Left = 0, Top = 0, Right = 0, Bottom = 0;  // edges included
  friend bool operator==(const HitRegion&, const HitRegion&) = default;
};

// What the last drawing showed, for layout dumps and tests.
struct ChartOutline {
  ChartPage Page = ChartPage::Bar;
  QString Title;
  QString Subtitle;
  std::optional<AxisScale> Axis;  // none for the pie and when no plot was drawn
  int Drawn = 0;                  // items drawn (bars, points, pie slices)
  int Capacity = 0;               // bars or points that fit; items per page for the pie
  int FirstItem = 0;              // 1-based row of the first item drawn, 0 when none is
  int Rows = 0;  // rows of the table: items FirstItem to FirstItem + Drawn - 1 of Rows
  std::optional<PlotArea> Plot;  // the bar and line charts' plot rectangle, when drawn
  std::vector<ChartText> Texts;  // every text drawn, in drawing order
};

// A pie slice as drawn: angles in degrees, clockwise from 3 o'clock.
struct PieSlice {
  int Item = 0;      // 1-based row
  double Start = 0;  // -90 is 12 o'clock
  double Sweep = 0;  // clockwise when positive
};

// The pie of the last drawing, so hovering finds slices by angle.
struct PieShape {
  float Cx = 0, Cy = 0, R = 0;  // R = 0: no pie was drawn
  std::vector<PieSlice> Slices;
};

// What survives between repaints of one chart view (the window or a CLI run).
struct ChartState {
  std::vector<HitRegion> HitRegions;
  PieShape Pie;
  int BarCapacity = 0;
  ChartFonts Fonts;  // made on the first drawing, remade when the scale changes
  ChartOutline Outline;
};

// Everything a drawing needs besides the table.
struct ChartRequest {
  ChartPage Page = ChartPage::Bar;
  bool ShowValues = true;
  quint32 LineColor = 0xFF2F80ED;
  QString Title;
  int PageNo = 1;     // the pie's page, 1-based
  int PageCount = 1;  // pages the pie has
  int PageSize = 20;
  LabelOptions Labels;
  float Scale = 1.0f;  // DpiScale: ScreenDpi / 96, never below 1
};

// What lies under a point of the last drawing. Item 0: nothing there.
struct ChartHit {
  int Item = 0;
  QPainterPath Outline;  // the slice or rectangle, for highlighting
};

}  // namespace qh
