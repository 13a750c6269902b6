#pragma once
// Every length, font size, pen width and frame colour of the charts in one
// place, built once per drawing from the DPI scale s: a designer changes a
// margin here, and the layout code reads named fields instead of numbers.
#include <QtGlobal>

namespace qh {

struct ChartStyle {
  explicit ChartStyle(float scale);

  float Scale = 1;  // s: screen DPI / 96, never below 1

  // Fonts, in pixels.
  float NormalFontPx, TitleFontPx;

  // Title block and the empty state.
  float TitleTop, TitleH, SubtitleTop, SubtitleH;
  float TitleBlockBottom;  // nothing of the plot's labels rises above this
  float EmptyHeadRise, EmptyHeadH, EmptyHintH;

  // Plot area of the bar and line charts: margins to the picture's edges.
  float PlotLeft, PlotRight, PlotTop, PlotBottom;
  float MinPlotSide;    // below it only the title block is drawn
  float TickGap;        // tick labels end this far left of the axis
  float TextGap;        // the least room between any two drawn texts
  float RangeNoteDrop;  // "显示第 …" starts this far under the axis

  // Bar chart.
  float BarSlot;  // the narrowest slot that still gets a bar
  float BarMaxW;
  float CategoryPad;     // a name wider than its slot less this turns upright
  float ValueHeadroom;   // the tallest bar keeps this much below the plot top
  float UprightInset;    // an upright name starts this far above the axis
  float BarCategoryGap;  // names below the axis start this far under it
  float BarCategoryH;
  float BarValueLift;    // a value label's centre sits this far above its bar
  float BarRegionPad;    // hover region beyond each side of a bar
  float BarRegionAbove;  // and above its top
  float ValueFootroom;   // the lowest negative bar keeps this much above the plot bottom

  // Line chart.
  float LineEndPad;      // width kept free of points at the plot's right
  float PointSlot;       // the least room per point
  float ValueLabelSpan;  // value labels keep about this far apart
  float LineLabelAbove, LineLabelBelow, LineLabelTopGap, LineLabelH, LineLabelHalfW;
  float LineCategoryGap, LineCategoryH, LineCategoryHalfW, LineCategoryPad;
  float PointReach;  // hover region around a point
  float LinePen, MarkerPen, MarkerRadius;

  // Pie chart and its legend.
  float LegendRowH, LegendTop, LegendBottomMargin, LegendColumnGap, LegendMinNameW;
  float LegendWholeNameW;  // names up to this wide (six characters) shrink the pie to show whole
  float LegendRightMargin, LegendRegionRightMargin, LegendSwatchInset, LegendSwatch;
  float PieMinW, PieLegendGap, PieSmallestW;
  float PieReservedH;  // the title block above and the margin below the pie
  float PieRimMargin, PieSideMargin, PieLeftInset, PieLeftShift, PieTop, PieMinRadius;
  float PieSeparatorPen;

  // Colours of the frame. The grey of secondary text (subtitle, ticks,
  // legend numbers, notes) keeps 4.5:1 on white.
  quint32 TitleColor = 0xFF223344;
  quint32 SubtitleColor = 0xFF6C7381;
  quint32 ValueHeadingColor = 0xFF55607A;  // darker than the statistics it heads
  quint32 TickColor = 0xFF6C7381;
  quint32 EmptyStateColor = 0xFFA9B4C4;
  quint32 GridColor = 0xFFE8EDF5;
  quint32 AxisColor = 0xFFC7D2E0;
  quint32 CategoryColor = 0xFF55607A;
  quint32 ValueColor = 0xFF44506A;
  // An upright name over a bar takes whichever of these reads better on the
  // bar's colour: one of them reaches 4.5:1 on every palette colour.
  quint32 NameOnDarkBar = 0xFFFFFFFF;
  quint32 NameOnLightBar = 0xFF0A0D12;
  quint32 ZeroLineColor = 0xFFC7D2E0;  // the axis colour
  quint32 LegendNameColor = 0xFF33404F;
  quint32 LegendNumberColor = 0xFF6C7381;
  quint32 NoteColor = 0xFF6C7381;
};

}  // namespace qh
