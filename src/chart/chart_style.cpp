#include "chart/chart_style.h"

#include <algorithm>
#include <cmath>

namespace qh {

// The numbers are pixels on a 96-DPI screen.
ChartStyle::ChartStyle(float s) : Scale(s) {
  const auto px = [s](float at96Dpi) { return at96Dpi * s; };
  NormalFontPx = px(16);
  TitleFontPx = px(24);
  TitleTop = px(8);
  TitleH = px(24);
  SubtitleTop = px(34);
  SubtitleH = px(18);
  TitleBlockBottom = px(52);
  EmptyHeadRise = px(30);
  EmptyHeadH = px(26);
  EmptyHintH = px(20);
  PlotLeft = px(84);
  PlotRight = px(26);
  PlotTop = px(62);
  PlotBottom = px(44);
  MinPlotSide = px(40);
  TickGap = px(12);
  TextGap = px(2);
  RangeNoteDrop = px(25);
  BarSlot = px(38);
  BarMaxW = px(60);
  CategoryPad = px(8);
  ValueHeadroom = px(20);
  UprightInset = px(4);
  BarCategoryGap = px(5);
  BarCategoryH = px(18);
  BarValueLift = px(11);
  BarRegionPad = px(3);
  BarRegionAbove = px(18);
  ValueFootroom = px(20);
  LineEndPad = px(10);
  PointSlot = px(20);
  ValueLabelSpan = px(72);
  LineLabelAbove = px(21);
  LineLabelBelow = px(6);
  LineLabelTopGap = px(2);
  LineLabelH = px(15);
  LineLabelHalfW = px(60);
  LineCategoryGap = px(5);
  LineCategoryH = px(15);
  LineCategoryHalfW = px(70);
  LineCategoryPad = px(3);
  PointReach = px(18);
  LinePen = px(2.2f);
  MarkerPen = px(2);
  MarkerRadius = px(3.5f);
  // A legend line keeps the text gap under its text, also where the font's
  // whole-pixel size rounds up.
  LegendRowH = std::max(px(18), std::round(NormalFontPx) + TextGap);
  LegendTop = px(66);
  LegendBottomMargin = px(56);
  LegendColumnGap = px(8);
  LegendMinNameW = px(48);
  LegendWholeNameW = 6 * NormalFontPx + px(2);
  LegendRightMargin = px(30);
  LegendRegionRightMargin = px(10);
  LegendSwatchInset = px(2);
  LegendSwatch = px(11);
  PieMinW = px(300);
  PieLegendGap = px(20);
  PieSmallestW = px(110);
  PieReservedH = px(110);
  PieRimMargin = px(8);
  PieSideMargin = px(50);
  PieLeftInset = px(24);
  PieLeftShift = px(10);
  PieTop = px(62);
  PieMinRadius = px(20);
  PieSeparatorPen = px(1.5f);
}

}  // namespace qh
