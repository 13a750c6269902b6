// The window on screens of any scale: the chart drawn at the screen's own
// pixels, one scale for the layout, decorations clear of the captions, and
// the smallest window with nothing overlapping.
#include "chart/chart_text.h"
#include "chart/pie_chart.h"
#include "ui/main/window_test_support.h"

#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::WindowFixture;

// Every ratio runs this in a process of its own (QT_SCALE_FACTOR, see the
// suite's CMakeLists); without the variable it runs at 1.
TEST(DevicePixels, TheChartIsDrawnAtTheScreensOwnPixels) {
  const double ratio = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
  WindowFixture f;
  const QString data = f.Path(QStringLiteral("sales.html"));
  test::WriteFile(data, test::HtmlTable(12));
  f.Start({data}, 96, QSize(1000, 700));
  ASSERT_TRUE(f.WaitForPicture());
  const QImage& picture = f.Chart()->Picture();
  const QSize canvas = f.Layout().Canvas.size();
  EXPECT_DOUBLE_EQ(picture.devicePixelRatio(), ratio);
  EXPECT_EQ(picture.size(), QSize(qCeil(canvas.width() * ratio), qCeil(canvas.height() * ratio)));
  // One scale: 176 window pixels, times the ratio on the screen, never more.
  EXPECT_EQ(f.Nav()->width(), 176);
  EXPECT_EQ(qRound(f.Nav()->width() * f.Nav()->devicePixelRatioF()), qRound(176 * ratio));
  // Hover and hit tests stay in window pixels: a bar is found under the
  // mouse whatever the ratio.
  ASSERT_GE(f.Model().Drawing().HitRegions.size(), 3u);
  const HitRegion bar = f.Model().Drawing().HitRegions[2];
  const QPointF inside((bar.Left + bar.Right) / 2, bar.Bottom - 2);
  QMouseEvent move(QEvent::MouseMove, inside, f.Chart()->mapToGlobal(inside), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f.Chart(), &move);
  EXPECT_EQ(f.Model().HoverIndex(), bar.ItemIndex);
  const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
  if (ratio < 2) return;
  // Drawn at 2×, not drawn at 1× and doubled: the title band differs from
  // its own copy made of 2×2 blocks.
  const QRect title(0, 0, shown.width() & ~1, qMin(120, shown.height()) & ~1);
  const QImage band = shown.copy(title);
  const QImage doubled = band.scaled(band.size() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .scaled(band.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  int differing = 0;
  for (int y = 0; y < band.height(); ++y)
    for (int x = 0; x < band.width(); ++x) differing += band.pixel(x, y) != doubled.pixel(x, y);
  EXPECT_GT(differing, 100);
}

// A window moved to a screen of another scale draws its chart again for
// that screen's pixels.
TEST(DevicePixels, APictureForAnotherRatioIsDrawnAgain) {
  WindowFixture f;
  const QString data = f.Path(QStringLiteral("sales.html"));
  test::WriteFile(data, test::HtmlTable(5));
  f.Start({data}, 96, QSize(1000, 700));
  ASSERT_TRUE(f.WaitForPicture());
  QTest::qWait(1200);  // past the settling redraws, which would hide the fault
  QImage stale = f.Chart()->Picture();
  stale.setDevicePixelRatio(stale.devicePixelRatio() * 2);
  f.Chart()->SetPicture(stale);
  f.Chart()->repaint();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return f.Chart()->Picture().devicePixelRatio() == f.Chart()->devicePixelRatioF(); }));
}

// The decorations of the first item grow with s, and neither the squares
// nor the rule touch a caption's glyphs at 96, 120, 144 and 192 DPI, in the
// wide and the narrow panel.
TEST(DevicePixels, TheNavigationRuleCrossesNoCaption) {
  for (const auto& [s, navW] :
       {std::pair{1.0f, 176}, {1.25f, 176}, {1.5f, 176}, {2.0f, 176}, {1.0f, 110}, {2.0f, 110}}) {
    SCOPED_TRACE(s);
    ChartFonts fonts;
    fonts.Ensure(s);
    const TextMeasure measure{&fonts.Normal, s};
    const float width = static_cast<float>(RoundPixel(static_cast<float>(navW) * s));
    const float navTop = static_cast<float>(RoundPixel(14 * s));
    const auto decorations = NavDecorations(width, s);
    EXPECT_FLOAT_EQ(static_cast<float>(decorations[3].Rect.width()), 84 * s);
    for (int i = 0; i < kNavItemCount; ++i) {
      const ChartText caption = PlaceInBox(measure, TextRole::LegendName, QStringLiteral("数据源"),
                                           NavCaptionRect(i, width, navTop, s), TextAlign::Near, 0);
      for (const NavDecoration& d : decorations)
        EXPECT_FALSE(Overlaps(caption.Box, d.Rect)) << "item " << i;
    }
  }
}

