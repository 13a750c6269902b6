#pragma once
// One page of rows as a pie with a legend sorted by value.
#include "chart/chart_types.h"
#include "data/item_table.h"

#include <vector>

namespace qh {

struct LegendRow {
  int Item = 0;
  float Y = 0;
  QString Value;    // FormatValue
  QString Percent;  // share of the page total
};

struct PieLayout {
  ChartStyle Style{1.0f};
  int Count = 0;              // rows on this page
  int Offset = 0;             // rows before this page
  long double PageTotal = 0;  // the net sum, for the subtitle
  long double Divisor = 1;    // the sum of the positive values, or 1 when there are none
  bool HasPie = false;        // some value on the page is positive
  QString Subtitle;
  float PieW = 0, R = 0, Cx = 0, Cy = 0;
  std::vector<PieSlice> Slices;
  std::vector<double> SeparatorAngles;  // one per slice boundary after 12 o'clock
  float RowH = 0, Left = 0, Right = 0, ValueW = 0, PctW = 0, NameW = 0, ValueX = 0, PctX = 0;
  int Rows = 0;            // legend lines drawn, the count of unlisted rows among them
  int Unlisted = 0;        // rows of the page without a legend line of their own
  std::vector<int> Order;  // local positions 1..Count, largest value first
  std::vector<LegendRow> Legend;
  std::vector<QString> Names;  // the legend's names as cut, one per Legend row
  std::vector<HitRegion> Regions;
  std::vector<ChartText> Texts;  // title block, then name, value and percentage per legend line,
                                 // and the note in place of a pie that has no positive value
};

// The page drawn is request.PageNo; texts are measured with fonts (null:
// the fixed 14-pixel estimate).
PieLayout ComputePieLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const ChartFonts* fonts = nullptr);

// A value's share of the pie's whole (the page's positive values): "12.5%",
// or "不计入" for a value of zero or below, which gets no slice.
QString PieShareText(double value, long double positiveTotal);

// Page positions 1..n of values sorted largest first; equal values keep
// their order.
std::vector<int> LegendOrder(const std::vector<double>& values);

void DrawPieChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state);

}  // namespace qh
