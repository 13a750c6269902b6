// End-to-end drawing through the one entry point: what each chart leaves
// behind, and bad input that must neither crash nor hang.
#include "chart/render_chart.h"
#include "support/chart_items.h"

#include "chart/pie_chart.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <cmath>

namespace qh {
namespace {

ItemTable Table(const std::vector<double>& values, const QString& name = QStringLiteral("项目")) {
  ItemTable t;
  for (size_t i = 0; i < values.size(); ++i) t.Items.Add(name + QString::number(i + 1), values[i]);
  return t;
}

// Draws into a small image whatever size is claimed: the chart must stay
// safe for sizes the caller could never allocate.
ChartState Render(ChartPage page, const ItemTable& table, int width, int height,
                  QImage* out = nullptr, float scale = 1.0f) {
  QImage img(std::clamp(width, 1, 800), std::clamp(height, 1, 600),
             QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::black);
  ChartRequest request;
  request.Page = page;
  request.Title = QStringLiteral("标题");
  request.Scale = scale;
  ChartState state;
  {
    QPainter p(&img);
    RenderChart(p, width, height, table, request, state);
  }
  if (out) *out = img;
  return state;
}

bool RegionsAreFinite(const ChartState& s) {
  for (const HitRegion& r : s.HitRegions) {
    if (!std::isfinite(r.Left) || !std::isfinite(r.Top) || !std::isfinite(r.Right) ||
        !std::isfinite(r.Bottom))
      return false;
  }
  return true;
}

const ChartPage kPages[] = {ChartPage::Bar, ChartPage::Pie, ChartPage::Line};

TEST(RenderChart, EachChartLeavesOneRegionPerDrawnItem) {
  const ItemTable t = Table({3, 9, 4, 8, 1});
  for (ChartPage page : kPages) {
    const ChartState s = Render(page, t, 800, 500);
    ASSERT_EQ(s.HitRegions.size(), 5u) << int(page);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.HitRegions[size_t(i)].ItemIndex, i + 1);
    EXPECT_EQ(s.Outline.Drawn, 5);
    EXPECT_EQ(s.Outline.Axis.has_value(), page != ChartPage::Pie);
    const HitRegion& r = s.HitRegions[1];
    // The pie answers by angle: aim inside the second slice.
    const float x = page == ChartPage::Pie ? s.Pie.Cx + s.Pie.R / 2 : (r.Left + r.Right) / 2;
    const float y = page == ChartPage::Pie ? s.Pie.Cy : (r.Top + r.Bottom) / 2;
    EXPECT_EQ(HitTest(s, x, y).Item, 2) << int(page);
  }
}

TEST(RenderChart, EmptyTableDrawsTheEmptyStateAndNoRegions) {
  QImage img;
  const ChartState s = Render(ChartPage::Bar, ItemTable{}, 400, 300, &img);
  EXPECT_TRUE(s.HitRegions.empty());
  EXPECT_EQ(img.pixel(200, 10), 0xFFFFFFFFu);  // cleared
  EXPECT_EQ(img.pixel(0, 0), 0xFFE3E9F2u);     // framed
}

TEST(RenderChart, AllZeroTableStillDrawsAChart) {
  for (ChartPage page : kPages) {
    const ChartState s = Render(page, Table({0, 0, 0}), 600, 400);
    EXPECT_EQ(s.HitRegions.size(), 3u) << int(page);
  }
}

TEST(RenderChart, MissingFontsDrawNothing) {
  QImage img(300, 200, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  ChartRequest request;
  ChartState state;
  state.Fonts.FamilyExists = [](const QString&) { return false; };
  QPainter p(&img);
  RenderChart(p, 300, 200, Table({1, 2}), request, state);
  p.end();
  EXPECT_TRUE(state.HitRegions.empty());
  EXPECT_EQ(img.pixel(0, 0), 0xFFFFFFFFu);  // not even the frame
}

TEST(RenderChart, PiePageBeyondTheLastDrawsNothing) {
  ItemTable t = Table(std::vector<double>(45, 1.0));
  QImage img(400, 300, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  ChartRequest request;
  request.Page = ChartPage::Pie;
  request.PageNo = 4;
  ChartState state;
  QPainter p(&img);
  RenderChart(p, 400, 300, t, request, state);
  EXPECT_TRUE(state.HitRegions.empty());
  request.PageNo = 3;
  RenderChart(p, 400, 300, t, request, state);
  EXPECT_EQ(state.HitRegions.size(), 5u);
  EXPECT_EQ(state.HitRegions.front().ItemIndex, 41);
}

TEST(RenderChart, HostileInputStaysSaneForEveryChart) {
  ItemTable longNames = Table({5, 3, 8});
  longNames.Items = test::WithName(longNames.Items, 1, QString(10000, QChar(u'名')));
  struct Case {
    const char* What;
    ItemTable Table;
    int Width, Height;
  };
  const Case cases[] = {
      {"huge", Table({1e308, 1e308, -1e308, 1e308}), 800, 500},
      {"tiny", Table({1e-300, 2e-300, 0}), 800, 500},
      {"negative", Table({-5, -1, -9}), 800, 500},
      {"long names", longNames, 800, 500},
      {"one pixel", Table({1, 2, 3}), 1, 1},
      {"enormous", Table(std::vector<double>(3000, 7.5)), 20000, 20000},
  };
  for (const Case& c : cases) {
    for (ChartPage page : kPages) {
      ChartState s = Render(page, c.Table, c.Width, c.Height);
      EXPECT_TRUE(RegionsAreFinite(s)) << c.What << " page " << int(page);
      EXPECT_FALSE(s.Outline.Subtitle.contains(u"nan") || s.Outline.Subtitle.contains(u"inf"))
          << c.What << ": " << s.Outline.Subtitle.left(80).toStdString();
      if (s.Outline.Axis) {
        EXPECT_TRUE(std::isfinite(s.Outline.Axis->Min) && std::isfinite(s.Outline.Axis->Max));
        EXPECT_GT(s.Outline.Axis->Max, s.Outline.Axis->Min) << c.What;
      }
    }
  }
}

TEST(RenderChart, PieOfOneHundredThousandSlicesStaysInteractive) {
  // PageSize may be as large as the table; the window repaints on hover.
  std::vector<double> values(100000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = double(i % 997) + 1;
  const ItemTable t = Table(values);
  QImage img(1200, 700, QImage::Format_ARGB32_Premultiplied);
  ChartRequest request;
  request.Page = ChartPage::Pie;
  request.PageSize = 100000;
  ChartState state;
  QElapsedTimer timer;
  timer.start();
  QPainter p(&img);
  RenderChart(p, 1200, 700, t, request, state);
  EXPECT_LT(timer.elapsed(), 5000);
  EXPECT_EQ(state.HitRegions.size(), 100000u);
}

// Thousands of slices on one page still show their colours: the white
// separators are thinned where they would cover the pie.
TEST(RenderChart, DensePiePageKeepsItsColours) {
  for (int slices : {40, 5000}) {
    ItemTable table;
    for (int i = 1; i <= slices; ++i) table.Items.Add(u"x", 1.0);
    ChartRequest request;
    request.Page = ChartPage::Pie;
    request.PageSize = slices;
    ChartState state;
    QImage img(800, 500, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
      QPainter p(&img);
      RenderChart(p, 800, 500, table, request, state);
    }
    const PieShape& L = state.Pie;  // where the drawing put the pie
    int white = 0, inside = 0;
    for (int y = 0; y < 500; ++y) {
      for (int x = 0; x < 800; ++x) {
        const double d = std::hypot(x + 0.5 - L.Cx, y + 0.5 - L.Cy) / L.R;
        if (d < 0.6 || d > 0.95) continue;
        ++inside;
        const QRgb c = img.pixel(x, y);
        if (qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245) ++white;
      }
    }
    ASSERT_GT(L.R, 0);
    ASSERT_GT(inside, 1000);
    EXPECT_LT(white, inside / 3) << slices << " slices: " << white << " of " << inside << " white";
  }
}

TEST(RenderChart, HugeTotalPrintsItsDigits) {
  const ChartState s = Render(ChartPage::Line, Table({1e308, 1e308}), 800, 500);
  EXPECT_TRUE(s.Outline.Subtitle.startsWith(u"合计 2"))
      << s.Outline.Subtitle.left(20).toStdString();
  EXPECT_TRUE(s.Outline.Subtitle.contains(u"平均 1"));
}

TEST(RenderChart, RegionsScaleWithDpi) {
  const ChartState one = Render(ChartPage::Bar, Table({4, 8}), 600, 400, nullptr, 1.0f);
  const ChartState big = Render(ChartPage::Bar, Table({4, 8}), 900, 600, nullptr, 1.5f);
  ASSERT_EQ(one.HitRegions.size(), 2u);
  ASSERT_EQ(big.HitRegions.size(), 2u);
  EXPECT_NEAR(big.HitRegions[1].Left, one.HitRegions[1].Left * 1.5f, 0.01);
  EXPECT_NEAR(big.HitRegions[1].Top, one.HitRegions[1].Top * 1.5f, 0.01);
}

}  // namespace
}  // namespace qh
