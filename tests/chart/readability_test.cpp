// The readability rules as a property over generated charts: every kind,
// picture sizes from 100 × 80 to 3000 × 2000, 72 to 192 DPI, and data
// shapes from ordinary monthly figures to huge, tiny, negative and equal
// values, long names and thousands of rows.
#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/chart_format.h"
#include "chart/line_chart.h"
#include "chart/pie_chart.h"
#include "chart/render_chart.h"
#include "chart/chart_text.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>
#include <random>
#include <sstream>
#include <tuple>

namespace qh {
namespace {

enum class Shape { Ordinary, LongNames, ManyItems, Tiny, Huge, Negative, Equal, Losses, Steep };
const char* const kShapeNames[] = {"ordinary", "long names", "many items", "tiny", "huge",
                                   "negative", "equal",      "losses",     "steep"};

struct Case {
  ChartPage Page;
  int Width, Height, Dpi;
  qh::Shape Shape;
  bool ShowValues;
  ItemTable Table;
  LabelOptions Labels;
  std::string Describe() const {
    std::ostringstream os;
    os << "kind " << int(Page) << ", " << Width << "x" << Height << " at " << Dpi << " DPI, "
       << kShapeNames[int(Shape)] << ", " << Table.ItemCount() << " rows"
       << (ShowValues ? "" : ", no values")
       << (Labels.BarUseLetters || Labels.LineUseLetters ? ", letters" : "")
       << (Labels.BarUseNumbers || Labels.LineUseNumbers ? ", numbers" : "")
       << (Labels.BarNoName ? ", no names" : "");
    return os.str();
  }
};

ItemTable MakeTable(Shape shape, std::mt19937& rng) {
  static const QString kCities = QStringLiteral(
      "北京上海广州深圳天津重庆成都杭州武汉西安南京沈阳哈尔滨石家庄贵阳昆明长沙郑州济南青岛");
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
  };
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int n = shape == Shape::ManyItems ? pick(1000, 5000) : pick(1, 40);
  ItemTable t;
  t.Items.reserve(size_t(n));
  for (int i = 1; i <= n; ++i) {
    QString name = QStringLiteral("第%1周").arg(i);
    if (shape == Shape::LongNames) name = kCities.mid(pick(0, 10), pick(3, 9)).repeated(pick(1, 6));
    if (shape == Shape::Ordinary && n <= 12) name = QStringLiteral("%1月").arg(i);
    double v = std::round(uniform(10000, 99999) * 100) / 100;  // five-digit amounts
    switch (shape) {
      case Shape::Tiny: v = uniform(-0.009, 0.009); break;
      case Shape::Huge: v = pick(0, 9) == 0 ? 1e308 : uniform(1e11, 1e15); break;
      case Shape::Negative: v = uniform(-99999, 50000); break;
      case Shape::Equal: v = 5; break;
      case Shape::Losses:
        v = std::round(uniform(-30000000, 80000000));
        break;  // profits, 万 and 亿
      case Shape::Steep: v = (i % 2 ? 1 : -1) * uniform(1, 1e6) + (i % 3 ? 5e5 : 0); break;
      default: break;
    }
    t.Items.Add(name, v);
  }
  return t;
}

std::vector<Case> GenerateCases(int count) {
  std::mt19937 rng(20261209);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<Case> cases;
  const ChartPage pages[] = {ChartPage::Bar, ChartPage::Pie, ChartPage::Line};
  for (int i = 0; i < count; ++i) {
    Case c;
    c.Page = pages[i % 3];
    c.Shape = static_cast<Shape>((i / 3) % 9);
    // Half the pictures are everyday sizes, half anywhere in the range.
    const bool everyday = pick(0, 1) == 0;
    c.Width = everyday ? (pick(0, 1) ? 800 : 1600) : pick(100, 3000);
    c.Height = everyday ? (c.Width == 800 ? 500 : 900) : pick(80, 2000);
    c.Dpi = everyday ? (pick(0, 1) ? 96 : 144) : pick(72, 192);
    c.ShowValues = pick(0, 4) != 0;
    c.Table = MakeTable(c.Shape, rng);
    // Now and then a label switch: letters, numbers or no names.
    switch (pick(0, 7)) {
      case 0: c.Labels.BarUseLetters = c.Labels.LineUseLetters = true; break;
      case 1: c.Labels.BarUseNumbers = c.Labels.LineUseNumbers = true; break;
      case 2: c.Labels.BarNoName = true; break;
      default: break;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

ChartRequest RequestFor(const Case& c) {
  ChartRequest r;
  r.Page = c.Page;
  r.Title =
      c.Page == ChartPage::Pie ? QStringLiteral("饼形图   (第 1/2 页)") : QStringLiteral("柱形图");
  r.ShowValues = c.ShowValues;
  r.Scale = DpiScale(c.Dpi);
  r.Labels = c.Labels;
  return r;
}

bool IsNumberRole(TextRole role) {
  return role == TextRole::Tick || role == TextRole::Value || role == TextRole::LegendValue ||
         role == TextRole::LegendPct;
}

std::string Name(const ChartText& t) {
  return std::string(TextRoleName(t.Role)) + " '" + t.Text.left(40).toStdString() + "'";
}

// Every rule that can be read off the texts of one drawing.
void CheckTexts(const Case& c, const ChartState& state, float s) {
  const std::vector<ChartText>& texts = state.Outline.Texts;
  for (size_t i = 0; i < texts.size(); ++i) {
    const ChartText& t = texts[i];
    EXPECT_FALSE(t.Text.isEmpty()) << Name(t);
    EXPECT_TRUE(InsidePicture(t.Box, c.Width, c.Height))
        << Name(t) << " leaves the picture at " << t.Box.left() << "," << t.Box.top() << " "
        << t.Box.right() << "," << t.Box.bottom();
    if (IsNumberRole(t.Role) || t.Role == TextRole::Subtitle) {
      EXPECT_FALSE(t.Cut || t.Text.contains(QChar(0x2026))) << Name(t) << " is a cut number";
    }
    if (t.Role == TextRole::Value && c.Page == ChartPage::Bar) {
      EXPECT_GE(t.Box.top(), 52 * s - 0.01) << Name(t) << " rises into the title block";
    }
    for (size_t j = 0; j < i; ++j) {
      EXPECT_FALSE(Overlaps(t.Box, texts[j].Box, 2 * s - 0.02))
          << Name(t) << " comes closer than 2s to " << Name(texts[j]);
    }
  }
  // The subtitle shows whole parts from the front of the statistics.
  for (const ChartText& t : texts) {
    if (t.Role != TextRole::Subtitle) continue;
    const QString& full = state.Outline.Subtitle;
    EXPECT_TRUE(full == t.Text || full.startsWith(t.Text + QStringLiteral("    ")))
        << t.Text.toStdString();
  }
}

// A statistic of a table with non-zero values never reads plain 0.
void CheckStatistics(const Case& c, const ChartState& state) {
  const ValueStats st = ComputeStats(c.Table);
  const QStringList parts = state.Outline.Subtitle.split(QStringLiteral("    "));
  for (const QString& part : parts) {
    const QString number = part.section(u' ', 1);
    const bool nonZero = (part.startsWith(u"最高") && st.Highest != 0) ||
                         (part.startsWith(u"最低") && st.Lowest != 0);
    if (nonZero) {
      EXPECT_NE(number, u"0") << part.toStdString();
    }
  }
}

// The highest drawn value: the axis is taken from the drawn rows only.
double DrawnHighest(const Case& c, const ChartState& state) {
  double highest = c.Table.Items.front().Value;
  for (int i = 1; i < state.Outline.Drawn; ++i)
    highest = std::max(highest, c.Table.Items[size_t(i)].Value);
  return highest;
}

// With value labels on, the axis gains a step when the tallest drawn bar
// would come within 20s of the plot top.
void CheckBarHeadroom(const Case& c, const ChartState& state, float s) {
  if (c.Page != ChartPage::Bar || !state.Outline.Axis || state.Outline.Axis->Min < 0) return;
  const double highest = DrawnHighest(c, state);
  AxisScale nice = NiceScale(0, std::max(0.0, highest), 5);
  const PlotArea plot = ChartPlotArea(c.Width, c.Height, ChartStyle(s));
  const bool tight = highest > 0 && plot.Height() - highest / nice.Max * plot.Height() < 20 * s;
  const double expected = c.ShowValues && tight ? nice.Max + nice.Step : nice.Max;
  EXPECT_DOUBLE_EQ(state.Outline.Axis->Max, expected);
}

// The number a tick or value label reads as: "1.25万" is 12500.
double ReadNumber(const QString& text) {
  QString digits = text;
  digits.remove(u',');
  double unit = 1;
  if (digits.endsWith(u'万')) unit = 1e4;
  if (digits.endsWith(u'亿')) unit = 1e8;
  if (unit > 1) digits.chop(1);
  bool ok = false;
  const double v = digits.toDouble(&ok);
  EXPECT_TRUE(ok) << text.toStdString() << " is not a number";
  return v * unit;
}

// Ticks read the value of their grid line exactly, so they are distinct and
// evenly stepped, and a non-zero tick never reads "0"; a value label reads
// "0" only for a zero value.
void CheckNumbers(const Case& c, const ChartState& state) {
  const ChartOutline& out = state.Outline;
  if (!out.Axis || !out.Plot) return;
  const AxisScale& axis = *out.Axis;
  const PlotArea& plot = *out.Plot;
  bool anyZero = false;
  for (int i = 0; i < out.Drawn; ++i) anyZero |= c.Table.Items[size_t(i)].Value == 0;
  for (const ChartText& t : out.Texts) {
    if (t.Role == TextRole::Value && t.Text == u"0") {
      EXPECT_TRUE(anyZero) << Name(t) << " stands for a non-zero value";
    }
    if (t.Role != TextRole::Tick) continue;
    const double k = std::round((plot.Bottom - t.Box.center().y()) / plot.Height() *
                                (axis.Max - axis.Min) / axis.Step);
    const double expected = axis.Min + k * axis.Step;
    if (std::abs(expected) > 1e300) continue;
    EXPECT_NEAR(ReadNumber(t.Text), expected, axis.Step * 1e-6) << Name(t) << " on grid line " << k;
    if (std::abs(expected) > axis.Step * 1e-9) {
      EXPECT_NE(t.Text, u"0") << Name(t);
    }
  }
}

// A chart that draws fewer rows than the table holds says so, and its axis
// ends at most one step (and the value labels' headroom) above the drawn
// maximum; a whole chart has no note.
void CheckPartialChart(const Case& c, const ChartState& state, float s) {
  const ChartOutline& out = state.Outline;
  if (c.Page == ChartPage::Pie || !out.Axis || !out.Plot) return;
  int notes = 0;
  for (const ChartText& t : out.Texts) {
    if (t.Role != TextRole::RangeNote) continue;
    ++notes;
    EXPECT_EQ(t.Text, QStringLiteral("显示第 1–%1 项,共 %2 项").arg(out.Drawn).arg(out.Rows));
  }
  const bool partial = out.Drawn < out.Rows;
  if (!partial) {
    EXPECT_EQ(notes, 0);
  } else if (float(c.Width) >= 320 * s) {
    EXPECT_EQ(notes, 1) << out.Drawn << " of " << out.Rows << " drawn without a note";
  }
  const double highest = DrawnHighest(c, state);
  const AxisScale& axis = *out.Axis;
  if (highest > 0 && std::isfinite(axis.Max)) {
    const double headroom = (axis.Max - axis.Min) * 20 * s / out.Plot->Height();
    EXPECT_LE(axis.Max, highest + axis.Step + headroom + axis.Step * 1e-9)
        << "axis " << axis << " over a drawn maximum of " << highest;
  }
}

// Value labels keep the text gap to the y axis (and so to the tick labels).
void CheckValuesClearOfAxis(const ChartState& state, float s) {
  if (!state.Outline.Plot) return;
  for (const ChartText& t : state.Outline.Texts) {
    if (t.Role != TextRole::Value) continue;
    EXPECT_GE(t.Box.left(), state.Outline.Plot->Left + 2 * s - 0.01)
        << Name(t) << " crowds the y axis";
  }
}

// The line's first, last, highest and lowest points always carry their
// value, in any plot at least eight label heights tall (in a lower one the
// line can leave no free place for a label).
void CheckForcedLineLabels(const Case& c, const ChartState& state, float s) {
  if (c.Page != ChartPage::Line || !c.ShowValues || c.Labels.LineNoValue || !state.Outline.Plot ||
      state.Outline.Plot->Height() < 8 * 16 * s)
    return;
  const int n = state.Outline.Drawn;
  if (n == 0) return;
  int highest = 0, lowest = 0;
  for (int i = 1; i < n; ++i) {
    if (c.Table.Items[size_t(i)].Value > c.Table.Items[size_t(highest)].Value) highest = i;
    if (c.Table.Items[size_t(i)].Value < c.Table.Items[size_t(lowest)].Value) lowest = i;
  }
  QStringList shown;
  for (const ChartText& t : state.Outline.Texts)
    if (t.Role == TextRole::Value) shown << t.Text;
  for (int i : {0, n - 1, highest, lowest}) {
    const QString label = FormatCompact(c.Table.Items[size_t(i)].Value);
    // A number wider than the plot cannot be drawn whole anywhere.
    if (MeasureTextWidth(&state.Fonts.Normal, label) > state.Outline.Plot->Width()) continue;
    EXPECT_TRUE(shown.contains(label))
        << "point " << i + 1 << " lost its label " << label.toStdString();
  }
}

// Bars stand on or hang from a zero line in proportion to their values;
// the axis starts at 0 unless a drawn value is negative.
void CheckBarsInProportion(const Case& c, ChartState& state) {
  if (c.Page != ChartPage::Bar || !state.Outline.Axis) return;
  const BarLayout L = ComputeBarLayout(c.Width, c.Height, c.Table, RequestFor(c), &state.Fonts);
  const double range = L.Axis.Max - L.Axis.Min;
  const float zero = ValueToY(L.Plot, L.Axis, 0);
  bool anyNegative = false;
  for (const BarGeometry& b : L.Bars) {
    const double v = c.Table.Items[size_t(b.Item - 1)].Value;
    anyNegative |= v < 0;
    EXPECT_EQ(b.Down, v < 0) << b.Item;
    EXPECT_FLOAT_EQ(b.Base, zero) << b.Item;
    const double expected = std::abs(v) / range * L.Plot.Height();
    if (expected >= 1 && expected < 1e6) {
      EXPECT_NEAR(b.Height, expected, 1e-3 * expected) << b.Item;
    }
    EXPECT_GE(b.Top(), L.Plot.Top - 0.01) << b.Item;
    EXPECT_LE(b.Top() + b.Height, L.Plot.Bottom + 1.01) << b.Item;
  }
  EXPECT_EQ(L.Axis.Min < 0, anyNegative);
}

// No value label is crossed by the line between the point centres.
void CheckLineLabelsFree(const Case& c, const ChartState& state) {
  if (c.Page != ChartPage::Line) return;
  std::vector<QPointF> centres;
  for (const HitRegion& r : state.HitRegions)
    centres.emplace_back((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  for (const ChartText& t : state.Outline.Texts) {
    if (t.Role != TextRole::Value) continue;
    for (size_t k = 0; k + 1 < centres.size(); ++k) {
      EXPECT_FALSE(SegmentCrossesRect(centres[k], centres[k + 1], t.Box))
          << Name(t) << " is crossed by segment " << k + 1;
    }
  }
}

// Shares count positive values only: none is negative, they add to 100 % at most.
void CheckPieShares(const Case& c, const ChartState& state) {
  if (c.Page != ChartPage::Pie) return;
  double sum = 0;
  for (const ChartText& t : state.Outline.Texts) {
    if (t.Role != TextRole::LegendPct || t.Text == QStringLiteral("不计入")) continue;
    const double share = t.Text.chopped(1).toDouble();
    EXPECT_GE(share, 0) << Name(t);
    sum += share;
  }
  EXPECT_LE(sum, 100.0 + 0.05 * 20);  // each share rounded to 0.1
}

// Every row of the page has a legend line or is counted in "另 N 项未列出",
// and names that differ never read alike after cutting.
void CheckPieLegend(const Case& c, ChartState& state) {
  if (c.Page != ChartPage::Pie) return;
  const PieLayout L = ComputePieLayout(c.Width, c.Height, c.Table, RequestFor(c), &state.Fonts);
  int unlisted = 0;
  for (const ChartText& t : state.Outline.Texts) {
    if (t.Role == TextRole::LegendMore) unlisted = t.Text.section(u' ', 1, 1).toInt();
  }
  if (!L.Legend.empty() || unlisted > 0) {
    EXPECT_EQ(int(L.Legend.size()) + unlisted, L.Count);
  }
  ASSERT_EQ(L.Names.size(), L.Legend.size());
  std::map<QString, QString> nameOf;
  for (size_t k = 0; k < L.Legend.size(); ++k) {
    const QString name = c.Table.Items[size_t(L.Legend[k].Item - 1)].Name.toString();
    if (L.Names[k].isEmpty()) continue;  // no cut could tell it apart
    const auto [it, fresh] = nameOf.emplace(L.Names[k], name);
    EXPECT_TRUE(fresh || it->second == name)
        << L.Names[k].toStdString() << " stands for " << name.toStdString() << " and "
        << it->second.toStdString();
  }
}

// The last point keeps its category label.
void CheckLastLineLabel(const Case& c, ChartState& state) {
  if (c.Page != ChartPage::Line || !state.Outline.Axis) return;
  const LineLayout L = ComputeLineLayout(c.Width, c.Height, c.Table, RequestFor(c), &state.Fonts);
  ASSERT_FALSE(L.Points.empty());
  EXPECT_TRUE(L.Points.back().CategoryLabel);
}

TEST(Readability, GeneratedChartsReadRight) {
  const std::vector<Case> cases = GenerateCases(336);
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);  // painting is not what is checked
  ChartState state;  // one view, as in the window: fonts follow the scale
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Describe());
    const ChartRequest request = RequestFor(c);
    {
      QPainter painter(&image);
      RenderChart(painter, c.Width, c.Height, c.Table, request, state);
    }
    ASSERT_TRUE(state.Fonts.FontsReady());
    CheckTexts(c, state, request.Scale);
    CheckStatistics(c, state);
    CheckBarHeadroom(c, state, request.Scale);
    CheckNumbers(c, state);
    CheckPartialChart(c, state, request.Scale);
    CheckValuesClearOfAxis(state, request.Scale);
    CheckForcedLineLabels(c, state, request.Scale);
    CheckLastLineLabel(c, state);
    CheckBarsInProportion(c, state);
    CheckLineLabelsFree(c, state);
    CheckPieShares(c, state);
    CheckPieLegend(c, state);
    if (HasFailure()) return;  // one broken case is enough to read
  }
}

// Tables of every magnitude from 1e-6 to 1e12 at everyday sizes: ticks
// read evenly stepped and distinct, no non-zero number reads "0", and
// enough ticks survive to read the axis.
TEST(Readability, NumbersReadRightAtEveryMagnitude) {
  const double magnitudes[] = {1e-6, 1e-5,  0.00025, 0.001,    0.3,   1,   47,
                               1234, 99999, 9999999, 99999999, 2.5e9, 1e12};
  const struct {
    int Width, Height, Dpi;
  } sizes[] = {{800, 500, 96}, {1200, 700, 96}, {1200, 700, 144}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const double m : magnitudes) {
    ItemTable t;
    for (int i = 1; i <= 12; ++i)
      t.Items.Add(QStringLiteral("%1月").arg(i), m * (1.2 + 3.5 * ((i * 7) % 12) / 11.0));
    for (const ChartPage page : {ChartPage::Bar, ChartPage::Line, ChartPage::Pie}) {
      for (const auto& z : sizes) {
        Case c{page, z.Width, z.Height, z.Dpi, Shape::Tiny, true, t, {}};
        SCOPED_TRACE(c.Describe() + ", magnitude " + std::to_string(m));
        ChartState state;
        QPainter painter(&image);
        RenderChart(painter, z.Width, z.Height, t, RequestFor(c), state);
        CheckNumbers(c, state);
        int ticks = 0;
        for (const ChartText& x : state.Outline.Texts) {
          ticks += x.Role == TextRole::Tick;
          if (x.Role == TextRole::Value || x.Role == TextRole::LegendValue) {
            EXPECT_NE(ReadNumber(x.Text), 0) << Name(x);
          }
        }
        if (page != ChartPage::Pie) {
          EXPECT_GE(ticks, 4);
        }
      }
    }
  }
}

// The line's key labels survive where they are hardest to place: a peak at
// the top of the axis, a trough on its bottom, a record as the last point,
// a first point on the axis; with the note when the table is longer.
TEST(Readability, ForcedLineLabelsAreNeverDropped) {
  const std::vector<std::vector<double>> shapes = {
      {200, 400, 300, 1000, 500, 450, 300, 250, 600, 400, 350, 300},          // peak at the top
      {800, 700, 900, 0, 600, 750, 700, 850, 800, 650, 900, 700},             // trough at zero
      {-500, 200, 300, 100, 250, 300, 150, 400, 350, 300, 250, 200},          // first is lowest
      {100, 120, 130, 125, 140, 150, 160, 170, 165, 180, 190, 200},           // last is highest
      {5000, 4000, 4500, 3000, 3500, 2500, 3000, 2000, 1500, 1800, 1000, 0},  // last is lowest
  };
  const struct {
    int Width, Height, Dpi, Rows;
  } sizes[] = {{800, 500, 96, 12},
               {1200, 700, 96, 12},
               {1200, 700, 144, 12},
               {800, 500, 96, 31},
               {1200, 700, 144, 200}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (size_t k = 0; k < shapes.size(); ++k) {
    for (const auto& z : sizes) {
      ItemTable t;
      for (int i = 0; i < z.Rows; ++i) {
        // Longer tables repeat the shape, so the extremes recur.
        t.Items.Add(QStringLiteral("%1日").arg(i + 1), shapes[k][size_t(i) % shapes[k].size()]);
      }
      Case c{ChartPage::Line, z.Width, z.Height, z.Dpi, Shape::Ordinary, true, t, {}};
      SCOPED_TRACE(c.Describe() + ", shape " + std::to_string(k));
      ChartState state;
      QPainter painter(&image);
      RenderChart(painter, z.Width, z.Height, t, RequestFor(c), state);
      CheckForcedLineLabels(c, state, RequestFor(c).Scale);
      CheckTexts(c, state, RequestFor(c).Scale);
      CheckLineLabelsFree(c, state);
      CheckPartialChart(c, state, RequestFor(c).Scale);
    }
  }
}

// Where value labels collide, the bar chart keeps the extremes: the highest
// and lowest drawn bars always carry their value.
TEST(Readability, BarExtremesKeepTheirValues) {
  ItemTable t;
  for (int i = 1; i <= 31; ++i)
    t.Items.Add(QStringLiteral("%1日").arg(i),
                1234567.0 + i * 1000 + (i == 2 ? 5e5 : 0) - (i == 3 ? 6e5 : 0));
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const auto& [w, h, dpi] : {std::tuple{800, 500, 96}, {1200, 700, 96}, {1200, 700, 144}}) {
    Case c{ChartPage::Bar, w, h, dpi, Shape::Ordinary, true, t, {}};
    SCOPED_TRACE(c.Describe());
    ChartState state;
    QPainter painter(&image);
    RenderChart(painter, w, h, t, RequestFor(c), state);
    QStringList shown;
    for (const ChartText& x : state.Outline.Texts)
      if (x.Role == TextRole::Value) shown << x.Text;
    EXPECT_TRUE(shown.contains(FormatCompact(t.Items[1].Value))) << "the highest day";
    EXPECT_TRUE(shown.contains(FormatCompact(t.Items[2].Value))) << "the lowest day";
    CheckPartialChart(c, state, RequestFor(c).Scale);
  }
}

// Everyday pictures show what they are for: title, statistics, ticks, a
// label per bar or legend line.
TEST(Readability, EverydayPicturesKeepTheirTexts) {
  std::mt19937 rng(7);
  const ItemTable months = MakeTable(Shape::Ordinary, rng);
  const struct {
    ChartPage Page;
    int Width, Height, Dpi;
  } rows[] = {{ChartPage::Bar, 800, 500, 96},
              {ChartPage::Bar, 1600, 900, 144},
              {ChartPage::Pie, 800, 500, 144},
              {ChartPage::Line, 800, 500, 96}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const auto& r : rows) {
    Case c{r.Page, r.Width, r.Height, r.Dpi, Shape::Ordinary, true, months, {}};
    ChartState state;
    QPainter painter(&image);
    RenderChart(painter, r.Width, r.Height, months, RequestFor(c), state);
    std::map<TextRole, int> count;
    for (const ChartText& t : state.Outline.Texts) ++count[t.Role];
    EXPECT_EQ(count[TextRole::Title], 1) << c.Describe();
    EXPECT_EQ(count[TextRole::Subtitle], 1) << c.Describe();
    if (r.Page == ChartPage::Pie) {
      EXPECT_EQ(count[TextRole::LegendValue], std::min(months.ItemCount(), 20)) << c.Describe();
      EXPECT_EQ(count[TextRole::LegendPct], count[TextRole::LegendValue]);
    } else {
      EXPECT_GE(count[TextRole::Tick], 4) << c.Describe();
      EXPECT_GE(count[TextRole::Value], 1) << c.Describe();
    }
  }
}

// Upright names over bars, on every palette colour: the glyph pixels on the
// bar and those on the white above it each reach 4.5:1 against what lies
// under them.
TEST(Readability, UprightNamesReadOnEveryBar) {
  ItemTable t;
  for (int i = 1; i <= 40; ++i)
    t.Items.Add(QStringLiteral("第%1分公司华东片区").arg(i), i % 4 == 0 ? 300.0 : 4000.0);
  const struct {
    int Width, Height, Dpi;
  } sizes[] = {{800, 500, 96}, {1600, 900, 144}, {1200, 700, 96}};
  for (const auto& z : sizes) {
    Case c{ChartPage::Bar, z.Width, z.Height, z.Dpi, Shape::LongNames, false, t, {}};
    SCOPED_TRACE(c.Describe());
    QImage image(z.Width, z.Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    ChartState state;
    {
      QPainter painter(&image);
      RenderChart(painter, z.Width, z.Height, t, RequestFor(c), state);
    }
    const BarLayout L = ComputeBarLayout(z.Width, z.Height, t, RequestFor(c), &state.Fonts);
    ASSERT_TRUE(L.Rotate);
    size_t bar = 0;
    for (const ChartText& text : state.Outline.Texts) {
      if (!text.Upright) continue;
      const BarGeometry& b = L.Bars[bar++];
      const QRect bars = WholePixelEdges(QRectF(b.X, b.Top(), b.Width, b.Height));
      const quint32 barColor = PaletteColor(b.Item);
      // The best contrast any pixel of the name reaches on each ground.
      double onBar = 1, onWhite = 1;
      bool anyOnWhite = false;
      const QRect box = text.Box.toAlignedRect().adjusted(2, 2, -2, -2);
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          const quint32 px = image.pixel(x, y) | 0xFF000000u;
          // Only the body, clear of the rounded cap.
          if (bars.adjusted(0, 10, 0, 0).contains(x, y)) {
            onBar = std::max(onBar, ContrastRatio(px, barColor));
          } else if (y < bars.top() - 1) {
            anyOnWhite = true;
            onWhite = std::max(onWhite, ContrastRatio(px, 0xFFFFFFFF));
          }
        }
      }
      EXPECT_GE(onBar, 4.5) << "name " << b.Item << " on " << std::hex << barColor;
      if (anyOnWhite) {
        EXPECT_GE(onWhite, 4.5) << "name " << b.Item << " above its bar";
      }
    }
    EXPECT_GT(bar, 0u);
  }
}

// An upright name whose bar ends inside it: no white glyph pixel lies above
// the bar top, and no dark one on the bar. The names alone are painted on
// grey, so white glyphs show wherever they fall.
TEST(Readability, UprightNameSplitsBetweenCharacters) {
  const struct { int Width, Height, Dpi; } sizes[] = {{800, 500, 96}, {1200, 700, 144}};
  for (const auto& z : sizes) {
    for (int k = 1; k <= 30; ++k) {
      ItemTable t;
      t.Items.Add(QStringLiteral("北京朝阳旗舰店"), 30.0 * k);
      for (int i = 2; i <= 12; ++i) t.Items.Add(QStringLiteral("上海浦东旗舰店%1").arg(i), 1000);
      Case c{ChartPage::Bar, z.Width, z.Height, z.Dpi, Shape::LongNames, false, t, {}};
      SCOPED_TRACE(c.Describe() + ", first bar " + std::to_string(30 * k));
      ChartState state;
      QImage image(z.Width, z.Height, QImage::Format_ARGB32_Premultiplied);
      {
        QPainter painter(&image);
        RenderChart(painter, z.Width, z.Height, t, RequestFor(c), state);
      }
      const BarLayout L = ComputeBarLayout(z.Width, z.Height, t, RequestFor(c), &state.Fonts);
      ASSERT_TRUE(L.Rotate);
      ASSERT_EQ(NameColorOnBar(L.Style, PaletteColor(1)), L.Style.NameOnDarkBar);
      const BarGeometry& b = L.Bars.front();
      const auto name = std::find_if(L.Texts.begin(), L.Texts.end(),
                                     [](const ChartText& x) { return x.Upright; });
      ASSERT_NE(name, L.Texts.end());
      image.fill(0xFF808080);
      {
        QPainter painter(&image);
        PaintTexts(painter, state.Fonts, {*name});
      }
      const QRect bar = WholePixelEdges(QRectF(b.X, b.Top(), b.Width, b.Height));
      const QRect box = name->Box.toAlignedRect().adjusted(-2, -2, 2, 2);
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          const int grey = qGray(image.pixel(x, y));
          if (y < bar.top()) {
            ASSERT_LT(grey, 0xC0) << "white glyph pixel at " << x << "," << y << " above "
                                  << bar.top();
          } else if (y > bar.top() + 1) {
            ASSERT_GT(grey, 0x50) << "dark glyph pixel at " << x << "," << y << " on the bar";
          }
        }
      }
    }
  }
}

