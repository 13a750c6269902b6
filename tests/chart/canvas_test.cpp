#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/chart_fonts.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <gtest/gtest.h>
#include <cstdlib>

namespace qh {
namespace {

TEST(Canvas, ColoursAndPalette) {
  EXPECT_EQ(PaletteColor(1), 0xFF4E79A7u);
  EXPECT_EQ(PaletteColor(20), 0xFFD7B5A6u);
  EXPECT_EQ(PaletteColor(21), 0xFF4E79A7u);
  EXPECT_EQ(WithAlpha(0xFF2F80ED, 0x22), 0x222F80EDu);
  EXPECT_EQ(MakeArgb(300, -5, 1, 2), 0xFF020100u);
}

TEST(Canvas, DpiScale) {
  EXPECT_FLOAT_EQ(DpiScale(144), 1.5f);
  EXPECT_FLOAT_EQ(DpiScale(96), 1.0f);
  EXPECT_FLOAT_EQ(DpiScale(72), 1.0f);
  EXPECT_FLOAT_EQ(DpiScale(0), 1.0f);
}

TEST(Canvas, WholePixelEdgesRoundHalfToEven) {
  struct Row {
    QRectF In;
    QRect Out;
  };
  const Row rows[] = {
      {{0.5, 1.5, 2.5, 3.49}, {0, 2, 3, 3}},  // edges 0.5, 3 and 1.5, 4.99
      {{10.4, 0, 20.4, 1}, {10, 0, 21, 1}},   // right edge 30.8: one rounding, not two
      {{2.5, 2.5, 1, 1}, {2, 2, 2, 2}},
      {{-0.5, 1e30, 7.51, 0}, {0, 1000000000, 7, 0}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(WholePixelEdges(r.In), r.Out) << r.In.x() << "," << r.In.width();
}

// Cap strips are cut from the bar's own edges: none reaches past the body.
TEST(Canvas, RoundedBarStaysInsideItsEdges) {
  for (const float x : {10.4f, 10.5f, 10.6f, 33.25f}) {
    for (const float w : {2.0f, 7.3f, 20.4f, 37.9f}) {
      QImage img(80, 80, QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::white);
      {
        QPainter p(&img);
        DrawRoundedBar(p, x, 20.3f, w, 40.6f, 0xFF000000);
      }
      // The body's columns, read off the bar's lowest row.
      const int lowest = 60;
      int first = -1, last = -1;
      for (int col = 0; col < img.width(); ++col) {
        if (img.pixel(col, lowest) == 0xFFFFFFFFu) continue;
        if (first < 0) first = col;
        last = col;
      }
      ASSERT_GE(first, 0);
      for (int row = 0; row < lowest; ++row) {
        for (int col = 0; col < img.width(); ++col) {
          if (img.pixel(col, row) == 0xFFFFFFFFu) continue;
          EXPECT_TRUE(col >= first && col <= last) << "x " << x << " w " << w << " row " << row;
        }
      }
    }
  }
}

TEST(Canvas, ClearCanvasFramesThePicture) {
  QImage img(20, 20, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::black);
  QPainter p(&img);
  ClearCanvas(p, 20, 20);
  p.end();
  const QRgb frame = 0xFFE3E9F2, white = 0xFFFFFFFF;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(img.pixel(i, 0), frame);
    EXPECT_EQ(img.pixel(i, 19), frame);
    EXPECT_EQ(img.pixel(0, i), frame);
    EXPECT_EQ(img.pixel(19, i), frame);
  }
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 19; ++x) ASSERT_EQ(img.pixel(x, y), white) << x << "," << y;
}

TEST(Canvas, AreaBlendMatchesPainterPolygon) {
  // The direct blend must paint what the painter's polygon fill paints.
  const QPolygonF line{{3.2, 30}, {20.5, 4.7}, {31, 25.25}, {52.8, 12}};
  const float bottom = 36.5f;
  const quint32 colour = 0x802F80ED;
  QImage fast(60, 40, QImage::Format_ARGB32_Premultiplied), slow = fast;
  fast.fill(Qt::white);
  slow.fill(Qt::white);
  {
    QPainter p(&fast);
    p.setRenderHint(QPainter::Antialiasing);
    FillAreaUnderLine(p, line, bottom, colour);
  }
  {
    QPainter p(&slow);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.0, 0.0);
    p.setClipRect(QRect(0, 0, 60, 40));  // forces the general path
    FillAreaUnderLine(p, line, bottom, colour);
  }
  int differing = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      const int d = std::abs(qRed(fast.pixel(x, y)) - qRed(slow.pixel(x, y)));
      if (d > 70) ADD_FAILURE() << "pixel " << x << "," << y << " differs by " << d;
      if (d > 8) ++differing;  // anti-aliased edge pixels may differ a little
    }
  }
  EXPECT_LT(differing, 120);  // about the length of the outline
}