bool Within(const QRect& outer, const QRect& inner) { return outer.contains(inner); }

// At its smallest the window still shows every control whole and apart, at
// 96 and 144 DPI, on every page.
TEST(SmallestWindow, NothingOverlapsAndEveryControlCanBeReached) {
  for (const int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    WindowFixture f;
    const QString data = f.Path(QStringLiteral("sales.html"));
    test::WriteFile(data, test::HtmlTable(12));
    f.Start({data}, dpi, QSize(300, 200));  // asks for less than it allows
    const float s = f.Scale;
    EXPECT_EQ(f.Window->size(), MinimumClientSize(s));
    EXPECT_EQ(f.Window->minimumSize(), MinimumClientSize(s));
    for (const Qt::Key key : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) {
      SCOPED_TRACE(key);
      QTest::keyClick(f.Window.get(), key);
      test::Pump();
      NavPanel* nav = f.Nav();
      const QRect version = nav->VersionLabel()->geometry();
      const QRect upgrade = nav->UpgradeLabel()->geometry();
      EXPECT_TRUE(Within(nav->rect(), version));
      EXPECT_TRUE(Within(nav->rect(), upgrade));
      const float exitBottom = NavItemTop(4, static_cast<float>(f.Layout().NavTop), s) + 42 * s;
      EXPECT_LE(exitBottom, version.top()) << "退出 stays clear of the version text";
      const OptionPanelGeometry panel =
          nav->PanelGeometry(static_cast<int>(nav->CurrentRows().size()));
      if (panel.Visible) {
        EXPECT_LE(panel.Panel.bottom(), version.top()) << "the settings panel ends above";
        EXPECT_LE(panel.Panel.bottom(), nav->height());
      }
      if (key == Qt::Key_F1) {
        SourcePage* source = f.Source();
        for (QWidget* control : std::initializer_list<QWidget*>{
                 source->PathBox(), source->BrowseButton(), source->ManualBox(),
                 source->SampleButton(), source->ClearButton(), source->ApplyButton()}) {
          EXPECT_TRUE(control->isVisible());
          EXPECT_TRUE(Within(source->rect(), control->geometry()))
              << control->metaObject()->className();
        }
      }
      if (key == Qt::Key_F3) {
        ChartFonts fonts;
        fonts.Ensure(s);
        const QSize canvas = f.Layout().Canvas.size();
        const PieLayout pie = ComputePieLayout(canvas.width(), canvas.height(), f.Model().Table(),
                                               f.Model().Request(), &fonts);
        EXPECT_EQ(static_cast<int>(pie.Legend.size()), pie.Count) << "the whole legend shows";
        EXPECT_GT(pie.Count, 0);
      }
    }
  }
}

TEST(SmallestWindow, TheFrameIsFittedIntoTheWorkArea) {
  const QRect work(0, 0, 1920, 1040);
  struct Case {
    QRect Frame, Client, Fitted;
    // clang-format off
  } cases[] = {
      {{0, 0, 1920, 1040},   {0, 0, 1920, 1040},   {0, 0, 1920, 1040}},    // no frame
      {{100, 50, 800, 600},  {104, 80, 792, 566},  {104, 80, 792, 566}},   // already inside
      {{0, -30, 1920, 1070}, {0, 0, 1920, 1040},   {0, 30, 1920, 1010}},   // title bar above
      {{-4, 0, 1928, 1074},  {0, 30, 1920, 1040},  {4, 30, 1912, 1006}},   // frame all round
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(FitFrameInto(work, c.Frame, c.Client), c.Fitted);
}

}  // namespace
}  // namespace qh

namespace qh {
namespace {

// A screen too small for the smallest window still holds it whole.
TEST(SmallestWindow, NeverLargerThanTheWorkArea) {
  struct Case {
    float S;
    QSize Work, Minimum;
    // clang-format off
  } cases[] = {
      {1.0f, {},           {780, 658}},  // unknown work area: no limit
      {1.0f, {1920, 1040}, {780, 658}},
      {1.5f, {1920, 1040}, {1170, 987}},
      {1.0f, {960, 540},   {780, 492}},  // 200 % on 1920 × 1080
      {2.0f, {1280, 720},  {1268, 672}},
      {1.0f, {200, 150},   {320, 260}},  // never below the smallest layout
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(MinimumClientSizeWithin(c.S, c.Work), c.Minimum) << c.S;
}

}  // namespace
}  // namespace qh
