#include "chart/png_encoder.h"

#include "chart/render_chart.h"
#include "data/item_table.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <functional>

#include <gtest/gtest.h>

namespace qh {
namespace {

QImage Filled(int width, int height, const std::function<QRgb(int, int)>& colourAt) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, colourAt(x, y));
  return image;
}

QImage Noise(int width, int height, quint32 seed) {
  QRandomGenerator random(seed);
  return Filled(width, height, [&](int, int) { return 0xFF000000u | random.generate(); });
}

QImage SampleChart(int width, int height) {
  ItemTable table;
  for (int i = 0; i < 12; ++i)
    table.Items.push_back(
        {QStringLiteral("项目%1").arg(i + 1), 1000.0 + i * 731.5 - (i % 4 == 3 ? 3000 : 0)});
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  ChartState state;
  RenderChart(painter, width, height, table, ChartRequest{}, state);
  return image;
}

// Every picture decodes to exactly its pixels: the cases reach the two
// kinds of copy, runs split at the longest copy a code can say, lines too
// long to copy from the line above, several blocks, and pictures with a
// single colour or none repeated at all.
TEST(PngEncoder, DecodesToTheSamePixels) {
  const struct {
    const char* Name;
    QImage Image;
  } cases[] = {
      {"one pixel", Filled(1, 1, [](int, int) { return qRgb(12, 34, 56); })},
      {"one white line", Filled(640, 1, [](int, int) { return qRgb(255, 255, 255); })},
      {"runs of 86 to 88 pixels (258 bytes and around)",
       Filled(87 * 3, 3,
              [](int x, int y) { return x < 86 + y ? qRgb(9, 9, 9) : qRgb(200, 1, 1); })},
      {"stripes",
       Filled(300, 200,
              [](int x, int y) { return (x / 7 + y / 5) % 2 ? 0xFF3366CCu : 0xFFFFFFFFu; })},
      {"noise: literals only, several blocks", Noise(301, 257, 7)},
      {"lines too long to reach the line above",
       Filled(11000, 3, [](int x, int) { return qRgb(x % 256, 0, 0); })},
      {"a chart", SampleChart(1200, 700)},
      {"a small chart", SampleChart(73, 41)},
  };
  for (const auto& c : cases) {
    const QByteArray png = EncodePng(c.Image);
    QImage back;
    ASSERT_TRUE(back.loadFromData(png, "PNG")) << c.Name;
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), c.Image) << c.Name;
    EXPECT_EQ(back.dotsPerMeterX(), c.Image.dotsPerMeterX()) << c.Name;
  }
}

// Speed is not bought with size: a chart's file stays close to what a
// general encoder makes at its fastest setting (copying only from the left
// and from above misses little in a chart; a broken match finder would
// double the file).
TEST(PngEncoder, ChartFileIsAboutAsSmallAsAGeneralEncoders) {
  const QImage chart = SampleChart(1200, 700);
  QByteArray general;
  QBuffer buffer(&general);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setQuality(80);  // zlib level 1
  ASSERT_TRUE(writer.write(chart));
  EXPECT_LE(EncodePng(chart).size(), general.size() * 115 / 100);
}

}  // namespace
}  // namespace qh