// Branch names of one company differ only at their end: the legend keeps
// both ends, no two lines read alike, rows past the legend's room are
// counted, and the subtitle names the base of the shares when it is not
// plainly the page total.
TEST(Readability, PieLegendNamesEveryBranch) {
  const QString branches = QStringLiteral(
      "华东华南华北华中西南西北东北上海北京深圳广州杭州南京成都武汉西安重庆天津苏州青岛厦门长沙");
  ItemTable t;
  for (int i = 0; i < 22; ++i) {
    const QString name = QStringLiteral("青禾科技股份有限公司") + branches.mid(2 * i, 2) +
                         QStringLiteral("分公司") +
                         (i % 3 == 2 ? QStringLiteral("第一销售部") : QString());
    t.Items.Add(name, i == 5 ? -12000.5 : 10000.25 + 997.5 * i);
  }
  const struct {
    int Width, Height, Dpi, PageSize;
    bool Counted;          // some rows have no line of their own
    const char* Subtitle;  // its start; the base of the shares follows
  } rows[] = {
      {1200, 700, 96, 30, false, "本页正数合计 "},
      {800, 500, 96, 30, true, "本页正数合计 "},
      {800, 500, 144, 30, true, "本页正数合计 "},
      {1200, 700, 144, 5, false, "本页合计 "},  // page 1: no loss among its rows
      {420, 300, 96, 20, true, "本页正数合计 "},
  };
  for (const auto& r : rows) {
    Case c{ChartPage::Pie, r.Width, r.Height, r.Dpi, Shape::LongNames, true, t, {}};
    SCOPED_TRACE(c.Describe());
    ChartRequest request = RequestFor(c);
    request.PageSize = r.PageSize;
    ChartState state;
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    {
      QPainter painter(&image);
      RenderChart(painter, r.Width, r.Height, t, request, state);
    }
    const PieLayout L = ComputePieLayout(r.Width, r.Height, t, request, &state.Fonts);
    EXPECT_TRUE(L.Subtitle.startsWith(QString::fromUtf8(r.Subtitle))) << L.Subtitle.toStdString();
    EXPECT_TRUE(L.Subtitle.contains(QStringLiteral("(占比基数)"))) << L.Subtitle.toStdString();
    EXPECT_EQ(L.Unlisted > 0, r.Counted);
    EXPECT_EQ(int(L.Legend.size()) + L.Unlisted, L.Count);
    std::set<QString> seen;
    for (size_t k = 0; k < L.Names.size(); ++k) {
      const QString& name = L.Names[k];
      EXPECT_TRUE(seen.insert(name).second) << name.toStdString();
      // On the whole table, each branch office shows whole.
      const int item = L.Legend[k].Item;
      if (r.PageSize > 22 && r.Width >= 800 && !t.Items[size_t(item - 1)].Name.endsWith(u"部")) {
        EXPECT_TRUE(name.contains(branches.mid(2 * (item - 1), 2))) << name.toStdString();
      }
    }
    int more = 0;
    for (const ChartText& x : state.Outline.Texts) {
      if (x.Role != TextRole::LegendMore) continue;
      ++more;
      EXPECT_EQ(x.Text, QStringLiteral("另 %1 项未列出").arg(L.Unlisted));
    }
    EXPECT_EQ(more, r.Counted ? 1 : 0);
  }
}

