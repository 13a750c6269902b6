#pragma once
// What the three charts share: the rounded value scale, the plot area, the
// title block, grid and axes, the empty-state picture and the statistics.
#include "chart/chart_page.h"
#include "chart/chart_fonts.h"
#include "chart/chart_style.h"
#include "chart/chart_text.h"
#include "data/item_table.h"

#include <QString>
#include <ostream>
#include <vector>

class QPainter;

namespace qh {

struct AxisScale {
  double Min = 0, Max = 1, Step = 1;
  friend bool operator==(const AxisScale&, const AxisScale&) = default;
  friend std::ostream& operator<<(std::ostream& os, const AxisScale& a) {
    return os << "(" << a.Min << ", " << a.Max << ", " << a.Step << ")";
  }
};

// Rounds [min, max] out to steps of 1, 2, 2.5 or 5 × 10ⁿ, about tickCount
// of them. Both 0 gives (0, 1, 1); the result is always finite with
// Max > Min and Step > 0 unless the inputs are not finite.
AxisScale NiceScale(double min, double max, int tickCount);

// The plot rectangle of the bar and line charts.
struct PlotArea {
  float Left = 0, Right = 0, Top = 0, Bottom = 0;
  float Width() const { return Right - Left; }
  float Height() const { return Bottom - Top; }
  // Below the style's smallest side either way only the title block is drawn.
  bool Usable(const ChartStyle& st) const {
    return Width() >= st.MinPlotSide && Height() >= st.MinPlotSide;
  }
};
PlotArea ChartPlotArea(int width, int height, const ChartStyle& st);

// Number of grid steps above Min that are drawn (at most 41).
int GridStepCount(const AxisScale& axis);
// Pixel row of value v inside the plot area.
float ValueToY(const PlotArea& plot, const AxisScale& axis, long double v);

// Rows the bar or pie chart draws now: the bar capacity, or the rows of the
// pie's page (0 past the last page).
int VisibleItemCount(ChartPage page, int rowCount, int barCapacity, int pageNo, int pageSize);

// Sum, extremes and average over every row. The sum is long double so a
// table of ±1e308 values neither overflows nor turns into NaN.
struct ValueStats {
  int Count = 0;
  long double Sum = 0;
  double Highest = 0, Lowest = 0;  // the first of equal extremes
  long double Average() const { return Count > 0 ? Sum / Count : 0; }
};
ValueStats ComputeStats(const ItemTable& table);
long double SumRows(const ItemTable& table, int first, int count);  // 1-based first
// The same over the positive values only: the pie's whole.
long double SumPositiveRows(const ItemTable& table, int first, int count);

// "暂无数据" and the hint, each left out where the picture is too small.
void DrawEmptyState(QPainter& painter, ChartFonts& fonts, int width, int height, float s,
                    std::vector<ChartText>& texts);

// The title cut with "…" to the width, then the subtitle, whose parts are
// separated by four spaces: it loses whole parts from its end until it fits,
// so a number is never cut. Either is left out where the picture is too low.
// A value heading (the table's "销售额(元)") leads the subtitle's line, the
// two centred together, and takes at most half the width (cut with "…");
// it is left out when the title already begins with it.
void PlaceTitleBlock(const ChartStyle& st, const TextMeasure& title, const TextMeasure& normal,
                     int width, int height, const QString& titleText, const QString& subtitle,
                     const QString& valueHeading, std::vector<ChartText>& texts);

// The subtitle as drawn in a picture this wide (empty when no part fits).
QString FitSubtitle(const TextMeasure& m, const QString& subtitle, float width);

// Tick labels, whole, ending the style's tick gap left of the axis; one that would leave the
// picture or overlap a lower one is left out (its grid line stays).
void PlaceTickLabels(const ChartStyle& st, const TextMeasure& m, const PlotArea& plot,
                     const AxisScale& axis, std::vector<ChartText>& texts);

// Grid lines, then the two axes, crisp: round(s) pixels wide (at least 1)
// on pixel centres for odd widths and pixel edges for even ones.
void DrawGridAndAxes(QPainter& painter, const PlotArea& plot, const AxisScale& axis,
                     const ChartStyle& st);

// With value labels on, the highest drawn value keeps the style's headroom
// below the plot top: the axis gains one step when needed. True when it did.
bool AddHeadroom(AxisScale& axis, double highest, float plotH, const ChartStyle& st);
// The same below: the lowest drawn value keeps room above the plot bottom.
// The axis goes down one step only where it does not start at zero or a
// value is negative, so positive data never gets a negative axis.
bool AddFootroom(AxisScale& axis, double lowest, float plotH, float room);

// "显示第 1–28 项,共 31 项" at the bottom right, under the category labels,
// when a chart draws fewer rows than the table holds; left out when it does
// not fit the picture. Returns whether it was placed.
bool PlaceRangeNote(const ChartStyle& st, const TextMeasure& m, const PlotArea& plot, int width,
                    int height, int first, int last, int total, std::vector<ChartText>& texts);

// The leftmost x a value label may start at: clear of the y axis by the text gap.
float ValueLabelMinX(const PlotArea& plot, const ChartStyle& st);

// Where the axis reaches below zero, a line like the axis along zero.
bool AxisSpansZero(const AxisScale& axis);
void DrawZeroLine(QPainter& painter, const PlotArea& plot, const AxisScale& axis,
                  const ChartStyle& st);

// Where a line of this pen width lies crisp nearest to v.
float CrispLineCoordinate(float v, int penWidth);

}  // namespace qh
