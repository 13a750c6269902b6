#include "chart/chart_frame.h"
#include "chart/render_chart.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace qh {
namespace {

TEST(NiceScale, Examples) {
  struct Row {
    double Min, Max;
    AxisScale Expected;
  };
  // clang-format off
  const Row rows[] = {
      {0, 0, {0, 1, 1}},          {0, 100, {0, 100, 20}},    {0, 7, {0, 8, 2}},
      {0, 1234, {0, 1250, 250}},  {90, 100, {90, 100, 2}},   {50, 100, {50, 100, 10}},
      {-30, 70, {-40, 80, 20}},   {-50, -10, {-50, 0, 10}},  {5, 5, {5, 7.5, 0.5}},
      {100, 0, {0, 100, 20}},  // swapped bounds
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(NiceScale(r.Min, r.Max, 5), r.Expected) << r.Min << " .. " << r.Max;
  }
  EXPECT_EQ(NiceScale(0, 100, 1), NiceScale(0, 100, 5));  // tickCount below 2 means 5
}

TEST(NiceScale, ExtremeInputsGiveFiniteOrderedScales) {
  const double inf = std::numeric_limits<double>::infinity();
  // clang-format off
  const std::pair<double, double> inputs[] = {
      {0, 1e308},   {-1e308, 1e308}, {-1.7e308, 1.7e308}, {1e308, 1e308}, {0, 1e-300},
      {1e-300, 1e-300}, {-5e-324, 5e-324}, {0, inf},        {std::nan(""), 3}};
  for (const auto& [lo, hi] : inputs) {
    const AxisScale a = NiceScale(lo, hi, 5);
    EXPECT_TRUE(std::isfinite(a.Min) && std::isfinite(a.Max) && std::isfinite(a.Step))
        << lo << " .. " << hi;
    EXPECT_GT(a.Max, a.Min) << lo << " .. " << hi;
    EXPECT_GT(a.Step, 0) << lo << " .. " << hi;
    EXPECT_LE(GridStepCount(a), 41);
  }
  const AxisScale huge = NiceScale(0, 1e308, 5);
  EXPECT_EQ(huge.Min, 0);
  EXPECT_GE(huge.Max, 1e308);
  EXPECT_LE(huge.Max, 1.25e308);
  EXPECT_NEAR(huge.Step / 1e307, 2.25, 0.26);  // 2 or 2.5 × 10^307 by rounding of the ratio
}

TEST(ChartFrame, PlotArea) {
  const PlotArea p = ChartPlotArea(300, 200, ChartStyle(1.0f));
  EXPECT_FLOAT_EQ(p.Width(), 190);
  EXPECT_FLOAT_EQ(p.Height(), 94);
  EXPECT_TRUE(p.Usable(ChartStyle(1.0f)));
  EXPECT_FALSE(ChartPlotArea(140, 200, ChartStyle(1.0f)).Usable(ChartStyle(1.0f)));  // plotW 30
}

TEST(ChartFrame, GridStepsAndValueToY) {
  const AxisScale a{0, 100, 20};
  EXPECT_EQ(GridStepCount(a), 5);
  EXPECT_EQ(GridStepCount(AxisScale{0, 1e9, 1}), 41);
  const PlotArea p{84, 574, 62, 456};
  EXPECT_FLOAT_EQ(ValueToY(p, a, 0), 456);
  EXPECT_FLOAT_EQ(ValueToY(p, a, 100), 62);
  EXPECT_FLOAT_EQ(ValueToY(p, a, 50), 259);
}

TEST(ChartFrame, VisibleItemCountPagesThePie) {
  // PageSize 20 and 45 rows: 20, 20, 5, then nothing.
  const int expected[] = {20, 20, 5, 0};
  for (int page = 1; page <= 4; ++page) {
    EXPECT_EQ(VisibleItemCount(ChartPage::Pie, 45, 0, page, 20), expected[page - 1]) << page;
  }
  EXPECT_EQ(VisibleItemCount(ChartPage::Pie, 45, 0, 1, 0), 45);
  EXPECT_EQ(VisibleItemCount(ChartPage::Pie, 45, 0, 1000000000, 20), 0);
  EXPECT_EQ(VisibleItemCount(ChartPage::Pie, 0, 0, 1, 20), 0);
  EXPECT_EQ(VisibleItemCount(ChartPage::Bar, 10, 12, 1, 20), 10);
  EXPECT_EQ(VisibleItemCount(ChartPage::Bar, 100, 12, 1, 20), 12);
}

TEST(ChartFrame, PageCountsAndTitles) {
  struct Row {
    ChartPage Page;
    int Rows, PageSize, Count;
  };
  // clang-format on
  const Row rows[] = {{ChartPage::Pie, 45, 20, 3},
                      {ChartPage::Pie, 40, 20, 2},
                      {ChartPage::Pie, 0, 20, 1},
                      {ChartPage::Pie, 45, 0, 1},
                      {ChartPage::Bar, 45, 20, 1},
                      {ChartPage::Line, 45, 20, 1},
                      {ChartPage::Pie, 2147483647, 20, 107374183}};
  for (const Row& r : rows)
    EXPECT_EQ(ChartPageCount(r.Page, r.Rows, r.PageSize), r.Count) << r.Rows;
  EXPECT_EQ(ChartTitle(ChartPage::Bar, 1, 1), QStringLiteral("柱形图"));
  EXPECT_EQ(ChartTitle(ChartPage::Line, 1, 1), QStringLiteral("曲线图"));
  EXPECT_EQ(ChartTitle(ChartPage::Pie, 1, 1), QStringLiteral("饼形图"));
  EXPECT_EQ(ChartTitle(ChartPage::Pie, 2, 3), QStringLiteral("饼形图   (第 2/3 页)"));
}

TEST(ChartFrame, StatsSurviveOverflow) {
  ItemTable t;
  t.Items.Add(u"a", 1e308);
  t.Items.Add(u"b", 1e308);
  t.Items.Add(u"c", -5);
  const ValueStats st = ComputeStats(t);
  EXPECT_TRUE(std::isfinite(static_cast<double>(st.Average())));
  EXPECT_GT(st.Sum, 1.9e308L);
  EXPECT_EQ(st.Highest, 1e308);
  EXPECT_EQ(st.Lowest, -5);
}

TEST(HitTest, EdgesIncludedAndFirstRegionWins) {
  ChartState state;
  state.HitRegions = {{1, 10, 10, 20, 20}, {2, 15, 15, 30, 30}};
  struct Probe {
    float X, Y;
    int Item;
  };
  const Probe probes[] = {{20, 20, 1}, {10, 10, 1},     {17, 17, 1},   {25, 25, 2},
                          {30, 30, 2}, {30.01f, 30, 0}, {9.99f, 15, 0}};
  for (const Probe& p : probes)
    EXPECT_EQ(HitTest(state, p.X, p.Y).Item, p.Item) << p.X << "," << p.Y;
  EXPECT_EQ(HitTest(ChartState{}, 0, 0).Item, 0);
  EXPECT_EQ(HitTest(state, 25, 25).Outline.boundingRect(), QRectF(15, 15, 15, 15));
}

TEST(HitTest, PieSlicesArePickedByAngleClockwiseFromTwelve) {
  ChartState state;
  state.Pie = PieShape{100, 100, 50, {{1, -90, 90}, {2, 0, 180}, {3, 180, 90}, {4, 270, 0}}};
  // Every slice's own region is the pie's box; a legend line lies beside it.
  state.HitRegions = {{1, 50, 50, 150, 150}, {2, 50, 50, 150, 150}, {3, 200, 60, 300, 80}};
  struct Case {
    float X, Y;
    int Item;
  } cases[] = {
      {130, 70, 1},   // upper right
      {100, 140, 2},  // straight down
      {140, 101, 2},  // just below 3 o'clock
      {60, 95, 3},    // left, slightly up
      {100, 51, 1},   // 12 o'clock, inside the rim
      {100, 49, 0},   // outside the circle, inside its box
      {52, 52, 0},    // box corner
      {250, 70, 3},   // legend line
      {400, 400, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(HitTest(state, c.X, c.Y).Item, c.Item) << c.X << "," << c.Y;
  const QPainterPath down = HitTest(state, 100, 140).Outline;
  EXPECT_TRUE(down.contains(QPointF(100, 140)));
  EXPECT_FALSE(down.contains(QPointF(130, 70)));
}

}  // namespace
}  // namespace qh