// The table's value heading ("销售额(元)") leads the statistics line: whole
// where it fits, cut to half the width where not, centred with the
// statistics as one line, clear of every other text, which stay as they are
// without it. A heading the title already begins with is not repeated.
TEST(Readability, ValueHeadingLeadsTheStatistics) {
  std::mt19937 rng(35);
  const ItemTable plain = MakeTable(Shape::Ordinary, rng);
  const QString longHeading = QStringLiteral("2026年度华东区各门店含税销售额合计(人民币万元)");
  const struct {
    int Width, Height, Dpi;
  } sizes[] = {{580, 550, 96}, {1200, 700, 96}, {1200, 700, 144}, {300, 200, 96}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const ChartPage page : {ChartPage::Bar, ChartPage::Line, ChartPage::Pie}) {
    for (const auto& z : sizes) {
      for (const QString& heading : {QStringLiteral("销售额(元)"), longHeading,
                                     QStringLiteral("柱形图"), QStringLiteral("饼形图")}) {
        ItemTable t = plain;
        t.ValueHeading = heading;
        Case c{page, z.Width, z.Height, z.Dpi, Shape::Ordinary, true, t, {}};
        SCOPED_TRACE(c.Describe() + ", heading " + heading.toStdString());
        const ChartRequest request = RequestFor(c);
        ChartState with, without;
        {
          QPainter painter(&image);
          RenderChart(painter, z.Width, z.Height, t, request, with);
          RenderChart(painter, z.Width, z.Height, plain, request, without);
        }
        CheckTexts(c, with, request.Scale);
        std::vector<ChartText> lead, rest, before;
        for (const ChartText& x : with.Outline.Texts) {
          if (x.Role == TextRole::ValueHeading) lead.push_back(x);
          if (x.Role != TextRole::ValueHeading && x.Role != TextRole::Subtitle) rest.push_back(x);
        }
        for (const ChartText& x : without.Outline.Texts)
          if (x.Role != TextRole::Subtitle) before.push_back(x);
        ASSERT_EQ(rest.size(), before.size());
        for (size_t k = 0; k < rest.size(); ++k) {
          EXPECT_EQ(rest[k].Text, before[k].Text) << Name(rest[k]);
          EXPECT_EQ(rest[k].Box, before[k].Box) << Name(rest[k]);
        }
        if (request.Title.startsWith(heading)) {
          EXPECT_TRUE(lead.empty());
          continue;
        }
        ASSERT_EQ(lead.size(), 1u);
        const ChartText& h = lead.front();
        if (h.Cut) {
          EXPECT_TRUE(h.Text.endsWith(QChar(0x2026))) << Name(h);
          EXPECT_TRUE(heading.startsWith(h.Text.chopped(1))) << Name(h);
          EXPECT_LE(h.Box.width(), z.Width / 2.0) << Name(h);
        } else {
          EXPECT_EQ(h.Text, heading);
        }
        const auto sub =
            std::find_if(with.Outline.Texts.begin(), with.Outline.Texts.end(),
                         [](const ChartText& x) { return x.Role == TextRole::Subtitle; });
        const qreal right = sub == with.Outline.Texts.end() ? h.Box.right() : sub->Box.right();
        if (sub != with.Outline.Texts.end()) {
          EXPECT_NEAR(sub->Box.center().y(), h.Box.center().y(), 0.5) << "one line";
          EXPECT_GT(sub->Box.left(), h.Box.right()) << "the heading leads";
        }
        EXPECT_NEAR((h.Box.left() + right) / 2, z.Width / 2.0, 2.0) << "centred as one";
      }
    }
  }
}