TEST(ChartFonts, FamilyFallbackOrder) {
  auto only = [](std::initializer_list<const char*> names) {
    return [names](const QString& f) {
      for (const char* n : names)
        if (f == QLatin1String(n)) return true;
      return false;
    };
  };
  EXPECT_EQ(ChartFontFamily(only({"SimSun", "Arial"})), QStringLiteral("SimSun"));
  EXPECT_EQ(ChartFontFamily(only({"Arial", "WenQuanYi Micro Hei"})),
            QStringLiteral("WenQuanYi Micro Hei"));
  EXPECT_EQ(ChartFontFamily(only({})), QString());
}

TEST(ChartFonts, SizesFollowScaleAndMissingFamiliesLeaveFontsUnready) {
  ChartFonts fonts;
  fonts.FamilyExists = [](const QString& f) { return f == u"DejaVu Sans"; };
  ASSERT_TRUE(fonts.Ensure(1.5f));
  EXPECT_EQ(fonts.Title.Font.pixelSize(), 36);
  EXPECT_TRUE(fonts.Title.Font.bold());
  EXPECT_EQ(fonts.Normal.Font.pixelSize(), 24);
  EXPECT_FALSE(fonts.Normal.Font.bold());
  ASSERT_TRUE(fonts.Ensure(1.0f));  // a new scale remakes the fonts
  EXPECT_EQ(fonts.Bold.Font.pixelSize(), 16);

  ChartFonts none;
  none.FamilyExists = [](const QString&) { return false; };
  EXPECT_FALSE(none.Ensure(1.0f));
  EXPECT_FALSE(none.FontsReady());
}

TEST(ChartFonts, MeasureAndElide) {
  EXPECT_EQ(MeasureTextWidth(nullptr, QString()), 0.0f);
  EXPECT_EQ(MeasureTextWidth(nullptr, QStringLiteral("五个字符啊")), 70.0f);
  ChartFonts fonts;
  ASSERT_TRUE(fonts.Ensure(1.0f));
  const QString name(10000, QChar(u'名'));
  const QString shown = ElideToWidth(fonts.Normal, name, 100);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
  EXPECT_LE(fonts.Normal.Metrics.horizontalAdvance(shown), 100.0);
  EXPECT_EQ(ElideToWidth(fonts.Normal, QStringLiteral("短"), 100), QStringLiteral("短"));
}

TEST(ChartFonts, TextBoxStaysInsideItsRectangle) {
  ChartFonts fonts;
  ASSERT_TRUE(fonts.Ensure(1.0f));
  QImage img(200, 60, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter p(&img);
  const QRectF box(50, 20, 60, 14);
  DrawTextBox(p, fonts.Normal, QString(50, QChar(u'宽')), box, 0xFF000000, TextAlign::Near);
  p.end();
  bool inked = false;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (img.pixel(x, y) == 0xFFFFFFFF) continue;
      inked = true;
      ASSERT_TRUE(QRectF(box).adjusted(-1, -1, 1, 1).contains(x, y)) << x << "," << y;
    }
  }
  EXPECT_TRUE(inked);
}

}  // namespace
}  // namespace qh
