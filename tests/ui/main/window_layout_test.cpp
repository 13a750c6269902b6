// Geometry of the main window: regions, navigation items, the option panel,
// the status link and the source page controls.
#include "ui/main/window_layout.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

struct LayoutCase {
  const char* Name;
  int ClientW, ClientH;
  float S;
  QRect Header, Nav, Status, Canvas;
};

TEST(WindowLayout, RegionsFromClientSizeAndScale) {
  const LayoutCase cases[] = {
      // Too small: laid out as 320 × 260 with the narrow navigation.
      {"tiny at 96 dpi", 300, 200, 1.0f, QRect(0, 0, 320, 58), QRect(0, 58, 110, 176),
       QRect(0, 234, 320, 26), QRect(118, 66, 186, 152)},
      {"designed size", 1220, 700, 1.0f, QRect(0, 0, 1220, 58), QRect(0, 58, 176, 616),
       QRect(0, 674, 1220, 26), QRect(184, 66, 1020, 592)},
      // 654 = 264 + 390 is the narrowest window keeping the wide panel at 144 dpi.
      {"144 dpi wide", 654, 600, 1.5f, QRect(0, 0, 654, 87), QRect(0, 87, 264, 474),
       QRect(0, 561, 654, 39), QRect(276, 99, 354, 438)},
      {"144 dpi narrow", 653, 600, 1.5f, QRect(0, 0, 653, 87), QRect(0, 87, 165, 474),
       QRect(0, 561, 653, 39), QRect(177, 99, 452, 438)},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const WindowLayout l = ComputeWindowLayout(c.ClientW, c.ClientH, c.S);
    EXPECT_EQ(l.Header, c.Header);
    EXPECT_EQ(l.Nav, c.Nav);
    EXPECT_EQ(l.Status, c.Status);
    EXPECT_EQ(l.Canvas, c.Canvas);
  }
}

TEST(WindowLayout, CanvasNeverBelowFortyPixels) {
  // s = 3: header 174 + status 78 + gap 72 leave nothing of a 260-high client.
  const WindowLayout l = ComputeWindowLayout(100, 100, 3.0f);
  EXPECT_EQ(l.Canvas.width(), 40);
  EXPECT_EQ(l.Canvas.height(), 40);
}

TEST(WindowLayout, HalvesRoundToEven) {
  EXPECT_EQ(RoundPixel(2.5), 2);
  EXPECT_EQ(RoundPixel(3.5), 4);
  EXPECT_EQ(RoundPixel(-0.5), 0);
  EXPECT_EQ(ComputeWindowLayout(800, 600, 1.25f).NavTop, 18);  // 17.5 -> 18
}

