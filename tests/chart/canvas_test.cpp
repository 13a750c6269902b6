#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/chart_fonts.h"
#include "chart/chart_style.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <cstdlib>

namespace qh {
namespace {

TEST(Canvas, ColoursAndPalette) {
  EXPECT_EQ(PaletteColor(1), 0xFF4E79A7u);
  EXPECT_EQ(PaletteColor(20), 0xFFC89B82u);
  EXPECT_EQ(PaletteColor(21), 0xFF4E79A7u);
  EXPECT_EQ(WithAlpha(0xFF2F80ED, 0x22), 0x222F80EDu);
  EXPECT_EQ(MakeArgb(300, -5, 1, 2), 0xFF020100u);
}

// CIE L*a*b* (D65) of an sRGB colour; with deuteranopia, first through the
// Machado, Oliveira and Fernandes (2009) simulation of full severity.
std::array<double, 3> Lab(quint32 argb, bool deuteranope = false) {
  auto linear = [](double c) {
    c /= 255;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  double r = linear((argb >> 16) & 0xFF), g = linear((argb >> 8) & 0xFF), b = linear(argb & 0xFF);
  if (deuteranope) {
    const double r2 = 0.367322 * r + 0.860646 * g - 0.227968 * b;
    const double g2 = 0.280085 * r + 0.672501 * g + 0.047413 * b;
    const double b2 = -0.011820 * r + 0.042940 * g + 0.968881 * b;
    r = std::clamp(r2, 0.0, 1.0), g = std::clamp(g2, 0.0, 1.0), b = std::clamp(b2, 0.0, 1.0);
  }
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

// CIEDE2000 colour difference (Sharma, Wu and Dalal's formulation).
double DeltaE2000(const std::array<double, 3>& p, const std::array<double, 3>& q) {
  constexpr double kPi = 3.14159265358979323846;
  auto rad = [&](double deg) { return deg * kPi / 180; };
  auto deg = [&](double r) { return r * 180 / kPi; };
  const double c1 = std::hypot(p[1], p[2]), c2 = std::hypot(q[1], q[2]);
  const double cMean7 = std::pow((c1 + c2) / 2, 7);
  const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
  const double a1 = (1 + g) * p[1], a2 = (1 + g) * q[1];
  const double cp1 = std::hypot(a1, p[2]), cp2 = std::hypot(a2, q[2]);
  auto hue = [&](double b, double a) {
    const double h = deg(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
  };
  const double h1 = cp1 == 0 ? 0 : hue(p[2], a1), h2 = cp2 == 0 ? 0 : hue(q[2], a2);
  double dh = 0;
  if (cp1 * cp2 != 0) dh = h2 - h1 > 180 ? h2 - h1 - 360 : h2 - h1 < -180 ? h2 - h1 + 360 : h2 - h1;
  const double dL = q[0] - p[0], dC = cp2 - cp1;
  const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(rad(dh / 2));
  const double lMean = (p[0] + q[0]) / 2, cpMean = (cp1 + cp2) / 2;
  double hMean = h1 + h2;
  if (cp1 * cp2 != 0) {
    hMean = std::abs(h1 - h2) <= 180 ? (h1 + h2) / 2
            : h1 + h2 < 360          ? (h1 + h2 + 360) / 2
                                     : (h1 + h2 - 360) / 2;
  }
  const double t = 1 - 0.17 * std::cos(rad(hMean - 30)) + 0.24 * std::cos(rad(2 * hMean)) +
                   0.32 * std::cos(rad(3 * hMean + 6)) - 0.20 * std::cos(rad(4 * hMean - 63));
  const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
  const double cp7 = std::pow(cpMean, 7);
  const double rc = 2 * std::sqrt(cp7 / (cp7 + std::pow(25.0, 7)));
  const double sl = 1 + 0.015 * std::pow(lMean - 50, 2) / std::sqrt(20 + std::pow(lMean - 50, 2));
  const double sc = 1 + 0.045 * cpMean, sh = 1 + 0.015 * cpMean * t;
  const double rt = -std::sin(rad(2 * dTheta)) * rc;
  return std::sqrt(std::pow(dL / sl, 2) + std::pow(dC / sc, 2) + std::pow(dH / sh, 2) +
                   rt * (dC / sc) * (dH / sh));
}

TEST(Canvas, DeltaE2000MatchesPublishedPairs) {
  // Sharma, Wu and Dalal (2005), test pairs 1, 7 and 17.
  const struct {
    std::array<double, 3> P, Q;
    double Expected;
  } rows[] = {{{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
              {{50, 0, 0}, {50, -1, 2}, 2.3669},
              {{50, 2.5, 0}, {73, 25, -18}, 27.1492}};
  for (const auto& r : rows) EXPECT_NEAR(DeltaE2000(r.P, r.Q), r.Expected, 1e-4);
}

// Any two palette colours tell apart (ΔE2000 ≥ 10), and slices side by
// side also for a deuteranope (≥ 5), the last colour next to the first.
TEST(Canvas, PaletteColoursTellApart) {
  const size_t n = kPalette.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      EXPECT_GE(DeltaE2000(Lab(kPalette[i]), Lab(kPalette[j])), 10)
          << "colours " << i + 1 << " and " << j + 1;
    }
    const size_t next = (i + 1) % n;
    EXPECT_GE(DeltaE2000(Lab(kPalette[i], true), Lab(kPalette[next], true)), 5)
        << "neighbours " << i + 1 << " and " << next + 1 << " for a deuteranope";
  }
}

// Secondary text keeps the 4.5:1 contrast of WCAG AA on the white picture.
TEST(Canvas, GreyTextReadsOnWhite) {
  const ChartStyle st(1);
  for (const quint32 grey : {st.SubtitleColor, st.TickColor, st.LegendNumberColor, st.NoteColor,
                             st.CategoryColor, st.ValueColor, st.LegendNameColor})
    EXPECT_GE(ContrastRatio(grey, 0xFFFFFFFF), 4.5) << std::hex << grey;
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
