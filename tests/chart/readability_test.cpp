// The readability rules as a property over generated charts: every kind,
// picture sizes from 100 × 80 to 3000 × 2000, 72 to 192 DPI, and data
// shapes from ordinary monthly figures to huge, tiny, negative and equal
// values, long names and thousands of rows.
#include "chart/canvas.h"
#include "chart/chart_format.h"
#include "chart/line_chart.h"
#include "chart/render_chart.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>

namespace qh {
namespace {

enum class Shape { Ordinary, LongNames, ManyItems, Tiny, Huge, Negative, Equal };
const char* const kShapeNames[] = {"ordinary", "long names", "many items", "tiny",
                                   "huge",     "negative",   "equal"};

struct Case {
  ChartPage page;
  int width, height, dpi;
  Shape shape;
  bool showValues;
  ItemTable table;
  LabelOptions labels;
  std::string Describe() const {
    std::ostringstream os;
    os << "kind " << int(page) << ", " << width << "x" << height << " at " << dpi << " DPI, "
       << kShapeNames[int(shape)] << ", " << table.ItemCount() << " rows"
       << (showValues ? "" : ", no values")
       << (labels.BarUseLetters || labels.LineUseLetters ? ", letters" : "")
       << (labels.BarUseNumbers || labels.LineUseNumbers ? ", numbers" : "")
       << (labels.BarNoName ? ", no names" : "");
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
      default: break;
    }
    t.Items.push_back({name, v});
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
    c.page = pages[i % 3];
    c.shape = static_cast<Shape>((i / 3) % 7);
    // Half the pictures are everyday sizes, half anywhere in the range.
    const bool everyday = pick(0, 1) == 0;
    c.width = everyday ? (pick(0, 1) ? 800 : 1600) : pick(100, 3000);
    c.height = everyday ? (c.width == 800 ? 500 : 900) : pick(80, 2000);
    c.dpi = everyday ? (pick(0, 1) ? 96 : 144) : pick(72, 192);
    c.showValues = pick(0, 4) != 0;
    c.table = MakeTable(c.shape, rng);
    // Now and then a label switch: letters, numbers or no names.
    switch (pick(0, 7)) {
      case 0: c.labels.BarUseLetters = c.labels.LineUseLetters = true; break;
      case 1: c.labels.BarUseNumbers = c.labels.LineUseNumbers = true; break;
      case 2: c.labels.BarNoName = true; break;
      default: break;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

ChartRequest RequestFor(const Case& c) {
  ChartRequest r;
  r.Page = c.page;
  r.Title =
      c.page == ChartPage::Pie ? QStringLiteral("饼形图   (第 1/2 页)") : QStringLiteral("柱形图");
  r.ShowValues = c.showValues;
  r.Scale = DpiScale(c.dpi);
  r.Labels = c.labels;
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
    EXPECT_TRUE(InsidePicture(t.Box, c.width, c.height))
        << Name(t) << " leaves the picture at " << t.Box.left() << "," << t.Box.top() << " "
        << t.Box.right() << "," << t.Box.bottom();
    if (IsNumberRole(t.Role) || t.Role == TextRole::Subtitle) {
      EXPECT_FALSE(t.Cut || t.Text.contains(QChar(0x2026))) << Name(t) << " is a cut number";
    }
    if (t.Role == TextRole::Value && c.page == ChartPage::Bar) {
      EXPECT_GE(t.Box.top(), 52 * s - 0.01) << Name(t) << " rises into the title block";
    }
    for (size_t j = 0; j < i; ++j) {
      EXPECT_FALSE(Overlaps(t.Box, texts[j].Box)) << Name(t) << " overlaps " << Name(texts[j]);
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
  const ValueStats st = ComputeStats(c.table);
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

// With value labels on, the axis gains a step when the tallest bar would
// come within 20s of the plot top.
void CheckBarHeadroom(const Case& c, const ChartState& state, float s) {
  if (c.page != ChartPage::Bar || !state.Outline.Axis) return;
  const ValueStats st = ComputeStats(c.table);
  AxisScale nice = NiceScale(0, std::max(0.0, st.Highest), 5);
  const PlotArea plot = ChartPlotArea(c.width, c.height, ChartStyle(s));
  const bool tight =
      st.Highest > 0 && plot.Height() - st.Highest / nice.Max * plot.Height() < 20 * s;
  const double expected = c.showValues && tight ? nice.Max + nice.Step : nice.Max;
  EXPECT_DOUBLE_EQ(state.Outline.Axis->Max, expected);
}

// The last point keeps its category label.
void CheckLastLineLabel(const Case& c, ChartState& state) {
  if (c.page != ChartPage::Line || !state.Outline.Axis) return;
  const LineLayout L = ComputeLineLayout(c.width, c.height, c.table, RequestFor(c), &state.Fonts);
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
      RenderChart(painter, c.width, c.height, c.table, request, state);
    }
    ASSERT_TRUE(state.Fonts.FontsReady());
    CheckTexts(c, state, request.Scale);
    CheckStatistics(c, state);
    CheckBarHeadroom(c, state, request.Scale);
    CheckLastLineLabel(c, state);
    if (HasFailure()) return;  // one broken case is enough to read
  }
}

// Everyday pictures show what they are for: title, statistics, ticks, a
// label per bar or legend line.
TEST(Readability, EverydayPicturesKeepTheirTexts) {
  std::mt19937 rng(7);
  const ItemTable months = MakeTable(Shape::Ordinary, rng);
  const struct {
    ChartPage page;
    int width, height, dpi;
  } rows[] = {{ChartPage::Bar, 800, 500, 96},
              {ChartPage::Bar, 1600, 900, 144},
              {ChartPage::Pie, 800, 500, 144},
              {ChartPage::Line, 800, 500, 96}};
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (const auto& r : rows) {
    Case c{r.page, r.width, r.height, r.dpi, Shape::Ordinary, true, months, {}};
    ChartState state;
    QPainter painter(&image);
    RenderChart(painter, r.width, r.height, months, RequestFor(c), state);
    std::map<TextRole, int> count;
    for (const ChartText& t : state.Outline.Texts) ++count[t.Role];
    EXPECT_EQ(count[TextRole::Title], 1) << c.Describe();
    EXPECT_EQ(count[TextRole::Subtitle], 1) << c.Describe();
    if (r.page == ChartPage::Pie) {
      EXPECT_EQ(count[TextRole::LegendValue], std::min(months.ItemCount(), 20)) << c.Describe();
      EXPECT_EQ(count[TextRole::LegendPct], count[TextRole::LegendValue]);
    } else {
      EXPECT_GE(count[TextRole::Tick], 4) << c.Describe();
      EXPECT_GE(count[TextRole::Value], 1) << c.Describe();
    }
  }
}

}  // namespace
}  // namespace qh