TEST(NavHitTest, ItemsAndTheDeadGapBetweenThem) {
  struct Case {
    float X, Y, S;
    int Item;
    // clang-format off
  } cases[] = {
      {10, 14, 1, 0},      {10, 55.9f, 1, 0},   {10, 56, 1, -1},  // t + 42 s is dead
      {10, 58.9f, 1, -1},  {10, 59, 1, 1},      {10, 14 + 4 * 45, 1, 4},
      {10, 14 + 4 * 45 + 42, 1, -1},  // below the fifth item
      {176, 20, 1, 0},                // x equal to the panel width still hits
      {176.5f, 20, 1, -1},            {-1, 20, 1, -1},
      {10, 21, 1.5f, 0},   {10, 21 + 63, 1.5f, -1}, {10, 21 + 67.5f, 1.5f, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    const float navTop = static_cast<float>(RoundPixel(14 * c.S));
    EXPECT_EQ(NavHitTest(c.X, c.Y, 176 * c.S, navTop, c.S), c.Item)
        << "x=" << c.X << " y=" << c.Y << " s=" << c.S;
  }
}

TEST(OptionPanel, RowsSitAtThePanelBottomOrAtThreeHundred) {
  // A tall panel: pY = 616 - 170 - (58 + 4 * 26) = 284, raised to 300.
  OptionPanelGeometry g = ComputeOptionPanel(176, 616, 4, 1.0f);
  ASSERT_TRUE(g.Visible);
  EXPECT_EQ(g.Panel, QRectF(10, 300, 156, 162));
  ASSERT_EQ(g.Rows.size(), 4u);
  EXPECT_EQ(g.Rows[0], QRectF(10, 338, 156, 26));
  EXPECT_EQ(g.Rows[3], QRectF(10, 416, 156, 26));

  g = ComputeOptionPanel(176, 900, 3, 1.0f);  // 900 - 170 - 136 = 594
  EXPECT_EQ(g.Panel.top(), 594);
  EXPECT_EQ(g.Rows[0].top(), 632);

  // The narrow panel (110 s) still shows it, 90 s wide.
  g = ComputeOptionPanel(165, 600, 3, 1.5f);
  ASSERT_TRUE(g.Visible);
  EXPECT_FLOAT_EQ(static_cast<float>(g.Panel.width()), 135);

  EXPECT_FALSE(ComputeOptionPanel(59, 600, 3, 1.0f).Visible);  // pW 39 < 40
  EXPECT_FALSE(ComputeOptionPanel(176, 600, 0, 1.0f).Visible);
}

TEST(OptionPanel, MakesRoomForTheColourRowBelowItsRows) {
  struct Case {
    float PanelH, S;
    QRectF Panel;
    QRect Label, Combo;
  } cases[] = {
      // 58 + 3 * 26 + (26 + 26 + 8) = 196 high; 900 - 170 - 196 = 534.
      {900, 1.0f, QRectF(10, 534, 156, 196), QRect(18, 650, 140, 26), QRect(18, 676, 140, 26)},
      // In a short panel it rises only to 244, clear of the fifth item; the
      // rows start 38 below the top.
      {500, 1.0f, QRectF(10, 244, 156, 196), QRect(18, 360, 140, 26), QRect(18, 386, 140, 26)},
      // Scaled: 264 wide, 294 high, 1200 - 255 - 294 = 651.
      {1200, 1.5f, QRectF(15, 651, 234, 294), QRect(27, 825, 210, 39), QRect(27, 864, 210, 39)},
  };
  for (const Case& c : cases) {
    const OptionPanelGeometry g = ComputeOptionPanel(176 * c.S, c.PanelH, 3, c.S, true);
    ASSERT_TRUE(g.Visible);
    EXPECT_EQ(g.Panel, c.Panel) << c.PanelH;
    EXPECT_EQ(g.ColorLabel, c.Label) << c.PanelH;
    EXPECT_EQ(g.ColorCombo, c.Combo) << c.PanelH;
    EXPECT_TRUE(g.Panel.contains(QRectF(g.ColorCombo))) << "inside the white panel";
    EXPECT_GE(g.ColorLabel.top(), g.Rows.back().bottom()) << "below the last option row";
    EXPECT_GT(g.Panel.top(),
              NavItemTop(4, static_cast<float>(RoundPixel(14 * c.S)), c.S) + 42 * c.S)
        << "below the items";
  }
  const OptionPanelGeometry plain = ComputeOptionPanel(176, 900, 3, 1.0f);
  EXPECT_TRUE(plain.ColorLabel.isNull());
  EXPECT_TRUE(plain.ColorCombo.isNull());
}

TEST(StatusLink, SpansTwoHundredFiftyScaledPixels) {
  EXPECT_TRUE(LinkHitTest(12, 0, 26, 1));
  EXPECT_TRUE(LinkHitTest(262, 26, 26, 1));
  EXPECT_FALSE(LinkHitTest(11.9f, 10, 26, 1));
  EXPECT_FALSE(LinkHitTest(262.1f, 10, 26, 1));
  EXPECT_FALSE(LinkHitTest(100, 26.1f, 26, 1));
  EXPECT_TRUE(LinkHitTest(393, 10, 39, 1.5f));
}

TEST(SourceFrame, ButtonWidthsFollowTheScale) {
  struct Case {
    float S;
    int BrowseW, ButtonW, ClearLeft, ApplyLeft;
    // clang-format off
  } cases[] = {
      {1.0f, 64, 124, 168, 306},
      {1.25f, 80, 154, 210, 382},   // C 500, G 18, P 38: K = 464 / 3, rounded down
      {1.5f, 48, 186, 252, 459},    // 96 \ RoundPixel(1.5) = 96 \ 2
      {2.0f, 64, 248, 336, 612},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.S);
    const SourceFrameLayout f = ComputeSourceFrame(c.S, QSize(60, 20), 600);
    EXPECT_EQ(f.Browse.width(), c.BrowseW);
    EXPECT_EQ(f.Sample.width(), c.ButtonW);
    EXPECT_EQ(f.Clear.left(), c.ClearLeft);
    EXPECT_EQ(f.Apply.left(), c.ApplyLeft);
    // The browse button ends where the manual box ends; the path box fills the gap.
    EXPECT_EQ(f.Browse.left() + f.Browse.width(), f.ManualBox.left() + f.ManualBox.width());
    EXPECT_EQ(f.PathBox.left() + f.PathBox.width(), f.Browse.left());
    EXPECT_GT(f.PathBox.left(), f.FilePathLabel.left() + f.FilePathLabel.width());
  }
}

TEST(SourceFrame, ControlsDoNotOverlapAndNoticeKeepsAMinimum) {
  const SourceFrameLayout f = ComputeSourceFrame(1.5f, QSize(90, 30), 300);
  const QRect rows[] = {f.Title,  f.PathBox,   f.ManualLabel, f.ManualBox,
                        f.Sample, f.LineLabel, f.Notice};
  for (size_t i = 1; i < std::size(rows); ++i)
    EXPECT_LE(rows[i - 1].bottom(), rows[i].top()) << "row " << i;
  EXPECT_EQ(f.Notice.height(), RoundPixel(20 * 1.5));  // 300 - 576 - 45 is below the minimum
  EXPECT_EQ(ComputeSourceFrame(1.0f, QSize(60, 20), 600).Notice.height(), 600 - 384 - 30);
  EXPECT_EQ(f.FilePathLabel.top(), RoundPixel(70 * 1.5) + (RoundPixel(30 * 1.5) - 30) / 2);
}

}  // namespace
}  // namespace qh

namespace qh {
namespace {

TEST(HeaderColorRow, SitsBetweenTitleAndItemCountWhenThereIsRoom) {
  struct Case {
    int Width;
    float S;
    bool Visible;
  };
  for (const Case c : {Case{1220, 1.0f, true}, Case{1500, 1.5f, true}, Case{700, 1.0f, false},
                       Case{900, 1.5f, false}}) {
    const HeaderColorRow row = ComputeHeaderColorRow(c.Width, RoundPixel(58 * c.S), c.S);
    EXPECT_EQ(row.Visible, c.Visible) << c.Width << " at " << c.S;
    if (!row.Visible) continue;
    EXPECT_LT(row.Label.right(), row.Combo.left());
    EXPECT_LE(row.Combo.right(), c.Width - RoundPixel(300 * c.S)) << "clear of the item count";
    EXPECT_GE(row.Combo.top(), 0);
    EXPECT_LE(row.Combo.bottom(), RoundPixel(58 * c.S));
  }
}

}  // namespace
}  // namespace qh