// At the window's smallest chart size (580 × 550 at every scale, and 580 ×
// 404 on a 1024 × 600 screen), region names beside negative ticks and values
// keep the 2s gap, and pie legend names of up to six characters show whole:
// the pie gives up the width they need.
TEST(Readability, SmallestWindowKeepsNamesWholeAndApart) {
  const QStringList regions = {QStringLiteral("华东区"), QStringLiteral("华南区"),
                               QStringLiteral("华北区"), QStringLiteral("华中区"),
                               QStringLiteral("西南区"), QStringLiteral("西北区"),
                               QStringLiteral("东北区")};
  const QStringList departments = {QStringLiteral("华东销售一部"), QStringLiteral("华南销售二部"),
                                   QStringLiteral("华北销售三部"), QStringLiteral("华中销售四部"),
                                   QStringLiteral("西南销售五部"), QStringLiteral("西北销售六部"),
                                   QStringLiteral("东北销售七部"), QStringLiteral("港澳销售八部")};
  const struct {
    const char* Name;
    QStringList Names;
    std::vector<double> Values;
  } tables[] = {
      {"regions, losses", regions, {35000, -18000, 22000, -5000, 12000, -9000, 8000}},
      {"regions, first lowest", regions, {-35000, -18000, 22000, 15000, -2000, 100, 40000}},
      {"departments, millions",
       departments,
       {9171818.26, 5782017.19, 5483231.96, 4743783.1, 2866875.14, 2541070.8, 2245624.81,
        229830.46}},
      {"departments, losses",
       departments,
       {-1234567.89, 5782017.19, -483231.96, 4743783.1, 2866875.14, 2541070.8, 2245624.81,
        -229830.46}},
  };
  const struct {
    int Width, Height, Dpi;
  } sizes[] = {{580, 550, 96}, {580, 404, 96}, {725, 688, 120}, {870, 825, 144}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const auto& data : tables) {
    ItemTable t;
    for (size_t i = 0; i < data.Values.size(); ++i)
      t.Items.Add(data.Names[qsizetype(i)], data.Values[i]);
    for (const ChartPage page : {ChartPage::Bar, ChartPage::Line, ChartPage::Pie}) {
      for (const auto& z : sizes) {
        Case c{page, z.Width, z.Height, z.Dpi, Shape::Negative, true, t, {}};
        SCOPED_TRACE(c.Describe() + ", " + data.Name);
        ChartState state;
        {
          QPainter painter(&image);
          RenderChart(painter, z.Width, z.Height, t, RequestFor(c), state);
        }
        CheckTexts(c, state, RequestFor(c).Scale);
        CheckValuesClearOfAxis(state, RequestFor(c).Scale);
        CheckPieLegend(c, state);
        int names = 0;
        for (const ChartText& x : state.Outline.Texts) {
          if (x.Role != TextRole::LegendName && x.Role != TextRole::Category) continue;
          ++names;
          EXPECT_FALSE(x.Cut) << Name(x);
          EXPECT_TRUE(data.Names.contains(x.Text)) << Name(x);
        }
        // The line thins its category labels by design.
        if (page != ChartPage::Line) {
          EXPECT_EQ(names, t.ItemCount());
        }
      }
    }
  }
}

}  // namespace
}  // namespace qh
