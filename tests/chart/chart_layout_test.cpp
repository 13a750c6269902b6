// Geometry of the three charts, checked on their layout values.
#include "chart/bar_chart.h"
#include "chart/line_chart.h"
#include "chart/pie_chart.h"
#include "chart/render_chart.h"
#include "support/chart_items.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qh {
namespace {

ItemTable Table(const std::vector<double>& values) {
  ItemTable t;
  for (size_t i = 0; i < values.size(); ++i) {
    t.Items.Add(QStringLiteral("项目%1").arg(i + 1), values[i]);
  }
  return t;
}

ItemTable Rows(int n, double value = 10) { return Table(std::vector<double>(size_t(n), value)); }

ChartRequest Request(ChartPage page) {
  ChartRequest r;
  r.Page = page;
  return r;
}

// --- bar ---

TEST(BarLayout, FitsTwelveBarsInSixHundredPixels) {
  const BarLayout ten = ComputeBarLayout(600, 400, Rows(10), Request(ChartPage::Bar), nullptr);
  EXPECT_EQ(ten.Count, 10);
  EXPECT_FLOAT_EQ(ten.SlotW, 49);
  EXPECT_NEAR(ten.BarW, 30.38, 1e-4);

  ItemTable hundred = Rows(100);
  hundred.Items =
      test::WithValue(hundred.Items, 99, 5000);  // statistics cover rows that are not drawn
  ChartRequest plain = Request(ChartPage::Bar);
  plain.ShowValues = false;  // no value labels: the axis keeps its nice maximum
  const BarLayout L = ComputeBarLayout(600, 400, hundred, plain, nullptr);
  EXPECT_EQ(L.Capacity, 12);
  EXPECT_EQ(L.Count, 12);
  EXPECT_EQ(L.Regions.size(), 12u);
  EXPECT_EQ(L.Axis.Max, 10);  // the axis spans the drawn bars only
  EXPECT_TRUE(L.RangeNote);
  EXPECT_TRUE(L.Subtitle.startsWith(QStringLiteral("合计 5,990    平均 59.9    最高 5,000")));
}

TEST(BarLayout, WideLabelTurnsEveryLabelUpright) {
  // 300 wide, 3 rows: slotW 63.3, so a label wider than 55.3 px rotates all.
  ItemTable t = Rows(3);
  t.Items = test::WithName(t.Items, 0, QStringLiteral("四个汉字"));  // 56 px by the estimate
  const BarLayout L = ComputeBarLayout(300, 300, t, Request(ChartPage::Bar), nullptr);
  EXPECT_NEAR(L.SlotW, 63.333, 1e-3);
  EXPECT_NEAR(L.BarW, 39.27, 1e-2);
  EXPECT_TRUE(L.Rotate);
  t.Items = test::WithName(t.Items, 0, QStringLiteral("三个字"));  // 42 px
  EXPECT_FALSE(ComputeBarLayout(300, 300, t, Request(ChartPage::Bar), nullptr).Rotate);
  ChartRequest noName = Request(ChartPage::Bar);
  noName.Labels.BarNoName = true;
  t.Items = test::WithName(t.Items, 0, QString(50, QChar(u'长')));
  EXPECT_FALSE(ComputeBarLayout(300, 300, t, noName, nullptr).Rotate);
}

TEST(BarLayout, ValueLabelRisesAboveAnUprightLabel) {
  ItemTable t = Table({100, 1});
  t.Items = test::WithName(t.Items, 1, QString(20, QChar(u'长')));  // 280 + 4 px upright
  const BarLayout L = ComputeBarLayout(300, 500, t, Request(ChartPage::Bar), nullptr);
  ASSERT_TRUE(L.Rotate);
  const BarGeometry& tall = L.Bars[0];
  const BarGeometry& low = L.Bars[1];
  EXPECT_FLOAT_EQ(low.LabelExtent, 284);
  EXPECT_DOUBLE_EQ(low.ValueRect.top(), L.Plot.Bottom - 284 - 19);
  EXPECT_DOUBLE_EQ(tall.ValueRect.top(), L.Plot.Bottom - tall.Height - 19);

  t.Items = test::WithName(t.Items, 1, QString(10000, QChar(u'长')));  // stops at the plot top
  const BarLayout capped = ComputeBarLayout(300, 500, t, Request(ChartPage::Bar), nullptr);
  EXPECT_FLOAT_EQ(capped.Bars[1].LabelExtent, capped.Plot.Height() - 4);
  EXPECT_TRUE(capped.Bars[1].ValueRect.isEmpty()) << "no room left under the title block";
}

TEST(BarLayout, NegativeBarsHangFromZeroAndZeroIsOnePixel) {
  const BarLayout neg =
      ComputeBarLayout(600, 400, Table({-5, -1, -9}), Request(ChartPage::Bar), nullptr);
  EXPECT_EQ(neg.Axis, (AxisScale{-10, 0, 2}));  // plot 294 high: 29.4 px below the lowest bar
  const float heights[] = {147, 29.4f, 264.6f};
  for (size_t i = 0; i < neg.Bars.size(); ++i) {
    EXPECT_TRUE(neg.Bars[i].Down);
    EXPECT_FLOAT_EQ(neg.Bars[i].Base, neg.Plot.Top);
    EXPECT_NEAR(neg.Bars[i].Height, heights[i], 0.01);
    EXPECT_FLOAT_EQ(neg.Regions[i].Top, neg.Plot.Top);  // the region runs down from zero
    EXPECT_GE(neg.Bars[i].ValueRect.top(), neg.Bars[i].Base + neg.Bars[i].Height);
  }
  EXPECT_TRUE(neg.Subtitle.endsWith(QStringLiteral("最高 -1")));
  // Mixed: the axis reaches below zero in whole steps, with zero on a grid line.
  const BarLayout mixed =
      ComputeBarLayout(600, 400, Table({30, -20, 10}), Request(ChartPage::Bar), nullptr);
  EXPECT_EQ(mixed.Axis, (AxisScale{-30, 40, 10}));  // a step of room for -20's label
  EXPECT_FLOAT_EQ(mixed.Bars[0].Height * 2, mixed.Bars[1].Height * 3);

  const BarLayout zero = ComputeBarLayout(600, 400, Table({0}), Request(ChartPage::Bar), nullptr);
  EXPECT_EQ(zero.Axis, (AxisScale{0, 1, 1}));
  ASSERT_EQ(zero.Bars.size(), 1u);
  EXPECT_FLOAT_EQ(zero.Bars[0].Height, 1);
}

TEST(BarLayout, TooNarrowDrawsTitleOnly) {
  const BarLayout L = ComputeBarLayout(100, 400, Rows(5), Request(ChartPage::Bar), nullptr);
  EXPECT_EQ(L.Capacity, 1);
  EXPECT_FALSE(L.PlotDrawn);
  EXPECT_TRUE(L.Regions.empty());
}

TEST(BarLayout, HitRegionsSurroundEachBar) {
  ChartRequest plain = Request(ChartPage::Bar);
  plain.ShowValues = false;
  const BarLayout L = ComputeBarLayout(600, 400, Table({50, 100}), plain, nullptr);
  ASSERT_EQ(L.Regions.size(), 2u);
  const BarGeometry& b = L.Bars[1];
  EXPECT_EQ(L.Regions[1], (HitRegion{2, b.X - 3, L.Plot.Bottom - b.Height - 18, b.X + b.Width + 3,
                                     L.Plot.Bottom}));
  EXPECT_FLOAT_EQ(b.Height, L.Plot.Height());
}

// --- pie ---

TEST(PieLayout, EightHundredByFiveHundred) {
  const PieLayout L = ComputePieLayout(800, 500, Rows(30), Request(ChartPage::Pie));
  EXPECT_FLOAT_EQ(L.PieW, 480);
  EXPECT_FLOAT_EQ(L.R, 187);
  EXPECT_FLOAT_EQ(L.Cx, 238);
  EXPECT_FLOAT_EQ(L.Cy, 257);
  EXPECT_FLOAT_EQ(L.Left, 500);
  EXPECT_FLOAT_EQ(L.Right, 770);
  // Columns as wide as their widest text (14 px per character here) plus
  // a pixel: "10" and "5.0%"; the names take the rest.
  EXPECT_FLOAT_EQ(L.ValueW, 29);
  EXPECT_FLOAT_EQ(L.PctW, 57);
  EXPECT_FLOAT_EQ(L.NameW, 270 - 29 - 57 - 16);
  EXPECT_FLOAT_EQ(L.ValueX, 500 + L.NameW + 8);
  EXPECT_EQ(L.Count, 20);
  EXPECT_EQ(L.Rows, 20);  // 21 fit, capped by the page
}

TEST(PieLayout, TheLegendTakesWidthFromThePieOnlyWhenItMust) {
  struct Row {
    int Width, Height;
    double Value;
    float PieW, R, NameW;
    int Rows;
  };
  const Row rows[] = {
      // 400 wide: "10" and "33.3%" need 48 + 29 + 71 + 16 = 164 beside the pie.
      {400, 300, 10, 186, 60, 48, 3},
      // 1600 wide: the pie keeps 60 % of the width.
      {1600, 900, 10, 960, 387, 1600 - 30 - 980 - 29 - 71 - 16, 3},
      // Too narrow even for a small pie: no legend at all, never a cut number.
      {200, 300, 12345678, 300, 87, 0, 0},
  };
  for (const Row& r : rows) {
    const PieLayout L = ComputePieLayout(r.Width, r.Height, Table({r.Value, r.Value, r.Value}),
                                         Request(ChartPage::Pie));
    EXPECT_FLOAT_EQ(L.PieW, r.PieW) << r.Width;
    EXPECT_FLOAT_EQ(L.R, r.R) << r.Width;
    EXPECT_EQ(L.Rows, r.Rows) << r.Width;
    if (r.Rows > 0) {
      EXPECT_FLOAT_EQ(L.NameW, r.NameW) << r.Width;
    }
    for (const ChartText& t : L.Texts) {
      if (t.Role == TextRole::LegendValue || t.Role == TextRole::LegendPct) {
        EXPECT_FALSE(t.Cut) << t.Text.toStdString();
      }
    }
  }
}

TEST(PieLayout, SlicesOrderAndPercentages) {
  const PieLayout L = ComputePieLayout(800, 500, Table({1, 1, 2}), Request(ChartPage::Pie));
  ASSERT_EQ(L.Slices.size(), 3u);
  const double expected[3][2] = {{-90, 90}, {0, 90}, {90, 180}};
  for (size_t j = 0; j < 3; ++j) {
    EXPECT_DOUBLE_EQ(L.Slices[j].Start, expected[j][0]) << j;
    EXPECT_DOUBLE_EQ(L.Slices[j].Sweep, expected[j][1]) << j;
  }
  EXPECT_EQ(L.Order, (std::vector<int>{3, 1, 2}));
  ASSERT_EQ(L.Legend.size(), 3u);
  EXPECT_EQ(L.Legend[0].Percent, QStringLiteral("50.0%"));
  EXPECT_EQ(L.Legend[1].Percent, QStringLiteral("25.0%"));
  EXPECT_EQ(L.Legend[2].Item, 2);
  EXPECT_EQ(L.SeparatorAngles.size(), 2u);
  const HitRegion& line1 = L.Regions[2];  // the largest value is listed first
  EXPECT_EQ(line1.ItemIndex, 3);
  EXPECT_FLOAT_EQ(line1.Left, 480);
  EXPECT_FLOAT_EQ(line1.Top, 66);
  EXPECT_FLOAT_EQ(line1.Right, 790);
  EXPECT_FLOAT_EQ(line1.Bottom, 84);
}

TEST(PieLayout, SingleRowAndZeroTotal) {
  const PieLayout one = ComputePieLayout(800, 500, Table({7}), Request(ChartPage::Pie));
  ASSERT_EQ(one.Slices.size(), 1u);
  EXPECT_DOUBLE_EQ(one.Slices[0].Start, -90);
  EXPECT_DOUBLE_EQ(one.Slices[0].Sweep, 360);
  EXPECT_TRUE(one.SeparatorAngles.empty());
  EXPECT_EQ(one.Legend[0].Percent, QStringLiteral("100.0%"));

  // No positive value: no pie, a note in its place, every item listed.
  for (const std::vector<double>& values : {std::vector<double>{0, 0, 0}, {-5, 0, -1}}) {
    const PieLayout none = ComputePieLayout(800, 500, Table(values), Request(ChartPage::Pie));
    EXPECT_FALSE(none.HasPie);
    EXPECT_TRUE(none.Slices.empty());
    EXPECT_TRUE(none.SeparatorAngles.empty());
    ASSERT_EQ(none.Legend.size(), 3u);
    for (const LegendRow& row : none.Legend) EXPECT_EQ(row.Percent, QStringLiteral("不计入"));
    EXPECT_TRUE(std::any_of(none.Texts.begin(), none.Texts.end(), [](const ChartText& t) {
      return t.Text == QStringLiteral("本页没有正数数值,无法绘制饼形图.");
    }));
  }
  const PieLayout zero = ComputePieLayout(800, 500, Table({0, 0, 0}), Request(ChartPage::Pie));
  EXPECT_TRUE(zero.Subtitle.startsWith(QStringLiteral("本页合计 0    共 3 项")));

  // Losses: shares of the positive values only, which the subtitle names
  // before the net total.
  const PieLayout losses = ComputePieLayout(800, 500, Table({6, -2, 2}), Request(ChartPage::Pie));
  EXPECT_TRUE(losses.Subtitle.startsWith(QStringLiteral("本页正数合计 8(占比基数)    本页合计 6 ")))
      << losses.Subtitle.toStdString();
  ASSERT_EQ(losses.Slices.size(), 2u);
  EXPECT_DOUBLE_EQ(losses.Slices[0].Sweep, 270);
  EXPECT_DOUBLE_EQ(losses.Slices[1].Start, 180);
  EXPECT_EQ(losses.Legend[0].Percent, QStringLiteral("75.0%"));
  EXPECT_EQ(losses.Legend[1].Percent, QStringLiteral("25.0%"));
  EXPECT_EQ(losses.Legend[2].Percent, QStringLiteral("不计入"));

  const PieLayout leadingZero =
      ComputePieLayout(800, 500, Table({0, 1, 1}), Request(ChartPage::Pie));
  ASSERT_EQ(leadingZero.SeparatorAngles.size(), 1u);
  EXPECT_DOUBLE_EQ(leadingZero.SeparatorAngles[0], 90);
}

TEST(PieLayout, UnlistedRowsKeepThePieAsHoverTarget) {
  // 40 rows on a page, 300 high: 9 legend lines; over the pie the first
  // row in page order that is not listed answers.
  std::vector<double> values(40);
  for (int i = 0; i < 40; ++i) values[size_t(i)] = 100 - i;  // row 10 is the first unlisted
  ChartRequest r = Request(ChartPage::Pie);
  r.PageSize = 40;
  const PieLayout L = ComputePieLayout(800, 300, Table(values), r);
  EXPECT_EQ(L.Rows, 9);
  for (int j = 10; j <= 40; ++j) {
    EXPECT_EQ(L.Regions[size_t(j - 1)],
              (HitRegion{j, L.Cx - L.R, L.Cy - L.R, L.Cx + L.R, L.Cy + L.R}));
  }
  ChartState state;
  state.HitRegions = L.Regions;
  EXPECT_EQ(HitTest(state, 600, 66 + 18 * 2 + 5).Item, 3);
}

TEST(PieLayout, PagesStartAtTheirOffset) {
  ChartRequest r = Request(ChartPage::Pie);
  r.PageNo = 3;
  const PieLayout L = ComputePieLayout(800, 500, Rows(45), r);
  EXPECT_EQ(L.Count, 5);
  EXPECT_EQ(L.Slices.front().Item, 41);
  r.PageNo = 4;
  EXPECT_EQ(ComputePieLayout(800, 500, Rows(45), r).Count, 0);
}

// --- line ---

TEST(LineLayout, EightHundredWideHundredRows) {
  std::vector<double> values(100);
  for (int i = 0; i < 100; ++i) values[size_t(i)] = i + 1;
  const LineLayout L =
      ComputeLineLayout(800, 400, Table(values), Request(ChartPage::Line), nullptr);
  EXPECT_FLOAT_EQ(L.Plot.Width(), 690);
  EXPECT_EQ(L.Count, 35);
  EXPECT_EQ(L.Gap, 4);
  EXPECT_DOUBLE_EQ(L.Stats.Highest, 100);     // statistics from all 100 rows
  EXPECT_EQ(L.Axis, (AxisScale{0, 40, 10}));  // the axis from the 35 drawn
  EXPECT_TRUE(L.RangeNote);
  EXPECT_FLOAT_EQ(L.Points.front().X, L.Plot.Left);
  EXPECT_FLOAT_EQ(L.Points.back().X, L.Plot.Right);
  EXPECT_TRUE(L.Markers);
  EXPECT_EQ(ComputeLineFit(2490, 200, ChartStyle(1.0f)), 125);  // a 2600-wide picture
  EXPECT_FALSE(
      ComputeLineLayout(2600, 400, Table(values), Request(ChartPage::Line), nullptr).Count > 120 &&
      ComputeLineLayout(2600, 400, Table(values), Request(ChartPage::Line), nullptr).Markers);
}

TEST(LineLayout, AxisRule) {
  EXPECT_EQ(LineAxis(10, 100), (AxisScale{0, 100, 20}));
  EXPECT_EQ(LineAxis(70, 100), (AxisScale{0, 100, 20}));
  EXPECT_EQ(LineAxis(50, 100), (AxisScale{50, 100, 10}));
  EXPECT_EQ(LineAxis(5, 5), (AxisScale{0, 5, 1}));
  EXPECT_EQ(LineAxis(-30, 70), (AxisScale{-40, 80, 20}));
  const AxisScale huge = LineAxis(-1e308, 1e308);
  EXPECT_LT(huge.Min, -9e307);
  EXPECT_GT(huge.Max, 9e307);
}

TEST(LineLayout, PickValueLabelPoints) {
  auto flagged = [](const std::vector<double>& v, int gap) {
    std::vector<int> out;
    const std::vector<bool> f = PickValueLabelPoints(v, gap);
    for (size_t i = 0; i < f.size(); ++i)
      if (f[i]) out.push_back(int(i) + 1);
    return out;
  };
  EXPECT_EQ(flagged({5, 1, 9, 2, 7, 3, 6}, 2), (std::vector<int>{1, 2, 3, 5, 7}));
  EXPECT_EQ(flagged({3, 9, 4, 8, 1}, 2), (std::vector<int>{1, 2, 5}));
  EXPECT_EQ(flagged({3, 9, 4, 8, 1}, 1), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(flagged({4}, 3), (std::vector<int>{1}));
  EXPECT_TRUE(flagged({}, 3).empty());
}

TEST(LineLayout, ValueLabelsTakeTheSideTheLineLeavesFree) {
  const ChartStyle st(1.0f);
  const QRectF bounds(72, 52, 700, 300);  // top 52, bottom 352
  const QSizeF size(40, 16);
  const std::vector<ChartText> none;
  std::vector<ChartText> textAbove(1);
  textAbove[0].Box = QRectF(180, 170, 40, 16);
  enum Side { Above, Below, Nudged, Left };
  struct Row {
    const char* Name;
    std::vector<QPointF> Points;  // the labelled point is the middle one
    const std::vector<ChartText>* Texts;
    enum Side Side;
  };
  // clang-format off
  const Row rows[] = {
      {"peak",            {{100, 300}, {200, 200}, {300, 300}}, &none,      Above},
      {"valley",          {{100, 100}, {200, 200}, {300, 100}}, &none,      Below},
      {"no room above",   {{100, 60},  {200, 60},  {300, 60}},  &none,      Below},
      {"a text above",    {{100, 200}, {200, 200}, {300, 200}}, &textAbove, Below},
      {"steep slope",     {{190, 340}, {200, 200}, {210, 60}},  &none,      Nudged},
      {"hemmed in",       {{195, 60},  {200, 200}, {205, 340}, {206, 60}}, &none, Left},
  };
  // clang-format on
  for (const Row& r : rows) {
    const QRectF box = PlaceLineValueBox(r.Points, 1, size, bounds, *r.Texts, true, st);
    const QPointF p = r.Points[1];
    switch (r.Side) {
      case Above: EXPECT_LE(box.bottom(), p.y()) << r.Name; break;
      case Below: EXPECT_GE(box.top(), p.y()) << r.Name; break;
      case Nudged: EXPECT_FALSE(box.isEmpty()) << r.Name; break;
      case Left: EXPECT_TRUE(box.isEmpty() || box.right() < p.x()) << r.Name; break;
    }
    if (box.isEmpty()) continue;
    EXPECT_TRUE(bounds.contains(box)) << r.Name;
    for (size_t k = 0; k + 1 < r.Points.size(); ++k) {
      EXPECT_FALSE(SegmentCrossesRect(r.Points[k], r.Points[k + 1], box)) << r.Name;
    }
    for (const ChartText& t : *r.Texts) EXPECT_FALSE(Overlaps(box, t.Box, st.TextGap)) << r.Name;
  }
}

TEST(LineLayout, ThinnedCategoryLabelsKeepTheLast) {
  ItemTable t = Rows(100);
  const LineLayout L = ComputeLineLayout(800, 400, t, Request(ChartPage::Line), nullptr);
  ASSERT_GT(L.Every, 1);
  EXPECT_TRUE(L.Points.front().CategoryLabel);
  EXPECT_TRUE(L.Points.back().CategoryLabel);
  EXPECT_FALSE(L.Points[1].CategoryLabel);
}

TEST(LineLayout, HitRegionsAroundPoints) {
  const LineLayout L =
      ComputeLineLayout(800, 400, Table({1, 2, 3}), Request(ChartPage::Line), nullptr);
  ASSERT_EQ(L.Regions.size(), 3u);
  const LinePoint& p = L.Points[1];
  EXPECT_EQ(L.Regions[1], (HitRegion{2, p.X - 18, p.Y - 18, p.X + 18, p.Y + 18}));
}

}  // namespace
}  // namespace qh
